#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TestSupport.h"
#include "Tools.h"

using namespace TP;

namespace {

std::string withFacelets(std::string s, std::initializer_list<std::pair<int, char>> changes) {
    for (const auto& change : changes) s[change.first] = change.second;
    return s;
}

TEST(ToolsVerify, SolvedCubeIsValid) {
    EXPECT_EQ(Tools::verify(solvedFacelets), 0);
    EXPECT_EQ(Tools::verify(solvedFacelets + "xyz?"), 0);
}

TEST(ToolsVerify, ColourCountsComeFirst) {
    EXPECT_EQ(Tools::verify("RUUUUUUUURRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), -1);
    EXPECT_EQ(Tools::verify(""), -1);
    EXPECT_EQ(Tools::verify(solvedFacelets.substr(0, 53)), -1);
    EXPECT_EQ(Tools::verify("wwwwwwwwwrrrrrrrrrgggggggggyyyyyyyyyooooooooobbbbbbbbb"), -1);
}

TEST(ToolsVerify, PieceFaultsGiveTheCubieCodes) {
    EXPECT_EQ(Tools::verify("UUUUUUUUURDRRRRRRRFFFFFFFFFDDDRDDDDDLLLLLLLLLBBBBBBBBB"), -2);
    EXPECT_EQ(Tools::verify("UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), -3);
    EXPECT_EQ(Tools::verify("UUUUUUUUULRRRRRRRRFFFFFFFFFDDDDDDDDDLLRLLLLLLBBBBBBBBB"), -4);
    EXPECT_EQ(Tools::verify("UUUUUUUUFURRRRRRRRFFRFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), -5);
    EXPECT_EQ(Tools::verify("UUUUUUUUURFRRRRRRRFRFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"), -6);
}

// Strings whose pieces pass every cubie test but which no real cube shows.
TEST(ToolsVerify, ExchangedCentresAreNoCube) {
    EXPECT_EQ(Tools::verify(withFacelets(solvedFacelets, {{U5, 'R'}, {R5, 'U'}})), -9);
    EXPECT_EQ(Tools::verify(withFacelets(solvedFacelets, {{F5, 'B'}, {B5, 'F'}})), -9);
}

TEST(ToolsVerify, ExchangedUAndDStickersOfTwoCornersAreNoCube) {
    EXPECT_EQ(Tools::verify(withFacelets(solvedFacelets, {{U9, 'D'}, {D3, 'U'}})), -4);
    std::mt19937 rng(29);
    for (int n = 0; n < 50; ++n) {
        std::string s = faceletsOf(randomCubie(rng));
        std::swap(s[FaceCube::cornerFacelet[0][0]], s[FaceCube::cornerFacelet[4][0]]);
        if (s[FaceCube::cornerFacelet[0][0]] == s[FaceCube::cornerFacelet[4][0]]) continue;
        int code = Tools::verify(s);
        EXPECT_NE(code, 0) << s;
    }
}

TEST(ToolsVerify, EdgeStickersThatAreNoEdgeAreNoCube) {
    // Position UR shows U twice, which matches no edge and so reads as the missing UR cubie; the
    // corner URF shows R for U, which its side colours still identify. Counts and pieces pass.
    std::string s = withFacelets(solvedFacelets, {{R2, 'U'}, {U9, 'R'}});
    EXPECT_EQ(FaceCube::hasNineOfEachColor(s), true);
    EXPECT_EQ(FaceCube(s).toCubieCube()->verify(), 0);
    EXPECT_EQ(Tools::verify(s), -2);
}

TEST(ToolsVerify, EveryRealCubeIsValid) {
    std::mt19937 rng(31);
    for (int n = 0; n < 500; ++n) {
        std::string s = faceletsOf(randomCubie(rng));
        ASSERT_EQ(Tools::verify(s), 0) << s;
    }
}

TEST(ToolsVerify, ReadCubeHandsOverTheCubeOnlyWhenValid) {
    std::unique_ptr<CubieCube> cube;
    EXPECT_EQ(Tools::readCube("UUUUUUUUUBBBRRRRRRRRRFFFFFFDDDDDDDDDFFFLLLLLLLLLBBBBBB", cube), 0);
    ASSERT_NE(cube, nullptr);
    EXPECT_TRUE(sameCube(*cube, CubieCube::moveCube[0]));
    std::unique_ptr<CubieCube> rejected;
    EXPECT_EQ(Tools::readCube(withFacelets(solvedFacelets, {{U5, 'R'}, {R5, 'U'}}), rejected), -9);
    EXPECT_EQ(rejected, nullptr);
}

TEST(RandomCube, ResultsAreValidAndVaried) {
    std::set<std::string> seen;
    for (int n = 0; n < 300; ++n) {
        std::string s = Tools::randomCube();
        ASSERT_EQ(s.size(), 54u);
        for (char c : std::string("URFDLB")) ASSERT_EQ(std::count(s.begin(), s.end(), c), 9);
        ASSERT_EQ(Tools::verify(s), 0) << s;
        seen.insert(s);
    }
    // Calls that read the same clock() value repeat a cube; still many differ.
    EXPECT_GT(seen.size(), 1u);
}

}  // namespace
