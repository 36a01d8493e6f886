// A stronger phase-2 bound: the number of phase-2 moves that solve the corners and the eight U/D
// edges together, from two optional table files. The permutations of the eight corners and of the
// eight U/D edges are each 8! = 40320; their pairs are reduced by the 16 symmetries of the cube
// that keep the U-D axis (rotations about it, the half turn that exchanges U and D, and their
// mirror images through the R-L plane). Each symmetry maps the ten phase-2 moves onto themselves,
// so two cubes that it maps onto each other are equally far from solved. Only the corners of one
// cube of each class are stored: 2768 classes x 40320 edge permutations, 4-bit entries (56 MB).
// Boards without the memory for them can take one bit an entry (14 MB): whether the cube is 11
// moves or more from solved, which is all the root of a phase-2 search can use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tables/CoordCube.h"

class CornerEdgePrun {
  public:
    static const int symmetries = 16;
    static const int permutations = 40320;
    static const int cornerClasses = 2768;
    static const std::int64_t entries = std::int64_t(cornerClasses) * permutations;
    static const std::size_t distanceBytes = entries / 2;
    // Entries hold the distance up to this many moves, and this for any cube further away: phase
    // 2 searches at most 10 moves, so no search could use more.
    static const int deepest = 11;

    // Rows 0..15: the U/D-edge coordinate seen under each symmetry; row 16: the class of each
    // corner coordinate; row 17: a symmetry that takes it to its class's representative.
    static unsigned short symmetryTables[symmetries + 2][permutations];
    // The distances, 2768 x 40320 4-bit entries: null until loaded.
    static unsigned char* distances;
    // In their place where memory is short: bit i of byte i / 8 is set when entry i is deepest.
    static unsigned char* far;
    static const std::size_t farBytes = entries / 8;
    // The parity of the four slice edges' permutation for each FRtoBR value below 24.
    static unsigned char sliceParity[24];

    static const CoordCube::TableFile symmetryFile;
    // The distance file; its data pointer is that of distances when they are allocated.
    static CoordCube::TableFile distanceFile();
    static CoordCube::TableFile farFile();

    // The corner coordinate of the table, 0..40319, from the phase-2 coordinates.
    static int corners(int URFtoDLF, int parity) { return 2 * URFtoDLF + parity; }
    // The U/D-edge coordinate, 0..40319: URtoDF places six of the eight edges and the parity of
    // the eight tells the order of the other two (corner parity = U/D-edge parity + slice parity).
    static int udEdges(int URtoDF, int FRtoBR, int parity) {
        return 2 * URtoDF + (parity ^ sliceParity[FRtoBR]);
    }
    // The entry of a corner and a U/D-edge coordinate.
    static std::int64_t index(int corners, int udEdges) {
        const int symmetry = symmetryTables[symmetries + 1][corners];
        return std::int64_t(symmetryTables[symmetries][corners]) * permutations +
               symmetryTables[symmetry][udEdges];
    }
    static int bound(int corners, int udEdges) {
        const std::int64_t i = index(corners, udEdges);
        if (distances != nullptr) return CoordCube::getPruning(distances, std::uint32_t(i));
        return (far[i / 8] >> (i % 8) & 1) * deepest;
    }
    // The bound of a phase-2 cube from the coordinates the searches follow.
    static int phase2Bound(int URFtoDLF, int URtoDF, int FRtoBR, int parity) {
        return bound(corners(URFtoDLF, parity), udEdges(URtoDF, FRtoBR, parity));
    }
    // True when either form is in memory.
    static bool loaded() { return distances != nullptr || far != nullptr; }

    // Where the files are looked for when the load is deferred, set by
    // AllTables::initAllStaticVariables, and the largest form to take then.
    static std::vector<std::string> directories;
    static std::size_t largestDeferred;
    // Loads the symmetry file and the distances, or the far bits when the system reports too
    // little free memory for the distances (or they take more than largest bytes) or their file
    // is missing. Returns "" when loaded or when neither fits or is there (missing is then true),
    // or what went wrong. Without the files the search is exact and gives the same answers.
    static std::string load(const std::vector<std::string>& directories, bool& missing,
                            std::size_t largest = distanceBytes);
    // Frees the distances or far bits: the search runs on the other bounds again.
    static void unload();

    // The table's phase-2 coordinates after move m (a phase-2 move).
    static int cornersAfter(int corners, int m);
    static int udEdgesAfter(int udEdges, int m);

    // Production from the cube model (maketables, tests): the symmetry tables, then the
    // distances into a table of distanceBytes bytes by breadth-first search from the solved
    // cube. Both return false on a fault in the cube model.
    static bool makeSymmetryTables();
    static bool makeDistances(unsigned char* table);
    // The far bits of a table of distances, into farBytes bytes.
    static void makeFar(const unsigned char* distances, unsigned char* bits);
    // Derives sliceParity from the cube model; done at every load.
    static void makeSliceParity();
};
