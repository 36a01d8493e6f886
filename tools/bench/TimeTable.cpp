#include "TimeTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <utility>

#include "Figures.h"
#include "OptionRuns.h"
#include "cube/CubieCube.h"
#include "cube/Tools.h"
#include "search/ShortSearch.h"

namespace bench {

namespace {

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

}  // namespace

// The answer at a time limit is the shortest found by then (the search is the same up to there),
// so each cube is searched once.
int reportTimeTable(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                    int threads, int largest, bool processorTime) {
    const int limits[] = {10, 30, 100, 300, 1000, 3000};
    std::vector<std::vector<int>> moves(std::size(limits));
    int failures = 0;
    for (int i : chosen) {
        std::unique_ptr<CubieCube> cube;
        if (Tools::readCube(cubes[i], cube) != 0) return 1;
        Progress progress = {processorTime || threads == 1, 0, {}};
        progress.start = millisOf(progress);
        ShortSearchLimits l = {30, largest, true, processorTime};
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

}  // namespace bench
