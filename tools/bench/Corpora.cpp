#include "Corpora.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Patterns.h"

namespace bench {

namespace {

// A uniform draw from 0..count-1, rejecting the uneven top of the generator's range.
int uniform(std::mt19937_64& rng, std::uint64_t count) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % count;
    std::uint64_t r;
    do r = rng();
    while (r >= limit);
    return static_cast<int>(r % count);
}

std::vector<std::string> randomCorpus(int count) {
    std::mt19937_64 rng(20261206);
    std::vector<std::string> cubes;
    while (static_cast<int>(cubes.size()) < count) {
        CubieCube cube;
        cube.setFlip(static_cast<short>(uniform(rng, 2048)));
        cube.setTwist(static_cast<short>(uniform(rng, 2187)));
        cube.setURFtoDLB(uniform(rng, 40320));
        cube.setURtoBR(uniform(rng, 479001600));
        // Cubes of unequal parities cannot be reached; dropping them keeps the draw uniform.
        if (cube.edgeParity() == cube.cornerParity())
            cubes.push_back(cube.toFaceCube()->to_String());
    }
    return cubes;
}

const char* const superflip = "UBULURUFURURFRBRDRFUFLFRFDFDFDLDRDBDLULBLFLDLBUBRBLBDB";

CubieCube cubeOf(const std::string& facelets) {
    return *FaceCube(facelets).toCubieCube();
}

std::string faceletsOf(const CubieCube& cube) {
    return cube.toFaceCube()->to_String();
}

void turn(CubieCube& cube, int m) {
    for (int p = 0; p <= m % 3; ++p) {
        cube.cornerMultiply(CubieCube::moveCube[m / 3]);
        cube.edgeMultiply(CubieCube::moveCube[m / 3]);
    }
}

// The cube a sequence such as "U2 D' R" makes from the solved cube.
CubieCube cubeOfMoves(const std::string& moves) {
    CubieCube cube;
    Patterns::applyMoves(cube, moves);
    return cube;
}

CubieCube product(CubieCube a, const CubieCube& b) {
    a.cornerMultiply(b);
    a.edgeMultiply(b);
    return a;
}

// count random moves, each on another face than the one before.
CubieCube randomMoves(std::mt19937_64& rng, int count) {
    CubieCube cube;
    int previous = -1;
    for (int i = 0; i < count; ++i) {
        int m;
        do m = uniform(rng, 18);
        while (m / 3 == previous);
        turn(cube, m);
        previous = m / 3;
    }
    return cube;
}

// The superflip, followed by (after) or following (before) 1 to 6 random moves. The superflip
// commutes with every move, so both give cubes of the same kind; the seeds differ.
std::vector<std::string> nearSuperflip(bool after) {
    std::mt19937_64 rng(after ? 20261207 : 20261208);
    const CubieCube flip = cubeOf(superflip);
    std::vector<std::string> cubes;
    for (int moves = 1; moves <= 6; ++moves) {
        for (int i = 0; i < 6; ++i) {
            const CubieCube m = randomMoves(rng, moves);
            cubes.push_back(faceletsOf(after ? product(flip, m) : product(m, flip)));
        }
    }
    return cubes;
}

char faceletAt(const std::string& f, int face, int n) {
    return f[static_cast<std::size_t>(9 * face + n)];
}

// Every face shows its colour on its corners and the opposite face's on its edges.
bool isCheckerboard(const std::string& f) {
    for (int face = 0; face < 6; ++face) {
        for (int n = 0; n < 9; ++n) {
            const char expected = "URFDLB"[n % 2 == 0 ? face : (face + 3) % 6];
            if (faceletAt(f, face, n) != expected) return false;
        }
    }
    return true;
}

// On the faces of spots, the eight facelets around the centre show one other colour; the other
// faces are plain.
bool hasSpots(const std::string& f, const char* spotFaces) {
    for (int face = 0; face < 6; ++face) {
        const bool spot = std::strchr(spotFaces, "URFDLB"[face]) != nullptr;
        const char ring = faceletAt(f, face, 0);
        if ((ring != faceletAt(f, face, 4)) != spot) return false;
        for (int n = 0; n < 9; ++n) {
            if (n != 4 && faceletAt(f, face, n) != ring) return false;
        }
    }
    return true;
}

// Every face shows its colour on its centre and edges, and one other colour on its corners.
bool hasCrosses(const std::string& f) {
    for (int face = 0; face < 6; ++face) {
        const char corner = faceletAt(f, face, 0);
        for (int n = 0; n < 9; ++n) {
            const char expected = n % 2 == 1 || n == 4 ? "URFDLB"[face] : corner;
            if (corner == "URFDLB"[face] || faceletAt(f, face, n) != expected) return false;
        }
    }
    return true;
}

// Every face shows its colour on a 2 x 2 block around a corner and the centre, and one other
// colour on its other five facelets.
bool hasCubeInCube(const std::string& f) {
    const int blocks[4][4] = {{0, 1, 3, 4}, {1, 2, 4, 5}, {3, 4, 6, 7}, {4, 5, 7, 8}};
    for (int face = 0; face < 6; ++face) {
        bool found = false;
        for (const auto& block : blocks) {
            char rest = 0;
            bool fits = true;
            for (int n = 0; n < 9; ++n) {
                const bool inBlock = std::count(block, block + 4, n) > 0;
                const char c = faceletAt(f, face, n);
                if (inBlock) {
                    fits = fits && c == "URFDLB"[face];
                } else {
                    if (rest == 0) rest = c;
                    fits = fits && c == rest && c != "URFDLB"[face];
                }
            }
            found = found || fits;
        }
        if (!found) return false;
    }
    return true;
}

// Every edge where the pattern has it, flipped; the corners as in the pattern.
bool isFlipped(const CubieCube& cube, const CubieCube& pattern) {
    for (int i = 0; i < 12; ++i) {
        if (cube.ep[i] != pattern.ep[i] || cube.eo[i] == pattern.eo[i]) return false;
    }
    return std::equal(cube.cp, cube.cp + 8, pattern.cp) &&
           std::equal(cube.co, cube.co + 8, pattern.co);
}

// Symmetric patterns, each made from its moves and checked on the cube model; with the superflip
// on top of each. An empty list means a pattern did not come out as it should.
std::vector<std::string> patterns() {
    struct Pattern {
        const char* moves;
        bool (*check)(const std::string&);
    } const made[] = {
        {"U2 D2 F2 B2 L2 R2", isCheckerboard},
        {"U D' R L' F B' U D'", [](const std::string& f) { return hasSpots(f, "URFDLB"); }},
        {"D U' B F' L R' D U'", [](const std::string& f) { return hasSpots(f, "URFDLB"); }},
        {"F2 B2 U D' R2 L2 U D'", [](const std::string& f) { return hasSpots(f, "RFLB"); }},
        {"U F B' L2 U2 L2 F' B U2 L2 U", hasCrosses},
        {"F L F U' R U F2 L2 U' L' B D' B' L2 U", hasCubeInCube},
    };
    const CubieCube flip = cubeOf(superflip);
    std::vector<std::string> cubes;
    for (const Pattern& p : made) {
        const CubieCube cube = cubeOfMoves(p.moves);
        const CubieCube flipped = product(cube, flip);
        if (!p.check(faceletsOf(cube)) || !isFlipped(flipped, cube)) return {};
        cubes.push_back(faceletsOf(cube));
        cubes.push_back(faceletsOf(flipped));
    }
    return cubes;
}

}  // namespace

