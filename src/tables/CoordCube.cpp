#include "tables/CoordCube.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "cube/CubieCube.h"
#include "tables/FreeMemory.h"

short CoordCube::twistMove[2187][18];
short CoordCube::flipMove[2048][18];
short CoordCube::FRtoBR_Move[11880][18];
short CoordCube::URFtoDLF_Move[20160][18];
short CoordCube::URtoDF_Move[20160][18];
short CoordCube::URtoUL_Move[1320][18];
short CoordCube::UBtoDF_Move[1320][18];
short CoordCube::MergeURtoULandUBtoDF[336][336];
unsigned char CoordCube::Slice_URFtoDLF_Parity_Prun[483840];
unsigned char CoordCube::Slice_URtoDF_Parity_Prun[483840];
unsigned char CoordCube::Slice_Twist_Prun[541283];
unsigned char CoordCube::Slice_Flip_Prun[506880];
unsigned char CoordCube::Twist_Flip_Prun[2239488];
bool CoordCube::useTwistFlipPrun = false;
unsigned short CoordCube::sliceMove[495][18];

const short CoordCube::parityMove[2][18] = {{1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1},
                                            {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}};

const int CoordCube::phase2Moves[10] = {0, 1, 2, 4, 7, 9, 10, 11, 13, 16};

const int CoordCube::seenTurnedYMove[18] = {0, 1,  2,  6,  7,  8,  12, 13, 14,
                                            9, 10, 11, 15, 16, 17, 3,  4,  5};

// The digests pin each file to the content the cube model defines, independently of maketables:
// a fault in the producer cannot move them along with the tables it makes. (The two three-edge
// coordinates URtoUL and UBtoDF move alike, so their files are the same bytes.)
const CoordCube::TableFile CoordCube::tableFiles[12] = {
    {"twistMove", twistMove, 2, 2187 * 18, 0x8b3604214aaf04c6},
    {"flipMove", flipMove, 2, 2048 * 18, 0xe44d8414abccdeca},
    {"FRtoBR_Move", FRtoBR_Move, 2, 11880 * 18, 0x9e5d457a715e129e},
    {"URFtoDLF_Move", URFtoDLF_Move, 2, 20160 * 18, 0x9b43b4e2f2ef87f2},
    {"URtoDF_Move", URtoDF_Move, 2, 20160 * 18, 0x4f379137a6ed3cf6},
    {"URtoUL_Move", URtoUL_Move, 2, 1320 * 18, 0x0a5eecb75ca0cc35},
    {"UBtoDF_Move", UBtoDF_Move, 2, 1320 * 18, 0x0a5eecb75ca0cc35},
    {"MergeURtoULandUBtoDF", MergeURtoULandUBtoDF, 2, 336 * 336, 0x153f18ed899742c8},
    {"Slice_URFtoDLF_Parity_Prun", Slice_URFtoDLF_Parity_Prun, 1, 483840, 0x4c99ec1bc0814804},
    {"Slice_URtoDF_Parity_Prun", Slice_URtoDF_Parity_Prun, 1, 483840, 0xb420712e4e5ae34a},
    {"Slice_Twist_Prun", Slice_Twist_Prun, 1, 541283, 0xa394e301a48afc57},
    {"Slice_Flip_Prun", Slice_Flip_Prun, 1, 506880, 0xfd5b5c63b02f6012}};

const CoordCube::TableFile CoordCube::extraTableFile = {"Twist_Flip_Prun", Twist_Flip_Prun, 1,
                                                        2239488, 0x949d14d49aa1d180};

