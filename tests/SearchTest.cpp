#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "TestSupport.h"
#include "cube/Patterns.h"
#include "search/Search.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

namespace {

std::string solve(const std::string& facelets, long timeLimit = 5) {
    return Search::solutions(facelets, 24, timeLimit, false);
}

TEST(Solutions, IndependentlyComputedAnswersWithAndWithoutTheExtraTables) {
    // Without the optional tables, with Twist_Flip_Prun, with both it and Corner_UDEdge_Prun, with
    // FlipSlice_Twist_Prun too and with that loaded in the middle of a search; then the superflip
    // and patterns near it, whose phase-2 searches the corner and U/D-edge table cuts most, with
    // and without it, with its one-bit form loaded in the middle of a search, as cubesolver does
    // where memory is short.
    ASSERT_TRUE(CoordCube::useTwistFlipPrun);
    bool missing;
    ASSERT_EQ(CornerEdgePrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    ASSERT_FALSE(missing);
    unsigned char* const cornerEdge = CornerEdgePrun::distances;
    ASSERT_EQ(FlipSliceTwistPrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    unsigned char* const phase1 = FlipSliceTwistPrun::distances;
    auto answers = expectedAnswers();
    EXPECT_EQ(answers.size(), 320u);
    for (int tables = 0; tables < 4; ++tables) {
        CoordCube::useTwistFlipPrun = tables > 0;
        CornerEdgePrun::distances = tables > 1 ? cornerEdge : nullptr;
        FlipSliceTwistPrun::distances = tables > 2 ? phase1 : nullptr;
        for (const auto& [request, expected] : answers) {
            EXPECT_EQ(Search::answer(request), expected) << request << " " << tables;
        }
    }
    // The exact phase-1 table loaded before the third phase-1 length, as cubesolver loads it
    // where a search runs long.
    FlipSliceTwistPrun::unload();
    FlipSliceTwistPrun::listingsBeforeLoad = 2;
    for (std::size_t i = 0; i < answers.size(); i += 20) {
        // Long answers only: their searches pass the second length.
        if (std::count(answers[i].second.begin(), answers[i].second.end(), ' ') < 16) continue;
        FlipSliceTwistPrun::directories = {CUBESOLVER_TABLE_DIR};
        EXPECT_EQ(Search::answer(answers[i].first), answers[i].second) << answers[i].first;
        EXPECT_TRUE(FlipSliceTwistPrun::directories.empty() && FlipSliceTwistPrun::loaded());
        FlipSliceTwistPrun::unload();
    }
    FlipSliceTwistPrun::listingsBeforeLoad = 200000;
    for (const char* moves : {"", "U2 D2 F2 B2 L2 R2", "R F' U"}) {
        CubieCube cube = *FaceCube(Patterns::facelets("superflip")).toCubieCube();
        Patterns::applyMoves(cube, moves);
        // Without a time limit, so that an emulated CPU reaches the answers too.
        const std::string facelets = faceletsOf(cube);
        CornerEdgePrun::distances = nullptr;
        const std::string expected = solve(facelets, 100000);
        CornerEdgePrun::distances = cornerEdge;
        EXPECT_EQ(solve(facelets, 100000), expected) << moves;
        CornerEdgePrun::distances = nullptr;
        CornerEdgePrun::directories = {CUBESOLVER_TABLE_DIR};
        CornerEdgePrun::largestDeferred = CornerEdgePrun::farBytes;
        EXPECT_EQ(solve(facelets, 100000), expected) << moves;
        // The load is due after 100,000 phase-2 depths, which these cubes pass.
        EXPECT_TRUE(CornerEdgePrun::directories.empty() && CornerEdgePrun::far != nullptr);
        CornerEdgePrun::unload();
    }
    CornerEdgePrun::largestDeferred = CornerEdgePrun::distanceBytes;
    CornerEdgePrun::distances = cornerEdge;
}

TEST(Solutions, ReplayedAnswersSolveRandomCubesAndScramblesByTheMoveRule) {
    // Uniform random cubes, and scrambles of every length from 1 to 25: each answer, applied to
    // the cube, solves it in at most 24 moves that keep the move rule.
    std::mt19937 rng(43);
    std::vector<CubieCube> cubes;
    for (int n = 0; n < 1000; ++n) cubes.push_back(Tools::randomCubie(rng));
    for (int length = 1; length <= 25 * 8; ++length) {
        CubieCube cube;
        for (int i = 0; i < length / 8 + 1; ++i) applyMove(cube, static_cast<int>(rng() % 18));
        cubes.push_back(cube);
    }
    for (const CubieCube& cube : cubes) {
        const std::string answer = solve(faceletsOf(cube));
        CubieCube turned = cube;
        Patterns::applyMoves(turned, answer);
        ASSERT_TRUE(turned == CubieCube()) << faceletsOf(cube) << " -> " << answer;
        ASSERT_TRUE(keepsMoveRule(answer)) << answer;
        ASSERT_LE(std::count(answer.begin(), answer.end(), ' '), 24) << answer;
    }
}

TEST(Solutions, DepthAndTimeLimits) {
    const std::string cube = "FBLUUDDDULFDRRUFRURLBLFDFLDUFRUDFDDRLRBLLBLFRFRUBBUBBB";
    CubieCube r2;
    applyMove(r2, 4);
    EXPECT_EQ(Search::solutions(faceletsOf(r2), 1, 5, false), "R2 ");
    EXPECT_EQ(Search::solutions(cube, 5, 5, false), "Error 7");
    EXPECT_EQ(Search::solutions(cube, 20, 5, false), solve(cube));
    // A negative limit has passed at the first exhausted depth; a limit of 0 fires at the first
    // clock reading after a millisecond, long before a cube that needs 1.6 million nodes is solved.
    EXPECT_EQ(Search::solutions(cube, 24, -1, false), "Error 8");
    EXPECT_EQ(
        Search::solutions("UBDLULFLDBBBDRULRURULRFFBRDRDFUDFLFFLDDLLBFRURDBBBFRUU", 24, 0, false),
        "Error 8");
    // No limit overflows, and depths past the capacity of the search state are capped at 30.
    EXPECT_EQ(Search::solutions(cube, 24, LONG_MAX, false), solve(cube));
    EXPECT_EQ(Search::solutions(cube, 1000, 5, true), Search::solutions(cube, 30, 5, false));
}

}  // namespace
