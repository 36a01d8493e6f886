#include "search/Search.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Tools.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

int Search::ax[31];
int Search::po[31];
int Search::flip[31];
int Search::twist[31];
int Search::slice[31];
int Search::parity[31];
int Search::URFtoDLF[31];
int Search::FRtoBR[31];
int Search::URtoUL[31];
int Search::UBtoDF[31];
int Search::URtoDF[31];
int Search::minDistPhase1[31];
int Search::minDistPhase2[31];

#ifdef CUBESOLVER_COUNT_NODES
long long Search::phase1Nodes;
long long Search::phase2Calls;
long long Search::phase2Nodes;
#define COUNT(counter) ++Search::counter
#else
#define COUNT(counter)
#endif

namespace {

// The deepest index the search state holds.
const int stateCapacity = 30;

// Milliseconds on a monotonic clock: a wall clock stepped by a time sync would end a search early
// or never.
long long monotonicMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// timeOut units of 1024 ms, saturated so that no argument overflows the product.
long long timeLimitMillis(long timeOut) {
    const long long most = std::numeric_limits<long long>::max() / 1024;
    return std::max(-most, std::min(most, static_cast<long long>(timeOut))) * 1024;
}

// A phase-2 bound: the table's entry for a corner or edge coordinate with FRtoBR and parity.
int phase2Bound(const unsigned char* table, int coordinate, int FRtoBR, int parity) {
    return CoordCube::getPruning(table, (24 * coordinate + FRtoBR) * 2 + parity);
}

// The phase-2 depths listed in this solve: the measure of a long search.
long phase2Listings;
// A program that defers the large table (CornerEdgePrun) loads it once a solve has listed this
// many phase-2 depths: fewer than 1 % of random cubes get there (the largest of 2000 lists
// 149,099, the 99th percentile 86,517), while the superflip lists 3.75 million without the table
// and 19 with it.
const long listingsBeforeLoad = 100000;
// The phase-1 depths listed in this solve, the measure for the deferred exact phase-1 table.
long phase1Listings;
// Set when the deferred table arrived during the search: the time limit then counts from there.
bool restartClock;

// Loads a table whose load a program deferred, from the directories it left (taken, so that the
// load is tried once) by load(directories, missing). The search is exact without the table, so a
// damaged file is named and only costs time.
template <typename Load>
void loadDeferred(std::vector<std::string>& pending, Load load) {
    std::vector<std::string> directories;
    directories.swap(pending);
    bool missing;
    const std::string failure = load(directories, missing);
    if (!failure.empty())
        std::fprintf(stderr, "cubesolver: %s; searching without it\n", failure.c_str());
}

void loadDeferredTable() {
    loadDeferred(CornerEdgePrun::directories, [](const std::vector<std::string>& d, bool& m) {
        return CornerEdgePrun::load(d, m, CornerEdgePrun::largestDeferred);
    });
    restartClock = CornerEdgePrun::loaded();
}

// The moves worth trying from the cube at one depth of a search, in the order they are tried,
// with the coordinates and bound of the cube each leads to. Only moves whose bound is below the
// number of moves left are listed: the search passes over the others without a trace.
// flipY and twistY are the coordinates of the cube seen turned about the U-D axis.
struct Phase1Depth {
    int count;
    int next;
    int move[18];
    int flip[18];
    int twist[18];
    int slice[18];
    int flipY[18];
    int twistY[18];
    int bound[18];
};

struct Phase2Depth {
    int count;
    int next;
    int move[10];
    int URFtoDLF[10];
    int FRtoBR[10];
    int parity[10];
    int URtoDF[10];
    int bound[10];
};

int twistFlipBound(int twist, int flip) {
    return CoordCube::getPruning(CoordCube::Twist_Flip_Prun, 2048 * twist + flip);
}

// The bounds phase 1 runs on: the two slice tables, with Twist_Flip_Prun, or the exact distance.
enum class Phase1Bounds { slices, twistFlip, exact };

// Lists the phase-1 moves from the cube at depth n, allowed after the move at depth n - 1; flipY
// and twistY are those of the cube at depth n seen turned, distance its exact distance to the
// subgroup. The bounds of all moves are computed together, so that their pruning reads overlap
// in memory.
//
// With twistFlip, Twist_Flip_Prun is read too, for the cube and then for the cube seen turned,
// and each of the four tables only for moves that the ones before it leave open. On a small
// board's caches that costs 18 % fewer misses than reading both slice tables for every move; on
// a desktop processor the branches cost about what the reads saved cost. With exact, each move's
// bound is the exact distance of the cube it leads to, and no other table is read.
template <Phase1Bounds bounds>
void listPhase1Moves(Phase1Depth& depth, int n, int remaining, int flipY, int twistY,
                     int distance) {
    const bool twistFlip = bounds == Phase1Bounds::twistFlip;
    ++phase1Listings;
    const short* flipRow = CoordCube::flipMove[Search::flip[n]];
    const short* twistRow = CoordCube::twistMove[Search::twist[n]];
    const unsigned short* sliceRow = CoordCube::sliceMove[Search::slice[n]];
    // Without the table the view's coordinates are not followed.
    const short* flipRowY = twistFlip ? CoordCube::flipMove[flipY] : nullptr;
    const short* twistRowY = twistFlip ? CoordCube::twistMove[twistY] : nullptr;
    const int previousAxis = n > 0 ? Search::ax[n - 1] : -1;
    int count = 0;
    for (int axis = 0; axis < 6; ++axis) {
        if (CoordCube::forbiddenAfter(axis, previousAxis)) continue;
        for (int power = 0; power < 3; ++power) {
            COUNT(phase1Nodes);
            const int m = 3 * axis + power;
            const int flip = flipRow[m];
            const int twist = twistRow[m];
            const int slice = sliceRow[m];
            depth.move[count] = m;
            depth.flip[count] = flip;
            depth.twist[count] = twist;
            depth.slice[count] = slice;
            int bound;
            if (bounds == Phase1Bounds::exact) {
                bound = FlipSliceTwistPrun::distanceAfter(distance, flip, slice, twist);
            } else {
                bound = CoordCube::getPruning(CoordCube::Slice_Flip_Prun, 495 * flip + slice);
                if (!twistFlip || bound < remaining) {
                    bound = std::max<int>(bound, CoordCube::getPruning(CoordCube::Slice_Twist_Prun,
                                                                       495 * twist + slice));
                }
            }
            if (twistFlip && bound < remaining) {
                bound = std::max(bound, twistFlipBound(twist, flip));
                if (bound < remaining) {
                    // Only a move still open needs the coordinates of its view.
                    const int mY = CoordCube::seenTurnedYMove[m];
                    const int flipY = flipRowY[mY];
                    const int twistY = twistRowY[mY];
                    depth.flipY[count] = flipY;
                    depth.twistY[count] = twistY;
                    bound = std::max(bound, twistFlipBound(twistY, flipY));
                }
            }
            depth.bound[count] = bound;
            count += bound < remaining;
        }
    }
    depth.count = count;
    depth.next = 0;
}

// Lists the phase-2 moves from the cube at depth n of the search state; at the first phase-2
// depth the move rule is not applied (the phase-1 search tests that junction). With cornerEdge,
// the bound of the corners and U/D edges together is read for the moves that the two smaller
// tables leave open.
template <bool cornerEdge>
void listPhase2Moves(Phase2Depth& depth, int n, bool first, int remaining) {
    COUNT(phase2Nodes);
    ++phase2Listings;
    const short* cornerRow = CoordCube::URFtoDLF_Move[Search::URFtoDLF[n]];
    const short* sliceRow = CoordCube::FRtoBR_Move[Search::FRtoBR[n]];
    const short* parityRow = CoordCube::parityMove[Search::parity[n]];
    const short* edgeRow = CoordCube::URtoDF_Move[Search::URtoDF[n]];
    const int previousAxis = first ? -1 : Search::ax[n - 1];
    int count = 0;
    for (int m : CoordCube::phase2Moves) {
        if (CoordCube::forbiddenAfter(m / 3, previousAxis)) continue;
        const int corners = cornerRow[m];
        const int slice = sliceRow[m];
        const int parity = parityRow[m];
        const int edges = edgeRow[m];
        // Phase 2 waits on memory more than phase 1: the edge table is read only for moves that
        // the corner table does not already rule out.
        int bound = phase2Bound(CoordCube::Slice_URFtoDLF_Parity_Prun, corners, slice, parity);
        if (bound < remaining) {
            bound = std::max(
                bound, phase2Bound(CoordCube::Slice_URtoDF_Parity_Prun, edges, slice, parity));
            if (cornerEdge && bound < remaining) {
                bound = std::max(bound, CornerEdgePrun::phase2Bound(corners, edges, slice, parity));
            }
        }
        depth.move[count] = m;
        depth.URFtoDLF[count] = corners;
        depth.FRtoBR[count] = slice;
        depth.parity[count] = parity;
        depth.URtoDF[count] = edges;
        depth.bound[count] = bound;
        count += bound < remaining;
    }
    depth.count = count;
    depth.next = 0;
}

// The limits of a phase-1 search, and the coordinates of its cube seen turned.
struct Phase1Request {
    int maxDepth;
    long long start;
    long long limit;
    bool passPhase1Length;
    int flipY;
    int twistY;
    // The cube's exact phase-1 distance when that table is in memory, else -1.
    int distance;
    // Exhausted depths below depth 0, for the reading of the clock.
    unsigned exhausted;
};

// The phase-1 sequences of depthPhase1 moves from the cube at depth 0 of the search state,
// depth-first by axis U, R, F, D, L, B and power 1, 2, 3 at each depth; the list of each depth
// replaces the call stack. Returns the answer, "Error 8", or "" when none of them leads to one.
template <Phase1Bounds bounds>
std::string searchPhase1Length(Phase1Request& request, int depthPhase1) {
    const bool twistFlip = bounds == Phase1Bounds::twistFlip;
    Phase1Depth depths[31];
    int n = 0;
    listPhase1Moves<bounds>(depths[0], 0, depthPhase1, request.flipY, request.twistY,
                            request.distance);
    for (;;) {
        Phase1Depth& here = depths[n];
        if (here.next == here.count) {
            // Every move at this depth has been tried: the clock is read here only. A reading
            // costs as much as a hundred nodes, so below depth 0 only every 64th exhausted
            // depth reads it, some microseconds apart.
            if ((n == 0 || ++request.exhausted % 64 == 0) &&
                monotonicMillis() - request.start > request.limit) {
                return "Error 8";
            }
            if (n == 0) return "";
            --n;
            continue;
        }
        const int k = here.next++;
        Search::ax[n] = here.move[k] / 3;
        Search::po[n] = here.move[k] % 3 + 1;
        Search::flip[n + 1] = here.flip[k];
        Search::twist[n + 1] = here.twist[k];
        Search::slice[n + 1] = here.slice[k];
        Search::minDistPhase1[n + 1] = here.bound[k];
        if (here.bound[k] == 0 && n >= depthPhase1 - 5) {
            // In the subgroup: no node below is visited, and at full length phase 2 takes over.
            Search::minDistPhase1[n + 1] = 10;
            if (n == depthPhase1 - 1) {
                const int s = Search::totalDepth(depthPhase1, request.maxDepth);
                const int d = depthPhase1;
                if (restartClock) {
                    // Loading took time that a program with the table in memory from its start
                    // does not spend, and from here the search is the same as there.
                    request.start = monotonicMillis();
                    restartClock = false;
                }
                if (s >= 0 &&
                    (s == d || !CoordCube::forbiddenAfter(Search::ax[d], Search::ax[d - 1]))) {
                    return request.passPhase1Length ? Search::solutionToString(s, d)
                                                    : Search::solutionToString(s);
                }
            }
            continue;
        }
        ++n;
        listPhase1Moves<bounds>(depths[n], n, depthPhase1 - n, twistFlip ? here.flipY[k] : 0,
                                twistFlip ? here.twistY[k] : 0, here.bound[k]);
    }
}

// Loads the exact phase-1 table that a program deferred, and gives the cube's distance by it.
void loadDeferredPhase1Table(Phase1Request& request) {
    loadDeferred(FlipSliceTwistPrun::directories, FlipSliceTwistPrun::load);
    if (!FlipSliceTwistPrun::loaded()) return;
    request.distance =
        FlipSliceTwistPrun::distance(Search::flip[0], Search::slice[0], Search::twist[0]);
    // As for the phase-2 table: from here the search is the one of a program that had it.
    request.start = monotonicMillis();
}

// Phase 1 from the cube at depth 0 of the search state, one length after the other, on the
// strongest bounds in memory.
std::string searchPhase1(Phase1Request request) {
    for (int depthPhase1 = 1;; ++depthPhase1) {
        if (!FlipSliceTwistPrun::directories.empty() &&
            phase1Listings >= FlipSliceTwistPrun::listingsBeforeLoad) {
            loadDeferredPhase1Table(request);
        }
        const std::string answer =
            request.distance >= 0 ? searchPhase1Length<Phase1Bounds::exact>(request, depthPhase1)
            : CoordCube::useTwistFlipPrun
                ? searchPhase1Length<Phase1Bounds::twistFlip>(request, depthPhase1)
                : searchPhase1Length<Phase1Bounds::slices>(request, depthPhase1);
        if (!answer.empty()) return answer;
        if (depthPhase1 >= request.maxDepth) return "Error 7";
    }
}

// Iterative deepening over the phase-2 moves from the cube at depth d, depth-first in the order
// of phase2Moves: the total number of moves of the first completion found, or -1.
template <bool cornerEdge>
int searchPhase2(int d, int maxDepthPhase2) {
    Phase2Depth depths[31];
    for (int depthPhase2 = 1; depthPhase2 <= maxDepthPhase2; ++depthPhase2) {
        int n = d;
        listPhase2Moves<cornerEdge>(depths[d], d, true, depthPhase2);
        for (;;) {
            Phase2Depth& here = depths[n];
            if (here.next == here.count) {
                if (n == d) break;
                --n;
                continue;
            }
            const int k = here.next++;
            Search::ax[n] = here.move[k] / 3;
            Search::po[n] = here.move[k] % 3 + 1;
            Search::URFtoDLF[n + 1] = here.URFtoDLF[k];
            Search::FRtoBR[n + 1] = here.FRtoBR[k];
            Search::parity[n + 1] = here.parity[k];
            Search::URtoDF[n + 1] = here.URtoDF[k];
            Search::minDistPhase2[n + 1] = here.bound[k];
            if (here.bound[k] == 0) return d + depthPhase2;
            ++n;
            listPhase2Moves<cornerEdge>(depths[n], n, false, d + depthPhase2 - n);
        }
    }
    return -1;
}

}  // namespace

