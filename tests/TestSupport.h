// Helpers shared by the tests: turning cubie cubes and making random ones.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "CoordCube.h"
#include "CubieCube.h"
#include "FaceCube.h"

inline const std::string solvedFacelets = "UUUUUUUUURRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB";

inline std::string faceletsOf(const CubieCube& cube) {
    return cube.toFaceCube()->to_String();
}

// Applies move index 3 * axis + power - 1 to the cube, corners and edges.
inline void applyMove(CubieCube& cube, int move) {
    for (int p = 0; p <= move % 3; ++p) {
        cube.cornerMultiply(CubieCube::moveCube[move / 3]);
        cube.edgeMultiply(CubieCube::moveCube[move / 3]);
    }
}

// Parses a move sequence such as "R2 U' F " into the cube.
inline void applyMoves(CubieCube& cube, const std::string& moves) {
    const std::string faces = "URFDLB";
    for (std::size_t i = 0; i < moves.size(); ++i) {
        std::size_t axis = faces.find(moves[i]);
        if (axis == std::string::npos) continue;
        int power = 1;
        if (i + 1 < moves.size() && moves[i + 1] == '2') power = 2;
        if (i + 1 < moves.size() && moves[i + 1] == '\'') power = 3;
        applyMove(cube, static_cast<int>(3 * axis) + power - 1);
    }
}

// A cube drawn uniformly from those that can be reached by face turns.
inline CubieCube randomCubie(std::mt19937& rng) {
    CubieCube cube;
    cube.setFlip(static_cast<short>(rng() % 2048));
    cube.setTwist(static_cast<short>(rng() % 2187));
    do {
        cube.setURFtoDLB(static_cast<int>(rng() % 40320));
        cube.setURtoBR(static_cast<int>(rng() % 479001600));
    } while (cube.edgeParity() != cube.cornerParity());
    return cube;
}

// Expects the pieces at the positions in order (and the corner orientations, when given).
inline void expectCorners(const CubieCube& cube, std::initializer_list<TP::Corner> cp,
                          std::initializer_list<int> co = {}) {
    int i = 0;
    for (TP::Corner c : cp) EXPECT_EQ(cube.cp[i++], c) << "corner position " << i - 1;
    i = 0;
    for (int o : co) EXPECT_EQ(cube.co[i++], o) << "corner position " << i - 1;
}

inline void expectEdges(const CubieCube& cube, std::initializer_list<TP::Edge> ep) {
    int i = 0;
    for (TP::Edge e : ep) EXPECT_EQ(cube.ep[i++], e) << "edge position " << i - 1;
}

inline bool sameCube(const CubieCube& a, const CubieCube& b) {
    for (int i = 0; i < 8; ++i) {
        if (a.cp[i] != b.cp[i] || a.co[i] != b.co[i]) return false;
    }
    for (int i = 0; i < 12; ++i) {
        if (a.ep[i] != b.ep[i] || a.eo[i] != b.eo[i]) return false;
    }
    return true;
}

// The requests of the independently computed answers, with the line expected for each.
inline std::vector<std::pair<std::string, std::string>> expectedAnswers() {
    std::vector<std::pair<std::string, std::string>> answers;
    std::ifstream in(ANSWERS_FILE);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        answers.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return answers;
}

// The basic turns are filled and the tables loaded once, before any test runs. Tables that fail
// to load end the run with a failing status: an assertion here would only skip every test, and a
// suite in which nothing ran must not pass.
class CubeEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        CubieCube::initAllStaticVariables();
        const std::string failure = CoordCube::loadTables({CUBESOLVER_TABLE_DIR});
        if (failure.empty()) return;
        std::fprintf(stderr, "the tests cannot run: %s\n", failure.c_str());
        std::exit(1);
    }
};

inline const ::testing::Environment* const cubeEnvironment =
    ::testing::AddGlobalTestEnvironment(new CubeEnvironment);
