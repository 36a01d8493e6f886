// The facelet and cubie cubes: basic turns, products, inverses and conversions between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <random>
#include <set>

#include "TestSupport.h"
#include "cube/CubieCube.h"
#include "cube/FaceCube.h"

using namespace TP;

namespace {

// The solved cube after a clockwise quarter turn of U, R, F, D, L and B, as read off a turned cube.
const char* const turnFacelets[6] = {"UUUUUUUUUBBBRRRRRRRRRFFFFFFDDDDDDDDDFFFLLLLLLLLLBBBBBB",
                                     "UUFUUFUUFRRRRRRRRRFFDFFDFFDDDBDDBDDBLLLLLLLLLUBBUBBUBB",
                                     "UUUUUULLLURRURRURRFFFFFFFFFRRRDDDDDDLLDLLDLLDBBBBBBBBB",
                                     "UUUUUUUUURRRRRRFFFFFFFFFLLLDDDDDDDDDLLLLLLBBBBBBBBBRRR",
                                     "BUUBUUBUURRRRRRRRRUFFUFFUFFFDDFDDFDDLLLLLLLLLBBDBBDBBD",
                                     "RRRUUUUUURRDRRDRRDFFFFFFFFFDDDDDDLLLULLULLULLBBBBBBBBB"};

CubieCube inverseOf(const CubieCube& cube) {
    CubieCube inverse;
    cube.invCubieCube(inverse);
    return inverse;
}

CubieCube product(CubieCube a, const CubieCube& b) {
    a.cornerMultiply(b);
    a.edgeMultiply(b);
    return a;
}

TEST(CubieCube, BasicTurnsShowTheirFaceletsAndComposeAsQuarterTurns) {
    // Products of turns are pinned by the move tables' digests; parities by the check's Error 6.
    for (int axis = 0; axis < 6; ++axis) {
        const CubieCube& turn = CubieCube::moveCube[axis];
        EXPECT_EQ(faceletsOf(turn), turnFacelets[axis]) << axis;
        CubieCube cube;
        applyMove(cube, 3 * axis + 2);
        EXPECT_TRUE(inverseOf(turn) == cube) << axis;
    }
}

TEST(FaceCube, ReadsNoMoreThan54StickersAndOnlyTwistsZeroToTwo) {
    // A 55th face letter is not written past the facelets.
    alignas(FaceCube) unsigned char memory[sizeof(FaceCube) + 16];
    std::memset(memory, 0x5a, sizeof memory);
    new (memory) FaceCube(solvedFacelets + "UUUU");
    EXPECT_EQ(std::count(memory + sizeof(FaceCube), std::end(memory), 0x5a), 16);
    // A corner whose side stickers name a cubie but that shows no U or D sticker is that cubie
    // with twist 0, not 3: its U or D sticker read as each side colour.
    for (int i = URF; i <= DRB; ++i) {
        for (Color side : {R, F, L, B}) {
            std::string scan = solvedFacelets;
            scan[FaceCube::cornerFacelet[i][0]] = "URFDLB"[side];
            const std::unique_ptr<CubieCube> cube = FaceCube(scan).toCubieCube();
            EXPECT_TRUE(std::all_of(cube->co, cube->co + 8, [](int o) { return o < 3; })) << scan;
        }
    }
}

TEST(CubieCube, SymmetriesOfTheUDAxisMapTurnsToTurnsAndProductsToProducts) {
    // Sixteen different views, each of a product the product of the views, and of a cube followed
    // by a face turn the view of the cube followed by the turn moveSeenUnder names.
    std::mt19937 rng(5);
    const CubieCube sample = Tools::randomCubie(rng);
    std::set<std::string> views;
    for (int s = 0; s < CubieCube::udSymmetries; ++s) {
        views.insert(faceletsOf(sample.seenUnder(s)));
        for (int m = 0; m < 18; ++m) {
            CubieCube turned = sample, seenTurned = sample.seenUnder(s);
            applyMove(turned, m);
            const int image = CubieCube::moveSeenUnder(s, m);
            ASSERT_TRUE(image >= 0 && image < 18) << s << " " << m;
            applyMove(seenTurned, image);
            EXPECT_TRUE(turned.seenUnder(s) == seenTurned) << s << " " << m;
        }
        for (int n = 0; n < 50; ++n) {
            const CubieCube a = Tools::randomCubie(rng), b = Tools::randomCubie(rng);
            ASSERT_TRUE(product(a, b).seenUnder(s) == product(a.seenUnder(s), b.seenUnder(s))) << s;
        }
    }
    EXPECT_EQ(views.size(), 16u);
}

}  // namespace
