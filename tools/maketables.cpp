// maketables [DIR]: computes the twelve table files, the extra phase-1 tables Twist_Flip_Prun,
// FlipSlice_Sym and FlipSlice_Twist_Prun and the extra phase-2 tables Corner_UDEdge_Sym,
// Corner_UDEdge_Prun and Corner_UDEdge_Far from the cube model and writes them into DIR (default:
// the working directory). 16-bit entries are written low byte first on every host.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "cube/CubieCube.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

namespace {

using MoveRow = short[18];

// Fills the move table of a coordinate: set each value on the identity cube, turn each face
// three times by a quarter turn reading the coordinate after each, and a fourth turn restores it.
template <typename Set, typename Get>
void fillMoveTable(MoveRow* table, int rows, bool corners, Set set, Get get) {
    for (int row = 0; row < rows; ++row) {
        CubieCube cube;
        set(cube, row);
        for (int axis = 0; axis < 6; ++axis) {
            for (int power = 0; power < 4; ++power) {
                if (corners) {
                    cube.cornerMultiply(CubieCube::moveCube[axis]);
                } else {
                    cube.edgeMultiply(CubieCube::moveCube[axis]);
                }
                if (power < 3) table[row][3 * axis + power] = static_cast<short>(get(cube));
            }
        }
    }
}

void fillMoveTables() {
    fillMoveTable(
        CoordCube::twistMove, 2187, true, [](CubieCube& c, int v) { c.setTwist(short(v)); },
        [](const CubieCube& c) { return c.getTwist(); });
    fillMoveTable(
        CoordCube::flipMove, 2048, false, [](CubieCube& c, int v) { c.setFlip(short(v)); },
        [](const CubieCube& c) { return c.getFlip(); });
    fillMoveTable(
        CoordCube::FRtoBR_Move, 11880, false, [](CubieCube& c, int v) { c.setFRtoBR(short(v)); },
        [](const CubieCube& c) { return c.getFRtoBR(); });
    fillMoveTable(
        CoordCube::URFtoDLF_Move, 20160, true, [](CubieCube& c, int v) { c.setURFtoDLF(short(v)); },
        [](const CubieCube& c) { return c.getURFtoDLF(); });
    fillMoveTable(
        CoordCube::URtoDF_Move, 20160, false, [](CubieCube& c, int v) { c.setURtoDF(v); },
        [](const CubieCube& c) { return c.getURtoDF(); });
    fillMoveTable(
        CoordCube::URtoUL_Move, 1320, false, [](CubieCube& c, int v) { c.setURtoUL(short(v)); },
        [](const CubieCube& c) { return c.getURtoUL(); });
    fillMoveTable(
        CoordCube::UBtoDF_Move, 1320, false, [](CubieCube& c, int v) { c.setUBtoDF(short(v)); },
        [](const CubieCube& c) { return c.getUBtoDF(); });

    // Each placement of UR..DF in the U and D layers is the merge of exactly one pair of
    // three-edge placements; every other pair shares a position and merges to -1. Walking the
    // 20160 placements is cheaper than merging all 336 * 336 pairs.
    for (auto& row : CoordCube::MergeURtoULandUBtoDF) {
        for (short& entry : row) entry = -1;
    }
    for (int idx = 0; idx < 20160; ++idx) {
        CubieCube cube;
        cube.setURtoDF(idx);
        CoordCube::MergeURtoULandUBtoDF[cube.getURtoUL()][cube.getUBtoDF()] =
            static_cast<short>(idx);
    }
}

// Breadth-first search from the goal (entry 0) over all entries: each entry becomes its distance.
// Every move set holds the inverse of each of its moves, so once most entries are done it is
// cheaper to search backwards: an open entry is one move further than a neighbour at the depth.
// When a pass reaches no new entry before all are done, the moves cannot reach them all: a fault
// in the cube model, reported instead of searching for ever.
template <typename Successor>
bool fillPruningTable(const char* name, unsigned char* table, int entries, const int* moves,
                      int moveCount, Successor next) {
    std::memset(table, 0xff, (entries + 1) / 2);
    CoordCube::setPruning(table, 0, 0);
    int done = 1;
    for (int depth = 0; done < entries; ++depth) {
        const int doneBefore = done;
        const bool backward = done > entries / 2;
        const auto nextDepth = static_cast<unsigned char>(depth + 1);
        for (int i = 0; i < entries; ++i) {
            const int e = CoordCube::getPruning(table, i);
            if (backward && e == 0x0f) {
                for (int k = 0; k < moveCount; ++k) {
                    if (CoordCube::getPruning(table, next(i, moves[k])) == depth) {
                        CoordCube::setPruning(table, i, nextDepth);
                        ++done;
                        break;
                    }
                }
            } else if (!backward && e == depth) {
                for (int k = 0; k < moveCount; ++k) {
                    const int j = next(i, moves[k]);
                    if (CoordCube::getPruning(table, j) == 0x0f) {
                        CoordCube::setPruning(table, j, nextDepth);
                        ++done;
                    }
                }
            }
        }
        // A distance of 15 would not fit the entry either.
        if (done == doneBefore || (depth == 13 && done < entries)) {
            std::fprintf(stderr,
                         "maketables: %s cannot be completed: the moves do not reach all its "
                         "entries (a fault in the cube model)\n",
                         name);
            return false;
        }
    }
    return true;
}

int sliceAfter(int slice, int m) {
    return CoordCube::FRtoBR_Move[24 * slice][m] / 24;
}

bool fillPruningTables() {
    int allMoves[18];
    for (int m = 0; m < 18; ++m) allMoves[m] = m;
    const int* phase2 = CoordCube::phase2Moves;

    return fillPruningTable("Slice_URFtoDLF_Parity_Prun", CoordCube::Slice_URFtoDLF_Parity_Prun,
                            967680, phase2, 10,
                            [](int i, int m) {
                                int parity = i % 2, FRtoBR = i / 2 % 24, URFtoDLF = i / 48;
                                return (24 * CoordCube::URFtoDLF_Move[URFtoDLF][m] +
                                        CoordCube::FRtoBR_Move[FRtoBR][m]) *
                                           2 +
                                       CoordCube::parityMove[parity][m];
                            }) &&
           fillPruningTable("Slice_URtoDF_Parity_Prun", CoordCube::Slice_URtoDF_Parity_Prun, 967680,
                            phase2, 10,
                            [](int i, int m) {
                                int parity = i % 2, FRtoBR = i / 2 % 24, URtoDF = i / 48;
                                return (24 * CoordCube::URtoDF_Move[URtoDF][m] +
                                        CoordCube::FRtoBR_Move[FRtoBR][m]) *
                                           2 +
                                       CoordCube::parityMove[parity][m];
                            }) &&
           fillPruningTable("Slice_Twist_Prun", CoordCube::Slice_Twist_Prun, 1082565, allMoves, 18,
                            [](int i, int m) {
                                return 495 * CoordCube::twistMove[i / 495][m] +
                                       sliceAfter(i % 495, m);
                            }) &&
           fillPruningTable("Slice_Flip_Prun", CoordCube::Slice_Flip_Prun, 1013760, allMoves, 18,
                            [](int i, int m) {
                                return 495 * CoordCube::flipMove[i / 495][m] +
                                       sliceAfter(i % 495, m);
                            }) &&
           fillPruningTable("Twist_Flip_Prun", CoordCube::Twist_Flip_Prun, 4478976, allMoves, 18,
                            [](int i, int m) {
                                return 2048 * CoordCube::twistMove[i / 2048][m] +
                                       CoordCube::flipMove[i % 2048][m];
                            });
}

// The bytes of a table of 16-bit entries as its file holds them; a table of bytes is its own file.
std::vector<unsigned char> fileBytes(const CoordCube::TableFile& table) {
    std::vector<unsigned char> bytes;
    if (table.elementSize == 1) return bytes;
    bytes.reserve(static_cast<std::size_t>(table.elementSize) * table.count);
    auto data = static_cast<const short*>(table.data);
    for (int i = 0; i < table.count; ++i) {
        auto u = static_cast<std::uint16_t>(data[i]);
        bytes.push_back(static_cast<unsigned char>(u & 0xff));
        bytes.push_back(static_cast<unsigned char>(u >> 8));
    }
    return bytes;
}

// Writes under a temporary name of this run's own and renames it into place, so that an
// interrupted run never leaves a short file under a table's name and two runs into the same
// directory never write into one file.
bool writeTable(const std::string& dir, const CoordCube::TableFile& table,
                const std::vector<unsigned char>& converted) {
    const std::size_t size = static_cast<std::size_t>(table.elementSize) * table.count;
    const void* bytes = table.elementSize == 1 ? table.data : converted.data();
    std::string path = dir + "/" + table.name;
    std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wbx");
    bool ok = file != nullptr && std::fwrite(bytes, 1, size, file) == size;
    int error = errno;
    if (file != nullptr && std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "maketables: cannot write %s: %s\n", path.c_str(),
                     std::strerror(error));
        std::remove(temporary.c_str());
        return false;
    }
    std::printf("maketables: wrote %s (%zu bytes)\n", path.c_str(), size);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : ".";
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "maketables: cannot create directory %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        return 1;
    }
    CubieCube::initAllStaticVariables();
    fillMoveTables();
    if (!fillPruningTables()) return 1;
    std::vector<CoordCube::TableFile> tables(std::begin(CoordCube::tableFiles),
                                             std::end(CoordCube::tableFiles));
    tables.push_back(CoordCube::extraTableFile);
    // The optional phase-2 table of the corners and U/D edges, 56 MB, and its 14 MB form for
    // boards with less memory.
    std::vector<unsigned char> cornerEdgeDistances(CornerEdgePrun::distanceBytes);
    CornerEdgePrun::distances = cornerEdgeDistances.data();
    if (!CornerEdgePrun::makeSymmetryTables() ||
        !CornerEdgePrun::makeDistances(CornerEdgePrun::distances)) {
        std::fprintf(stderr,
                     "maketables: Corner_UDEdge_Prun cannot be completed: the symmetries or the "
                     "moves do not fit the cube model (a fault in the cube model)\n");
        return 1;
    }
    std::vector<unsigned char> cornerEdgeFar(CornerEdgePrun::farBytes);
    CornerEdgePrun::far = cornerEdgeFar.data();
    CornerEdgePrun::makeFar(CornerEdgePrun::distances, CornerEdgePrun::far);
    tables.push_back(CornerEdgePrun::symmetryFile);
    tables.push_back(CornerEdgePrun::distanceFile());
    tables.push_back(CornerEdgePrun::farFile());
    // The optional exact phase-1 distance, 35 MB, and its symmetry table.
    std::vector<unsigned char> phase1Distances(FlipSliceTwistPrun::distanceBytes);
    CoordCube::deriveSliceMove();
    if (!FlipSliceTwistPrun::makeSymmetryTable() ||
        !FlipSliceTwistPrun::makeDistances(phase1Distances.data())) {
        std::fprintf(stderr,
                     "maketables: FlipSlice_Twist_Prun cannot be completed: the symmetries or the "
                     "moves do not fit the cube model (a fault in the cube model)\n");
        return 1;
    }
    FlipSliceTwistPrun::distances = phase1Distances.data();
    tables.push_back(FlipSliceTwistPrun::symmetryFile);
    tables.push_back(FlipSliceTwistPrun::distanceFile());
    // A table that differs from the defined content is a fault of this build, not a table: no
    // program would load it, so none is written.
    std::vector<std::vector<unsigned char>> files;
    for (const CoordCube::TableFile& table : tables) {
        CoordCube::clearFreeEntries(table);
        files.push_back(fileBytes(table));
        const std::uint64_t digest =
            CoordCube::digest(table.elementSize == 1 ? table.data : files.back().data(),
                              static_cast<std::size_t>(table.elementSize) * table.count);
        if (digest != table.digest) {
            std::fprintf(stderr,
                         "maketables: %s differs from the content the cube model defines (digest "
                         "%#018llx, expected %#018llx): a fault in this build's cube model\n",
                         table.name, static_cast<unsigned long long>(digest),
                         static_cast<unsigned long long>(table.digest));
            return 1;
        }
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (!writeTable(dir, tables[i], files[i])) return 1;
    }
    return 0;
}
