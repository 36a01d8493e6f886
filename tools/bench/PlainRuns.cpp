// Under callgrind, each solve's counts are written as a dump of its own, named after the corpus
// and the cube (tools/small-board.py reads them).
#include "PlainRuns.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "Figures.h"
#include "search/Search.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label) (void)(label)
#endif

namespace bench {

namespace {

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

// The ratio of the p-quantiles of a figure over two runs.
template <typename Figure>
double ratio(const std::vector<Solve>& a, const std::vector<Solve>& b, Figure figure, double p) {
    return figure(sortedBy(a, figure)[rank(a.size(), p)]) /
           figure(sortedBy(b, figure)[rank(b.size(), p)]);
}

}  // namespace

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

}  // namespace bench
