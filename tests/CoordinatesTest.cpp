// The coordinates of a cubie cube and the merge.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TestSupport.h"
#include "cube/CubieCube.h"

using namespace TP;

namespace {

// One coordinate: its name, its count of values, and how to set and read it.
struct Coordinate {
    const char* name;
    int count;
    void (*set)(CubieCube&, int);
    int (*get)(const CubieCube&);
};

// clang-format off
#define COORDINATE(name, count) {#name, count, [](CubieCube& c, int v) { c.set##name(v); }, \
    [](const CubieCube& c) { return static_cast<int>(c.get##name()); }}
// clang-format on

const Coordinate coordinates[] = {
    COORDINATE(Twist, 2187),     COORDINATE(Flip, 2048),      COORDINATE(FRtoBR, 11880),
    COORDINATE(URFtoDLF, 20160), COORDINATE(URtoDF, 665280),  COORDINATE(URtoUL, 1320),
    COORDINATE(UBtoDF, 1320),    COORDINATE(URFtoDLB, 40320), COORDINATE(URtoBR, 479001600)};

// The values of the coordinates of given cubes are pinned by the table digests: every move table
// is made of them.

TEST(CoordinateValues, SetThenGetGivesBackEveryValueOnASoundRecord) {
    for (const Coordinate& c : coordinates) {
        // The whole edge permutation has too many values to walk: every 4999th and the last.
        const int step = c.count > 1000000 ? 4999 : 1;
        for (int v = 0;; v = std::min(v + step, c.count - 1)) {
            CubieCube cube;
            c.set(cube, v);
            ASSERT_EQ(c.get(cube), v) << c.name;
            // Orientations in range with valid sums; each piece once, but for the three-edge
            // coordinates, whose free positions all hold BR.
            const int code = cube.verify();
            ASSERT_TRUE(c.count == 1320 ? code == -2 : code == 0 || code == -6) << c.name << v;
            ASSERT_LT(*std::max_element(cube.co, cube.co + 8), 3) << c.name << " " << v;
            ASSERT_LT(*std::max_element(cube.eo, cube.eo + 12), 2) << c.name << " " << v;
            if (v == c.count - 1) break;
        }
    }
}

TEST(CoordinateRobustness, BrokenRecordsAndArgumentsStayInRange) {
    // Records lacking pieces or holding them twice give a value in range; a setter reduces an
    // argument outside the range into it. Every call terminates.
    std::mt19937 rng(23);
    for (const Coordinate& c : coordinates) {
        const int arguments[] = {-1, -32768, 32767, c.count + 1};
        for (int n = 0; n < 2000; ++n) {
            CubieCube cube;
            for (auto& e : cube.ep) e = static_cast<Edge>(rng() % 12);
            for (auto& k : cube.cp) k = static_cast<Corner>(rng() % 8);
            const int v = c.get(cube);
            ASSERT_TRUE(v >= 0 && v < c.count) << c.name << " " << v;
            const int argument = arguments[n % 4];
            c.set(cube, argument);
            ASSERT_EQ(c.get(cube), (argument % c.count + c.count) % c.count) << c.name << argument;
        }
    }
}

}  // namespace
