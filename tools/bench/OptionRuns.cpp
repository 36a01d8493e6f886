#include "OptionRuns.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "Figures.h"
#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Patterns.h"
#include "cube/Tools.h"
#include "requests/Request.h"
#include "requests/RequestOptions.h"
#include "search/Search.h"
#include "search/ShortSearch.h"
#include "search/ViewSearch.h"

namespace bench {

bool solves(const std::string& cube, const std::string& answer) {
    std::unique_ptr<CubieCube> turned = FaceCube(cube).toCubieCube();
    if (!Patterns::applyMoves(*turned, answer)) return false;
    return turned->toFaceCube()->to_String() == CubieCube().toFaceCube()->to_String();
}

namespace {

// The words of a request with options, the cube last.
std::vector<std::string> requestWords(const std::string& options, const std::string& cube) {
    std::vector<std::string> words = splitWords(options);
    words.push_back(cube);
    return words;
}

// The answer to a request with options, as cubesolver gives it, or with the time limit counted
// in processor time: on a busy machine the search gets only part of a processor, and a limit on
// the time that passes would measure the neighbours.
std::string answerOf(const std::vector<std::string>& words, bool processorTime) {
    if (!processorTime) return Request::respond(words).text;
    const ParsedRequest request = parseRequest(words);
    std::unique_ptr<CubieCube> cube;
    if (!request.error.empty() || !request.options.target.empty() ||
        Tools::readCube(request.cube, cube) != 0) {
        return "Error: bench takes options without --target and a valid cube";
    }
    const RequestOptions& o = request.options;
    ShortSearchLimits limits = {o.maxMoves, o.timeLimitMillis, o.shortest, true};
    limits.threads = o.threads > 0 ? o.threads : 1;
    return ShortSearch::solve(*cube, CubieCube(), limits);
}

// The figures of the cubes answered with options: moves, time and processor time.
struct OptionFigures {
    double meanMoves;
    int most;
    int errors;
    int wrong;
    int slowest;  // the cube of the longest time
    int over500;  // cubes that took more than 500 ms of processor time
    // Answers longer than the answer without options where that one is within the move limit.
    int longer;
    std::vector<double> millis, cpuMillis;
};

OptionFigures solveWithOptions(const std::vector<std::string>& cubes,
                               const std::vector<int>& chosen, const std::string& options,
                               bool processorTime) {
    OptionFigures f{0, 0, 0, 0, -1, 0, 0, {}, {}};
    const int maxMoves = parseRequest(requestWords(options, "")).options.maxMoves;
    double longest = -1;
    long long moves = 0;
    for (int i : chosen) {
        const std::vector<std::string> words = requestWords(options, cubes[i]);
        const double cpuStart = cpuMillisNow();
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = answerOf(words, processorTime);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        f.cpuMillis.push_back(cpuMillisNow() - cpuStart);
        f.over500 += f.cpuMillis.back() > 500;
        if (took.count() > longest) {
            longest = took.count();
            f.slowest = i;
        }
        f.millis.push_back(took.count());
        if (answer.rfind("Error", 0) == 0) {
            ++f.errors;
            std::printf("  cube %d: %s\n", i, answer.c_str());
            continue;
        }
        if (!solves(cubes[i], answer)) {
            ++f.wrong;
            std::printf("  cube %d: WRONG ANSWER %s\n", i, answer.c_str());
        }
        moves += moveCount(answer);
        f.most = std::max(f.most, moveCount(answer));
        const int plain = moveCount(Search::answer(cubes[i]));
        if (plain <= maxMoves && moveCount(answer) > plain) {
            ++f.longer;
            std::printf("  cube %d: LONGER than the %d moves without options\n", i, plain);
        }
    }
    const int answered = static_cast<int>(chosen.size()) - f.errors;
    f.meanMoves = answered > 0 ? static_cast<double>(moves) / answered : 0;
    std::sort(f.millis.begin(), f.millis.end());
    std::sort(f.cpuMillis.begin(), f.cpuMillis.end());
    return f;
}

}  // namespace

int reportOptions(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                  const std::string& options, bool processorTime) {
    ViewSearch::phase1Nodes = ViewSearch::phase2Checks = ViewSearch::phase2Nodes = 0;
    const OptionFigures f = solveWithOptions(cubes, chosen, options, processorTime);
    const std::size_t n = f.millis.size();
    if (n == 0) return 0;
    const double cubeCount = static_cast<double>(n);
    std::printf("per cube: phase-1 nodes %.0f, phase-2 checks %.0f, phase-2 depths %.0f\n",
                static_cast<double>(ViewSearch::phase1Nodes) / cubeCount,
                static_cast<double>(ViewSearch::phase2Checks) / cubeCount,
                static_cast<double>(ViewSearch::phase2Nodes) / cubeCount);
    std::printf("-- %s: %zu cubes, errors %d, wrong answers %d, longer than without options %d\n",
                options.c_str(), n, f.errors, f.wrong, f.longer);
    std::printf("moves:                  mean %.2f  max %d\n", f.meanMoves, f.most);
    std::printf("time per cube (ms):     mean %.3f  median %.3f  p99 %.3f  max %.3f\n",
                mean(f.millis), f.millis[rank(n, 0.5)], f.millis[rank(n, 0.99)], f.millis[n - 1]);
    std::printf("processor time (ms):    mean %.3f  median %.3f  p99 %.3f  max %.3f\n",
                mean(f.cpuMillis), f.cpuMillis[rank(n, 0.5)], f.cpuMillis[rank(n, 0.99)],
                f.cpuMillis[n - 1]);
    std::printf("over 500 ms of processor time: %d cubes; slowest: --cubes=%d  %s\n", f.over500,
                f.slowest, cubes[f.slowest].c_str());
    return f.errors + f.wrong + f.longer;
}

}  // namespace bench