std::string Search::solutions(std::string facelets, int maxDepth, long timeOut,
                              bool passPhase1Length) {
    std::unique_ptr<CubieCube> cube;
    int code = Tools::readCube(facelets, cube);
    if (code != 0) return std::string("Error ") + static_cast<char>('0' - code);
    return solveCube(*cube, maxDepth, timeLimitMillis(timeOut), passPhase1Length);
}

std::string Search::firstAnswer(const CubieCube& cube, long long limitMillis) {
    return solveCube(cube, 24, limitMillis, false);
}

std::string Search::solveCube(const CubieCube& cube, int maxDepth, long long limitMillis,
                              bool passPhase1Length) {
    maxDepth = std::min(maxDepth, stateCapacity);
    CoordCube c(cube);
    flip[0] = c.flip;
    twist[0] = c.twist;
    parity[0] = c.parity;
    slice[0] = c.FRtoBR / 24;
    URFtoDLF[0] = c.URFtoDLF;
    FRtoBR[0] = c.FRtoBR;
    URtoUL[0] = c.URtoUL;
    UBtoDF[0] = c.UBtoDF;

    phase1Listings = phase2Listings = 0;
    restartClock = false;
    const CubieCube seen = cube.seenTurnedY();
    const int distance = FlipSliceTwistPrun::loaded()
                             ? FlipSliceTwistPrun::distance(flip[0], slice[0], twist[0])
                             : -1;
    const Phase1Request request = {
        maxDepth,       monotonicMillis(), limitMillis, passPhase1Length,
        seen.getFlip(), seen.getTwist(),   distance,    0,
    };
    return searchPhase1(request);
}

