#include "search/ViewSearch.h"

#include <algorithm>

#include "cube/CubieCube.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

#ifdef CUBESOLVER_COUNT_NODES
long long ViewSearch::phase1Nodes;
long long ViewSearch::phase2Checks;
long long ViewSearch::phase2Nodes;
#define COUNT(counter) ++ViewSearch::counter
#else
#define COUNT(counter)
#endif

namespace {

// The moves that keep the phase-2 subgroup: turns of U and D, half turns of the others.
bool keepsSubgroup(int move) {
    return move / 3 % 3 == 0 || move % 3 == 1;
}

// Moves in the order they are tried.
struct MoveChoice {
    int count;
    int move[18];
};

// The moves allowed after a move on previousAxis (-1: none), of those that can end a phase-1
// sequence when last is true.
const MoveChoice& phase1Moves(int previousAxis, bool last) {
    static const struct Choices {
        MoveChoice of[7][2];
        Choices() {
            for (int previous = -1; previous < 6; ++previous) {
                for (int end = 0; end < 2; ++end) {
                    MoveChoice& choice = of[previous + 1][end];
                    choice.count = 0;
                    for (int m = 0; m < 18; ++m) {
                        if (CoordCube::forbiddenAfter(m / 3, previous)) continue;
                        if (end == 1 && keepsSubgroup(m)) continue;
                        choice.move[choice.count++] = m;
                    }
                }
            }
        }
    } choices;
    return choices.of[previousAxis + 1][last];
}

// The phase-1 coordinates of the four cubes one move from the subgroup: a quarter turn of R, F,
// L or B (either way, as the half turn between them keeps the subgroup) reaches it from them.
struct OneMoveAway {
    int flip[4], twist[4], slice[4];
    bool contains(int f, int t, int s) const {
        bool found = false;
        for (int i = 0; i < 4; ++i) found |= f == flip[i] && t == twist[i] && s == slice[i];
        return found;
    }
};

const OneMoveAway& oneMoveAway() {
    static const OneMoveAway cubes = [] {
        OneMoveAway c;
        const int axes[4] = {1, 2, 4, 5};
        for (int i = 0; i < 4; ++i) {
            const int m = 3 * axes[i];
            c.flip[i] = CoordCube::flipMove[0][m];
            c.twist[i] = CoordCube::twistMove[0][m];
            c.slice[i] = CoordCube::sliceMove[0][m];
        }
        return c;
    }();
    return cubes;
}

int pruning(const unsigned char* table, long index) {
    return CoordCube::getPruning(table, static_cast<std::uint32_t>(index));
}

int cornerBound(int corners, int FRtoBR, int parity) {
    return pruning(CoordCube::Slice_URFtoDLF_Parity_Prun, (24L * corners + FRtoBR) * 2 + parity);
}

int edgeBound(int edges, int FRtoBR, int parity) {
    return pruning(CoordCube::Slice_URtoDF_Parity_Prun, (24L * edges + FRtoBR) * 2 + parity);
}

// A lower bound of the phase-2 moves that solve a cube of the subgroup: the slice tables' and,
// when it is in memory, that of the corners and U/D edges together.
int phase2Bound(int corners, int edges, int FRtoBR, int parity) {
    const int bound =
        std::max(cornerBound(corners, FRtoBR, parity), edgeBound(edges, FRtoBR, parity));
    if (!CornerEdgePrun::loaded()) return bound;
    return std::max(bound, CornerEdgePrun::phase2Bound(corners, edges, FRtoBR, parity));
}

// The larger of the two slice tables' bounds of a cube.
int sliceBound(int flip, int twist, int slice) {
    return std::max(pruning(CoordCube::Slice_Flip_Prun, 495L * flip + slice),
                    pruning(CoordCube::Slice_Twist_Prun, 495L * twist + slice));
}

// Twist_Flip_Prun's bound of the cube and of the cube seen turned about the U-D axis, the second
// read only when the first leaves remaining moves open; 0 without the table.
int twistFlipBound(int flip, int twist, int flipY, int twistY, int remaining) {
    if (!CoordCube::useTwistFlipPrun) return 0;
    const int bound = pruning(CoordCube::Twist_Flip_Prun, 2048L * twist + flip);
    if (bound >= remaining) return bound;
    return pruning(CoordCube::Twist_Flip_Prun, 2048L * twistY + flipY);
}

// A cube in the subgroup with 1 to 4 phase-1 moves left is not searched further: leaving it and
// coming back in so few moves rarely gives a shorter answer. With 1 left it cannot come back.
bool inSubgroupTooEarly(int remaining, int flip, int twist, int slice) {
    return remaining > 1 && remaining <= 5 && flip == 0 && twist == 0 && slice == 0;
}

// True when no symmetry of the stabilizer maps move m onto a move of a smaller index.
bool leastOfItsImages(int m, int stabilizer) {
    for (int s = 1; s < CubieCube::udSymmetries; ++s) {
        if ((stabilizer >> s & 1) != 0 && CubieCube::moveSeenUnder(s, m) < m) return false;
    }
    return true;
}

// The symmetries of stabilizer that map move m onto itself.
int symmetriesKeeping(int m, int stabilizer) {
    int kept = 0;
    for (int s = 0; s < CubieCube::udSymmetries; ++s) {
        if ((stabilizer >> s & 1) != 0 && CubieCube::moveSeenUnder(s, m) == m) kept |= 1 << s;
    }
    return kept;
}

void listPhase2(ViewSearch::Phase2Depth& list, int previousAxis, int remaining, int corners0,
                int edges0, int FRtoBR0, int parity0) {
    COUNT(phase2Nodes);
    int count = 0;
    for (int m : CoordCube::phase2Moves) {
        if (CoordCube::forbiddenAfter(m / 3, previousAxis)) continue;
        const int c = CoordCube::URFtoDLF_Move[corners0][m];
        const int e = CoordCube::URtoDF_Move[edges0][m];
        const int s = CoordCube::FRtoBR_Move[FRtoBR0][m];
        const int p = CoordCube::parityMove[parity0][m];
        const int bound = phase2Bound(c, e, s, p);
        if (bound >= remaining) continue;
        list.move[count] = m;
        list.corners[count] = c;
        list.edges[count] = e;
        list.FRtoBR[count] = s;
        list.parity[count] = p;
        list.bound[count] = bound;
        ++count;
    }
    list.count = count;
    list.next = 0;
}

}  // namespace