namespace {

bool hostIsLittleEndian() {
    const std::uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// The files store 16-bit entries low byte first.
void fromLittleEndian(short* data, int count) {
    if (hostIsLittleEndian()) return;
    for (int i = 0; i < count; ++i) {
        auto u = static_cast<std::uint16_t>(data[i]);
        data[i] = static_cast<short>((u >> 8) | (u << 8));
    }
}

// What loadTable says of a file found in no directory.
const char* const missingFile = "is missing";

std::string joined(const std::vector<std::string>& directories) {
    std::string s;
    for (const std::string& dir : directories) s += (s.empty() ? "" : ", ") + dir;
    return s;
}

// The directory of the running program, or "" where the system does not tell.
std::string programDirectory() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    std::string program(path, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? "" : program.substr(0, std::max<std::size_t>(slash, 1));
}

// The working directory by its full path, which a message can name; "." where it has none.
std::string workingDirectory() {
    char path[4096];
    return getcwd(path, sizeof path) ? path : ".";
}

// What to do about a table file that fails, where this program runs: a build tree makes its
// tables, an installed program takes them from its prefix, and a copy of the program (as from a
// board's archive) from its own directory.
std::string tableAdvice(const std::string& program) {
    if (program.empty()) return "put the table files in the working directory";
    struct stat status;
    if (stat((program + "/CMakeCache.txt").c_str(), &status) == 0) {
        return "make them again by building the project: cmake --build " + program +
               " --target tables";
    }
    const std::size_t slash = program.rfind('/');
    if (program.compare(slash + 1, std::string::npos, "bin") == 0) {
        return "install the project or its package again, which puts the table files in " +
               program.substr(0, slash) + "/share/cubesolver";
    }
    return "copy the table files from the cubesolver archive or package into " + program +
           " again, beside the program";
}

// Faults in the pages of a table's memory with one call, which costs less than one page fault
// each while the file is read. Where the call is unknown the pages just fault one by one.
void prefault(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const auto first = begin & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), begin - first + bytes, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Reads up to size bytes; the count read, or -1 on an error.
long readFully(int fd, void* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, static_cast<char*>(data) + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

std::string cannotRead(int error) {
    return "cannot be read (" + std::string(std::strerror(error)) + ")";
}

// Reads one table's bytes from the first directory that has its file; "" or what went wrong.
// Only a regular file is read: a FIFO or a device named like a table would block the start or
// never end.
std::string readTable(const CoordCube::TableFile& table,
                      const std::vector<std::string>& directories, std::string& path) {
    const std::size_t size = static_cast<std::size_t>(table.elementSize) * table.count;
    for (const std::string& dir : directories) {
        path = dir + "/" + table.name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT || errno == ENOTDIR) continue;
            return cannotRead(errno);
        }
        struct stat status;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            close(fd);
            return "is not a regular file";
        }
        // A longer file is no file that maketables wrote (files run together, a copy gone
        // wrong): refused like a short one, rather than trusted for its first bytes.
        if (static_cast<std::size_t>(status.st_size) > size) {
            close(fd);
            return "is longer than its " + std::to_string(size) + " bytes";
        }
        prefault(table.data, size);
        const long got = readFully(fd, table.data, size);
        const int error = errno;
        close(fd);
        if (got < 0) return cannotRead(error);
        if (static_cast<std::size_t>(got) < size) {
            return "is shorter than its " + std::to_string(size) + " bytes";
        }
        return "";
    }
    path = table.name;
    return missingFile;
}

// The digest of a table: eight lanes of 32-bit words, each word keyed by its position and mixed,
// summed into a running sum and a sum of running sums. The mixing is one-to-one, so a single
// changed word always changes the sum; the keys and the second sum make exchanged or shifted
// words change the digest too. It vectorizes like a plain sum, which matters since it runs on
// every start.
const int digestLanes = 8;
const std::uint32_t digestKeyStep = 0x9e3779b9u;
using DigestBlock = std::uint32_t[digestLanes];
struct DigestLanes {
    std::uint32_t sum[digestLanes];
    std::uint32_t sumOfSums[digestLanes];
};

inline void mixBlock(DigestLanes& lanes, const DigestBlock block, std::uint32_t key) {
    for (int k = 0; k < digestLanes; ++k) {
        std::uint32_t x = block[k];
        // Words are taken low byte first, as the files store them, on any host.
        if (!hostIsLittleEndian()) x = __builtin_bswap32(x);
        x ^= key + static_cast<std::uint32_t>(k) * 0x632be5abu;
        x ^= x << 7;
        x ^= x >> 9;
        lanes.sum[k] += x;
        lanes.sumOfSums[k] += lanes.sum[k];
    }
}

// Reads a table from the first directory that has its file and checks it against its digest;
// "" or what went wrong.
std::string loadTable(const CoordCube::TableFile& table,
                      const std::vector<std::string>& directories, std::string& path) {
    const std::string failure = readTable(table, directories, path);
    if (!failure.empty()) return failure;
    // Checked right after its read, while the table is still in the cache.
    CoordCube::clearFreeEntries(table);
    if (CoordCube::digest(table.data, std::size_t(table.elementSize) * table.count) !=
        table.digest) {
        return "is damaged: its entries are not those the cube model defines";
    }
    if (table.elementSize == 2) fromLittleEndian(static_cast<short*>(table.data), table.count);
    return "";
}

}  // namespace

CoordCube::CoordCube(const CubieCube& c)
    : twist(c.getTwist()),
      flip(c.getFlip()),
      parity(c.cornerParity()),
      FRtoBR(c.getFRtoBR()),
      URFtoDLF(c.getURFtoDLF()),
      URtoUL(c.getURtoUL()),
      UBtoDF(c.getUBtoDF()),
      URtoDF(c.getURtoDF()) {}

void CoordCube::move(int m) {
    twist = twistMove[twist][m];
    flip = flipMove[flip][m];
    parity = parityMove[parity][m];
    FRtoBR = FRtoBR_Move[FRtoBR][m];
    URFtoDLF = URFtoDLF_Move[URFtoDLF][m];
    URtoUL = URtoUL_Move[URtoUL][m];
    UBtoDF = UBtoDF_Move[UBtoDF][m];
    if (URtoUL < 336 && UBtoDF < 336) URtoDF = MergeURtoULandUBtoDF[URtoUL][UBtoDF];
}

void CoordCube::stopOnFailure(const std::string& failure,
                              const std::vector<std::string>& directories) {
    std::fprintf(stderr, "cubesolver: %s (looked in: %s); %s\n", failure.c_str(),
                 joined(directories).c_str(), tableAdvice(programDirectory()).c_str());
    std::exit(2);
}

