// bench [COUNT] [TABLE_DIR] [--corpus=NAME] [--without | --without-large | --compare] [--list]
// [--far-only] [--cubes=I,J,...]: solves fixed corpora of cubes and prints, for each, solve times,
// search effort, solution lengths and the hardest cubes. Every corpus is made by a seeded generator
// of its own, so every run and every host solves the same cubes:
//   random      COUNT cubes (default 2000) drawn uniformly from the solvable ones;
//   superflip   every edge flipped in place;
//   after       the superflip followed by 1 to 6 random moves, 6 cubes for each number;
//   before      1 to 6 random moves followed by the superflip, likewise;
//   patterns    symmetric patterns made from move sequences, each checked on the cube model.
// All corpora are solved unless --corpus names one. The time limit is lifted, so that a cube runs
// to its answer under a cache simulator as well.
//   --without   searches without the optional tables (Twist_Flip_Prun, Corner_UDEdge_*,
//               FlipSlice_*) even when their files are there;
//   --without-large  searches without the corner and U/D-edge tables and the exact phase-1
//               table, as on a board without them (Twist_Flip_Prun is used);
//   --far-only  with Corner_UDEdge_Far in place of Corner_UDEdge_Prun and without the exact
//               phase-1 table, as on a board that has the memory for the smallest one only;
//   --compare   solves each cube without them and with them, reports both and checks that every
//               answer is the same;
//   --list      prints the chosen cubes, one a line, instead of solving them;
//   --cubes=... solves only the cubes of the corpus with these indices (as the report lists the
//               hardest ones), for instance to run just those under a cache simulator.
// Run under callgrind, each solve's counts are written as a dump of its own, named after the
// corpus and the cube (tools/small-board.py reads them).
// With request options, each cube of the corpus (random unless --corpus names one) is answered
// as cubesolver answers it, and each answer is replayed on its cube:
//   --options=  answers each cube as a request with these options (such as "--max-moves 20") and
//               reports the moves and times;
//   --time-table[=MOST]  the mean moves of "--shortest" at the time limits 10, 30, 100, 300, 1000
//               and 3000 ms up to MOST (default 1000), from one search of each cube to MOST;
//   --threads=N  the searches of --time-table run on N threads (default 1);
//   --near-superflip  COUNT cubes 1 to 4 random moves from the superflip instead;
//   --processor-time  the time limits count the processor time the search gets, not the time that
//               passes (for a busy machine); with threads, each thread's own.
// Answers with options on the wall clock take the programs' default threads (one a processor)
// unless the options say --threads.
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

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Patterns.h"
#include "cube/Tools.h"
#include "requests/Request.h"
#include "requests/RequestOptions.h"
#include "search/Search.h"
#include "search/ShortSearch.h"
#include "search/ViewSearch.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label) (void)(label)
#endif

namespace {

// A uniform draw from 0..count-1, rejecting the uneven top of the generator's range.
int uniform(std::mt19937_64& rng, std::uint64_t count) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % count;
    std::uint64_t r;
    do r = rng();
    while (r >= limit);
    return static_cast<int>(r % count);
}

