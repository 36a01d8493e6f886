#include "search/ShortSearch.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"

namespace {

// The most phase-2 moves tried after one phase-1 sequence. Longer completions are rarely part of
// a short answer and cost the most time; 12 would make the first answer come later (at a longer
// phase 1), so that a short time limit would more often pass before it.
const int phase2MostMoves = 15;
// The phase-1 moves one view of the cube tries before the next view takes its turn.
const long long sliceNodes = 1000;
// The deepest index the move lists hold.
const int capacity = 30;

// Milliseconds on a monotonic clock, or of the thread's processor time.
long long millisNow(bool processorTime) {
    if (processorTime) {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The moves that keep the phase-2 subgroup: turns of U and D, half turns of the others.
bool keepsSubgroup(int move) {
    return move / 3 % 3 == 0 || move % 3 == 1;
}

int pruning(const unsigned char* table, long index) {
    return CoordCube::getPruning(table, static_cast<std::uint32_t>(index));
}

// A lower bound of the phase-2 moves that solve a cube of the subgroup: the slice tables' and,
// when it is in memory, that of the corners and U/D edges together. The search reads no other
// phase-2 bound.
int phase2Bound(int corners, int edges, int FRtoBR, int parity) {
    const int bound = std::max(
        pruning(CoordCube::Slice_URFtoDLF_Parity_Prun, (24L * corners + FRtoBR) * 2 + parity),
        pruning(CoordCube::Slice_URtoDF_Parity_Prun, (24L * edges + FRtoBR) * 2 + parity));
    if (!CornerEdgePrun::loaded()) return bound;
    return std::max(bound, CornerEdgePrun::phase2Bound(corners, edges, FRtoBR, parity));
}

// The moves worth trying at one depth of phase 1, with the coordinates each leads to; flipY and
// twistY are those of the cube seen turned about the U-D axis, for Twist_Flip_Prun.
struct Phase1Depth {
    int count;
    int next;
    int move[18];
    int flip[18];
    int twist[18];
    int slice[18];
    int flipY[18];
    int twistY[18];
};

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

// The two-phase search of one view of the cube, with its own state, so that several run side by
// side and each can be resumed where it stopped. Unlike the first-answer search of Search, it
// goes on after an answer: phase 1 to longer sequences, phase 2 only for shorter answers.
class ViewSearch {
  public:
    enum Result { running, found, exhausted, waiting };

    // The moves of the answer last found: move indexes 0..17.
    int moves[capacity + 1];
    int length = 0;

    // Starts a search of the cube; phase 2 runs in the scratch lists (capacity + 1 of them),
    // which the views share since each phase-2 search ends within one call of run.
    void start(const CubieCube& cube, Phase2Depth* scratch) {
        phase2Depths = scratch;
        const CoordCube c(cube);
        const CubieCube seen = cube.seenTurnedY();
        flip = c.flip;
        twist = c.twist;
        slice = c.FRtoBR / 24;
        flipY = seen.getFlip();
        twistY = seen.getTwist();
        corners[0] = c.URFtoDLF;
        FRtoBR[0] = c.FRtoBR;
        parity[0] = c.parity;
        URtoUL[0] = c.URtoUL;
        UBtoDF[0] = c.UBtoDF;
        replayed = 0;
        depthPhase1 = 0;
        n = 0;
    }

    // Searches until the node budget is spent, an answer of at most limit moves is found (and
    // left in moves), every answer within the limit has been tried, or every phase-1 sequence of
    // at most mostPhase1 moves (waiting: the other views are searched to that length first).
    Result run(long long& budget, int limit, int mostPhase1) {
        if (depthPhase1 == 0) {
            // The cube may lie in the subgroup already: phase 2 alone.
            depthPhase1 = 1;
            listPhase1(0, -1, 1, flip, twist, slice, flipY, twistY);
            if (flip == 0 && twist == 0 && slice == 0) {
                const int s = phase2(0, limit, budget);
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
                if (depthPhase1 + 1 > std::min(limit, capacity)) return exhausted;
                if (depthPhase1 + 1 > mostPhase1) return waiting;
                ++depthPhase1;
                listPhase1(0, -1, depthPhase1, flip, twist, slice, flipY, twistY);
                continue;
            }
            const int k = here.next++;
            --budget;
            moves[n] = here.move[k];
            replayed = std::min(replayed, n);
            if (n + 1 == depthPhase1) {
                const int s = phase2(depthPhase1, limit - depthPhase1, budget);
                if (s >= 0) {
                    length = depthPhase1 + s;
                    return found;
                }
                continue;
            }
            ++n;
            listPhase1(n, here.move[k] / 3, depthPhase1 - n, here.flip[k], here.twist[k],
                       here.slice[k], here.flipY[k], here.twistY[k]);
        }
        return running;
    }

  private:
    int flip, twist, slice, flipY, twistY;
    int depthPhase1;
    int n;
    Phase1Depth phase1[capacity + 1];
    Phase2Depth* phase2Depths;
    // The phase-2 coordinates of the cube after the first i phase-1 moves, valid up to replayed.
    int corners[capacity + 1], FRtoBR[capacity + 1], parity[capacity + 1];
    int URtoUL[capacity + 1], UBtoDF[capacity + 1];
    int replayed;

    // Lists the phase-1 moves from the cube with these coordinates, allowed after a move on
    // previousAxis, whose bound leaves them a chance with remaining moves. The last move of a
    // phase-1 sequence must leave the subgroup's moves: a sequence ending in one of them was
    // handed to phase 2 a move earlier.
    void listPhase1(int depth, int previousAxis, int remaining, int flip0, int twist0, int slice0,
                    int flipY0, int twistY0) {
        Phase1Depth& list = phase1[depth];
        const short* flipRow = CoordCube::flipMove[flip0];
        const short* twistRow = CoordCube::twistMove[twist0];
        const unsigned short* sliceRow = CoordCube::sliceMove[slice0];
        const short* flipRowY = CoordCube::flipMove[flipY0];
        const short* twistRowY = CoordCube::twistMove[twistY0];
        // First the moves allowed and the slice tables' bounds of all of them, without a branch
        // between the reads, so that their misses overlap; then the other bounds for the moves
        // still open.
        int candidates = 0;
        for (int m = 0; m < 18; ++m) {
            if (CoordCube::forbiddenAfter(m / 3, previousAxis)) continue;
            if (remaining == 1 && keepsSubgroup(m)) continue;
            list.move[candidates++] = m;
        }
        int bound[18];
        for (int i = 0; i < candidates; ++i) {
            const int m = list.move[i];
            list.flip[i] = flipRow[m];
            list.twist[i] = twistRow[m];
            list.slice[i] = sliceRow[m];
            bound[i] = sliceBound(list.flip[i], list.twist[i], list.slice[i]);
        }
        int count = 0;
        for (int i = 0; i < candidates; ++i) {
            if (bound[i] >= remaining) continue;
            const int m = list.move[i], f = list.flip[i], t = list.twist[i], s = list.slice[i];
            // A cube in the subgroup with 1 to 4 moves left is not searched further: leaving it
            // and coming back in so few moves rarely gives a shorter answer.
            if (remaining > 1 && remaining <= 5 && f == 0 && t == 0 && s == 0) continue;
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
        list.next = 0;
    }

    // Follows the phase-1 moves not yet replayed on the phase-2 coordinates.
    void replay(int d) {
        for (int i = replayed; i < d; ++i) {
            const int m = moves[i];
            corners[i + 1] = CoordCube::URFtoDLF_Move[corners[i]][m];
            FRtoBR[i + 1] = CoordCube::FRtoBR_Move[FRtoBR[i]][m];
            parity[i + 1] = CoordCube::parityMove[parity[i]][m];
            URtoUL[i + 1] = CoordCube::URtoUL_Move[URtoUL[i]][m];
            UBtoDF[i + 1] = CoordCube::UBtoDF_Move[UBtoDF[i]][m];
        }
        replayed = d;
    }

    // Phase 2 after the d phase-1 moves: the fewest moves, at most most (and phase2MostMoves),
    // that solve the cube, written into moves from index d on; -1 when there are none.
    int phase2(int d, int most, long long& budget) {
        most = std::min(most, std::min(phase2MostMoves, capacity - d));
        if (most < 0) return -1;
        replay(d);
        // Sound tables always pass the range tests; they keep damaged ones inside the tables.
        if (FRtoBR[d] >= 24 || URtoUL[d] >= 336 || UBtoDF[d] >= 336) return -1;
        const int edges = CoordCube::MergeURtoULandUBtoDF[URtoUL[d]][UBtoDF[d]];
        if (edges < 0) return -1;
        const int bound = phase2Bound(corners[d], edges, FRtoBR[d], parity[d]);
        if (bound > most) return -1;
        if (bound == 0) return 0;
        const int firstAxis = d > 0 ? moves[d - 1] / 3 : -1;
        for (int depth = bound; depth <= most; ++depth) {
            int i = d;
            listPhase2(phase2Depths[d], firstAxis, depth, corners[d], edges, FRtoBR[d], parity[d]);
            for (;;) {
                Phase2Depth& here = phase2Depths[i];
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
                listPhase2(phase2Depths[i], here.move[k] / 3, d + depth - i, here.corners[k],
                           here.edges[k], here.FRtoBR[k], here.parity[k]);
            }
        }
        return -1;
    }

    static void listPhase2(Phase2Depth& list, int previousAxis, int remaining, int corners0,
                           int edges0, int FRtoBR0, int parity0) {
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
};

// Where a sticker sits: the cubie's place (x to R, y to U, z to F, each -1..1) and the direction
// its face looks in.
struct Sticker {
    int place[3];
    int normal[3];
};

Sticker stickerAt(int facelet) {
    const int face = facelet / 9, r = facelet % 9 / 3, c = facelet % 3;
    switch (face) {
        case 0:
            return {{c - 1, 1, r - 1}, {0, 1, 0}};  // U, B at its top
        case 1:
            return {{1, 1 - r, 1 - c}, {1, 0, 0}};  // R
        case 2:
            return {{c - 1, 1 - r, 1}, {0, 0, 1}};  // F
        case 3:
            return {{c - 1, -1, 1 - r}, {0, -1, 0}};  // D, F at its top
        case 4:
            return {{-1, 1 - r, c - 1}, {-1, 0, 0}};  // L
        default:
            return {{1 - c, 1 - r, -1}, {0, 0, -1}};  // B
    }
}

// The whole-cube turn about the URF-DBL diagonal that takes U to R, R to F and F to U.
void turn(const int v[3], int out[3]) {
    out[0] = v[1];
    out[1] = v[2];
    out[2] = v[0];
}

int faceOf(const int normal[3]) {
    for (int face = 0; face < 6; ++face) {
        const Sticker centre = stickerAt(9 * face + 4);
        if (std::equal(normal, normal + 3, centre.normal)) return face;
    }
    return -1;
}

// The facelets of the cube after that whole-cube turn, in the letters of the faces its centres
// then face: the same cube, seen with its R-L axis where its U-D axis was.
std::string turnedFacelets(const std::string& facelets) {
    static const char letters[] = "URFDLB";
    // Where each sticker goes, and which face each face becomes: worked out once.
    static int to[54], faceTo[6];
    static const bool ready = [] {
        for (int p = 0; p < 54; ++p) {
            const Sticker from = stickerAt(p);
            Sticker onto;
            turn(from.place, onto.place);
            turn(from.normal, onto.normal);
            for (int q = 0; q < 54; ++q) {
                const Sticker s = stickerAt(q);
                if (std::equal(s.place, s.place + 3, onto.place) &&
                    std::equal(s.normal, s.normal + 3, onto.normal)) {
                    to[p] = q;
                }
            }
        }
        for (int face = 0; face < 6; ++face) {
            int turnedNormal[3];
            turn(stickerAt(9 * face + 4).normal, turnedNormal);
            faceTo[face] = faceOf(turnedNormal);
        }
        return true;
    }();
    std::string result(54, ' ');
    for (int p = 0; ready && p < 54; ++p) {
        const int face = static_cast<int>(std::string(letters).find(facelets[p]));
        result[static_cast<std::size_t>(to[p])] = letters[faceTo[face]];
    }
    return result;
}

// The face a face of the turned cube was before the turn.
int faceBeforeTurn(int face) {
    for (int before = 0; before < 6; ++before) {
        int turnedNormal[3];
        turn(stickerAt(9 * before + 4).normal, turnedNormal);
        if (faceOf(turnedNormal) == face) return before;
    }
    return -1;
}

// One of the searches of a request: the cube turned about the URF-DBL diagonal 0, 1 or 2 times
// (its U-D, R-L or F-B axis made the up-down axis), maybe inverted, maybe after a first move
// (preMove, or -1), whose answers are one move longer; such a search trails the others by lag
// phase-1 lengths, so that it costs little on the cubes the others answer soon.
struct View {
    int turns;
    bool inverse;
    int preMove;
    int lag;
};

// The six views of the cube itself, and its six views after each of the 18 first moves, which
// find short answers where the six alone need long phase-1 sequences: with them the cube that
// took longest for --max-moves 20 among 2000 took 0.46 s instead of 2.5 s.
const int preMoveLag = 1;
// ... and they start only once the others search phase-1 sequences of this length: most cubes
// are answered before, and pay nothing for them.
const int preMoveFrom = 10;
std::vector<View> allViews() {
    std::vector<View> views;
    for (int preMove = -1; preMove < 18; ++preMove) {
        for (int v = 0; v < 6; ++v) {
            views.push_back({v / 2, v % 2 == 1, preMove, preMove < 0 ? 0 : preMoveLag});
        }
    }
    return views;
}

// The answer of one view as moves of the cube: each move's face taken back through the view's
// turns, for an inverse view the sequence inverted, the first move put in front. Two moves on
// one face in a row become one (or none); of two moves on opposite faces in a row, which
// commute, the one on U, R or F comes first, as in the searches' own answers.
std::string answerText(const ViewSearch& search, const View& view) {
    int moves[capacity + 2];
    int length = 0;
    if (view.preMove >= 0) moves[length++] = view.preMove;
    for (int i = 0; i < search.length; ++i) {
        const int m = search.moves[view.inverse ? search.length - 1 - i : i];
        int face = m / 3;
        for (int t = 0; t < view.turns; ++t) face = faceBeforeTurn(face);
        const int power = view.inverse ? 2 - m % 3 : m % 3;
        const int move = 3 * face + power;
        if (length > 0 && moves[length - 1] / 3 == face) {
            // Quarter turns add up: the powers 1..3 modulo 4.
            const int sum = (moves[length - 1] % 3 + 1 + power + 1) % 4;
            if (sum == 0) {
                --length;
            } else {
                moves[length - 1] = 3 * face + sum - 1;
            }
            continue;
        }
        moves[length++] = move;
    }
    for (int i = 0; i + 1 < length; ++i) {
        if (moves[i] / 3 == moves[i + 1] / 3 + 3) std::swap(moves[i], moves[i + 1]);
    }
    static const char* const faces[6] = {"U", "R", "F", "D", "L", "B"};
    static const char* const powers[3] = {" ", "2 ", "' "};
    std::string text;
    for (int i = 0; i < length; ++i) {
        text += std::string(faces[moves[i] / 3]) + powers[moves[i] % 3];
    }
    return text;
}

// The cube after move m (3 * axis + power - 1).
CubieCube turned(const CubieCube& cube, int m) {
    CubieCube after = cube;
    for (int p = 0; p <= m % 3; ++p) {
        after.cornerMultiply(CubieCube::moveCube[m / 3]);
        after.edgeMultiply(CubieCube::moveCube[m / 3]);
    }
    return after;
}

}  // namespace

namespace ShortSearch {

std::string solve(const CubieCube& cube, const CubieCube& target, const ShortSearchLimits& limits) {
    const long long start = millisNow(limits.processorTime);
    // cube * M = target exactly when (target^-1 * cube) * M is solved.
    CubieCube toSolve;
    target.invCubieCube(toSolve);
    toSolve.cornerMultiply(cube);
    toSolve.edgeMultiply(cube);

    const std::vector<View> views = allViews();
    const std::size_t count = views.size();
    std::unique_ptr<ViewSearch[]> searches(new ViewSearch[count]);
    std::unique_ptr<Phase2Depth[]> scratch(new Phase2Depth[capacity + 1]);
    for (std::size_t v = 0; v < count; ++v) {
        const View& view = views[v];
        std::string facelets =
            (view.preMove < 0 ? toSolve : turned(toSolve, view.preMove)).toFaceCube()->to_String();
        for (int t = 0; t < view.turns; ++t) facelets = turnedFacelets(facelets);
        const std::unique_ptr<CubieCube> seen = FaceCube(facelets).toCubieCube();
        CubieCube inverse;
        seen->invCubieCube(inverse);
        searches[v].start(view.inverse ? inverse : *seen, scratch.get());
    }

    int limit = std::min(limits.maxMoves, capacity);
    std::string best;
    bool answered = false;
    std::vector<bool> open(count, true);
    int mostPhase1 = 1;
    for (;;) {
        bool anyOpen = false, anyRunning = false;
        for (std::size_t v = 0; v < count; ++v) {
            if (!open[v] || (views[v].preMove >= 0 && mostPhase1 < preMoveFrom)) continue;
            long long budget = sliceNodes;
            const bool first = views[v].preMove >= 0;
            const ViewSearch::Result result =
                searches[v].run(budget, limit - first, mostPhase1 - views[v].lag);
            anyRunning = anyRunning || result == ViewSearch::running || result == ViewSearch::found;
            if (result == ViewSearch::found) {
                best = answerText(searches[v], views[v]);
                answered = true;
                if (!limits.shortest) return best;
                limit = static_cast<int>(std::count(best.begin(), best.end(), ' ')) - 1;
            }
            open[v] = result != ViewSearch::exhausted;
            anyOpen = anyOpen || open[v];
            // The clock after every slice: a round of all views can take milliseconds.
            if (millisNow(limits.processorTime) - start > limits.timeLimitMillis) {
                return answered ? best : "Error 8";
            }
        }
        if (!anyOpen) return answered ? best : "Error 7";
        // All views have tried every phase-1 sequence of this length: on to the next length.
        if (!anyRunning) ++mostPhase1;
    }
}

}  // namespace ShortSearch
