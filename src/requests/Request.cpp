#include "requests/Request.h"

#include <fstream>
#include <memory>
#include <new>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Patterns.h"
#include "cube/Tools.h"
#include "requests/ColourResolution.h"
#include "requests/ScanExplanation.h"
#include "requests/ScanReport.h"
#include "search/Search.h"
#include "search/ShortSearch.h"

namespace {

// "Error N" for a cube rejected with code -N, and the same with "Target error N" for a target.
std::string rejection(const char* what, int code) {
    return std::string(what) + std::to_string(-code);
}

// The answer to a request with options whose words parsed, for its cube's facelets.
std::string answerWithOptions(const ParsedRequest& request, const std::string& facelets) {
    std::unique_ptr<CubieCube> cube;
    const int code = Tools::readCube(FaceCube::mapColorLetters(facelets), cube);
    if (code != 0) return rejection("Error ", code);
    CubieCube target;
    const std::string& given = request.options.target;
    if (!given.empty()) {
        const std::string named = Patterns::facelets(given);
        std::unique_ptr<CubieCube> read;
        const int targetCode =
            Tools::readCube(FaceCube::mapColorLetters(named.empty() ? given : named), read);
        if (targetCode != 0) return rejection("Target error ", targetCode);
        target = *read;
    }
    const RequestOptions& o = request.options;
    ShortSearchLimits limits = {o.maxMoves, o.timeLimitMillis, o.shortest};
    limits.threads = o.threads > 0 ? o.threads : ShortSearch::availableThreads();
    return ShortSearch::solve(*cube, target, limits);
}

// The answer line for a cube's facelets: with options from the search for shorter answers, as
// without them otherwise.
std::string answerFor(const ParsedRequest& request, const std::string& facelets) {
    return request.hasAnswerOptions ? answerWithOptions(request, facelets)
                                    : Search::answer(facelets);
}

// The response to a request whose scan is readings.
Response respondToReadings(const ParsedRequest& request, bool terminal) {
    const RequestOptions& o = request.options;
    const StickerReadings readings = o.faceOrder.toSolverOrder(o.readings);
    const Resolution resolution = ColourResolution::resolve(readings);
    if (!o.report.empty()) {
        std::ofstream file(o.report, std::ios::binary | std::ios::trunc);
        file << ScanReport::svg(resolution, readings);
        file.close();
        if (!file) return {Response::optionError, "cannot write the report \"" + o.report + "\""};
    }
    std::string text = ColourResolution::decides(resolution, o.minConfidence)
                           ? answerFor(request, resolution.facelets())
                           : "Error 10";
    if (o.explain || o.show) {
        text += "\n" + ScanReport::block(resolution, readings, o.minConfidence, o.explain, o.show,
                                         terminal);
    }
    return {Response::answer, text};
}

}  // namespace

