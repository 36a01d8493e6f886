#include <gtest/gtest.h>

#include <random>

#include "CubieCube.h"
#include "FaceCube.h"
#include "TestSupport.h"

using namespace TP;

namespace {

std::string withFacelet(std::string s, int facelet, char letter) {
    s[facelet] = letter;
    return s;
}

TEST(FaceCubeText, SolvedCubeReadsBackAsTheSolvedString) {
    EXPECT_EQ(FaceCube().to_String(), solvedFacelets);
}

TEST(FaceCubeText, AnyStringOfFaceLettersRoundTrips) {
    std::mt19937 rng(7);
    for (int n = 0; n < 200; ++n) {
        std::string s;
        for (int i = 0; i < 54; ++i) s += "URFDLB"[rng() % 6];
        EXPECT_EQ(FaceCube(s).to_String(), s);
    }
}

TEST(FaceCubeText, UnreadablePositionsKeepTheirSolvedColour) {
    // Lower-case letters, foreign characters and missing positions set nothing.
    EXPECT_EQ(FaceCube("").to_String(), solvedFacelets);
    EXPECT_EQ(FaceCube("xDr").to_String(), "UDU" + solvedFacelets.substr(3));
    EXPECT_EQ(FaceCube(solvedFacelets + "DDDD").to_String(), solvedFacelets);
}

TEST(FaceCubeText, ColourLettersBecomeFaceLetters) {
    EXPECT_EQ(FaceCube::mapColorLetters("rgwobyURFDLB Wx"), "URFDLBURFDLB Wx");
}

TEST(FaceCubeToCubie, SolvedStringGivesTheIdentity) {
    EXPECT_TRUE(sameCube(*FaceCube(solvedFacelets).toCubieCube(), CubieCube()));
}

TEST(FaceCubeToCubie, TurnedCubesGiveTheBasicTurns) {
    auto u = FaceCube("UUUUUUUUUBBBRRRRRRRRRFFFFFFDDDDDDDDDFFFLLLLLLLLLBBBBBB").toCubieCube();
    expectCorners(*u, {UBR, URF, UFL, ULB, DFR, DLF, DBL, DRB}, {0, 0, 0, 0, 0, 0, 0, 0});
    expectEdges(*u, {UB, UR, UF, UL, DR, DF, DL, DB, FR, FL, BL, BR});

    auto r = FaceCube("UUFUUFUUFRRRRRRRRRFFDFFDFFDDDBDDBDDBLLLLLLLLLUBBUBBUBB").toCubieCube();
    expectCorners(*r, {DFR, UFL, ULB, URF, DRB, DLF, DBL, UBR}, {2, 0, 0, 1, 1, 0, 0, 2});
    expectEdges(*r, {FR, UF, UL, UB, BR, DF, DL, DB, DR, FL, BL, UR});
    for (int i = 0; i < 12; ++i) EXPECT_EQ(r->eo[i], 0);
}

TEST(FaceCubeToCubie, OrientationsAreReadFromTheStickers) {
    EXPECT_EQ(
        FaceCube("UUUUUUUUFURRRRRRRRFFRFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB").toCubieCube()->co[URF],
        1);
    EXPECT_EQ(
        FaceCube("UUUUUUUURFRRRRRRRRFFUFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB").toCubieCube()->co[URF],
        2);
    EXPECT_EQ(
        FaceCube("UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB").toCubieCube()->eo[UR],
        1);
}

TEST(FaceCubeToCubie, UnmatchedPositionsGetCubieZero) {
    auto edge = FaceCube(withFacelet(solvedFacelets, F2, 'U')).toCubieCube();
    EXPECT_EQ(edge->ep[UF], UR);
    EXPECT_EQ(edge->eo[UF], 0);
    EXPECT_TRUE(
        sameCube(*FaceCube(withFacelet(solvedFacelets, R2, 'U')).toCubieCube(), CubieCube()));

    auto corner = FaceCube(withFacelet(solvedFacelets, F1, 'D')).toCubieCube();
    EXPECT_EQ(corner->cp[UFL], URF);
    EXPECT_EQ(corner->co[UFL], 0);
}

TEST(FaceCubeToCubie, CornersAreIdentifiedByTheirSideColoursAlone) {
    // Two U/D stickers, none, or the wrong one of U and D: each still reads as the identity.
    std::string twoUD = withFacelet(solvedFacelets, R1, 'D');
    std::string noUD = withFacelet(solvedFacelets, U9, 'F');
    std::string wrongUD = withFacelet(solvedFacelets, U9, 'D');
    for (const std::string& s : {twoUD, noUD, wrongUD}) {
        EXPECT_TRUE(sameCube(*FaceCube(s).toCubieCube(), CubieCube())) << s;
    }
}

TEST(FaceCubeToCubie, RandomCubesRoundTripThroughFacelets) {
    std::mt19937 rng(11);
    for (int n = 0; n < 1000; ++n) {
        CubieCube cube = randomCubie(rng);
        std::string s = faceletsOf(cube);
        ASSERT_TRUE(sameCube(*FaceCube(s).toCubieCube(), cube)) << s;
        ASSERT_EQ(FaceCube(s).to_String(), s);
    }
}

TEST(CubieCubeBasics, IdentityIsConsistentAndEven) {
    CubieCube id;
    EXPECT_EQ(id.verify(), 0);
    EXPECT_EQ(id.cornerParity(), 0);
    EXPECT_EQ(id.edgeParity(), 0);
}

TEST(CubieCubeBasics, BasicTurnsAreOddConsistentCubes) {
    const char* shown[6] = {"UUUUUUUUUBBBRRRRRRRRRFFFFFFDDDDDDDDDFFFLLLLLLLLLBBBBBB",
                            "UUFUUFUUFRRRRRRRRRFFDFFDFFDDDBDDBDDBLLLLLLLLLUBBUBBUBB",
                            "UUUUUULLLURRURRURRFFFFFFFFFRRRDDDDDDLLDLLDLLDBBBBBBBBB",
                            "UUUUUUUUURRRRRRFFFFFFFFFLLLDDDDDDDDDLLLLLLBBBBBBBBBRRR",
                            "BUUBUUBUURRRRRRRRRUFFUFFUFFFDDFDDFDDLLLLLLLLLBBDBBDBBD",
                            "RRRUUUUUURRDRRDRRDFFFFFFFFFDDDDDDLLLULLULLULLBBBBBBBBB"};
    for (int axis = 0; axis < 6; ++axis) {
        const CubieCube& turn = CubieCube::moveCube[axis];
        EXPECT_EQ(turn.verify(), 0) << axis;
        EXPECT_EQ(turn.cornerParity(), 1) << axis;
        EXPECT_EQ(turn.edgeParity(), 1) << axis;
        EXPECT_EQ(faceletsOf(turn), shown[axis]) << axis;
    }
}

TEST(CubieCubeProduct, FourQuarterTurnsGiveTheIdentity) {
    for (int axis = 0; axis < 6; ++axis) {
        CubieCube cube;
        for (int i = 0; i < 4; ++i) applyMove(cube, 3 * axis);
        EXPECT_TRUE(sameCube(cube, CubieCube())) << axis;
    }
}

TEST(CubieCubeProduct, TheReceiverMayBeItsOwnArgument) {
    CubieCube u = CubieCube::moveCube[0];
    u.cornerMultiply(u);
    u.edgeMultiply(u);
    EXPECT_EQ(faceletsOf(u), "UUUUUUUUULLLRRRRRRBBBFFFFFFDDDDDDDDDRRRLLLLLLFFFBBBBBB");
}

TEST(CubieCubeProduct, MoveSequenceGivesTheKnownFacelets) {
    CubieCube cube;
    applyMoves(cube, "R U F' D2 L B'");
    EXPECT_EQ(faceletsOf(cube), "RRDBUULRRBBFDRULLUUDDUFFUBBRDDRDDFRBULFLLFDFFLBBLBFLUR");
    EXPECT_EQ(cube.verify(), 0);
}

TEST(CubieCubeProduct, MirroredCornerOrientationsCombineByTheTable) {
    const int pairs[3][3] = {{1, 4, 5}, {4, 2, 5}, {3, 5, 1}};
    for (const auto& pair : pairs) {
        CubieCube a;
        CubieCube b;
        a.co[URF] = static_cast<unsigned char>(pair[0]);
        b.co[URF] = static_cast<unsigned char>(pair[1]);
        a.cornerMultiply(b);
        EXPECT_EQ(a.co[URF], pair[2]) << pair[0] << " " << pair[1];
    }
}

TEST(CubieCubeProduct, MultiplyTurnsTheCornersOnly) {
    std::mt19937 rng(3);
    CubieCube cube = randomCubie(rng);
    CubieCube cornersOnly = cube;
    cornersOnly.cornerMultiply(CubieCube::moveCube[1]);
    CubieCube multiplied = cube;
    multiplied.multiply(CubieCube::moveCube[1]);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(multiplied.cp[i], cornersOnly.cp[i]);
        EXPECT_EQ(multiplied.co[i], cornersOnly.co[i]);
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(multiplied.ep[i], cube.ep[i]);
        EXPECT_EQ(multiplied.eo[i], cube.eo[i]);
    }
}