// random: count cubes drawn uniformly from the solvable ones; superflip: every edge flipped in
// place; after: the superflip followed by 1 to 6 random moves, 6 cubes for each number; before: 1
// to 6 random moves followed by the superflip, likewise; patterns: symmetric patterns made from
// move sequences, each checked on the cube model.
std::vector<Corpus> corpora(int count) {
    const std::vector<std::string> patternCubes = patterns();
    if (patternCubes.empty()) return {};
    return {{"random", randomCorpus(count)},
            {"superflip", {superflip}},
            {"after", nearSuperflip(true)},
            {"before", nearSuperflip(false)},
            {"patterns", patternCubes}};
}

std::string corpusNames(const std::vector<Corpus>& corpora) {
    std::string names;
    for (const Corpus& corpus : corpora) names += (names.empty() ? "" : ", ") + corpus.name;
    return names;
}

std::vector<std::string> nearSuperflipSample(int count) {
    std::mt19937_64 rng(20261207);
    std::vector<std::string> cubes;
    static const char* const faces[6] = {"U", "R", "F", "D", "L", "B"};
    static const char* const powers[3] = {"", "2", "'"};
    while (static_cast<int>(cubes.size()) < count) {
        CubieCube cube;
        Patterns::applyMoves(cube, Patterns::all[1].moves);
        std::string moves;
        const int length = 1 + uniform(rng, 4);
        for (int i = 0; i < length; ++i) {
            moves += std::string(faces[uniform(rng, 6)]) + powers[uniform(rng, 3)] + " ";
        }
        Patterns::applyMoves(cube, moves);
        cubes.push_back(cube.toFaceCube()->to_String());
    }
    return cubes;
}

}  // namespace bench
