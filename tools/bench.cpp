// bench [COUNT] [TABLE_DIR] [--without | --compare] [--cubes=I,J,...]
//       [--options="OPTIONS" | --time-table] [--near-superflip] [--processor-time]
// Solves a fixed corpus of COUNT random cubes (default 2000) and prints solve times, search
// effort, solution lengths and the hardest cubes. The corpus is drawn uniformly from the solvable
// cubes by a seeded generator of its own, so every run and every host solves the same cubes.
//   --without   searches without Twist_Flip_Prun even when its file is there;
//   --compare   solves each cube without it and with it, reports both and checks that every
//               answer is the same;
//   --cubes=... solves only the cubes of the corpus with these indices (as the report lists the
//               hardest ones), for instance to run just those under a cache simulator;
//   --options=  answers each cube as a request with these options (such as "--max-moves 20"),
//               checks each answer by replaying it on the cube, and reports the moves and times;
//   --time-table  the same with "--shortest --time-limit MS" for MS = 10, 30, 100, 300, 1000:
//               the mean moves for each time limit;
//   --near-superflip  a corpus of cubes 1 to 4 random moves from the superflip instead;
//   --processor-time  with --options or --time-table: the time limits count the processor time
//               the search gets, not the time that passes (for a busy machine).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CoordCube.h"
#include "CubieCube.h"
#include "FaceCube.h"
#include "Patterns.h"
#include "Request.h"
#include "RequestOptions.h"
#include "Search.h"
#include "ShortSearch.h"
#include "Tools.h"

namespace {

// A uniform draw from 0..count-1, rejecting the uneven top of the generator's range.
int uniform(std::mt19937_64& rng, std::uint64_t count) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % count;
    std::uint64_t r;
    do r = rng();
    while (r >= limit);
    return static_cast<int>(r % count);
}

std::vector<std::string> corpus(int count) {
    std::mt19937_64 rng(20261206);
    std::vector<std::string> cubes;
    while (static_cast<int>(cubes.size()) < count) {
        CubieCube cube;
        cube.setFlip(static_cast<short>(uniform(rng, 2048)));
        cube.setTwist(static_cast<short>(uniform(rng, 2187)));
        cube.setURFtoDLB(uniform(rng, 40320));
        cube.setURtoBR(uniform(rng, 479001600));
        // Cubes of unequal parities cannot be reached; dropping them keeps the draw uniform.
        if (cube.edgeParity() == cube.cornerParity())
            cubes.push_back(cube.toFaceCube()->to_String());
    }
    return cubes;
}

// Cubes a few random moves from the superflip, the hardest cubes for the search.
std::vector<std::string> nearSuperflip(int count) {
    std::mt19937_64 rng(20261207);
    std::vector<std::string> cubes;
    static const char* const faces[6] = {"U", "R", "F", "D", "L", "B"};
    static const char* const powers[3] = {"", "2", "'"};
    while (static_cast<int>(cubes.size()) < count) {
        CubieCube cube;
        Patterns::applyMoves(cube, Patterns::all[1].moves);
        std::string moves;
        const int length = 1 + uniform(rng, 4);
        for (int i = 0; i < length; ++i) {
            moves += std::string(faces[uniform(rng, 6)]) + powers[uniform(rng, 3)] + " ";
        }
        Patterns::applyMoves(cube, moves);
        cubes.push_back(cube.toFaceCube()->to_String());
    }
    return cubes;
}

// The position of the p-quantile in n sorted values.
std::size_t rank(std::size_t n, double p) {
    return static_cast<std::size_t>(p * static_cast<double>(n - 1) + 0.5);
}

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

struct Solve {
    int cube;  // index in the corpus
    double millis;
    double cpuMillis;  // time on the processor: on a shared machine it varies less
    long long phase1Nodes;
    long long phase2Calls;
    std::string answer;
};

double cpuMillisNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}

Solve solve(const std::vector<std::string>& cubes, int i) {
    Search::phase1Nodes = Search::phase2Calls = 0;
    const double cpuStart = cpuMillisNow();
    const auto start = std::chrono::steady_clock::now();
    std::string answer = Search::solutions(cubes[i], 24, 5, false);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const double cpu = cpuMillisNow() - cpuStart;
    return {i, took.count(), cpu, Search::phase1Nodes, Search::phase2Calls, answer};
}

std::vector<Solve> solveAll(const std::vector<std::string>& cubes, const std::vector<int>& chosen) {
    std::vector<Solve> solves;
    for (int i : chosen) solves.push_back(solve(cubes, i));
    return solves;
}