TEST(CubieCubeInverse, InverseOfRIsThreeQuarterTurns) {
    CubieCube inverse;
    CubieCube::moveCube[1].invCubieCube(inverse);
    expectCorners(inverse, {UBR, UFL, ULB, DRB, URF, DLF, DBL, DFR}, {2, 0, 0, 1, 1, 0, 0, 2});
    expectEdges(inverse, {BR, UF, UL, UB, FR, DF, DL, DB, UR, FL, BL, DR});
    CubieCube threeTurns;
    for (int i = 0; i < 3; ++i) applyMove(threeTurns, 3);
    EXPECT_TRUE(sameCube(inverse, threeTurns));
}

TEST(CubieCubeInverse, InverseCancelsOnEitherSide) {
    std::mt19937 rng(5);
    for (int n = 0; n < 100; ++n) {
        CubieCube cube = randomCubie(rng);
        CubieCube inverse;
        cube.invCubieCube(inverse);
        CubieCube left = inverse;
        left.cornerMultiply(cube);
        left.edgeMultiply(cube);
        CubieCube right = cube;
        right.cornerMultiply(inverse);
        right.edgeMultiply(inverse);
        EXPECT_TRUE(sameCube(left, CubieCube()));
        EXPECT_TRUE(sameCube(right, CubieCube()));
    }
}

