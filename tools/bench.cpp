// bench [COUNT] [TABLE_DIR]: solves a fixed corpus of COUNT random cubes (default 2000) and prints
// solve times, search effort and solution lengths. The corpus is drawn uniformly from the solvable
// cubes by a seeded generator of its own, so every run and every host solves the same cubes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "CoordCube.h"
#include "CubieCube.h"
#include "FaceCube.h"
#include "Search.h"

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

template <typename T>
T percentile(std::vector<T> values, double p) {
    std::sort(values.begin(), values.end());
    std::size_t i = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[i];
}

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::string dir = argc > 2 ? argv[2] : CUBESOLVER_TABLE_DIR;
    if (count < 1) count = 1;
    CubieCube::initAllStaticVariables();
    std::string failure = CoordCube::loadTables({dir});
    if (!failure.empty()) {
        std::fprintf(stderr, "bench: %s\n", failure.c_str());
        return 2;
    }

    std::vector<std::string> cubes = corpus(count);
    std::vector<double> millis;
    std::vector<long long> phase1Nodes, phase2Calls;
    std::vector<int> lengthCount(32, 0);
    int errors = 0;
    double totalSeconds = 0;
    for (const std::string& cube : cubes) {
        Search::phase1Nodes = Search::phase2Calls = 0;
        auto start = std::chrono::steady_clock::now();
        std::string answer = Search::solutions(cube, 24, 5, false);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        totalSeconds += took.count();
        millis.push_back(took.count() * 1000);
        phase1Nodes.push_back(Search::phase1Nodes);
        phase2Calls.push_back(Search::phase2Calls);
        if (answer.rfind("Error", 0) == 0) {
            ++errors;
        } else {
            ++lengthCount[std::min(moveCount(answer), 31)];
        }
    }

    long long allNodes = 0;
    long long allCalls = 0;
    for (long long n : phase1Nodes) allNodes += n;
    for (long long n : phase2Calls) allCalls += n;
    std::printf("cubes solved:           %d (errors: %d)\n", count, errors);
    std::printf("time per solve (ms):    median %.3f  p99 %.3f  max %.3f  mean %.3f\n",
                percentile(millis, 0.5), percentile(millis, 0.99), percentile(millis, 1.0),
                totalSeconds * 1000 / count);
    std::printf("phase-1 nodes / solve:  median %lld  max %lld\n", percentile(phase1Nodes, 0.5),
                percentile(phase1Nodes, 1.0));
    std::printf("phase-1 nodes / second: %.0f\n", static_cast<double>(allNodes) / totalSeconds);
    std::printf("phase-2 calls / solve:  median %lld  max %lld  total %lld\n",
                percentile(phase2Calls, 0.5), percentile(phase2Calls, 1.0), allCalls);
    std::printf("solution lengths:      ");
    for (int length = 0; length < 32; ++length) {
        if (lengthCount[length] > 0) std::printf(" %d:%d", length, lengthCount[length]);
    }
    std::printf("\n");
    return errors == 0 ? 0 : 1;
}
