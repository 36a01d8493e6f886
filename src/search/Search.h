// The two-phase search and the text of its solutions.
#pragma once

#include <string>

class CubieCube;

class Search {
  public:
    // The search state, indexed by depth: the move made there (axis 0..5, power 1..3), the
    // coordinates of the cube before it, and the pruning bound of that cube for each phase.
    static int ax[31];
    static int po[31];
    static int flip[31];
    static int twist[31];
    static int slice[31];
    static int parity[31];
    static int URFtoDLF[31];
    static int FRtoBR[31];
    static int URtoUL[31];
    static int UBtoDF[31];
    static int URtoDF[31];
    static int minDistPhase1[31];
    static int minDistPhase2[31];

#ifdef CUBESOLVER_COUNT_NODES
    // The searches' work, counted only in the benchmark's build of the library.
    static long long phase1Nodes;
    static long long phase2Calls;
    static long long phase2Nodes;  // phase-2 depths listed
#endif

    // The solution of the cube given by its facelets (face letters), of at most maxDepth moves
    // (30 at the most, the capacity of the state), or "Error 1" to "Error 9". The search gives up
    // after more than timeOut * 1024 milliseconds.
    static std::string solutions(std::string facelets, int maxDepth, long timeOut,
                                 bool passPhase1Length);

    // The solution of a cube that verifies, as solutions finds it with maxDepth 24 (the answer
    // without options), or "Error 7"; "Error 8" after more than limitMillis milliseconds.
    static std::string firstAnswer(const CubieCube& cube, long long limitMillis);

    // The line the programs print for one request (colour letters or face letters, of which only
    // the first 54 characters count): the solution of at most 24 moves, found within 5 * 1024
    // milliseconds, or "Error 1" to "Error 9". cubesolver and cubesolver-stream both answer with
    // it, so a request gets the same line from either.
    static std::string answer(const std::string& request);

    // Phase 2 after the depthPhase1 phase-1 moves in ax and po: replays them on the phase-2
    // coordinates and searches at most min(10, maxDepth - depthPhase1) more moves. Returns the
    // total number of moves, or -1 when no completion exists.
    static int totalDepth(int depthPhase1, int maxDepth);

    // The moves at depths 0..length-1 as text, each followed by a blank, such as "R2 U' F ".
    static std::string solutionToString(int length);
    // The same text; the number of phase-1 moves is accepted and not used.
    static std::string solutionToString(int length, int depthPhase1);

  private:
    // The search behind solutions and firstAnswer: the solution of a cube that verifies.
    static std::string solveCube(const CubieCube& cube, int maxDepth, long long limitMillis,
                                 bool passPhase1Length);
};
