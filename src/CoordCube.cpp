#include "CoordCube.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CubieCube.h"

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

const CoordCube::TableFile CoordCube::tableFiles[12] = {
    {"twistMove", twistMove, 2, 2187 * 18},
    {"flipMove", flipMove, 2, 2048 * 18},
    {"FRtoBR_Move", FRtoBR_Move, 2, 11880 * 18},
    {"URFtoDLF_Move", URFtoDLF_Move, 2, 20160 * 18},
    {"URtoDF_Move", URtoDF_Move, 2, 20160 * 18},
    {"URtoUL_Move", URtoUL_Move, 2, 1320 * 18},
    {"UBtoDF_Move", UBtoDF_Move, 2, 1320 * 18},
    {"MergeURtoULandUBtoDF", MergeURtoULandUBtoDF, 2, 336 * 336},
    {"Slice_URFtoDLF_Parity_Prun", Slice_URFtoDLF_Parity_Prun, 1, 483840},
    {"Slice_URtoDF_Parity_Prun", Slice_URtoDF_Parity_Prun, 1, 483840},
    {"Slice_Twist_Prun", Slice_Twist_Prun, 1, 541283},
    {"Slice_Flip_Prun", Slice_Flip_Prun, 1, 506880}};

const CoordCube::TableFile CoordCube::extraTableFile = {"Twist_Flip_Prun", Twist_Flip_Prun, 1,
                                                        2239488};

namespace {

#ifndef CUBESOLVER_TABLE_DIR
#define CUBESOLVER_TABLE_DIR "tables"
#endif
#ifndef CUBESOLVER_INSTALL_TABLE_DIR
#define CUBESOLVER_INSTALL_TABLE_DIR "/usr/local/share/cubesolver"
#endif

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

// Reads one table from the first directory that has its file; "" or what went wrong.
std::string loadTable(const CoordCube::TableFile& table,
                      const std::vector<std::string>& directories, std::string& path) {
    for (const std::string& dir : directories) {
        path = dir + "/" + table.name;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            if (errno == ENOENT) continue;
            return "cannot be read (" + std::string(std::strerror(errno)) + ")";
        }
        prefault(table.data, static_cast<std::size_t>(table.elementSize) * table.count);
        std::size_t got = std::fread(table.data, table.elementSize, table.count, file);
        bool failed = std::ferror(file) != 0;
        int error = errno;
        std::fclose(file);
        if (failed) return "cannot be read (" + std::string(std::strerror(error)) + ")";
        if (got < static_cast<std::size_t>(table.count)) {
            return "is shorter than its " + std::to_string(table.elementSize * table.count) +
                   " bytes";
        }
        if (table.elementSize == 2) fromLittleEndian(static_cast<short*>(table.data), table.count);
        return "";
    }
    path = table.name;
    return missingFile;
}

// True when each of the count entries lies in 0..limit-1. Written without early exits so that
// it vectorizes, since the checks run on every start; kept out of line because, inlined by the
// link-time optimizer, it is no longer vectorized.
__attribute__((noinline)) bool entriesBelow(const short* entries, int count, int limit) {
    unsigned bad = 0;
    // A negative entry becomes a huge unsigned one.
    for (int i = 0; i < count; ++i) bad |= static_cast<unsigned>(entries[i]) >= unsigned(limit);
    return bad == 0;
}

// The same for the ten phase-2 columns of the first rows of a move table.
bool phase2EntriesBelow(const short (*table)[18], int rows, int limit) {
    unsigned bad = 0;
    for (int row = 0; row < rows; ++row) {
        for (int m : CoordCube::phase2Moves)
            bad |= static_cast<unsigned>(table[row][m]) >= unsigned(limit);
    }
    return bad == 0;
}

bool mergeInRange() {
    unsigned bad = 0;
    for (const auto& row : CoordCube::MergeURtoULandUBtoDF) {
        for (short v : row) bad |= static_cast<unsigned>(v + 1) > 20160u;
    }
    return bad == 0;
}

// True when no entry is 15: no table holds a distance above 14. An odd count of entries leaves
// the high nibble of the last byte unused. Out of line for the same reason as entriesBelow.
__attribute__((noinline)) bool pruningInRange(const unsigned char* table, std::uint32_t entries) {
    unsigned bad = 0;
    for (std::uint32_t i = 0; i < entries / 2; ++i) {
        bad |= ((table[i] & 0x0f) == 0x0f) | ((table[i] & 0xf0) == 0xf0);
    }
    if (entries % 2 != 0) bad |= (table[entries / 2] & 0x0f) == 0x0f;
    return bad == 0;
}

