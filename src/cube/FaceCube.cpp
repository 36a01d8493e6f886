#include "cube/FaceCube.h"

#include <algorithm>

#include "cube/CubieCube.h"

using namespace TP;

const Facelet FaceCube::cornerFacelet[8][3] = {{U9, R1, F3}, {U7, F1, L3}, {U1, L1, B3},
                                               {U3, B1, R3}, {D3, F9, R7}, {D1, L9, F7},
                                               {D7, B9, L7}, {D9, R9, B7}};

const Facelet FaceCube::edgeFacelet[12][2] = {{U6, R2}, {U8, F2}, {U4, L2}, {U2, B2},
                                              {D6, R8}, {D2, F8}, {D4, L8}, {D8, B8},
                                              {F6, R4}, {F4, L6}, {B6, L4}, {B4, R6}};

const Color FaceCube::cornerColor[8][3] = {{U, R, F}, {U, F, L}, {U, L, B}, {U, B, R},
                                           {D, F, R}, {D, L, F}, {D, B, L}, {D, R, B}};

const Color FaceCube::edgeColor[12][2] = {{U, R}, {U, F}, {U, L}, {U, B}, {D, R}, {D, F},
                                          {D, L}, {D, B}, {F, R}, {F, L}, {B, L}, {B, R}};

namespace {

const char colorLetters[] = "URFDLB";
const int faceletCount = 54;

// The colour a face letter stands for, or -1 for any other character.
int colorOfLetter(char letter) {
    for (int color = U; color <= B; ++color) {
        if (colorLetters[color] == letter) return color;
    }
    return -1;
}

}  // namespace

FaceCube::FaceCube() {
    for (int i = 0; i < faceletCount; ++i) f[i] = static_cast<Color>(i / 9);
}

FaceCube::FaceCube(std::string cubeString) : FaceCube() {
    for (std::size_t i = 0; i < cubeString.length() && i < faceletCount; ++i) {
        int color = colorOfLetter(cubeString[i]);
        if (color >= 0) f[i] = static_cast<Color>(color);
    }
}

std::string FaceCube::to_String() const {
    std::string s;
    for (int i = 0; i < faceletCount; ++i) {
        if (f[i] >= U && f[i] <= B) s += colorLetters[f[i]];
    }
    return s;
}

std::unique_ptr<CubieCube> FaceCube::toCubieCube() const {
    std::unique_ptr<CubieCube> cc(new CubieCube());
    for (int i = 0; i < 8; ++i) cc->cp[i] = URF;
    for (int i = 0; i < 12; ++i) cc->ep[i] = UR;

    for (int i = URF; i <= DRB; ++i) {
        // The corner's orientation is the index of its U or D facelet; 3 when it has none.
        int ori = 0;
        while (ori < 3 && f[cornerFacelet[i][ori]] != U && f[cornerFacelet[i][ori]] != D) ++ori;
        Color col1 = f[cornerFacelet[i][(ori + 1) % 3]];
        Color col2 = f[cornerFacelet[i][(ori + 2) % 3]];
        for (int j = URF; j <= DRB; ++j) {
            if (col1 == cornerColor[j][1] && col2 == cornerColor[j][2]) {
                cc->cp[i] = static_cast<Corner>(j);
                cc->co[i] = static_cast<unsigned char>(ori % 3);
                break;
            }
        }
    }

    for (int i = UR; i <= BR; ++i) {
        Color first = f[edgeFacelet[i][0]];
        Color second = f[edgeFacelet[i][1]];
        for (int j = UR; j <= BR; ++j) {
            if (first == edgeColor[j][0] && second == edgeColor[j][1]) {
                cc->ep[i] = static_cast<Edge>(j);
                cc->eo[i] = 0;
                break;
            }
            if (first == edgeColor[j][1] && second == edgeColor[j][0]) {
                cc->ep[i] = static_cast<Edge>(j);
                cc->eo[i] = 1;
                break;
            }
        }
    }
    return cc;
}

std::string FaceCube::mapColorLetters(std::string request) {
    const char colorOnFace[] = "rgwoby";
    for (int face = U; face <= B; ++face) {
        std::replace(request.begin(), request.end(), colorOnFace[face], colorLetters[face]);
    }
    return request;
}

bool FaceCube::hasNineOfEachColor(const std::string& facelets) {
    int count[6] = {0, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < facelets.length() && i < faceletCount; ++i) {
        int color = colorOfLetter(facelets[i]);
        if (color >= 0) ++count[color];
    }
    for (int color = U; color <= B; ++color) {
        if (count[color] != 9) return false;
    }
    return true;
}

int FaceCube::compareWith(const CubieCube& cubie) const {
    std::unique_ptr<FaceCube> shown = cubie.toFaceCube();
    for (int face = U; face <= B; ++face) {
        if (f[9 * face + 4] != face) return -9;
    }
    for (const auto& facelets : edgeFacelet) {
        for (Facelet facelet : facelets) {
            if (f[facelet] != shown->f[facelet]) return -2;
        }
    }
    for (const auto& facelets : cornerFacelet) {
        for (Facelet facelet : facelets) {
            if (f[facelet] != shown->f[facelet]) return -4;
        }
    }
    return 0;
}