namespace Request {

Response respond(const std::vector<std::string>& words, bool terminal) {
    return respond(parseRequest(words), terminal);
}

Response respond(const ParsedRequest& request, bool terminal) {
    if (!request.hasOptions) return {Response::answer, Search::answer(request.cube)};
    if (!request.error.empty()) return {Response::optionError, request.error};
    if (request.options.help) return {Response::help, helpText("cubesolver")};
    if (request.options.version) return {Response::version, versionLine("cubesolver")};
    const RequestOptions& o = request.options;
    if (o.hasReadings) return respondToReadings(request, terminal);
    const std::string cube = o.reordered ? o.faceOrder.toSolverOrder(request.cube) : request.cube;
    std::string text = answerFor(request, cube);
    if (o.explain || o.show) text += "\n" + explanationBlock(cube, o.explain, o.show, terminal);
    return {Response::answer, text};
}

const char* const memoryShortage = "not enough memory for this request";

std::string streamAnswer(const std::string& line, bool terminal) {
    try {
        const Response response = respond(parseLine(line), terminal);
        switch (response.kind) {
            case Response::answer:
                return response.text;
            case Response::optionError:
                return "Option error: " + response.text;
            default:
                // An answer is one line: the texts of several lines belong to the command line.
                return "Option error: --help and --version are options of the command line "
                       "(cubesolver-stream --help)";
        }
    } catch (const std::bad_alloc&) {
        // Unwound, the request has given back what it took: the line and the next request fit.
        return std::string("Memory error: ") + memoryShortage;
    }
}

std::string helpText(const char* program) {
    std::string names;
    for (int i = 0; i < Patterns::count; ++i) {
        names += std::string(i == 0 ? "" : ", ") + Patterns::all[i].name;
    }
    const std::string name = program;
    const std::string usage =
        name == "cubesolver"
            ? "Usage: cubesolver [OPTIONS] CUBE\n"
              "       cubesolver [OPTIONS] --readings FILE\n"
              "Prints one line: the face turns that solve the cube, or \"Error N\".\n"
            : "Usage: cubesolver-stream [--help | --version]\n"
              "Reads requests from standard input, one a line: [OPTIONS] CUBE. Answers each with\n"
              "one line, the line cubesolver prints for the same words; a bad option gets the\n"
              "line \"Option error: ...\". With --readings the numbers follow on the line.\n";
    return usage +
           "\n"
           "CUBE: the 54 stickers, face by face U R F D L B, in face letters (U R F D L B) or\n"
           "colour letters (r g w o b y); only the first 54 characters count, and what\n"
           "follows the cube is ignored (options go before it).\n"
           "\n"
           "Options (without any, the answer is the first solution of at most 24 moves):\n"
           "  --max-moves N      the first answer found of at most N moves (0 to 30; default 24)\n"
           "  --time-limit MS    \"Error 8\" when no answer is found within MS milliseconds\n"
           "                     (1 to 3600000; default 5120); with --shortest, the search time\n"
           "  --shortest         search until the time limit, answer the shortest answer found\n"
           "  --threads N        search on N threads (1 to 64; default: one for each processor)\n"
           "  --target PATTERN   turn the cube into this pattern instead of the solved cube:\n"
           "                     54 stickers like CUBE, or the name of a pattern:\n"
           "                     " +
           names +
           "\n"
           "  --explain          after the answer, what is wrong with a rejected cube and the\n"
           "                     likeliest repairs, stickers named as in the net (U1 .. B9)\n"
           "  --show             after the answer, the net of the cube, the stickers of the\n"
           "                     likeliest repairs marked (in colours in a terminal); with\n"
           "                     --readings each sticker in its measured colour, doubtful ones\n"
           "                     marked (X), those that fit no colour [X]\n"
           "                     With either, the answer line is the one without them; after\n"
           "                     it come lines that start with \"# \" and the line \"#end\".\n"
           "  --readings FILE    the scan as the sensor's readings instead of CUBE: 162\n"
           "                     numbers (red green blue of each sticker, in CUBE's order, any\n"
           "                     scale); commas, brackets and white space between them are\n"
           "                     ignored; - reads standard input. Answered as the likeliest\n"
           "                     real cube would be, or \"Error 10\" when they do not decide it\n"
           "  --min-confidence P with --readings: \"Error 10\" when the likeliest cube's\n"
           "                     probability is below P (0 to 1; default 0.9925)\n"
           "  --report FILE.svg  with --readings: write the picture of the readings as SVG\n"
           "  --face-order ORDER the scan's faces come in ORDER (such as ULFRBD), the cube's\n"
           "                     stickers or the readings alike; default URFDLB\n"
           "  --help             this text\n"
           "  --version          the version\n"
           "With any option but --explain, --show and those of readings a cube already at\n"
           "its target gets the empty answer, and a target that cannot be read gets\n"
           "\"Target error N\" (N as in \"Error N\").\n"
           "\n"
           "Errors: 1 not nine stickers of each colour, 2 edge stickers, 3 a flipped edge,\n"
           "4 corner stickers, 5 a twisted corner, 6 two pieces exchanged, 7 no answer within\n"
           "the move limit, 8 the time limit passed, 9 centres not in place, 10 the readings\n"
           "do not decide the cube (or a sticker fits no colour): scan again.\n"
           "A request that cannot get the memory it needs (under a limit of memory) gets\n"
           "\"cubesolver: not enough memory for this request\" on standard error and status 3\n"
           "from cubesolver, the line \"Memory error: not enough memory for this request\"\n"
           "from cubesolver-stream.\n";
}

std::string versionLine(const char* program) {
    return std::string(program) + " " CUBESOLVER_VERSION;
}

}  // namespace Request
