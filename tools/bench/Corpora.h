// The cubes the benchmark solves. Every corpus is made by a seeded generator of its own, so every
// run and every host solves the same cubes.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Corpus {
    std::string name;
    std::vector<std::string> cubes;
};

// Every corpus, random with count cubes; empty when a pattern's moves do not make the pattern.
std::vector<Corpus> corpora(int count);

// The names of the corpora, as "random, superflip, ...".
std::string corpusNames(const std::vector<Corpus>& corpora);

// count cubes 1 to 4 random moves from the superflip, for the answers with options.
std::vector<std::string> nearSuperflipSample(int count);

}  // namespace bench
