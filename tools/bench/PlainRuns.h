// Runs without request options: each cube of a corpus solved as the programs solve it, with the
// optional tables or without them, or both ways with the answers compared.
#pragma once

#include <vector>

#include "Corpora.h"

namespace bench {

// The large optional tables in memory: the phase-2 table of the corners and U/D edges in one of
// its forms or in none, and the exact phase-1 distances or none.
struct LargeTables {
    unsigned char* distances;
    unsigned char* far;
    unsigned char* phase1;
};

// Solves the chosen cubes of a corpus one way, or both ways with compare; returns the number of
// error answers and differing answers.
int run(const Corpus& corpus, const std::vector<int>& chosen, bool without, bool compare,
        const LargeTables& large);

}  // namespace bench
