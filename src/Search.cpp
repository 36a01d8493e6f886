#include "Search.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

#include "CoordCube.h"
#include "CubieCube.h"
#include "Tools.h"

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

// The move rule: no move on the axis of the move before it, nor on the axis opposite it when that
// one was D, L or B.
bool forbiddenAfter(int axis, int previousAxis) {
    return axis == previousAxis || axis == previousAxis - 3;
}

// Phase-2 moves turn U and D by any power and the other faces by half turns only.
int firstPhase2Power(int axis) {
    return axis == 0 || axis == 3 ? 1 : 2;
}

int phase1Bound(int flip, int twist, int slice) {
    return std::max(CoordCube::getPruning(CoordCube::Slice_Flip_Prun, 495 * flip + slice),
                    CoordCube::getPruning(CoordCube::Slice_Twist_Prun, 495 * twist + slice));
}

int phase2BoundA(int i) {
    return CoordCube::getPruning(
        CoordCube::Slice_URFtoDLF_Parity_Prun,
        (24 * Search::URFtoDLF[i] + Search::FRtoBR[i]) * 2 + Search::parity[i]);
}

int phase2BoundB(int i) {
    return CoordCube::getPruning(
        CoordCube::Slice_URtoDF_Parity_Prun,
        (24 * Search::URtoDF[i] + Search::FRtoBR[i]) * 2 + Search::parity[i]);
}

}  // namespace

std::string Search::solutions(std::string facelets, int maxDepth, long timeOut,
                              bool passPhase1Length) {
    std::unique_ptr<CubieCube> cube;
    int code = Tools::readCube(facelets, cube);
    if (code != 0) return std::string("Error ") + static_cast<char>('0' - code);
    maxDepth = std::min(maxDepth, stateCapacity);

    CoordCube c(*cube);
    po[0] = 0;
    ax[0] = 0;
    flip[0] = c.flip;
    twist[0] = c.twist;
    parity[0] = c.parity;
    slice[0] = c.FRtoBR / 24;
    URFtoDLF[0] = c.URFtoDLF;
    FRtoBR[0] = c.FRtoBR;
    URtoUL[0] = c.URtoUL;
    UBtoDF[0] = c.UBtoDF;
    minDistPhase1[1] = 1;

    int n = 0;
    bool busy = false;
    int depthPhase1 = 1;
    const long long start = monotonicMillis();
    const long long limit = timeLimitMillis(timeOut);

    for (;;) {
        // Choose the next node: descend, or the next power, or the next allowed axis, backing up
        // a depth when every axis has been tried.
        do {
            if (depthPhase1 - n > minDistPhase1[n + 1] && !busy) {
                ax[n + 1] = ax[n] == 0 || ax[n] == 3 ? 1 : 0;
                po[++n] = 1;
            } else if (++po[n] > 3) {
                do {
                    if (++ax[n] > 5) {
                        if (monotonicMillis() - start > limit) return "Error 8";
                        if (n == 0) {
                            if (depthPhase1 >= maxDepth) return "Error 7";
                            ++depthPhase1;
                            ax[n] = 0;
                            po[n] = 1;
                            busy = false;
                            break;
                        }
                        --n;
                        busy = true;
                        break;
                    }
                    po[n] = 1;
                    busy = false;
                } while (n != 0 && forbiddenAfter(ax[n], ax[n - 1]));
            } else {
                busy = false;
            }
        } while (busy);

        COUNT(phase1Nodes);
        const int m = 3 * ax[n] + po[n] - 1;
        flip[n + 1] = CoordCube::flipMove[flip[n]][m];
        twist[n + 1] = CoordCube::twistMove[twist[n]][m];
        slice[n + 1] = CoordCube::FRtoBR_Move[24 * slice[n]][m] / 24;
        minDistPhase1[n + 1] = phase1Bound(flip[n + 1], twist[n + 1], slice[n + 1]);

        if (minDistPhase1[n + 1] == 0 && n >= depthPhase1 - 5) {
            // In the subgroup: no node below is visited, and at full length phase 2 takes over.
            minDistPhase1[n + 1] = 10;
            if (n == depthPhase1 - 1) {
                const int s = totalDepth(depthPhase1, maxDepth);
                const int d = depthPhase1;
                if (s >= 0 && (s == d || (ax[d - 1] != ax[d] && ax[d - 1] != ax[d] + 3))) {
                    return passPhase1Length ? solutionToString(s, d) : solutionToString(s);
                }
            }
        }
    }
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
    const int boundA = phase2BoundA(d);
    if (boundA > maxDepthPhase2) return -1;

    for (int i = 0; i < d; ++i) {
        const int m = 3 * ax[i] + po[i] - 1;
        URtoUL[i + 1] = CoordCube::URtoUL_Move[URtoUL[i]][m];
        UBtoDF[i + 1] = CoordCube::UBtoDF_Move[UBtoDF[i]][m];
    }
    if (URtoUL[d] >= 336 || UBtoDF[d] >= 336) return -1;
    URtoDF[d] = CoordCube::MergeURtoULandUBtoDF[URtoUL[d]][UBtoDF[d]];
    if (URtoDF[d] < 0) return -1;
    const int boundB = phase2BoundB(d);
    if (boundB > maxDepthPhase2) return -1;

    minDistPhase2[d] = std::max(boundA, boundB);
    if (minDistPhase2[d] == 0) return d;

    int depthPhase2 = 1;
    int n = d;
    bool busy = false;
    po[d] = 0;
    ax[d] = 0;
    minDistPhase2[d + 1] = 1;

    for (;;) {
        do {
            if (d + depthPhase2 - n > minDistPhase2[n + 1] && !busy) {
                if (ax[n] == 0 || ax[n] == 3) {
                    ax[++n] = 1;
                    po[n] = 2;
                } else {
                    ax[++n] = 0;
                    po[n] = 1;
                }
            } else if ((po[n] += firstPhase2Power(ax[n])) > 3) {
                do {
                    if (++ax[n] > 5) {
                        if (n == d) {
                            if (depthPhase2 >= maxDepthPhase2) return -1;
                            ++depthPhase2;
                            ax[n] = 0;
                            po[n] = 1;
                            busy = false;
                            break;
                        }
                        --n;
                        busy = true;
                        break;
                    }
                    po[n] = firstPhase2Power(ax[n]);
                    busy = false;
                } while (n != d && forbiddenAfter(ax[n], ax[n - 1]));
            } else {
                busy = false;
            }
        } while (busy);

        const int m = 3 * ax[n] + po[n] - 1;
        URFtoDLF[n + 1] = CoordCube::URFtoDLF_Move[URFtoDLF[n]][m];
        FRtoBR[n + 1] = CoordCube::FRtoBR_Move[FRtoBR[n]][m];
        parity[n + 1] = CoordCube::parityMove[parity[n]][m];
        URtoDF[n + 1] = CoordCube::URtoDF_Move[URtoDF[n]][m];
        minDistPhase2[n + 1] = std::max(phase2BoundB(n + 1), phase2BoundA(n + 1));
        if (minDistPhase2[n + 1] == 0) return d + depthPhase2;
    }
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
