#include "Tools.h"

#include <cstdlib>
#include <ctime>

#include "CubieCube.h"
#include "FaceCube.h"

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

std::string Tools::randomCube() {
    CubieCube cc;
    std::srand(static_cast<unsigned>(std::clock()));
    cc.setFlip(static_cast<short>(std::rand() % 2048));
    cc.setTwist(static_cast<short>(std::rand() % 2187));
    do {
        cc.setURFtoDLB(std::rand() % 40320);
        cc.setURtoBR(std::rand() % 479001600);
    } while (cc.edgeParity() != cc.cornerParity());
    return cc.toFaceCube()->to_String();
}
