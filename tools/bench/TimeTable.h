// The time table of --shortest: the mean moves at the time limits 10, 30, 100, 300, 1000 and 3000
// ms up to a largest one.
#pragma once

#include <string>
#include <vector>

namespace bench {

// Prints the table for the chosen cubes, from one search of each cube to largest ms on threads
// threads, its answers checked by replay; with processorTime the limits count processor time.
// Returns the number of wrong answers, or 1 for a cube that cannot be read.
int reportTimeTable(const std::vector<std::string>& cubes, const std::vector<int>& chosen,
                    int threads, int largest, bool processorTime);

}  // namespace bench
