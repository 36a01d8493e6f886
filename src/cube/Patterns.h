// Named patterns a cube can be solved to, each made by a move sequence from the solved cube.
#pragma once

#include <string>

class CubieCube;

namespace Patterns {

struct Pattern {
    const char* name;
    // The moves that turn the solved cube into the pattern, such as "U2 D2 F2 B2 L2 R2".
    const char* moves;
};

extern const Pattern all[];
extern const int count;

// Applies the moves of a text such as "R2 U' F " to the cube (the cube first, then the moves);
// false, with the cube unchanged, when a token is no move.
bool applyMoves(CubieCube& cube, const std::string& moves);

// The facelets of the pattern of that name, or the empty string when no pattern has it.
std::string facelets(const std::string& name);

}  // namespace Patterns
