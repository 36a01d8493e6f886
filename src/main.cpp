// cubesolver [OPTIONS] CUBE: prints one line, the face turns that solve the cube or "Error N".
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "CoordCube.h"
#include "CubieCube.h"
#include "Request.h"
#include "RequestOptions.h"

int main(int argc, char** argv) {
    CubieCube::initAllStaticVariables();
    if (argc < 2) {
        CoordCube::initAllStaticVariables();
        return 0;
    }
    const std::vector<std::string> words(argv + 1, argv + argc);
    // Options are read before the tables, so that --help and a bad option need none.
    const ParsedRequest parsed = parseRequest(words);
    if (!parsed.error.empty()) {
        std::cerr << "cubesolver: " << parsed.error << "\nTry 'cubesolver --help'." << std::endl;
        return 2;
    }
    if (parsed.options.help || parsed.options.version) {
        std::cout << (parsed.options.help ? Request::helpText("cubesolver")
                                          : Request::versionLine("cubesolver") + "\n")
                  << std::flush;
        return std::cout.good() ? 0 : 1;
    }
    CoordCube::initAllStaticVariables();
    std::cout << Request::respond(words, isatty(STDOUT_FILENO) == 1).text << std::endl;
    // A line that could not be written must not look like a success to the caller.
    return std::cout.good() ? 0 : 1;
}