// The solves ordered by a figure, smallest first.
template <typename Figure>
std::vector<Solve> sortedBy(std::vector<Solve> solves, Figure figure) {
    std::stable_sort(solves.begin(), solves.end(),
                     [&](const Solve& a, const Solve& b) { return figure(a) < figure(b); });
    return solves;
}

// The ratio of the p-quantiles of a figure over two runs.
template <typename Figure>
double ratio(const std::vector<Solve>& a, const std::vector<Solve>& b, Figure figure, double p) {
    return figure(sortedBy(a, figure)[rank(a.size(), p)]) /
           figure(sortedBy(b, figure)[rank(b.size(), p)]);
}

void printCube(const char* what, const Solve& s, const std::vector<std::string>& cubes) {
    std::printf("  %-13s cube %4d  %s  %8.3f ms  %9lld nodes\n", what, s.cube,
                cubes[s.cube].c_str(), s.millis, s.phase1Nodes);
}

// Prints the figures of one run; returns the number of error answers.
int report(const std::vector<Solve>& solves, const std::vector<std::string>& cubes) {
    const std::size_t n = solves.size();
    if (n == 0) {
        std::printf("cubes solved:           0\n");
        return 0;
    }
    const std::size_t median = rank(n, 0.5), p99 = rank(n, 0.99), last = n - 1;
    const auto byTime = sortedBy(solves, [](const Solve& s) { return s.millis; });
    const auto byCpu = sortedBy(solves, [](const Solve& s) { return s.cpuMillis; });
    const auto byNodes = sortedBy(solves, [](const Solve& s) { return s.phase1Nodes; });
    const auto byCalls = sortedBy(solves, [](const Solve& s) { return s.phase2Calls; });
    double totalMillis = 0;
    long long allNodes = 0, allCalls = 0;
    std::vector<int> lengthCount(32, 0);
    int errors = 0;
    for (const Solve& s : solves) {
        totalMillis += s.millis;
        allNodes += s.phase1Nodes;
        allCalls += s.phase2Calls;
        if (s.answer.rfind("Error", 0) == 0) {
            ++errors;
        } else {
            ++lengthCount[std::min(moveCount(s.answer), 31)];
        }
    }
    std::printf("cubes solved:           %zu (errors: %d)\n", n, errors);
    std::printf("time per solve (ms):    median %.3f  p99 %.3f  max %.3f  mean %.3f\n",
                byTime[median].millis, byTime[p99].millis, byTime[last].millis, totalMillis / n);
    std::printf("processor time (ms):    median %.3f  p99 %.3f  max %.3f\n",
                byCpu[median].cpuMillis, byCpu[p99].cpuMillis, byCpu[last].cpuMillis);
    std::printf("phase-1 nodes / solve:  median %lld  p99 %lld  max %lld  total %lld\n",
                byNodes[median].phase1Nodes, byNodes[p99].phase1Nodes, byNodes[last].phase1Nodes,
                allNodes);
    std::printf("phase-1 nodes / second: %.0f\n",
                static_cast<double>(allNodes) / totalMillis * 1000);
    std::printf("phase-2 calls / solve:  median %lld  max %lld  total %lld\n",
                byCalls[median].phase2Calls, byCalls[last].phase2Calls, allCalls);
    std::printf("solution lengths:      ");
    for (int length = 0; length < 32; ++length) {
        if (lengthCount[length] > 0) std::printf(" %d:%d", length, lengthCount[length]);
    }
    std::printf("\nhard tail:\n");
    printCube("time p99", byTime[p99], cubes);
    printCube("time max", byTime[last], cubes);
    printCube("nodes p99", byNodes[p99], cubes);
    printCube("nodes max", byNodes[last], cubes);
    // The hardest 1 % by phase-1 nodes, hardest first, in the form --cubes takes.
    std::printf("hardest 1 %% by phase-1 nodes: --cubes=");
    const std::size_t hardest = std::max<std::size_t>(1, n / 100);
    for (std::size_t i = 0; i < hardest; ++i) {
        std::printf("%s%d", i == 0 ? "" : ",", byNodes[last - i].cube);
    }
    std::printf("\n");
    return errors;
}

// The words of a request with options, the cube last.
std::vector<std::string> requestWords(const std::string& options, const std::string& cube) {
    std::vector<std::string> words = splitWords(options);
    words.push_back(cube);
    return words;
}

// True when the answer turns the cube into the solved cube.
bool solves(const std::string& cube, const std::string& answer) {
    std::unique_ptr<CubieCube> turned = FaceCube(cube).toCubieCube();
    if (!Patterns::applyMoves(*turned, answer)) return false;
    return turned->toFaceCube()->to_String() == CubieCube().toFaceCube()->to_String();
}