std::vector<std::string> CoordCube::tableDirectories() {
    std::vector<std::string> directories = {workingDirectory()};
    const std::string program = programDirectory();
    if (!program.empty()) {
        directories.push_back(program);
        directories.push_back(program + "/../share/cubesolver");
        directories.push_back(program + "/tables");
    }
    return directories;
}

void CoordCube::deriveSliceMove() {
    for (int slice = 0; slice < 495; ++slice) {
        for (int m = 0; m < 18; ++m) sliceMove[slice][m] = FRtoBR_Move[24 * slice][m] / 24;
    }
}

std::string CoordCube::loadTables(const std::vector<std::string>& directories) {
    for (const TableFile& table : tableFiles) {
        std::string path;
        const std::string failure = loadTable(table, directories, path);
        if (!failure.empty()) return "table file \"" + path + "\" " + failure;
    }
    deriveSliceMove();

    // The extra table only strengthens the phase-1 bound: without its file the search runs as
    // before, but a damaged one stops the program like any other.
    useTwistFlipPrun = false;
    std::string path;
    const std::string failure = loadTable(extraTableFile, directories, path);
    if (failure == missingFile) return "";
    if (!failure.empty()) return "table file \"" + path + "\" " + failure;
    useTwistFlipPrun = true;
    return "";
}

std::string CoordCube::loadFile(const TableFile& table, const std::vector<std::string>& directories,
                                bool& missing) {
    // The tables read here are optional: one that cannot get the memory its reading takes is one
    // the search runs without.
    try {
        std::string path;
        const std::string failure = loadTable(table, directories, path);
        missing = failure == missingFile;
        if (missing || failure.empty()) return "";
        return "table file \"" + path + "\" " + failure;
    } catch (const std::bad_alloc&) {
        missing = true;
        return "";
    }
}

std::string CoordCube::loadAllocated(unsigned char*& data, const TableFile& file,
                                     const std::vector<std::string>& directories, std::size_t bytes,
                                     bool& missing) {
    // data is set only once the whole table is read and checked: no search may see a part.
    std::unique_ptr<unsigned char, void (*)(void*)> memory(
        static_cast<unsigned char*>(std::malloc(bytes)), std::free);
    missing = memory == nullptr;
    if (missing) return "";
    TableFile table = file;
    table.data = memory.get();
    const std::string failure = loadFile(table, directories, missing);
    if (failure.empty() && !missing) data = memory.release();
    return failure;
}

bool CoordCube::memoryAllows(std::size_t bytes) {
    const long long margin = 8 << 20;
    // A process too short of memory to read the figures has no room for an optional table.
    try {
        const long long free = FreeMemory::available();
        return free == FreeMemory::unknown || free >= static_cast<long long>(bytes) + margin;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CoordCube::clearFreeEntries(const TableFile& table) {
    if (table.data == URtoDF_Move) {
        // Outside the phase-2 moves URtoDF leaves the table's rows; the searches never go there.
        bool phase2[18] = {};
        for (int m : phase2Moves) phase2[m] = true;
        int freeColumns[8];
        int count = 0;
        for (int m = 0; m < 18; ++m) {
            if (!phase2[m]) freeColumns[count++] = m;
        }
        for (auto& row : URtoDF_Move) {
            for (int m : freeColumns) row[m] = -1;
        }
    } else if (table.data == Slice_Twist_Prun) {
        // An odd number of entries leaves the high nibble of the last byte unused.
        Slice_Twist_Prun[sizeof Slice_Twist_Prun - 1] |= 0xf0;
    } else if (std::strcmp(table.name, "FlipSlice_Twist_Prun") == 0) {
        // Four entries a byte leave the last two entries' bits of the last byte unused.
        static_cast<unsigned char*>(table.data)[table.count - 1] |= 0xf0;
    }
}

// Kept out of line: inlined by the link-time optimizer, its loop is no longer vectorized.
__attribute__((noinline)) std::uint64_t CoordCube::digest(const void* bytes, std::size_t size) {
    DigestLanes lanes = {};
    const auto* data = static_cast<const unsigned char*>(bytes);
    const std::size_t whole = size / sizeof(DigestBlock);
    std::uint32_t key = 0;
    for (std::size_t b = 0; b < whole; ++b, key += digestKeyStep) {
        DigestBlock block;
        std::memcpy(block, data + b * sizeof block, sizeof block);
        mixBlock(lanes, block, key);
    }
    DigestBlock last = {};
    std::memcpy(last, data + whole * sizeof last, size % sizeof last);
    mixBlock(lanes, last, key);

    std::uint64_t d = size;
    for (int k = 0; k < digestLanes; ++k) {
        d = (d ^ lanes.sum[k]) * 0x100000001b3u;
        d = (d ^ lanes.sumOfSums[k]) * 0x100000001b3u;
    }
    return d;
}

void CoordCube::setPruning(unsigned char* table, int index, unsigned char value) {
    unsigned char& b = table[index / 2];
    if ((index & 1) == 0) {
        b &= static_cast<unsigned char>(value | 0xf0);
    } else {
        b &= static_cast<unsigned char>((value << 4) | 0x0f);
    }
}