TEST(CubieCubeVerify, EachSingleFaultHasItsCode) {
    CubieCube twisted;
    twisted.co[URF] = 1;
    EXPECT_EQ(twisted.verify(), -5);
    CubieCube flipped;
    flipped.eo[UR] = 1;
    EXPECT_EQ(flipped.verify(), -3);
    CubieCube edgeTwice;
    edgeTwice.ep[UF] = UR;
    EXPECT_EQ(edgeTwice.verify(), -2);
    CubieCube cornerTwice;
    cornerTwice.cp[UFL] = URF;
    EXPECT_EQ(cornerTwice.verify(), -4);
    CubieCube edgeSwap;
    std::swap(edgeSwap.ep[UR], edgeSwap.ep[UF]);
    EXPECT_EQ(edgeSwap.verify(), -6);
    CubieCube cornerSwap;
    std::swap(cornerSwap.cp[URF], cornerSwap.cp[UFL]);
    EXPECT_EQ(cornerSwap.verify(), -6);
    std::swap(cornerSwap.ep[UR], cornerSwap.ep[UF]);
    EXPECT_EQ(cornerSwap.verify(), 0);
}

TEST(CubieCubeVerify, TheFirstFailingTestDecides) {
    CubieCube a;
    a.ep[UF] = UR;
    a.co[URF] = 1;
    EXPECT_EQ(a.verify(), -2);
    CubieCube b;
    b.eo[UR] = 1;
    b.cp[UFL] = URF;
    EXPECT_EQ(b.verify(), -3);
    CubieCube c;
    c.cp[UFL] = URF;
    c.co[URF] = 1;
    EXPECT_EQ(c.verify(), -4);
}

TEST(CubieCubeVerify, PieceNumbersOutsideTheirRangeAreMissingPieces) {
    CubieCube edge;
    edge.ep[DB] = static_cast<Edge>(12);
    EXPECT_EQ(edge.verify(), -2);
    CubieCube corner;
    corner.cp[DRB] = static_cast<Corner>(-1);
    EXPECT_EQ(corner.verify(), -4);
}

}  // namespace