// Time limits count processor time (--processor-time): on a busy machine the search gets only
// part of a processor, and a limit on the time that passes would measure the neighbours.
bool processorTimeLimits = false;

// The answer to a request with options, as cubesolver gives it, or with the time limit counted
// in processor time.
std::string answerOf(const std::vector<std::string>& words) {
    if (!processorTimeLimits) return Request::respond(words).text;
    const ParsedRequest request = parseRequest(words);
    std::unique_ptr<CubieCube> cube;
    if (!request.error.empty() || !request.options.target.empty() ||
        Tools::readCube(request.cube, cube) != 0) {
        return "Error: bench takes options without --target and a valid cube";
    }
    const RequestOptions& o = request.options;
    return ShortSearch::solve(*cube, CubieCube(),
                              {o.maxMoves, o.timeLimitMillis, o.shortest, true});
}

// The figures of the cubes answered with options: moves, time and processor time.
struct OptionFigures {
    double meanMoves;
    int most;
    int errors;
    int wrong;
    int slowest;  // the cube of the longest time
    int over500;  // cubes that took more than 500 ms of processor time
    std::vector<double> millis, cpuMillis;
};

OptionFigures solveWithOptions(const std::vector<std::string>& cubes,
                               const std::vector<int>& chosen, const std::string& options) {
    OptionFigures f{0, 0, 0, 0, -1, 0, {}, {}};
    double longest = -1;
    long long moves = 0;
    for (int i : chosen) {
        const std::vector<std::string> words = requestWords(options, cubes[i]);
        const double cpuStart = cpuMillisNow();
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = answerOf(words);
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
    }
    const int answered = static_cast<int>(chosen.size()) - f.errors;
    f.meanMoves = answered > 0 ? static_cast<double>(moves) / answered : 0;
    std::sort(f.millis.begin(), f.millis.end());
    std::sort(f.cpuMillis.begin(), f.cpuMillis.end());
    return f;
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Prints the figures of one run with options; returns the number of errors and wrong answers.
int reportOptions(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                  const std::string& options) {
    const OptionFigures f = solveWithOptions(cubes, chosen, options);
    const std::size_t n = f.millis.size();
    if (n == 0) return 0;
    std::printf("-- %s: %zu cubes, errors %d, wrong answers %d\n", options.c_str(), n, f.errors,
                f.wrong);
    std::printf("moves:                  mean %.2f  max %d\n", f.meanMoves, f.most);
    std::printf("time per cube (ms):     mean %.3f  median %.3f  p99 %.3f  max %.3f\n",
                mean(f.millis), f.millis[rank(n, 0.5)], f.millis[rank(n, 0.99)], f.millis[n - 1]);
    std::printf("processor time (ms):    mean %.3f  median %.3f  p99 %.3f  max %.3f\n",
                mean(f.cpuMillis), f.cpuMillis[rank(n, 0.5)], f.cpuMillis[rank(n, 0.99)],
                f.cpuMillis[n - 1]);
    std::printf("over 500 ms of processor time: %d cubes; slowest: --cubes=%d  %s\n", f.over500,
                f.slowest, cubes[f.slowest].c_str());
    return f.errors + f.wrong;
}

// The mean moves of --shortest for each time limit.
int reportTimeTable(const std::vector<std::string>& cubes, const std::vector<int>& chosen) {
    std::printf(
        "| time limit (ms) | mean moves | max moves | mean time (ms) | mean processor time (ms) "
        "|\n");
    std::printf("|---|---|---|---|---|\n");
    int failures = 0;
    for (int limit : {10, 30, 100, 300, 1000}) {
        const std::string options = "--shortest --time-limit " + std::to_string(limit);
        const OptionFigures f = solveWithOptions(cubes, chosen, options);
        std::printf("| %d | %.2f | %d | %.1f | %.1f |\n", limit, f.meanMoves, f.most,
                    mean(f.millis), mean(f.cpuMillis));
        std::fflush(stdout);
        failures += f.errors + f.wrong;
    }
    return failures;
}

// Reads a list of indices below count, such as "12,345,6"; an empty list chooses no cube, which
// measures what the program costs besides the solves.
bool readIndexList(const char* list, int count, std::vector<int>& indices) {
    while (*list != '\0') {
        char* end;
        long i = std::strtol(list, &end, 10);
        if (end == list || i < 0 || i >= count || (*end != ',' && *end != '\0')) return false;
        indices.push_back(static_cast<int>(i));
        list = *end == ',' ? end + 1 : end;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> positional;
    bool without = false, compare = false;
    const char* cubeList = nullptr;
    const char* options = nullptr;
    bool timeTable = false, superflip = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--without") == 0) {
            without = true;
        } else if (std::strcmp(argv[i], "--compare") == 0) {
            compare = true;
        } else if (std::strncmp(argv[i], "--options=", 10) == 0) {
            options = argv[i] + 10;
        } else if (std::strcmp(argv[i], "--time-table") == 0) {
            timeTable = true;
        } else if (std::strcmp(argv[i], "--processor-time") == 0) {
            processorTimeLimits = true;
        } else if (std::strcmp(argv[i], "--near-superflip") == 0) {
            superflip = true;
        } else if (std::strncmp(argv[i], "--cubes=", 8) == 0) {
            cubeList = argv[i] + 8;
        } else {
            positional.push_back(argv[i]);
        }
    }
    int count = positional.size() > 0 ? std::atoi(positional[0]) : 2000;
    std::string dir = positional.size() > 1 ? positional[1] : CUBESOLVER_TABLE_DIR;
    if (count < 1) count = 1;
    CubieCube::initAllStaticVariables();
    std::string failure = CoordCube::loadTables({dir});
    if (!failure.empty()) {
        std::fprintf(stderr, "bench: %s\n", failure.c_str());
        return 2;
    }
    const bool extra = CoordCube::useTwistFlipPrun;
    if ((compare || !without) && !extra) {
        std::printf("no Twist_Flip_Prun in %s: the search runs without it\n", dir.c_str());
        compare = false;
    }

    std::vector<std::string> cubes = superflip ? nearSuperflip(count) : corpus(count);
    std::vector<int> chosen;
    if (cubeList != nullptr) {
        if (!readIndexList(cubeList, count, chosen)) {
            std::fprintf(stderr, "bench: --cubes needs indices below %d, such as --cubes=3,17\n",
                         count);
            return 2;
        }
    } else {
        for (int i = 0; i < count; ++i) chosen.push_back(i);
    }

    if (options != nullptr || timeTable) {
        CoordCube::useTwistFlipPrun = extra && !without;
        const int failures =
            timeTable ? reportTimeTable(cubes, chosen) : reportOptions(cubes, chosen, options);
        return failures == 0 ? 0 : 1;
    }
    if (!compare) {
        CoordCube::useTwistFlipPrun = extra && !without;
        std::printf("-- %s Twist_Flip_Prun\n", CoordCube::useTwistFlipPrun ? "with" : "without");
        return report(solveAll(cubes, chosen), cubes) == 0 ? 0 : 1;
    }
    // Each cube is solved both ways in turn, in alternate order, so that both runs see the same
    // load from the rest of the machine and neither profits more from a cache the other warmed.
    std::vector<Solve> plain, stronger;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        for (int twice = 0; twice < 2; ++twice) {
            CoordCube::useTwistFlipPrun = (k + twice) % 2 == 1;
            (CoordCube::useTwistFlipPrun ? stronger : plain).push_back(solve(cubes, chosen[k]));
        }
    }
    std::printf("-- without Twist_Flip_Prun\n");
    const int plainErrors = report(plain, cubes);
    std::printf("-- with Twist_Flip_Prun\n");
    if (report(stronger, cubes) + plainErrors != 0) return 1;
    if (chosen.empty()) return 0;
    int differ = 0;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (plain[i].answer != stronger[i].answer && ++differ <= 5) {
            std::printf("cube %d: answers differ: \"%s\" / \"%s\"\n", plain[i].cube,
                        plain[i].answer.c_str(), stronger[i].answer.c_str());
        }
    }
    const auto nodes = [](const Solve& s) { return static_cast<double>(s.phase1Nodes); };
    const auto time = [](const Solve& s) { return s.millis; };
    const auto cpu = [](const Solve& s) { return s.cpuMillis; };
    std::printf("-- without / with: phase-1 nodes p99 %.2fx, max %.2fx\n",
                ratio(plain, stronger, nodes, 0.99), ratio(plain, stronger, nodes, 1.0));
    std::printf(
        "   time median %.2fx, p99 %.2fx, max %.2fx; processor time median %.2fx, "
        "p99 %.2fx, max %.2fx\n",
        ratio(plain, stronger, time, 0.5), ratio(plain, stronger, time, 0.99),
        ratio(plain, stronger, time, 1.0), ratio(plain, stronger, cpu, 0.5),
        ratio(plain, stronger, cpu, 0.99), ratio(plain, stronger, cpu, 1.0));
    std::printf("answers: %s\n", differ == 0 ? "all the same" : "DIFFER");
    return differ == 0 ? 0 : 1;
}
