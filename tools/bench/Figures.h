// The figures of the benchmark's solves and their output, shared by every kind of run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// One cube solved without request options.
struct Solve {
    int cube;  // index in the corpus
    double millis;
    double cpuMillis;  // time on the processor: on a shared machine it varies less
    long long phase1Nodes;
    long long phase2Calls;
    long long phase2Nodes;
    std::string answer;
};

// The processor time of the calling thread, in milliseconds.
double cpuMillisNow();

// The position of the p-quantile in n sorted values.
std::size_t rank(std::size_t n, double p);

int moveCount(const std::string& answer);

double mean(const std::vector<double>& values);

// The solves ordered by a figure, smallest first.
template <typename Figure>
std::vector<Solve> sortedBy(std::vector<Solve> solves, Figure figure) {
    std::stable_sort(solves.begin(), solves.end(),
                     [&](const Solve& a, const Solve& b) { return figure(a) < figure(b); });
    return solves;
}

// Prints the figures of one run of the cubes of a corpus; returns the number of error answers.
int report(const std::vector<Solve>& solves, const std::vector<std::string>& cubes);

}  // namespace bench