void ViewSearch::start(const CubieCube& cube, int symmetries, int fewest, int most) {
    const CoordCube c(cube);
    fewestPhase1 = fewest;
    mostPhase1Searched = most;
    unmoved[0] = symmetries;
    const CubieCube seen = cube.seenTurnedY();
    exact = FlipSliceTwistPrun::loaded();
    flip = c.flip;
    twist = c.twist;
    slice = c.FRtoBR / 24;
    flipY = seen.getFlip();
    twistY = seen.getTwist();
    distance = exact ? FlipSliceTwistPrun::distance(flip, slice, twist) : 0;
    // A table that allows no descent (its digest matched, so it cannot) is not relied on.
    if (distance < 0) exact = false;
    corners[0] = c.URFtoDLF;
    FRtoBR[0] = c.FRtoBR;
    parity[0] = c.parity;
    URtoUL[0] = c.URtoUL;
    UBtoDF[0] = c.UBtoDF;
    replayedEdges = 0;
    depthPhase1 = 0;
    n = 0;
}

ViewSearch::Result ViewSearch::run(long long& budget, int limit, int mostPhase1,
                                   Phase2Depth* scratch) {
    if (depthPhase1 == 0) {
        depthPhase1 = fewestPhase1;
        listPhase1(0, -1, depthPhase1, nullptr, 0);
        // The cube may lie in the subgroup already: phase 2 alone.
        if (fewestPhase1 == 1 && flip == 0 && twist == 0 && slice == 0) {
            const int s = phase2(0, limit, budget, scratch);
            if (s >= 0) {
                length = s;
                return found;
            }
        }
    }
    while (budget > 0) {
        if (depthPhase1 > limit) return exhausted;
        Phase1Depth& here = phase1[n];
        if (here.next == here.count) {
            if (n > 0) {
                --n;
                continue;
            }
            if (depthPhase1 + 1 > std::min(limit, mostPhase1Searched)) return exhausted;
            if (depthPhase1 + 1 > mostPhase1) return waiting;
            ++depthPhase1;
            listPhase1(0, -1, depthPhase1, nullptr, 0);
            continue;
        }
        const int k = here.next++;
        COUNT(phase1Nodes);
        --budget;
        const int m = here.move[k];
        // The two quarter turns of a face that end a phase-1 sequence lead to cubes a half turn
        // of that face, a phase-2 move, apart: when the first is more than one move further from
        // solved than phase 2 may go, so is the second.
        if (n + 1 == depthPhase1 && k > 0 && here.move[k - 1] == m - 2 &&
            twinBound > limit - depthPhase1 + 1) {
            continue;
        }
        moves[n] = m;
        replayedEdges = std::min(replayedEdges, n);
        // The corners follow every move, read while the next depth is listed.
        corners[n + 1] = CoordCube::URFtoDLF_Move[corners[n]][m];
        FRtoBR[n + 1] = CoordCube::FRtoBR_Move[FRtoBR[n]][m];
        parity[n + 1] = CoordCube::parityMove[parity[n]][m];
        if (n + 1 == depthPhase1) {
            const int s = phase2(depthPhase1, limit - depthPhase1, budget, scratch);
            if (s >= 0) {
                length = depthPhase1 + s;
                return found;
            }
            continue;
        }
        unmoved[n + 1] = unmoved[n] == 1 ? 1 : symmetriesKeeping(m, unmoved[n]);
        // The next cube's rows of the corner and slice moves, fetched while its moves are listed.
        __builtin_prefetch(CoordCube::URFtoDLF_Move[corners[n + 1]]);
        __builtin_prefetch(CoordCube::FRtoBR_Move[FRtoBR[n + 1]]);
        ++n;
        listPhase1(n, m / 3, depthPhase1 - n, &here, k);
    }
    return running;
}

