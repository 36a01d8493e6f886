// The two-phase search of one view of a cube for the search for shorter answers: resumable, so
// that several views take turns, and going on after an answer (phase 1 to longer sequences, phase
// 2 only for shorter answers), unlike the first-answer search of Search.
#pragma once

#include <cstdint>

class CubieCube;

class ViewSearch {
  public:
    // The deepest index the move lists hold.
    static constexpr int capacity = 30;
    // The most phase-2 moves tried after one phase-1 sequence. Longer completions are rarely
    // part of a short answer and cost the most time.
    static constexpr int phase2MostMoves = 15;

    enum Result { running, found, exhausted, waiting };

    // The moves tried at one depth of phase 2, with the coordinates each leads to. A search runs
    // phase 2 in lists of its caller's (capacity + 1 of them), which the views of one thread
    // share since each phase-2 search ends within one call of run.
    struct Phase2Depth {
        int count;
        int next;
        int move[10];
        int corners[10];
        int edges[10];
        int FRtoBR[10];
        int parity[10];
        int bound[10];
    };

    // The moves of the answer last found: move indexes 0..17.
    int moves[capacity + 1];
    int length = 0;

#ifdef CUBESOLVER_COUNT_NODES
    // The work of all views, counted only in the benchmark's build of the library.
    static long long phase1Nodes;
    static long long phase2Checks;
    static long long phase2Nodes;
#endif

    // Starts a search of the cube. Phase 1 runs on the exact distance when that table is in
    // memory, and on the smaller tables' bounds otherwise. The symmetries of stabilizer (bit s:
    // CubieCube::seenUnder(s)) leave the cube as it is: of the first moves that one of them maps
    // onto each other, which lead to searches alike, only one is searched.
    // It searches the phase-1 lengths fewest to most.
    void start(const CubieCube& cube, int stabilizer = 1, int fewest = 1, int most = capacity);

    // Searches until the node budget is spent, an answer of at most limit moves is found (and
    // left in moves), every answer within the limit has been tried (exhausted), or every phase-1
    // sequence of at most mostPhase1 moves (waiting: the other views are searched to that length
    // first). Phase 2 runs in scratch.
    Result run(long long& budget, int limit, int mostPhase1, Phase2Depth* scratch);

  private:
    // The moves worth trying at one depth of phase 1, with the coordinates each leads to: the
    // exact distance, or for the smaller tables the cube seen turned about the U-D axis.
    struct Phase1Depth {
        int count;
        int next;
        int move[18];
        int flip[18];
        int twist[18];
        int slice[18];
        int distance[18];
        int flipY[18];
        int twistY[18];
    };

    bool exact;
    int flip, twist, slice, flipY, twistY, distance;
    int depthPhase1;
    int fewestPhase1, mostPhase1Searched;
    int n;
    Phase1Depth phase1[capacity + 1];
    // The symmetries that leave the cube after the first i phase-1 moves as it is, of those
    // that leave the view's cube: each depth searches only the least of the moves they map onto
    // each other.
    int unmoved[capacity + 1];
    // The phase-2 coordinates of the cube after the first i phase-1 moves: corners, slice and
    // parity along the current sequence, the two three-edge coordinates up to replayedEdges.
    int corners[capacity + 1], FRtoBR[capacity + 1], parity[capacity + 1];
    int URtoUL[capacity + 1], UBtoDF[capacity + 1];
    int replayedEdges;
    // The bound that the last phase-2 search found too far, 0 when it searched.
    int twinBound = 0;

    void listPhase1(int depth, int previousAxis, int remaining, const Phase1Depth* from, int k);
    // Moves to list, in the order they are tried.
    struct Moves {
        const int* move;
        int count;
    };
    void listExact(Phase1Depth& list, Moves allowed, int remaining, int flip0, int twist0,
                   int slice0, int distance0);
    void listBounded(Phase1Depth& list, Moves allowed, int remaining, int flip0, int twist0,
                     int slice0, int flipY0, int twistY0);
    int phase2(int d, int most, long long& budget, Phase2Depth* depths);
};
