// The search for short answers behind the request options: a move limit, a time limit, the
// shortest answer found within the time, and any target pattern.
#pragma once

#include <string>
#include <vector>

class CubieCube;

struct ShortSearchLimits {
    // The answer has at most this many moves (0..30).
    int maxMoves;
    // The search gives up ("Error 8") or, with shortest, stops after this many milliseconds.
    long timeLimitMillis;
    // Search until the time limit and answer the shortest answer found.
    bool shortest;
    // The time limit counts the processor time of each thread instead of the time that passes:
    // for measurements on a busy machine, where the search gets part of a processor.
    bool processorTime = false;
    // The threads that search the views, sharing the best answer so far.
    int threads = 1;
    // Called with each answer that is shorter than those before it, as it is found (the
    // benchmark's record of moves against time); with threads, from any of them, one at a time.
    void (*onAnswer)(void* context, const std::string& answer) = nullptr;
    void* context = nullptr;
};

namespace ShortSearch {

// The most threads a search takes.
constexpr int maxThreads = 64;
// The processors this process may run on (its CPU affinity), at most maxThreads.
int availableThreads();

// Moves M such that cube * M = target (the cube first, then M), as solution text, such as
// "R2 U' F ", or the empty text when the cube is the target. "Error 7" when no answer of at most
// maxMoves moves exists within the search's bounds, "Error 8" when the time limit passes before
// an answer is found. Both cubes must verify. Memory that cannot be had, in any of its threads,
// throws std::bad_alloc in the caller's thread once all of them have stopped.
std::string solve(const CubieCube& cube, const CubieCube& target, const ShortSearchLimits& limits);

// The answer text of moves (3 * face + power - 1, U R F D L B): moves on one face, in a row or
// with only moves on the opposite face between them, become one move or none; of two moves on
// opposite faces in a row, which commute, the one on U, R or F comes first, as in the searches'
// own answers. So no face follows itself or its opposite out of that order.
std::string movesText(const std::vector<int>& moves);

}  // namespace ShortSearch