std::string Search::answer(const std::string& request) {
    return solutions(FaceCube::mapColorLetters(request), 24, 5, false);
}

int Search::totalDepth(int depthPhase1, int maxDepth) {
    COUNT(phase2Calls);
    const int maxDepthPhase2 = std::min(10, maxDepth - depthPhase1);
    const int d = depthPhase1;

    for (int i = 0; i < d; ++i) {
        const int m = 3 * ax[i] + po[i] - 1;
        URFtoDLF[i + 1] = CoordCube::URFtoDLF_Move[URFtoDLF[i]][m];
        FRtoBR[i + 1] = CoordCube::FRtoBR_Move[FRtoBR[i]][m];
        parity[i + 1] = CoordCube::parityMove[parity[i]][m];
    }
    // Sound tables always pass the range tests here; they keep damaged ones from sending the
    // reads past the ends of the tables.
    if (FRtoBR[d] >= 24) return -1;
    const int boundA =
        phase2Bound(CoordCube::Slice_URFtoDLF_Parity_Prun, URFtoDLF[d], FRtoBR[d], parity[d]);
    if (boundA > maxDepthPhase2) return -1;

    for (int i = 0; i < d; ++i) {
        const int m = 3 * ax[i] + po[i] - 1;
        URtoUL[i + 1] = CoordCube::URtoUL_Move[URtoUL[i]][m];
        UBtoDF[i + 1] = CoordCube::UBtoDF_Move[UBtoDF[i]][m];
    }
    if (URtoUL[d] >= 336 || UBtoDF[d] >= 336) return -1;
    URtoDF[d] = CoordCube::MergeURtoULandUBtoDF[URtoUL[d]][UBtoDF[d]];
    if (URtoDF[d] < 0) return -1;
    const int boundB =
        phase2Bound(CoordCube::Slice_URtoDF_Parity_Prun, URtoDF[d], FRtoBR[d], parity[d]);
    if (boundB > maxDepthPhase2) return -1;

    if (!CornerEdgePrun::directories.empty() && phase2Listings >= listingsBeforeLoad) {
        loadDeferredTable();
    }
    int boundC = 0;
    if (CornerEdgePrun::loaded()) {
        boundC = CornerEdgePrun::phase2Bound(URFtoDLF[d], URtoDF[d], FRtoBR[d], parity[d]);
        if (boundC > maxDepthPhase2) return -1;
    }

    minDistPhase2[d] = std::max(std::max(boundA, boundB), boundC);
    if (minDistPhase2[d] == 0) return d;
    return CornerEdgePrun::loaded() ? searchPhase2<true>(d, maxDepthPhase2)
                                    : searchPhase2<false>(d, maxDepthPhase2);
}

std::string Search::solutionToString(int length) {
    static const char* const faces[6] = {"U", "R", "F", "D", "L", "B"};
    static const char* const powers[3] = {" ", "2 ", "' "};
    std::string s;
    for (int i = 0; i < length; ++i) {
        if (ax[i] >= 0 && ax[i] <= 5) s += faces[ax[i]];
        if (po[i] >= 1 && po[i] <= 3) s += powers[po[i] - 1];
    }
    return s;
}

std::string Search::solutionToString(int length, int /*depthPhase1*/) {
    return solutionToString(length);
}
