// bench [COUNT] [TABLE_DIR] [--corpus=NAME] [--without | --without-large | --compare] [--list]
// [--far-only] [--cubes=I,J,...]: solves fixed corpora of cubes and prints, for each, solve times,
// search effort, solution lengths and the hardest cubes. Every corpus (Corpora.cpp) is made by a
// seeded generator of its own, so every run and every host solves the same cubes; the random one
// has COUNT cubes (default 2000). All corpora are solved unless --corpus names one. The time limit
// is lifted, so that a cube runs to its answer under a cache simulator as well.
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "Corpora.h"
#include "OptionRuns.h"
#include "PlainRuns.h"
#include "TimeTable.h"
#include "cube/CubieCube.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

namespace {

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

// The cubes a run takes among size: those of the list of --cubes, or all when it is null. False
// when the list is no list of indices below size.
bool chooseCubes(const char* cubeList, int size, std::vector<int>& chosen) {
    if (cubeList != nullptr) return readIndexList(cubeList, size, chosen);
    for (int i = 0; i < size; ++i) chosen.push_back(i);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> positional;
    bool without = false, compare = false, list = false, withoutLarge = false, farOnly = false;
    const char* cubeList = nullptr;
    std::string only;
    const char* options = nullptr;
    bool timeTable = false, nearSuperflipCubes = false, processorTime = false;
    int threads = 1, largestTimeLimit = 1000;
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
            if (argv[i][12] == '=') largestTimeLimit = std::atoi(argv[i] + 13);
        } else if (std::strncmp(argv[i], "--threads=", 10) == 0) {
            threads = std::atoi(argv[i] + 10);
        } else if (std::strcmp(argv[i], "--processor-time") == 0) {
            processorTime = true;
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
    const bench::LargeTables large = {CornerEdgePrun::distances, CornerEdgePrun::far,
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

    const std::vector<bench::Corpus> corpora = bench::corpora(count);
    if (corpora.empty()) {
        std::fprintf(stderr, "bench: a pattern's moves do not make the pattern\n");
        return 2;
    }
    if (options != nullptr || timeTable) {
        // The corpus of the answers with options: random cubes unless --corpus names another, or
        // cubes near the superflip.
        if (without) CoordCube::useTwistFlipPrun = false;
        auto named = std::begin(corpora);
        while (named != std::end(corpora) && named->name != (only.empty() ? "random" : only)) {
            ++named;
        }
        if (named == std::end(corpora)) {
            std::fprintf(stderr, "bench: no corpus %s\n", only.c_str());
            return 2;
        }
        const std::vector<std::string> cubes =
            nearSuperflipCubes ? bench::nearSuperflipSample(count) : named->cubes;
        const int size = static_cast<int>(cubes.size());
        std::vector<int> chosen;
        if (!chooseCubes(cubeList, size, chosen)) {
            std::fprintf(stderr, "bench: --cubes needs indices below %d\n", size);
            return 2;
        }
        const int failures =
            timeTable
                ? bench::reportTimeTable(cubes, chosen, threads, largestTimeLimit, processorTime)
                : bench::reportOptions(cubes, chosen, options, processorTime);
        return failures == 0 ? 0 : 1;
    }
    int failures = 0, runs = 0;
    for (const bench::Corpus& corpus : corpora) {
        if (!only.empty() && only != corpus.name) continue;
        ++runs;
        const int size = static_cast<int>(corpus.cubes.size());
        std::vector<int> chosen;
        if (!chooseCubes(cubeList, size, chosen)) {
            std::fprintf(stderr, "bench: --cubes needs indices below %d, such as --cubes=3,17\n",
                         size);
            return 2;
        }
        if (list) {
            for (int i : chosen) std::printf("%s\n", corpus.cubes[i].c_str());
            continue;
        }
        failures += bench::run(corpus, chosen, without, compare, large);
    }
    if (runs == 0) {
        std::fprintf(stderr, "bench: no corpus %s (%s)\n", only.c_str(),
                     bench::corpusNames(corpora).c_str());
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