// Lists the phase-1 moves from the cube reached by move k of the list from (the view's cube at
// the root), allowed after a move on previousAxis, that can reach the subgroup in remaining
// moves. The last move of a phase-1 sequence must leave the subgroup's moves: a sequence ending
// in one of them was handed to phase 2 a move earlier.
void ViewSearch::listPhase1(int depth, int previousAxis, int remaining, const Phase1Depth* from,
                            int k) {
    Phase1Depth& list = phase1[depth];
    list.next = 0;
    const MoveChoice* allowed = &phase1Moves(previousAxis, remaining == 1);
    MoveChoice least;
    if (unmoved[depth] != 1) {
        least.count = 0;
        for (int i = 0; i < allowed->count; ++i) {
            const int m = allowed->move[i];
            if (leastOfItsImages(m, unmoved[depth])) least.move[least.count++] = m;
        }
        allowed = &least;
    }
    const Moves moves = {allowed->move, allowed->count};
    if (from == nullptr) {
        if (exact) {
            listExact(list, moves, remaining, flip, twist, slice, distance);
        } else {
            listBounded(list, moves, remaining, flip, twist, slice, flipY, twistY);
        }
    } else if (exact) {
        listExact(list, moves, remaining, from->flip[k], from->twist[k], from->slice[k],
                  from->distance[k]);
    } else {
        listBounded(list, moves, remaining, from->flip[k], from->twist[k], from->slice[k],
                    from->flipY[k], from->twistY[k]);
    }
}

