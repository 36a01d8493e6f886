// cubesolver FACELETS: prints one line, the face turns that solve the cube or "Error N".
#include <signal.h>

#include <iostream>
#include <string>

#include "CoordCube.h"
#include "CubieCube.h"
#include "Search.h"

int main(int argc, char** argv) {
    // A reader that has gone away (cubesolver CUBE | true) must see exit status 1, not a signal.
    signal(SIGPIPE, SIG_IGN);
    CubieCube::initAllStaticVariables();
    // One cube per process: the large phase-2 table is read only if this cube's search is long.
    CoordCube::initAllStaticVariables(true);
    if (argc < 2) return 0;

    std::cout << Search::answer(argv[1]) << std::endl;
    // A line that could not be written must not look like a success to the caller.
    return std::cout.good() ? 0 : 1;
}
