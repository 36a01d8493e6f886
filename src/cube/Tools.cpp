#include "cube/Tools.h"

#include <cstdlib>
#include <ctime>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"

int Tools::verify(std::string facelets) {
    std::unique_ptr<CubieCube> cube;
    return readCube(facelets, cube);
}

int Tools::readCube(const std::string& facelets, std::unique_ptr<CubieCube>& cube) {
    if (!FaceCube::hasNineOfEachColor(facelets)) return -1;
    FaceCube fc(facelets);
    std::unique_ptr<CubieCube> cc = fc.toCubieCube();
    int code = cc->verify();
    if (code == 0) code = fc.compareWith(*cc);
    if (code == 0) cube = std::move(cc);
    return code;
}

namespace {

// A cube that can be reached by face turns, from below(n), a draw in 0..n-1: orientations and
// permutations are drawn independently, the permutations again until their parities agree.
template <typename Draw>
CubieCube drawnCube(Draw below) {
    CubieCube cc;
    cc.setFlip(static_cast<short>(below(2048)));
    cc.setTwist(static_cast<short>(below(2187)));
    do {
        cc.setURFtoDLB(below(40320));
        cc.setURtoBR(below(479001600));
    } while (cc.edgeParity() != cc.cornerParity());
    return cc;
}

}  // namespace

std::string Tools::randomCube() {
    std::srand(static_cast<unsigned>(std::clock()));
    return drawnCube([](int n) { return std::rand() % n; }).toFaceCube()->to_String();
}

CubieCube Tools::randomCubie(std::mt19937& rng) {
    return drawnCube([&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); });
}
