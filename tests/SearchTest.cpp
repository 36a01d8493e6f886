#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <random>

#include "CoordCube.h"
#include "ProcessSupport.h"
#include "Search.h"
#include "TestSupport.h"
#include "Tools.h"

namespace {

std::string solve(const std::string& facelets) {
    return Search::solutions(facelets, 24, 5, false);
}

// Checks that the answer is a solution of the cube: at most 24 moves, each move allowed after the
// one before, and the cube solved when they are applied.
void expectSolves(const CubieCube& cube, const std::string& answer) {
    ASSERT_EQ(answer.find("Error"), std::string::npos) << answer;
    CubieCube turned = cube;
    applyMoves(turned, answer);
    EXPECT_TRUE(sameCube(turned, CubieCube())) << faceletsOf(cube) << " -> " << answer;
    const std::string faces = "URFDLB";
    int moves = 0;
    int previous = -1;
    for (std::size_t i = 0; i < answer.size(); ++i) {
        std::size_t axis = faces.find(answer[i]);
        if (axis == std::string::npos) continue;
        ++moves;
        EXPECT_FALSE(previous >= 0 && (int(axis) == previous || int(axis) == previous - 3))
            << answer;
        previous = static_cast<int>(axis);
    }
    EXPECT_GE(moves, 1);
    EXPECT_LE(moves, 24) << answer;
}

TEST(Solutions, KnownAnswers) {
    EXPECT_EQ(solve(solvedFacelets), "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 ");
    EXPECT_EQ(solve("FBLUUDDDULFDRRUFRURLBLFDFLDUFRUDFDDRLRBLLBLFRFRUBBUBBB"),
              "D2 B2 U' L U2 D' R' B R2 B L2 D' F2 D2 F2 D' F2 L2 D' R2 ");
    CubieCube r2;
    applyMove(r2, 4);
    EXPECT_EQ(solve(faceletsOf(r2)), "R2 ");
}

TEST(Solutions, IndependentlyComputedAnswers) {
    // The same answers on the twelve tables alone and with Twist_Flip_Prun.
    ASSERT_TRUE(CoordCube::useTwistFlipPrun);
    const auto answers = expectedAnswers();
    for (bool twistFlip : {false, true}) {
        CoordCube::useTwistFlipPrun = twistFlip;
        for (const auto& [request, expected] : answers) {
            EXPECT_EQ(solve(FaceCube::mapColorLetters(request)), expected)
                << request << (twistFlip ? " with" : " without") << " Twist_Flip_Prun";
        }
    }
    EXPECT_EQ(answers.size(), 320u);
}

TEST(Solutions, RandomCubesAreSolved) {
    std::mt19937 rng(43);
    for (int n = 0; n < 1000; ++n) {
        CubieCube cube = randomCubie(rng);
        expectSolves(cube, solve(faceletsOf(cube)));
    }
}

TEST(Solutions, ScramblesOfEveryLengthAreSolved) {
    std::mt19937 rng(47);
    for (int length = 1; length <= 25; ++length) {
        for (int n = 0; n < 8; ++n) {
            CubieCube cube;
            for (int i = 0; i < length; ++i) applyMove(cube, static_cast<int>(rng() % 18));
            expectSolves(cube, solve(faceletsOf(cube)));
        }
    }
}

TEST(Solutions, RejectedRequestsGiveTheirErrors) {
    EXPECT_EQ(solve(""), "Error 1");
    EXPECT_EQ(solve(solvedFacelets.substr(0, 53)), "Error 1");
    EXPECT_EQ(solve("UUUUUUUUURDRRRRRRRFFFFFFFFFDDDRDDDDDLLLLLLLLLBBBBBBBBB"), "Error 2");
    EXPECT_EQ(solve("UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), "Error 3");
    EXPECT_EQ(solve("UUUUUUUUULRRRRRRRRFFFFFFFFFDDDDDDDDDLLRLLLLLLBBBBBBBBB"), "Error 4");
    EXPECT_EQ(solve("UUUUUUUUFURRRRRRRRFFRFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), "Error 5");
    EXPECT_EQ(solve("UUUUUUUUURFRRRRRRRFRFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), "Error 6");
    std::string centres = solvedFacelets;
    std::swap(centres[TP::U5], centres[TP::F5]);
    EXPECT_EQ(solve(centres), "Error 9");
    std::string corners = solvedFacelets;
    std::swap(corners[TP::U9], corners[TP::D3]);
    EXPECT_EQ(solve(corners), "Error 4");
}

TEST(Solutions, DepthAndTimeLimits) {
    const std::string cube = "FBLUUDDDULFDRRUFRURLBLFDFLDUFRUDFDDRLRBLLBLFRFRUBBUBBB";
    EXPECT_EQ(Search::solutions(cube, 0, 5, false), "Error 7");
    EXPECT_EQ(Search::solutions(cube, 5, 5, false), "Error 7");
    // A negative limit has passed at the first exhausted depth.
    EXPECT_EQ(Search::solutions(cube, 24, -1, false), "Error 8");
    // No limit overflows, and depths past the capacity of the search state are capped at 30.
    EXPECT_EQ(Search::solutions(cube, 24, LONG_MAX, false), solve(cube));
    EXPECT_EQ(Search::solutions(cube, 1000, 5, true), Search::solutions(cube, 30, 5, false));
    CubieCube r2;
    applyMove(r2, 4);
    EXPECT_EQ(Search::solutions(faceletsOf(r2), 1, 5, false), "R2 ");
}

// Puts the cube at depth 0 of the search state, followed by the given phase-1 moves.
void startPhase2(const CubieCube& cube, std::initializer_list<int> phase1Moves) {
    CoordCube c(cube);
    Search::URFtoDLF[0] = c.URFtoDLF;
    Search::FRtoBR[0] = c.FRtoBR;
    Search::parity[0] = c.parity;
    Search::URtoUL[0] = c.URtoUL;
    Search::UBtoDF[0] = c.UBtoDF;
    int i = 0;
    for (int m : phase1Moves) {
        Search::ax[i] = m / 3;
        Search::po[i++] = m % 3 + 1;
    }
}

TEST(Phase2, CompletionsFollowTheMoveOrder) {
    // Solved cube after U: the completion is U' (the junction is Phase 1's to test).
    startPhase2(CubieCube(), {0});
    EXPECT_EQ(Search::totalDepth(1, 24), 2);
    EXPECT_EQ(Search::solutionToString(2), "U U' ");

    // After R2 the cube is solved by U D', never by D' U.
    CubieCube cube;
    applyMoves(cube, "D U' R2");
    startPhase2(cube, {4});
    EXPECT_EQ(Search::totalDepth(1, 24), 3);
    EXPECT_EQ(Search::solutionToString(3), "R2 U D' ");

    // Phase-1 moves that solve the cube need no phase-2 move.
    startPhase2(cube, {4, 0, 11});
    Search::ax[3] = 5;
    EXPECT_EQ(Search::totalDepth(3, 24), 3);
    EXPECT_EQ(Search::ax[3], 5);
}

TEST(Phase2, MaxDepthCapsThePhase2Moves) {
    CubieCube cube;
    applyMoves(cube, "U2 F2 D R2 L2 B2");
    startPhase2(cube, {0});
    int full = Search::totalDepth(1, 24);
    ASSERT_GT(full, 1);
    EXPECT_EQ(Search::totalDepth(1, full), full);
    EXPECT_EQ(Search::totalDepth(1, full - 1), -1);
}

TEST(SolutionText, MovesAndPowers) {
    const int axes[4] = {1, 0, 5, 3}, powers[4] = {2, 3, 1, 1};
    for (int i = 0; i < 4; ++i) {
        Search::ax[i] = axes[i];
        Search::po[i] = powers[i];
    }
    EXPECT_EQ(Search::solutionToString(4), "R2 U' B D ");
    EXPECT_EQ(Search::solutionToString(4, 2), "R2 U' B D ");
    EXPECT_EQ(Search::solutionToString(1), "R2 ");
    EXPECT_EQ(Search::solutionToString(0), "");
    EXPECT_EQ(Search::solutionToString(-3), "");
}

}  // namespace
