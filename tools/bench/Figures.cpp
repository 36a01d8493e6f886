#include "Figures.h"

#include <cstdio>
#include <ctime>

namespace bench {

double cpuMillisNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::size_t rank(std::size_t n, double p) {
    return static_cast<std::size_t>(p * static_cast<double>(n - 1) + 0.5);
}

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

namespace {

void printCube(const char* what, const Solve& s, const std::vector<std::string>& cubes) {
    std::printf("  %-13s cube %4d  %s  %8.3f ms  %9lld nodes\n", what, s.cube,
                cubes[s.cube].c_str(), s.millis, s.phase1Nodes);
}

}  // namespace

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

}  // namespace bench
