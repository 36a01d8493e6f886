// Helpers shared by the tests: turning cubie cubes and making random ones.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Tools.h"
#include "tables/CoordCube.h"

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

// True when an answer keeps the move rule of the searches: no face twice in a row, and of two
// opposite faces in a row, U before D, R before L, F before B.
inline bool keepsMoveRule(const std::string& answer) {
    std::istringstream moves(answer);
    int previous = -1;
    for (std::string move; moves >> move;) {
        const int axis = static_cast<int>(std::string("URFDLB").find(move[0]));
        if (axis == previous || axis == previous - 3) return false;
        previous = axis;
    }
    return true;
}

// The solved cube's facelets with the given stickers changed.
inline std::string edited(std::initializer_list<std::pair<TP::Facelet, char>> changes) {
    std::string s = solvedFacelets;
    for (const auto& change : changes) s[change.first] = change.second;
    return s;
}

// The twelve table files and the extra one.
inline std::vector<CoordCube::TableFile> allTableFiles() {
    std::vector<CoordCube::TableFile> tables(std::begin(CoordCube::tableFiles),
                                             std::end(CoordCube::tableFiles));
    tables.push_back(CoordCube::extraTableFile);
    return tables;
}

// Requests with the line expected for each: by default the independently computed answers.
inline std::vector<std::pair<std::string, std::string>> expectedAnswers(
    const char* file = ANSWERS_FILE) {
    std::vector<std::pair<std::string, std::string>> answers;
    std::ifstream in(file);
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
