#include "cube/Patterns.h"

#include <sstream>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"

namespace Patterns {

const Pattern all[] = {
    // Each face shows its own colour and the opposite face's colour in alternate stickers.
    {"checkerboard", "U2 D2 F2 B2 L2 R2"},
    // Every edge in place and flipped, corners solved.
    {"superflip", "U R2 F B R B2 R U2 L B2 R U' D' R2 F R' L B2 U2 F2"},
    // Each centre surrounded by the colour of the face next to it, its centre kept.
    {"six-spots", "U D' R L' F B' U D'"},
    // A 2x2x2 cube inside the 3x3x3, seen at the URF corner.
    {"cube-in-cube", "F L F U' R U F2 L2 U' L' B D' B' L2 U"},
    // Each face in two interlocking tetromino-like halves of two colours.
    {"tetris", "L R F B U' D' L' R'"},
};
const int count = sizeof all / sizeof all[0];

bool applyMoves(CubieCube& cube, const std::string& moves) {
    CubieCube turned = cube;
    std::istringstream tokens(moves);
    for (std::string token; tokens >> token;) {
        const std::string faces = "URFDLB";
        const std::size_t axis = faces.find(token[0]);
        if (axis == std::string::npos || token.size() > 2) return false;
        int power = 1;
        if (token.size() == 2) {
            if (token[1] == '2') {
                power = 2;
            } else if (token[1] == '\'') {
                power = 3;
            } else {
                return false;
            }
        }
        for (int p = 0; p < power; ++p) {
            turned.cornerMultiply(CubieCube::moveCube[axis]);
            turned.edgeMultiply(CubieCube::moveCube[axis]);
        }
    }
    cube = turned;
    return true;
}

std::string facelets(const std::string& name) {
    for (const Pattern& pattern : all) {
        if (name != pattern.name) continue;
        CubieCube cube;
        applyMoves(cube, pattern.moves);
        return cube.toFaceCube()->to_String();
    }
    return "";
}

}  // namespace Patterns
