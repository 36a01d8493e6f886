// The exact phase-1 distance: the number of moves that take a cube into the phase-2 subgroup,
// from two optional table files. A phase-1 cube is its flip, slice and twist coordinates; the
// pairs of flip and slice are reduced by the 16 symmetries of the cube that keep the U-D axis
// (CubieCube::seenUnder), which map face turns to face turns and the subgroup onto itself, so two
// cubes that one of them maps onto each other are equally far from it. 64430 flip-slice classes x
// 2187 twists hold each distance modulo 3 in two bits (35 MB): a cube one move from another is
// one less, as many or one more moves away, so its distance follows from the other's.
//
// With it phase 1 lists only the moves that lead to the subgroup in the moves left, where the
// smaller tables let it try about 25 times as many cubes on the hardest random ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cube/CubieCube.h"
#include "tables/CoordCube.h"

class FlipSliceTwistPrun {
  public:
    static const int flipSlices = 495 * 2048;
    static const int classes = 64430;
    static const int twists = 2187;
    static const std::int64_t entries = std::int64_t(classes) * twists;
    static const std::size_t distanceBytes = (entries + 3) / 4;
    // No phase-1 cube is further from the subgroup.
    static const int deepest = 12;

    // For each flip-slice coordinate 2048 * slice + flip: its class, and a symmetry that takes it
    // to the class's representative (the least coordinate of the class).
    static unsigned short symmetryTable[flipSlices][2];
    // The twist coordinate seen under each symmetry, derived at every load.
    static unsigned short twistSeen[twists][CubieCube::udSymmetries];
    // The distances modulo 3, four 2-bit entries a byte: null until loaded.
    static unsigned char* distances;

    static const CoordCube::TableFile symmetryFile;
    // The distance file; its data pointer is that of distances when they are allocated.
    static CoordCube::TableFile distanceFile();

    static bool loaded() { return distances != nullptr; }

    // The entry of a phase-1 cube.
    static std::int64_t index(int flip, int slice, int twist) {
        const unsigned short* entry = symmetryTable[2048 * slice + flip];
        return std::int64_t(entry[0]) * twists + twistSeen[twist][entry[1]];
    }
    // Entry i of a table of distances modulo 3 (3 stands for "not reached" while one is made).
    static int entry(const unsigned char* table, std::int64_t i) {
        return table[i >> 2] >> (2 * (i & 3)) & 3;
    }
    static int distanceMod3(std::int64_t i) { return entry(distances, i); }
    // The distance of the cube of entry i, one move from a cube that is distance moves away.
    static int distanceAt(int distance, std::int64_t i) {
        return distance + (distanceMod3(i) - distance % 3 + 4) % 3 - 1;
    }
    static int distanceAfter(int distance, int flip, int slice, int twist) {
        return distanceAt(distance, index(flip, slice, twist));
    }
    // The distance of any phase-1 cube: the moves of a descent that goes one move nearer at each
    // step. -1 if the table allows no such descent (it cannot once its digest matched).
    static int distance(int flip, int slice, int twist);

    // Where the files are looked for when the load is deferred, set by
    // AllTables::initAllStaticVariables.
    static std::vector<std::string> directories;
    // A deferred load comes before the next phase-1 length once a solve has listed this many
    // phase-1 depths: 200,000, which no random cube reaches (the largest of 2000 lists about
    // 141,000), only searches that run far longer.
    static long listingsBeforeLoad;
    // Loads both files when the system reports the memory for them. Returns "" when loaded or
    // when they do not fit or are not there (missing is then true), or what went wrong. Without
    // them the search is exact and gives the same answers.
    static std::string load(const std::vector<std::string>& directories, bool& missing);
    static void unload();

    // Production from the cube model (maketables, tests): the symmetry table, then the distances
    // into distanceBytes bytes by breadth-first search from the subgroup. Both return false on a
    // fault in the cube model.
    static bool makeSymmetryTable();
    static bool makeDistances(unsigned char* table);
    // Derives twistSeen from the cube model.
    static void makeTwistSeen();
};
