#include "ShortSearch.h"

#include <algorithm>

#include "CubieCube.h"
#include "FaceCube.h"
#include "Search.h"

namespace ShortSearch {

std::string solve(const CubieCube& cube, const CubieCube& target, const ShortSearchLimits& limits) {
    // cube * M = target exactly when (target^-1 * cube) * M is solved.
    CubieCube toSolve;
    target.invCubieCube(toSolve);
    toSolve.cornerMultiply(cube);
    toSolve.edgeMultiply(cube);
    const std::string facelets = toSolve.toFaceCube()->to_String();
    if (facelets == CubieCube().toFaceCube()->to_String()) return "";
    return Search::solutions(facelets, limits.maxMoves, (limits.timeLimitMillis + 1023) / 1024,
                             false);
}

}  // namespace ShortSearch
