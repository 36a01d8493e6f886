// cubesolver [OPTIONS] CUBE: prints one line, the face turns that solve the cube or "Error N".
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cube/CubieCube.h"
#include "requests/Request.h"
#include "requests/RequestOptions.h"
#include "tables/AllTables.h"

namespace {

int run(int argc, char** argv) {
    CubieCube::initAllStaticVariables();
    if (argc < 2) {
        AllTables::initAllStaticVariables(true);
        return 0;
    }
    const std::vector<std::string> words(argv + 1, argv + argc);
    // Options are read before the tables, so that --help and a bad option need none; a readings
    // file is read here, once.
    const ParsedRequest parsed = parseRequest(words);
    if (!parsed.error.empty()) {
        std::cerr << "cubesolver: " << parsed.error << "\nTry 'cubesolver --help'." << std::endl;
        return 2;
    }
    if (parsed.options.help || parsed.options.version) {
        std::cout << (parsed.options.help ? Request::helpText("cubesolver")
                                          : Request::versionLine("cubesolver") + "\n")
                  << std::flush;
        return std::cout.fail() ? 1 : 0;
    }
    // Words after a cube without options have always been ignored; a caller who meant them as
    // options learns it here, while the answer and the status stay what they always were.
    if (!parsed.ignored.empty()) {
        const std::size_t n = parsed.ignored.size();
        std::cerr << "cubesolver: " << n << (n == 1 ? " word" : " words")
                  << " after the cube ignored; options go before the cube" << std::endl;
    }
    // One cube per process: the large tables are read only if the cube's search turns out long.
    // A request for shorter answers reads them at once, as cubesolver-stream does, since how far
    // its search gets within its limits depends on the bounds in memory.
    AllTables::initAllStaticVariables(!parsed.hasAnswerOptions);
    const Response response = Request::respond(parsed, isatty(STDOUT_FILENO) == 1);
    if (response.kind == Response::optionError) {
        std::cerr << "cubesolver: " << response.text << std::endl;
        return 2;
    }
    std::cout << response.text << std::endl;
    // A line that could not be written must not look like a success to the caller.
    return std::cout.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that has gone away (cubesolver CUBE | true) must see exit status 1, not a signal.
    signal(SIGPIPE, SIG_IGN);
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "cubesolver: %s\n", Request::memoryShortage);
        return 3;
    }
}
