// Runs with request options: each cube answered as cubesolver answers it, each answer replayed on
// its cube and none longer than the answer without options where that one is within the move
// limit.
#pragma once

#include <string>
#include <vector>

namespace bench {

// True when the answer turns the cube into the solved cube.
bool solves(const std::string& cube, const std::string& answer);

// Answers the chosen cubes with the options (such as "--max-moves 20") and prints the moves and
// times; with processorTime the time limit counts the processor time the search gets, not the
// time that passes. Returns the number of errors, wrong answers and longer answers.
int reportOptions(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                  const std::string& options, bool processorTime);

}  // namespace bench
