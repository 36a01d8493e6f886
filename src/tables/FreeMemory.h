// How much more memory this process can take: what the system reports free, and under a memory
// limit of its control group (a container, a systemd unit's MemoryMax), the room the limit leaves.
// The system's figure alone ignores such a limit, and a process that goes past it is killed.
#pragma once

#include <string>

namespace FreeMemory {

// A reading that could not be made.
const long long unknown = -1;

// The smaller of MemAvailable in /proc/meminfo and the room of the process's control group, in
// bytes; unknown when neither can be read. The files are read under root, "" for the running
// system, so that a test can give its own.
//
// The control group is the one /proc/self/cgroup names: for cgroup v1 the line of the memory
// controller, under /sys/fs/cgroup/memory (memory.limit_in_bytes less memory.usage_in_bytes),
// for cgroup v2 the line "0::", under /sys/fs/cgroup (memory.max less memory.current; "max" is no
// limit). The page cache not used lately, which the kernel reclaims before it kills anything
// (total_inactive_file, or in v2 inactive_file, of memory.stat), counts as room. The group and
// every group above it up to the mount count, the least room of them: a limit set on a slice or
// on a container holds for each process inside it. A group whose files are missing or
// unreadable is passed over.
long long available(const std::string& root = "");

}  // namespace FreeMemory