std::vector<std::string> randomCorpus(int count) {
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

const char* const superflip = "UBULURUFURURFRBRDRFUFLFRFDFDFDLDRDBDLULBLFLDLBUBRBLBDB";

CubieCube cubeOf(const std::string& facelets) {
    return *FaceCube(facelets).toCubieCube();
}

std::string faceletsOf(const CubieCube& cube) {
    return cube.toFaceCube()->to_String();
}

void turn(CubieCube& cube, int m) {
    for (int p = 0; p <= m % 3; ++p) {
        cube.cornerMultiply(CubieCube::moveCube[m / 3]);
        cube.edgeMultiply(CubieCube::moveCube[m / 3]);
    }
}

// The cube a sequence such as "U2 D' R" makes from the solved cube.
CubieCube cubeOfMoves(const std::string& moves) {
    CubieCube cube;
    Patterns::applyMoves(cube, moves);
    return cube;
}

CubieCube product(CubieCube a, const CubieCube& b) {
    a.cornerMultiply(b);
    a.edgeMultiply(b);
    return a;
}

// count random moves, each on another face than the one before.
CubieCube randomMoves(std::mt19937_64& rng, int count) {
    CubieCube cube;
    int previous = -1;
    for (int i = 0; i < count; ++i) {
        int m;
        do m = uniform(rng, 18);
        while (m / 3 == previous);
        turn(cube, m);
        previous = m / 3;
    }
    return cube;
}

// The superflip, followed by (after) or following (before) 1 to 6 random moves. The superflip
// commutes with every move, so both give cubes of the same kind; the seeds differ.
std::vector<std::string> nearSuperflip(bool after) {
    std::mt19937_64 rng(after ? 20261207 : 20261208);
    const CubieCube flip = cubeOf(superflip);
    std::vector<std::string> cubes;
    for (int moves = 1; moves <= 6; ++moves) {
        for (int i = 0; i < 6; ++i) {
            const CubieCube m = randomMoves(rng, moves);
            cubes.push_back(faceletsOf(after ? product(flip, m) : product(m, flip)));
        }
    }
    return cubes;
}

// count cubes 1 to 4 random moves from the superflip, for the answers with options.
std::vector<std::string> nearSuperflipSample(int count) {
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

char faceletAt(const std::string& f, int face, int n) {
    return f[static_cast<std::size_t>(9 * face + n)];
}

// Every face shows its colour on its corners and the opposite face's on its edges.
bool isCheckerboard(const std::string& f) {
    for (int face = 0; face < 6; ++face) {
        for (int n = 0; n < 9; ++n) {
            const char expected = "URFDLB"[n % 2 == 0 ? face : (face + 3) % 6];
            if (faceletAt(f, face, n) != expected) return false;
        }
    }
    return true;
}

// On the faces of spots, the eight facelets around the centre show one other colour; the other
// faces are plain.
bool hasSpots(const std::string& f, const char* spotFaces) {
    for (int face = 0; face < 6; ++face) {
        const bool spot = std::strchr(spotFaces, "URFDLB"[face]) != nullptr;
        const char ring = faceletAt(f, face, 0);
        if ((ring != faceletAt(f, face, 4)) != spot) return false;
        for (int n = 0; n < 9; ++n) {
            if (n != 4 && faceletAt(f, face, n) != ring) return false;
        }
    }
    return true;
}

// Every face shows its colour on its centre and edges, and one other colour on its corners.
bool hasCrosses(const std::string& f) {
    for (int face = 0; face < 6; ++face) {
        const char corner = faceletAt(f, face, 0);
        for (int n = 0; n < 9; ++n) {
            const char expected = n % 2 == 1 || n == 4 ? "URFDLB"[face] : corner;
            if (corner == "URFDLB"[face] || faceletAt(f, face, n) != expected) return false;
        }
    }
    return true;
}

// Every face shows its colour on a 2 x 2 block around a corner and the centre, and one other
// colour on its other five facelets.
bool hasCubeInCube(const std::string& f) {
    const int blocks[4][4] = {{0, 1, 3, 4}, {1, 2, 4, 5}, {3, 4, 6, 7}, {4, 5, 7, 8}};
    for (int face = 0; face < 6; ++face) {
        bool found = false;
        for (const auto& block : blocks) {
            char rest = 0;
            bool fits = true;
            for (int n = 0; n < 9; ++n) {
                const bool inBlock = std::count(block, block + 4, n) > 0;
                const char c = faceletAt(f, face, n);
                if (inBlock) {
                    fits = fits && c == "URFDLB"[face];
                } else {
                    if (rest == 0) rest = c;
                    fits = fits && c == rest && c != "URFDLB"[face];
                }
            }
            found = found || fits;
        }
        if (!found) return false;
    }
    return true;
}

// Every edge where the pattern has it, flipped; the corners as in the pattern.
bool isFlipped(const CubieCube& cube, const CubieCube& pattern) {
    for (int i = 0; i < 12; ++i) {
        if (cube.ep[i] != pattern.ep[i] || cube.eo[i] == pattern.eo[i]) return false;
    }
    return std::equal(cube.cp, cube.cp + 8, pattern.cp) &&
           std::equal(cube.co, cube.co + 8, pattern.co);
}

// Symmetric patterns, each made from its moves and checked on the cube model; with the superflip
// on top of each. An empty list means a pattern did not come out as it should.
std::vector<std::string> patterns() {
    struct Pattern {
        const char* moves;
        bool (*check)(const std::string&);
    } const made[] = {
        {"U2 D2 F2 B2 L2 R2", isCheckerboard},
        {"U D' R L' F B' U D'", [](const std::string& f) { return hasSpots(f, "URFDLB"); }},
        {"D U' B F' L R' D U'", [](const std::string& f) { return hasSpots(f, "URFDLB"); }},
        {"F2 B2 U D' R2 L2 U D'", [](const std::string& f) { return hasSpots(f, "RFLB"); }},
        {"U F B' L2 U2 L2 F' B U2 L2 U", hasCrosses},
        {"F L F U' R U F2 L2 U' L' B D' B' L2 U", hasCubeInCube},
    };
    const CubieCube flip = cubeOf(superflip);
    std::vector<std::string> cubes;
    for (const Pattern& p : made) {
        const CubieCube cube = cubeOfMoves(p.moves);
        const CubieCube flipped = product(cube, flip);
        if (!p.check(faceletsOf(cube)) || !isFlipped(flipped, cube)) return {};
        cubes.push_back(faceletsOf(cube));
        cubes.push_back(faceletsOf(flipped));
    }
    return cubes;
}

struct Corpus {
    std::string name;
    std::vector<std::string> cubes;
};

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
    long long phase2Nodes;
    std::string answer;
};

double cpuMillisNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The large optional tables in memory: the phase-2 table of the corners and U/D edges in one of
// its forms or in none, and the exact phase-1 distances or none.
struct LargeTables {
    unsigned char* distances;
    unsigned char* far;
    unsigned char* phase1;
};

// Solves cube i of a corpus with the optional tables or without them.
Solve solve(const Corpus& corpus, int i, bool optional, const LargeTables& large) {
    CoordCube::useTwistFlipPrun = optional && CoordCube::useTwistFlipPrun;
    CornerEdgePrun::distances = optional ? large.distances : nullptr;
    CornerEdgePrun::far = optional ? large.far : nullptr;
    FlipSliceTwistPrun::distances = optional ? large.phase1 : nullptr;
    Search::phase1Nodes = Search::phase2Calls = Search::phase2Nodes = 0;
    CALLGRIND_ZERO_STATS;
    const double cpuStart = cpuMillisNow();
    const auto start = std::chrono::steady_clock::now();
    std::string answer = Search::solutions(corpus.cubes[i], 24, 100000, false);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const double cpu = cpuMillisNow() - cpuStart;
    CALLGRIND_DUMP_STATS_AT((corpus.name + " " + std::to_string(i)).c_str());
    return {i,     took.count(), cpu, Search::phase1Nodes, Search::phase2Calls, Search::phase2Nodes,
            answer};
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
    const auto byDepths = sortedBy(solves, [](const Solve& s) { return s.phase2Nodes; });
    std::printf("phase-2 depths / solve: median %lld  p99 %lld  max %lld\n",
                byDepths[median].phase2Nodes, byDepths[p99].phase2Nodes,
                byDepths[last].phase2Nodes);
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

// The largest time limit of --time-table.
int maxTimeLimit = 1000;

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
                               const std::vector<int>& chosen, const std::string& options) {
    OptionFigures f{0, 0, 0, 0, -1, 0, 0, {}, {}};
    const int maxMoves = parseRequest(requestWords(options, "")).options.maxMoves;
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

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Prints the figures of one run with options; returns the number of errors and wrong answers.
int reportOptions(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                  const std::string& options) {
    ViewSearch::phase1Nodes = ViewSearch::phase2Checks = ViewSearch::phase2Nodes = 0;
    const OptionFigures f = solveWithOptions(cubes, chosen, options);
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

// The moves of the best answer found so far, against the time it was found at.
struct Progress {
    bool processorTime;
    double start;
    std::vector<std::pair<double, int>> answers;
};

double millisOf(const Progress& p) {
    return (p.processorTime ? cpuMillisNow()
                            : std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count()) -
           p.start;
}

void recordAnswer(void* context, const std::string& answer) {
    Progress& p = *static_cast<Progress*>(context);
    p.answers.emplace_back(millisOf(p), moveCount(answer));
}

// The mean moves of --shortest for each time limit up to the largest, from one search of each
// cube to the largest: the answer at a time limit is the shortest found by then (the search is
// the same up to there), so each cube is searched once and the answers are checked by replay.
int reportTimeTable(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                    int threads) {
    const int limits[] = {10, 30, 100, 300, 1000, 3000};
    const int largest = maxTimeLimit;
    std::vector<std::vector<int>> moves(std::size(limits));
    int failures = 0;
    for (int i : chosen) {
        std::unique_ptr<CubieCube> cube;
        if (Tools::readCube(cubes[i], cube) != 0) return 1;
        Progress progress = {processorTimeLimits || threads == 1, 0, {}};
        progress.start = millisOf(progress);
        ShortSearchLimits l = {30, largest, true, processorTimeLimits};
        l.threads = threads;
        l.onAnswer = recordAnswer;
        l.context = &progress;
        const std::string answer = ShortSearch::solve(*cube, CubieCube(), l);
        if (!solves(cubes[i], answer) || progress.answers.empty()) {
            std::printf("  cube %d: WRONG ANSWER %s\n", i, answer.c_str());
            ++failures;
            continue;
        }
        for (std::size_t k = 0; k < std::size(limits); ++k) {
            if (limits[k] > largest) continue;
            int best = 0;
            for (const auto& [millis, length] : progress.answers) {
                if (millis <= limits[k] || best == 0) best = length;
            }
            moves[k].push_back(best);
        }
    }
    std::printf("| time limit (ms) | mean moves | max moves | cubes |\n|---|---|---|---|\n");
    for (std::size_t k = 0; k < std::size(limits); ++k) {
        if (moves[k].empty()) continue;
        double sum = 0;
        for (int m : moves[k]) sum += m;
        std::printf("| %d | %.3f | %d | %zu |\n", limits[k], sum / moves[k].size(),
                    *std::max_element(moves[k].begin(), moves[k].end()), moves[k].size());
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

// Solves the chosen cubes of a corpus one way, or both ways with compare; returns the number of
// error answers and differing answers.
int run(const Corpus& corpus, const std::vector<int>& chosen, bool without, bool compare,
        const LargeTables& large) {
    const bool twistFlip = CoordCube::useTwistFlipPrun;
    std::printf("== corpus %s (%zu cubes)\n", corpus.name.c_str(), corpus.cubes.size());
    if (!compare) {
        std::vector<Solve> solves;
        for (int i : chosen) solves.push_back(solve(corpus, i, !without, large));
        CoordCube::useTwistFlipPrun = twistFlip;
        std::printf("-- %s the optional tables\n", without ? "without" : "with");
        return report(solves, corpus.cubes);
    }
    // Each cube is solved both ways in turn, in alternate order, so that both runs see the same
    // load from the rest of the machine and neither profits more from a cache the other warmed.
    std::vector<Solve> plain, stronger;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        for (int twice = 0; twice < 2; ++twice) {
            const bool optional = (k + twice) % 2 == 1;
            (optional ? stronger : plain).push_back(solve(corpus, chosen[k], optional, large));
            CoordCube::useTwistFlipPrun = twistFlip;
        }
    }
    std::printf("-- without the optional tables\n");
    int failures = report(plain, corpus.cubes);
    std::printf("-- with them\n");
    failures += report(stronger, corpus.cubes);
    if (chosen.empty()) return failures;
    int differ = 0;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (plain[i].answer != stronger[i].answer && ++differ <= 5) {
            std::printf("cube %d: answers differ: \"%s\" / \"%s\"\n", plain[i].cube,
                        plain[i].answer.c_str(), stronger[i].answer.c_str());
        }
    }
    const auto nodes = [](const Solve& s) { return static_cast<double>(s.phase1Nodes); };
    const auto depths = [](const Solve& s) { return static_cast<double>(s.phase2Nodes); };
    const auto time = [](const Solve& s) { return s.millis; };
    const auto cpu = [](const Solve& s) { return s.cpuMillis; };
    std::printf(
        "-- without / with: phase-1 nodes p99 %.2fx, max %.2fx; phase-2 depths p99 %.2fx, "
        "max %.2fx\n",
        ratio(plain, stronger, nodes, 0.99), ratio(plain, stronger, nodes, 1.0),
        ratio(plain, stronger, depths, 0.99), ratio(plain, stronger, depths, 1.0));
    std::printf(
        "   time median %.2fx, p99 %.2fx, max %.2fx; processor time median %.2fx, "
        "p99 %.2fx, max %.2fx\n",
        ratio(plain, stronger, time, 0.5), ratio(plain, stronger, time, 0.99),
        ratio(plain, stronger, time, 1.0), ratio(plain, stronger, cpu, 0.5),
        ratio(plain, stronger, cpu, 0.99), ratio(plain, stronger, cpu, 1.0));
    std::printf("answers: %s\n", differ == 0 ? "all the same" : "DIFFER");
    return failures + differ;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> positional;
    bool without = false, compare = false, list = false, withoutLarge = false, farOnly = false;
    const char* cubeList = nullptr;
    std::string only;
    const char* options = nullptr;
    bool timeTable = false, nearSuperflipCubes = false;
    int threads = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--without") == 0) {
            without = true;
        } else if (std::strcmp(argv[i], "--compare") == 0) {
            compare = true;
        } else if (std::strncmp(argv[i], "--cubes=", 8) == 0) {
            cubeList = argv[i] + 8;
        } else if (std::strcmp(argv[i], "--without-large") == 0) {
            withoutLarge = true;
        } else if (std::strcmp(argv[i], "--far-only") == 0) {
            farOnly = true;
        } else if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if (std::strncmp(argv[i], "--corpus=", 9) == 0) {
            only = argv[i] + 9;
        } else if (std::strncmp(argv[i], "--options=", 10) == 0) {
            options = argv[i] + 10;
        } else if (std::strncmp(argv[i], "--time-table", 12) == 0) {
            timeTable = true;
            if (argv[i][12] == '=') maxTimeLimit = std::atoi(argv[i] + 13);
        } else if (std::strncmp(argv[i], "--threads=", 10) == 0) {
            threads = std::atoi(argv[i] + 10);
        } else if (std::strcmp(argv[i], "--processor-time") == 0) {
            processorTimeLimits = true;
        } else if (std::strcmp(argv[i], "--near-superflip") == 0) {
            nearSuperflipCubes = true;
        } else {
            positional.push_back(argv[i]);
        }
    }
    int count = positional.size() > 0 ? std::atoi(positional[0]) : 2000;
    std::string dir = positional.size() > 1 ? positional[1] : CUBESOLVER_TABLE_DIR;
    if (count < 1) count = 1;
    CubieCube::initAllStaticVariables();
    std::string failure = CoordCube::loadTables({dir});
    bool missing = false;
    if (failure.empty() && !withoutLarge) {
        failure = CornerEdgePrun::load(
            {dir}, missing, farOnly ? CornerEdgePrun::farBytes : CornerEdgePrun::distanceBytes);
    }
    // The EV3 class has the memory for neither large table: only the one-bit form.
    if (failure.empty() && !withoutLarge && !farOnly) {
        failure = FlipSliceTwistPrun::load({dir}, missing);
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "bench: %s\n", failure.c_str());
        return 2;
    }
    const LargeTables large = {CornerEdgePrun::distances, CornerEdgePrun::far,
                               FlipSliceTwistPrun::distances};
    if (!list)
        std::printf(
            "optional tables in %s: Twist_Flip_Prun %s, exact phase 1 %s, corners and U/D "
            "edges: %s\n",
            dir.c_str(), CoordCube::useTwistFlipPrun ? "loaded" : "absent",
            large.phase1 != nullptr ? "loaded" : "absent or left out",
            large.distances != nullptr ? "Corner_UDEdge_Prun"
            : large.far != nullptr     ? "Corner_UDEdge_Far"
                                   : "neither (absent, too large for the free memory or left out)");

    const std::vector<std::string> patternCubes = patterns();
    if (patternCubes.empty()) {
        std::fprintf(stderr, "bench: a pattern's moves do not make the pattern\n");
        return 2;
    }
    const Corpus corpora[] = {{"random", randomCorpus(count)},
                              {"superflip", {superflip}},
                              {"after", nearSuperflip(true)},
                              {"before", nearSuperflip(false)},
                              {"patterns", patternCubes}};
    if (options != nullptr || timeTable) {
        // The corpus of the answers with options: random cubes unless --corpus names another, or
        // cubes near the superflip.
        if (without) CoordCube::useTwistFlipPrun = false;
        const Corpus* named = std::begin(corpora);
        while (named != std::end(corpora) && named->name != (only.empty() ? "random" : only)) {
            ++named;
        }
        if (named == std::end(corpora)) {
            std::fprintf(stderr, "bench: no corpus %s\n", only.c_str());
            return 2;
        }
        const std::vector<std::string> cubes =
            nearSuperflipCubes ? nearSuperflipSample(count) : named->cubes;
        const int size = static_cast<int>(cubes.size());
        std::vector<int> chosen;
        if (cubeList != nullptr ? !readIndexList(cubeList, size, chosen) : false) {
            std::fprintf(stderr, "bench: --cubes needs indices below %d\n", size);
            return 2;
        }
        if (cubeList == nullptr) {
            for (int i = 0; i < size; ++i) chosen.push_back(i);
        }
        const int failures = timeTable ? reportTimeTable(cubes, chosen, threads)
                                       : reportOptions(cubes, chosen, options);
        return failures == 0 ? 0 : 1;
    }
    int failures = 0, runs = 0;
    for (const Corpus& corpus : corpora) {
        if (!only.empty() && only != corpus.name) continue;
        ++runs;
        const int size = static_cast<int>(corpus.cubes.size());
        std::vector<int> chosen;
        if (cubeList != nullptr) {
            if (!readIndexList(cubeList, size, chosen)) {
                std::fprintf(stderr,
                             "bench: --cubes needs indices below %d, such as --cubes=3,17\n", size);
                return 2;
            }
        } else {
            for (int i = 0; i < size; ++i) chosen.push_back(i);
        }
        if (list) {
            for (int i : chosen) std::printf("%s\n", corpus.cubes[i].c_str());
            continue;
        }
        failures += run(corpus, chosen, without, compare, large);
    }
    if (runs == 0) {
        std::fprintf(stderr, "bench: no corpus %s (random, superflip, after, before, patterns)\n",
                     only.c_str());
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
