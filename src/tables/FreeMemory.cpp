#include "tables/FreeMemory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// A file's text, "" when it cannot be read.
std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The number a control group file holds alone (blanks around it allowed); unknown for anything
// else, "max" included.
long long numberIn(const std::string& text) {
    const char* begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    if (!std::isdigit(static_cast<unsigned char>(*begin))) return FreeMemory::unknown;
    char* end;
    const long long n = std::strtoll(begin, &end, 10);
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    return *end == '\0' ? n : FreeMemory::unknown;
}

// The least of a and b that is known.
long long least(long long a, long long b) {
    if (a == FreeMemory::unknown) return b;
    if (b == FreeMemory::unknown) return a;
    return std::min(a, b);
}

// The value of a key in a memory.stat file's "key value" lines, 0 when it has none.
long long statValue(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size() + 1, key + " ") != 0) continue;
        const long long n = numberIn(line.substr(key.size() + 1));
        return n == FreeMemory::unknown ? 0 : n;
    }
    return 0;
}

// Where a hierarchy keeps its figures: the files of the limit and of the usage, and the key in
// memory.stat of the file pages not used lately (those of the group and the groups below it).
struct Files {
    const char* limit;
    const char* usage;
    const char* inactiveFile;
};
const Files version1 = {"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};
const Files version2 = {"memory.max", "memory.current", "inactive_file"};

// The least room that the limit leaves over the usage in the group at path (below the
// hierarchy's mount) and in each group above it. The usage counts the page cache of the files
// the group has read (the tables' too) which the kernel takes back before it kills anything:
// pages not used lately count as room, or an optional table read at the start would leave no
// room for the next.
long long roomUp(const std::string& mount, std::string path, const Files& files) {
    long long room = FreeMemory::unknown;
    for (;;) {
        const std::string dir = mount + (path == "/" ? "" : path) + "/";
        const long long limit = numberIn(fileText(dir + files.limit));
        const long long usage = numberIn(fileText(dir + files.usage));
        if (limit != FreeMemory::unknown && usage != FreeMemory::unknown) {
            const long long reclaimable =
                std::min(usage, statValue(fileText(dir + "memory.stat"), files.inactiveFile));
            room = least(room, std::max(0LL, limit - (usage - reclaimable)));
        }
        const std::size_t slash = path.rfind('/');
        if (path.empty() || path == "/" || slash == std::string::npos) return room;
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
}

// The least room of the process's memory control groups, v1 or v2.
long long cgroupRoom(const std::string& root) {
    std::istringstream lines(fileText(root + "/proc/self/cgroup"));
    std::string line;
    long long room = FreeMemory::unknown;
    while (std::getline(lines, line)) {
        // hierarchy-ID:controllers:path, where the path may hold colons of its own.
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (path.empty() || path[0] != '/') continue;
        if (controllers.empty()) {
            room = least(room, roomUp(root + "/sys/fs/cgroup", path, version2));
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            room = least(room, roomUp(root + "/sys/fs/cgroup/" + controllers, path, version1));
        }
    }
    return room;
}

// MemAvailable of /proc/meminfo in bytes.
long long systemAvailable(const std::string& root) {
    std::istringstream lines(fileText(root + "/proc/meminfo"));
    std::string line;
    const std::string key = "MemAvailable:";
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        const std::size_t unit = line.rfind(" kB");
        const long long kib = numberIn(line.substr(key.size(), unit - key.size()));
        return kib == FreeMemory::unknown ? kib : kib * 1024;
    }
    return FreeMemory::unknown;
}

}  // namespace

namespace FreeMemory {

long long available(const std::string& root) {
    return least(systemAvailable(root), cgroupRoom(root));
}

}  // namespace FreeMemory