// Keeps the moves of the list whose cube is fewer than remaining moves from the subgroup, by its
// exact distance. The entries of all moves are found first and read after, so that their misses
// overlap.
void ViewSearch::listExact(Phase1Depth& list, Moves allowed, int remaining, int flip0, int twist0,
                           int slice0, int distance0) {
    const short* flipRow = CoordCube::flipMove[flip0];
    const short* twistRow = CoordCube::twistMove[twist0];
    const unsigned short* sliceRow = CoordCube::sliceMove[slice0];
    int count = 0;
    if (remaining == 1) {
        // The last move must reach the subgroup itself.
        for (int i = 0; i < allowed.count; ++i) {
            const int m = allowed.move[i];
            if (flipRow[m] != 0 || twistRow[m] != 0 || sliceRow[m] != 0) continue;
            list.move[count] = m;
            list.flip[count] = list.twist[count] = list.slice[count] = 0;
            list.distance[count] = 0;
            ++count;
        }
        list.count = count;
        return;
    }
    if (remaining == 2) {
        // A move must lead to one of the four cubes one quarter turn of R, F, L or B from the
        // subgroup: their coordinates are compared, no table is read.
        const OneMoveAway& near = oneMoveAway();
        for (int i = 0; i < allowed.count; ++i) {
            const int m = allowed.move[i];
            const int f = flipRow[m], t = twistRow[m], s = sliceRow[m];
            if (!near.contains(f, t, s)) continue;
            list.move[count] = m;
            list.flip[count] = f;
            list.twist[count] = t;
            list.slice[count] = s;
            list.distance[count] = 1;
            ++count;
        }
        list.count = count;
        return;
    }
    // When this cube has no move to spare, most moves lead further away, and Slice_Flip_Prun
    // (half a megabyte) tells two thirds of those apart before the large tables are read. Reading
    // Slice_Twist_Prun as well costs more than it saves, in the small-board cache model as here.
    const bool spare = distance0 + 1 < remaining;
    for (int i = 0; i < allowed.count; ++i) {
        const int m = allowed.move[i];
        const int f = flipRow[m], t = twistRow[m], s = sliceRow[m];
        if (!spare && pruning(CoordCube::Slice_Flip_Prun, 495L * f + s) >= remaining) continue;
        list.move[count] = m;
        list.flip[count] = f;
        list.twist[count] = t;
        list.slice[count] = s;
        __builtin_prefetch(FlipSliceTwistPrun::symmetryTable[2048 * s + f]);
        ++count;
    }
    // The entries of all moves are found first and read after, so that their misses overlap.
    const int candidates = count;
    std::int64_t entry[18];
    for (int i = 0; i < candidates; ++i) {
        entry[i] = FlipSliceTwistPrun::index(list.flip[i], list.slice[i], list.twist[i]);
        __builtin_prefetch(FlipSliceTwistPrun::distances + (entry[i] >> 2));
    }
    count = 0;
    for (int i = 0; i < candidates; ++i) {
        const int d = FlipSliceTwistPrun::distanceAt(distance0, entry[i]);
        if (d >= remaining || (d == 0 && remaining <= 5)) continue;
        list.move[count] = list.move[i];
        list.flip[count] = list.flip[i];
        list.twist[count] = list.twist[i];
        list.slice[count] = list.slice[i];
        list.distance[count] = d;
        ++count;
    }
    list.count = count;
}

