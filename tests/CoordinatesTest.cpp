#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "CubieCube.h"
#include "TestSupport.h"

using namespace TP;

namespace {

// One coordinate: its name, its count of values, and how to set and read it.
struct Coordinate {
    const char* name;
    int count;
    std::function<void(CubieCube&, int)> set;
    std::function<int(const CubieCube&)> get;
};

std::vector<Coordinate> coordinates() {
    return {
        {"twist", 2187, [](CubieCube& c, int v) { c.setTwist(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getTwist()}; }},
        {"flip", 2048, [](CubieCube& c, int v) { c.setFlip(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getFlip()}; }},
        {"FRtoBR", 11880, [](CubieCube& c, int v) { c.setFRtoBR(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getFRtoBR()}; }},
        {"URFtoDLF", 20160, [](CubieCube& c, int v) { c.setURFtoDLF(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getURFtoDLF()}; }},
        {"URtoDF", 665280, [](CubieCube& c, int v) { c.setURtoDF(v); },
         [](const CubieCube& c) { return c.getURtoDF(); }},
        {"URtoUL", 1320, [](CubieCube& c, int v) { c.setURtoUL(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getURtoUL()}; }},
        {"UBtoDF", 1320, [](CubieCube& c, int v) { c.setUBtoDF(static_cast<short>(v)); },
         [](const CubieCube& c) { return int{c.getUBtoDF()}; }},
        {"URFtoDLB", 40320, [](CubieCube& c, int v) { c.setURFtoDLB(v); },
         [](const CubieCube& c) { return c.getURFtoDLB(); }},
        {"URtoBR", 479001600, [](CubieCube& c, int v) { c.setURtoBR(v); },
         [](const CubieCube& c) { return c.getURtoBR(); }},
    };
}

TEST(Binomial, KnownValues) {
    EXPECT_EQ(CubieCube::Cnk(3, 4), 0);
    EXPECT_EQ(CubieCube::Cnk(5, 0), 1);
    EXPECT_EQ(CubieCube::Cnk(5, 5), 1);
    EXPECT_EQ(CubieCube::Cnk(5, 3), 10);
    EXPECT_EQ(CubieCube::Cnk(8, 6), 28);
    EXPECT_EQ(CubieCube::Cnk(12, 3), 220);
    EXPECT_EQ(CubieCube::Cnk(12, 4), 495);
    EXPECT_EQ(CubieCube::Cnk(12, 6), 924);
}

TEST(CoordinateValues, SolvedCubeIsZeroButUBtoDF) {
    CubieCube solved;
    for (const Coordinate& c : coordinates()) {
        EXPECT_EQ(c.get(solved), std::string(c.name) == "UBtoDF" ? 114 : 0) << c.name;
    }
}

TEST(CoordinateValues, BasicTurns) {
    const int expected[6][9] = {{0, 0, 0, 6, 6, 18, 96, 6, 6},
                                {1494, 0, 8824, 6412, 379224, 1006, 419, 26692, 221467704},
                                {1236, 550, 5521, 354, 103057, 347, 558, 354, 897457},
                                {0, 0, 0, 5664, 5664, 0, 269, 35304, 35304},
                                {412, 0, 3339, 2977, 63242, 504, 114, 2737, 12420602},
                                {137, 137, 1904, 2762, 153246, 0, 808, 23642, 174922566}};
    std::vector<Coordinate> coords = coordinates();
    for (int axis = 0; axis < 6; ++axis) {
        for (std::size_t k = 0; k < coords.size(); ++k) {
            EXPECT_EQ(coords[k].get(CubieCube::moveCube[axis]), expected[axis][k])
                << coords[k].name << " of turn " << axis;
        }
    }
}

TEST(CoordinateValues, SetThenGetGivesBackEveryValue) {
    for (const Coordinate& c : coordinates()) {
        // The whole edge permutation has too many values to walk: take every 4999th.
        int step = c.count > 1000000 ? 4999 : 1;
        for (int v = 0; v < c.count; v += step) {
            CubieCube cube;
            c.set(cube, v);
            ASSERT_EQ(c.get(cube), v) << c.name;
        }
        CubieCube last;
        c.set(last, c.count - 1);
        EXPECT_EQ(c.get(last), c.count - 1) << c.name;
    }
}

TEST(CoordinateValues, RandomCubesAgreeAfterSetting) {
    // Setting a value read from a random cube and reading it again gives the same value, for
    // cubes that the setters alone do not produce.
    std::mt19937 rng(13);
    for (int n = 0; n < 300; ++n) {
        CubieCube cube = randomCubie(rng);
        for (const Coordinate& c : coordinates()) {
            CubieCube copy;
            c.set(copy, c.get(cube));
            EXPECT_EQ(c.get(copy), c.get(cube)) << c.name;
        }
    }
}

TEST(CoordinateSetters, OrientationExamples) {
    CubieCube cube;
    cube.setTwist(2186);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(cube.co[i], 2);
    EXPECT_EQ(cube.co[7], 1);
    cube.setTwist(1);
    EXPECT_EQ(cube.co[6], 1);
    EXPECT_EQ(cube.co[7], 2);
    EXPECT_EQ(cube.co[0], 0);
    cube.setFlip(2047);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(cube.eo[i], 1);
    cube.setFlip(1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(cube.eo[i], 0);
    EXPECT_EQ(cube.eo[10], 1);
    EXPECT_EQ(cube.eo[11], 1);
}

TEST(CoordinateSetters, SetOrientationsLeaveThePermutationsAlone) {
    std::mt19937 rng(17);
    CubieCube cube = randomCubie(rng);
    CubieCube changed = cube;
    changed.setTwist(1000);
    changed.setFlip(1000);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(changed.cp[i], cube.cp[i]);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(changed.ep[i], cube.ep[i]);
    CubieCube permuted = cube;
    permuted.setURtoBR(12345);
    permuted.setURFtoDLB(321);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(permuted.co[i], cube.co[i]);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(permuted.eo[i], cube.eo[i]);
}

TEST(CoordinateSetters, FRtoBRExamples) {
    CubieCube cube;
    cube.setFRtoBR(23);
    expectEdges(cube, {UR, UF, UL, UB, DR, DF, DL, DB, BL, FL, BR, FR});
    cube.setFRtoBR(24);
    expectEdges(cube, {UR, UF, UL, UB, DR, DF, DL, FR, DB, FL, BL, BR});
    cube.setFRtoBR(11879);
    expectEdges(cube, {BL, FL, BR, FR, UR, UF, UL, UB, DR, DF, DL, DB});
}

TEST(CoordinateSetters, CornerExamples) {
    CubieCube cube;
    cube.setURFtoDLF(1);
    expectCorners(cube, {UFL, URF, ULB, UBR, DFR, DLF, DBL, DRB});
    cube.setURFtoDLF(720);
    expectCorners(cube, {URF, UFL, ULB, UBR, DFR, DBL, DLF, DRB});
    cube.setURFtoDLF(20159);
    expectCorners(cube, {DBL, DRB, UBR, URF, DFR, ULB, DLF, UFL});
    cube.setURFtoDLB(1);
    expectCorners(cube, {UFL, URF, ULB, UBR, DFR, DLF, DBL, DRB});
    cube.setURFtoDLB(40319);
    expectCorners(cube, {DFR, ULB, DLF, UFL, DBL, UBR, DRB, URF});
}

TEST(CoordinateSetters, EdgeExamples) {
    CubieCube cube;
    cube.setURtoDF(665279);
    expectEdges(cube, {DL, DB, FR, FL, BL, BR, UB, UR, DR, UL, DF, UF});
    cube.setURtoBR(479001599);
    expectEdges(cube, {DL, UB, DB, UR, FR, DR, FL, UL, BL, DF, BR, UF});
    cube.setURtoUL(5);
    expectEdges(cube, {UR, UL, UF, BR, BR, BR, BR, BR, BR, BR, BR, BR});
    cube.setURtoUL(6);
    expectEdges(cube, {UR, UF, BR, UL, BR, BR, BR, BR, BR, BR, BR, BR});
    cube.setURtoUL(1319);
    expectEdges(cube, {BR, BR, BR, BR, BR, BR, BR, BR, BR, UR, UL, UF});
    cube.setUBtoDF(0);
    expectEdges(cube, {UB, DR, DF, BR, BR, BR, BR, BR, BR, BR, BR, BR});
}

TEST(Merge, KnownValues) {
    EXPECT_EQ(CubieCube::getURtoDF(0, 114), 0);
    EXPECT_EQ(CubieCube::getURtoDF(1, 114), 1);
    EXPECT_EQ(CubieCube::getURtoDF(0, 0), -1);
}

// The produced merge table holds the merge of every pair, and each placement comes from one pair.
TEST(Merge, EveryPhase2PlacementHasExactlyOnePair) {
    std::vector<int> seen(20160, 0);
    int merged = 0;
    for (short i = 0; i < 336; ++i) {
        for (short j = 0; j < 336; ++j) {
            int v = CubieCube::getURtoDF(i, j);
            ASSERT_EQ(CoordCube::MergeURtoULandUBtoDF[i][j], v) << i << " " << j;
            if (v == -1) continue;
            ASSERT_GE(v, 0);
            ASSERT_LT(v, 20160);
            ++seen[v];
            ++merged;
        }
    }
    EXPECT_EQ(merged, 20160);
    for (int v = 0; v < 20160; ++v) ASSERT_EQ(seen[v], 1) << v;
}

TEST(Merge, AgreesWithTheCubesURtoDF) {
    // For a cube with UR..DF in the U and D layers the merge of its two three-edge coordinates is
    // its six-edge coordinate.
    std::mt19937 rng(19);
    for (int n = 0; n < 500; ++n) {
        CubieCube cube;
        cube.setURtoDF(static_cast<int>(rng() % 20160));
        EXPECT_EQ(CubieCube::getURtoDF(cube.getURtoUL(), cube.getUBtoDF()), cube.getURtoDF());
    }
}

TEST(CoordinateRobustness, GettersOnRecordsMissingAPieceStayInRange) {
    // Every permutation getter on a record that lacks some of its pieces (or holds them twice)
    // terminates with a value in the coordinate's range.
    std::mt19937 rng(23);
    for (int n = 0; n < 2000; ++n) {
        CubieCube cube;
        for (auto& e : cube.ep) e = static_cast<Edge>(rng() % 12);
        for (auto& c : cube.cp) c = static_cast<Corner>(rng() % 8);
        for (const Coordinate& c : coordinates()) {
            int v = c.get(cube);
            if (std::string(c.name) == "twist" || std::string(c.name) == "flip") continue;
            EXPECT_GE(v, 0) << c.name;
            EXPECT_LT(v, c.count) << c.name;
        }
    }
}

TEST(CoordinateRobustness, SettersReduceAnyArgumentIntoRange) {
    const int arguments[] = {-1, -32768, 32767, 665280, -665281, 2147483647, -2147483647 - 1};
    for (const Coordinate& c : coordinates()) {
        for (int v : arguments) {
            CubieCube cube;
            c.set(cube, v);
            int got = c.get(cube);
            EXPECT_GE(got, 0) << c.name << " " << v;
            EXPECT_LT(got, c.count) << c.name << " " << v;
        }
    }
}

TEST(CoordinateRobustness, MergeOfPlacementsOutsideTheLayersTerminates) {
    for (int i : {-5, 0, 336, 1000, 1319, 1320, 32767}) {
        for (int j : {-1, 114, 336, 1319, 5000}) {
            int v = CubieCube::getURtoDF(static_cast<short>(i), static_cast<short>(j));
            EXPECT_GE(v, -1);
            EXPECT_LT(v, 665280);
        }
    }
}

}  // namespace
