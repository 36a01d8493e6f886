// The cube seen as the colours of its 54 facelets.
#pragma once

#include <memory>
#include <string>

#include "cube/TP.h"

class CubieCube;

class FaceCube {
  public:
    TP::Color f[54];

    // Facelets of each corner and edge position, and colours of each corner and edge cubie.
    // A corner's facelets start with its U or D facelet and go clockwise; an edge starts with its
    // U or D facelet, or with its F or B facelet in the middle slice.
    static const TP::Facelet cornerFacelet[8][3];
    static const TP::Facelet edgeFacelet[12][2];
    static const TP::Color cornerColor[8][3];
    static const TP::Color edgeColor[12][2];

    // The solved cube.
    FaceCube();

    // Takes facelet i from character i of the string, for i below 54 and the string's length.
    // A position without one of the letters U, R, F, D, L, B keeps its solved colour.
    explicit FaceCube(std::string cubeString);

    std::string to_String() const;

    // The cubie cube these facelets describe. It never fails: a position whose colours match no
    // cubie gets cubie 0 (URF or UR) with orientation 0, which CubieCube::verify then rejects.
    std::unique_ptr<CubieCube> toCubieCube() const;

    // The request string with the colour letters r, g, w, o, b, y replaced by the letters of the
    // faces whose centres show them: U, R, F, D, L, B. Every other character stays as it is.
    static std::string mapColorLetters(std::string request);

    // True when each of the six face letters occurs exactly nine times among the first 54
    // characters.
    static bool hasNineOfEachColor(const std::string& facelets);

    // Compares these facelets with those the cubie cube shows. A cube whose pieces verify can still
    // be no real cube, since a corner is read by its side colours alone and centres are not read
    // at all. Returns 0 when every facelet agrees, otherwise -9 for a centre that does not show its
    // own face's colour, -2 for a differing edge facelet, -4 for a differing corner facelet.
    int compareWith(const CubieCube& cubie) const;
};