// True when the first entry (the goal) is 0 and every other one lies in 1..most. Byte-wide, so
// that it vectorizes sixteen bytes at a time; out of line for the same reason as entriesBelow.
__attribute__((noinline)) bool distancesInRange(const unsigned char* table, std::uint32_t bytes,
                                                unsigned char most) {
    // An entry 0 becomes 255 when 1 is taken from it.
    const auto belowOne = [](int entry) { return static_cast<unsigned char>(entry - 1); };
    unsigned char bad = (table[0] & 0x0f) != 0 || belowOne(table[0] >> 4) >= most;
    for (std::uint32_t i = 1; i < bytes; ++i) {
        const unsigned char low = belowOne(table[i] & 0x0f);
        const unsigned char high = belowOne(table[i] >> 4);
        bad |= (low >= most) | (high >= most);
    }
    return bad == 0;
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

void CoordCube::initAllStaticVariables() {
    std::vector<std::string> directories = {".", CUBESOLVER_TABLE_DIR};
    if (std::string(CUBESOLVER_INSTALL_TABLE_DIR) != CUBESOLVER_TABLE_DIR) {
        directories.push_back(CUBESOLVER_INSTALL_TABLE_DIR);
    }
    std::string failure = loadTables(directories);
    if (failure.empty()) return;
    std::fprintf(stderr,
                 "cubesolver: %s (looked in: %s); make the tables with \"maketables DIR\" "
                 "or by building the project\n",
                 failure.c_str(), joined(directories).c_str());
    std::exit(2);
}

std::string CoordCube::loadTables(const std::vector<std::string>& directories) {
    for (int i = 0; i < 12; ++i) {
        std::string path;
        std::string failure = loadTable(tableFiles[i], directories, path);
        // Checked right after its read, the table is still in the cache.
        if (failure.empty() && !tableInRange(i)) failure = "holds entries out of range";
        if (!failure.empty()) return "table file \"" + path + "\" " + failure;
    }
    for (int slice = 0; slice < 495; ++slice) {
        for (int m = 0; m < 18; ++m) sliceMove[slice][m] = FRtoBR_Move[24 * slice][m] / 24;
    }

    // The extra table: a missing file only leaves the search without it.
    useTwistFlipPrun = false;
    std::string path;
    std::string failure = loadTable(extraTableFile, directories, path);
    if (failure == missingFile) return "";
    if (failure.empty() && !twistFlipInRange()) failure = "holds entries out of range";
    if (!failure.empty()) return "table file \"" + path + "\" " + failure;
    useTwistFlipPrun = true;
    return "";
}

bool CoordCube::tableInRange(int i) {
    switch (i) {
        case 0:
            return entriesBelow(twistMove[0], 2187 * 18, 2187);
        case 1:
            return entriesBelow(flipMove[0], 2048 * 18, 2048);
        case 2:
            // In rows 0..23 the phase-2 moves must keep the slice edges in the middle slice, or
            // phase 2 would read its pruning tables past their end.
            return entriesBelow(FRtoBR_Move[0], 11880 * 18, 11880) &&
                   phase2EntriesBelow(FRtoBR_Move, 24, 24);
        case 3:
            return entriesBelow(URFtoDLF_Move[0], 20160 * 18, 20160);
        case 4:
            return phase2EntriesBelow(URtoDF_Move, 20160, 20160);
        case 5:
            return entriesBelow(URtoUL_Move[0], 1320 * 18, 1320);
        case 6:
            return entriesBelow(UBtoDF_Move[0], 1320 * 18, 1320);
        case 7:
            return mergeInRange();
        case 8:
            return pruningInRange(Slice_URFtoDLF_Parity_Prun, 967680);
        case 9:
            return pruningInRange(Slice_URtoDF_Parity_Prun, 967680);
        case 10:
            return pruningInRange(Slice_Twist_Prun, 1082565);
        default:
            return pruningInRange(Slice_Flip_Prun, 1013760);
    }
}

bool CoordCube::twistFlipInRange() {
    return distancesInRange(Twist_Flip_Prun, sizeof(Twist_Flip_Prun), 9);
}

void CoordCube::setPruning(unsigned char* table, int index, unsigned char value) {
    unsigned char& b = table[index / 2];
    if ((index & 1) == 0) {
        b &= static_cast<unsigned char>(value | 0xf0);
    } else {
        b &= static_cast<unsigned char>((value << 4) | 0x0f);
    }
}