// Keeps the moves of the list whose bounds leave them a chance with remaining moves: the slice
// tables' for all moves together, without a branch between the reads, so that their misses
// overlap; then Twist_Flip_Prun for the cube and the cube seen turned, for the moves still open.
void ViewSearch::listBounded(Phase1Depth& list, Moves allowed, int remaining, int flip0, int twist0,
                             int slice0, int flipY0, int twistY0) {
    const short* flipRow = CoordCube::flipMove[flip0];
    const short* twistRow = CoordCube::twistMove[twist0];
    const unsigned short* sliceRow = CoordCube::sliceMove[slice0];
    const short* flipRowY = CoordCube::flipMove[flipY0];
    const short* twistRowY = CoordCube::twistMove[twistY0];
    const int candidates = allowed.count;
    int bound[18];
    for (int i = 0; i < candidates; ++i) {
        const int m = allowed.move[i];
        list.move[i] = m;
        list.flip[i] = flipRow[m];
        list.twist[i] = twistRow[m];
        list.slice[i] = sliceRow[m];
        bound[i] = sliceBound(list.flip[i], list.twist[i], list.slice[i]);
    }
    int count = 0;
    for (int i = 0; i < candidates; ++i) {
        if (bound[i] >= remaining) continue;
        const int m = list.move[i], f = list.flip[i], t = list.twist[i], s = list.slice[i];
        if (inSubgroupTooEarly(remaining, f, t, s)) continue;
        const int mY = CoordCube::seenTurnedYMove[m];
        const int fY = flipRowY[mY], tY = twistRowY[mY];
        if (twistFlipBound(f, t, fY, tY, remaining) >= remaining) continue;
        list.move[count] = m;
        list.flip[count] = f;
        list.twist[count] = t;
        list.slice[count] = s;
        list.flipY[count] = fY;
        list.twistY[count] = tY;
        ++count;
    }
    list.count = count;
}

// Phase 2 after the d phase-1 moves: the fewest moves, at most most (and phase2MostMoves), that
// solve the cube, written into moves from index d on; -1 when there are none. The phase-1
// moves are followed on the phase-2 coordinates only as far as each bound needs them: most
// sequences fail on the corners.
int ViewSearch::phase2(int d, int most, long long& budget, Phase2Depth* depths) {
    COUNT(phase2Checks);
    twinBound = 0;
    most = std::min(most, std::min(phase2MostMoves, capacity - d));
    if (most < 0) return -1;
    // Sound tables always pass the range tests; they keep damaged ones inside the tables.
    if (FRtoBR[d] >= 24) return -1;
    int bound = cornerBound(corners[d], FRtoBR[d], parity[d]);
    twinBound = bound;
    if (bound > most) return -1;
    for (int i = replayedEdges; i < d; ++i) {
        const int m = moves[i];
        URtoUL[i + 1] = CoordCube::URtoUL_Move[URtoUL[i]][m];
        UBtoDF[i + 1] = CoordCube::UBtoDF_Move[UBtoDF[i]][m];
    }
    replayedEdges = d;
    if (URtoUL[d] >= 336 || UBtoDF[d] >= 336) return -1;
    const int edges = CoordCube::MergeURtoULandUBtoDF[URtoUL[d]][UBtoDF[d]];
    if (edges < 0) return -1;
    bound = std::max(bound, edgeBound(edges, FRtoBR[d], parity[d]));
    twinBound = bound;
    if (bound > most) return -1;
    if (CornerEdgePrun::loaded()) {
        bound =
            std::max(bound, CornerEdgePrun::phase2Bound(corners[d], edges, FRtoBR[d], parity[d]));
        twinBound = bound;
        if (bound > most) return -1;
    }
    if (bound == 0) return 0;
    const int firstAxis = d > 0 ? moves[d - 1] / 3 : -1;
    for (int depth = bound; depth <= most; ++depth) {
        int i = d;
        listPhase2(depths[d], firstAxis, depth, corners[d], edges, FRtoBR[d], parity[d]);
        for (;;) {
            Phase2Depth& here = depths[i];
            if (here.next == here.count) {
                if (i == d) break;
                --i;
                continue;
            }
            const int k = here.next++;
            --budget;
            moves[i] = here.move[k];
            if (here.bound[k] == 0) return i + 1 - d;
            ++i;
            listPhase2(depths[i], here.move[k] / 3, d + depth - i, here.corners[k], here.edges[k],
                       here.FRtoBR[k], here.parity[k]);
        }
    }
    return -1;
}
