// cubesolver FACELETS: prints one line, the face turns that solve the cube or "Error N".
#include <algorithm>
#include <iostream>
#include <string>

#include "CoordCube.h"
#include "CubieCube.h"
#include "Search.h"

int main(int argc, char** argv) {
    CubieCube::initAllStaticVariables();
    CoordCube::initAllStaticVariables();
    if (argc < 2) return 0;

    std::string facelets(argv[1]);
    // Colour letters become the letters of the faces whose centres show them.
    const char colorLetters[] = "rgwoby";
    const char faceLetters[] = "URFDLB";
    for (int i = 0; i < 6; ++i)
        std::replace(facelets.begin(), facelets.end(), colorLetters[i], faceLetters[i]);

    std::cout << Search::solutions(facelets, 24, 5, false) << std::endl;
    // A line that could not be written must not look like a success to the caller.
    return std::cout.good() ? 0 : 1;
}
