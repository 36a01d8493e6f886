#include "search/ShortSearch.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "search/Search.h"
#include "search/ViewSearch.h"

namespace {

// The phase-1 moves one view of the cube tries before the next view takes its turn.
const long long sliceNodes = 1000;

// Milliseconds on a monotonic clock, or of the calling thread's processor time.
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

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

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
// (preMove, or -1), whose answers are one move longer. A view searches the phase-1 lengths
// fewest to most; one after a first move trails the others by lag lengths.
struct View {
    int turns;
    bool inverse;
    int preMove;
    int lag;
    int fewest;
    int most;
};

// The phase-1 sequences of a view from this length on are searched by its 18 views after a first
// move instead, one move shorter each: the same sequences, but the searches of the first moves
// take turns rather than one after the other, which finds an answer sooner where the first moves
// that lead to one come late in the order (the cube that took longest for --max-moves 20 among
// 2000 took 0.46 s instead of 2.5 s). Most cubes are answered before.
const int preMoveFrom = 10;
const int preMoveLag = 1;
std::vector<View> allViews() {
    std::vector<View> views;
    for (int preMove = -1; preMove < 18; ++preMove) {
        for (int v = 0; v < 6; ++v) {
            if (preMove < 0) {
                views.push_back({v / 2, v % 2 == 1, preMove, 0, 1, preMoveFrom - 1});
            } else {
                views.push_back({v / 2, v % 2 == 1, preMove, preMoveLag, preMoveFrom - preMoveLag,
                                 ViewSearch::capacity});
            }
        }
    }
    return views;
}

// The answer of one view as moves of the cube: each move's face taken back through the view's
// turns, for an inverse view the sequence inverted, the first move put in front.
std::string answerText(const ViewSearch& search, const View& view) {
    std::vector<int> moves;
    if (view.preMove >= 0) moves.push_back(view.preMove);
    for (int i = 0; i < search.length; ++i) {
        const int m = search.moves[view.inverse ? search.length - 1 - i : i];
        int face = m / 3;
        for (int t = 0; t < view.turns; ++t) face = faceBeforeTurn(face);
        moves.push_back(3 * face + (view.inverse ? 2 - m % 3 : m % 3));
    }
    return ShortSearch::movesText(moves);
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

// What the threads of one request share: the views and whose turn it is, the best answer so far
// and the limit it sets, all under one mutex. A thread takes the view at the front of the queue,
// searches one slice of it without the lock and puts it back: at the end of the queue while it
// has more of the current phase-1 length to search, aside once it has tried all of it. When
// every view has been set aside, the next length begins.
//
// Without shortest, the answer is the one a single thread would find first, whatever the number
// of threads: one thread takes the slices of a length in rounds, each round in the order the views
// had at its start. So an answer waits until every slice before it in that order has been
// searched, and the slices after it are never searched.
class Race {
  public:
    Race(const std::vector<View>& views, std::unique_ptr<ViewSearch[]>& searches,
         const std::vector<bool>& distinct, const ShortSearchLimits& limits, int limit,
         long long timeLeft)
        : views(views), searches(searches), limits(limits), limit(limit), timeLeft(timeLeft) {
        for (std::size_t v = 0; v < views.size(); ++v) {
            if (!distinct[v]) continue;
            if (views[v].preMove < 0) {
                queue.push_back(static_cast<int>(v));
            } else {
                later.push_back(static_cast<int>(v));
            }
        }
        turns.resize(views.size());
        startRounds();
    }

    // Takes turns with the other threads until every view is exhausted, an answer ends the
    // search, or this thread has searched for timeLeft milliseconds.
    void work() {
        ViewSearch::Phase2Depth scratch[ViewSearch::capacity + 1];
        const long long start = millisNow(limits.processorTime);
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopped) {
            if (queue.empty()) {
                if (running == 0) {
                    nextLength();
                } else {
                    changed.wait(lock);
                }
                continue;
            }
            const int v = queue.front();
            queue.pop_front();
            const Turn turn = turns[v];
            ++turns[v].round;
            if (!limits.shortest && !beforeAnswer(turn)) continue;
            ++running;
            const int most = limit - (views[v].preMove >= 0);
            const int length = mostPhase1 - views[v].lag;
            lock.unlock();
            long long budget = sliceNodes;
            const ViewSearch::Result result = searches[v].run(budget, most, length, scratch);
            const std::string answer =
                result == ViewSearch::found ? answerText(searches[v], views[v]) : "";
            const bool late = millisNow(limits.processorTime) - start > timeLeft;
            lock.lock();
            --running;
            if (result == ViewSearch::found) record(answer, turn);
            if (result == ViewSearch::running || result == ViewSearch::found) queue.push_back(v);
            if (result == ViewSearch::waiting) waiting.push_back(v);
            if (late) stop(timeUp);
            changed.notify_all();
        }
    }

    // work, except that a thread that cannot get memory stops the race instead of the program;
    // the caller raises the failure once every thread has stopped (shortOfMemory).
    void workUnlessShort() {
        try {
            work();
        } catch (const std::bad_alloc&) {
            std::lock_guard<std::mutex> lock(mutex);
            memoryFailed = true;
            stop(none);
            changed.notify_all();
        }
    }

    bool shortOfMemory() const { return memoryFailed; }

    // The result once every thread has stopped working.
    std::string result() const {
        if (answered) return best;
        return end == timeUp ? "Error 8" : "Error 7";
    }

  private:
    enum End { none, exhaustedAll, answeredFirst, timeUp };

    // A view's slice within the current phase-1 length: its round, then its place in the queue.
    struct Turn {
        int round;
        int place;
        bool operator<(const Turn& other) const {
            return round != other.round ? round < other.round : place < other.place;
        }
    };

    const std::vector<View>& views;
    std::unique_ptr<ViewSearch[]>& searches;
    const ShortSearchLimits& limits;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<int> queue;
    std::vector<int> waiting;
    // The views after a first move, which join at phase-1 length preMoveFrom.
    std::vector<int> later;
    int running = 0;
    int mostPhase1 = 1;
    int limit;
    const long long timeLeft;
    std::vector<Turn> turns;
    std::string best;
    // Without shortest: the turn that found best.
    Turn answerTurn = {0, 0};
    bool answered = false;
    bool stopped = false;
    bool memoryFailed = false;
    End end = none;

    void stop(End why) {
        if (!stopped) end = why;
        stopped = true;
    }

    // Without shortest: a slice of this turn comes before the one that found the answer so far.
    bool beforeAnswer(Turn turn) const { return !answered || turn < answerTurn; }

    void record(const std::string& answer, Turn turn) {
        if (!limits.shortest) {
            if (!beforeAnswer(turn)) return;
            answerTurn = turn;
        } else {
            if (answered && moveCount(answer) >= moveCount(best)) return;
            limit = moveCount(answer) - 1;
            if (limits.onAnswer != nullptr) limits.onAnswer(limits.context, answer);
        }
        best = answer;
        answered = true;
    }

    // Every view has tried every phase-1 sequence of this length, or is exhausted; without
    // shortest, an answer found in it ends the search.
    void nextLength() {
        if (answered && !limits.shortest) {
            if (limits.onAnswer != nullptr) limits.onAnswer(limits.context, best);
            stop(answeredFirst);
            changed.notify_all();
            return;
        }
        if (waiting.empty() && (later.empty() || mostPhase1 >= preMoveFrom)) {
            stop(exhaustedAll);
            changed.notify_all();
            return;
        }
        ++mostPhase1;
        std::sort(waiting.begin(), waiting.end());
        if (mostPhase1 == preMoveFrom) waiting.insert(waiting.end(), later.begin(), later.end());
        queue.assign(waiting.begin(), waiting.end());
        waiting.clear();
        startRounds();
    }

    void startRounds() {
        for (std::size_t at = 0; at < queue.size(); ++at) {
            turns[static_cast<std::size_t>(queue[at])] = {0, static_cast<int>(at)};
        }
    }
};

void* runWorker(void* race) {
    static_cast<Race*>(race)->workUnlessShort();
    return nullptr;
}

// Some order of cubes, for the least of a cube's symmetric images.
bool before(const CubieCube& a, const CubieCube& b) {
    if (!std::equal(a.cp, a.cp + 8, b.cp))
        return std::lexicographical_compare(a.cp, a.cp + 8, b.cp, b.cp + 8);
    if (!std::equal(a.co, a.co + 8, b.co))
        return std::lexicographical_compare(a.co, a.co + 8, b.co, b.co + 8);
    if (!std::equal(a.ep, a.ep + 12, b.ep))
        return std::lexicographical_compare(a.ep, a.ep + 12, b.ep, b.ep + 12);
    return std::lexicographical_compare(a.eo, a.eo + 12, b.eo, b.eo + 12);
}

// The cube a view searches, and what its symmetries spare.
struct ViewCube {
    CubieCube cube;
    // The least of the cube's images under the symmetries that keep the U-D axis: two views with
    // the same one search alike, their answers as long (or, after a first move, one move longer).
    CubieCube image;
    // The symmetries that leave the cube as it is (bit s for symmetry s).
    int stabilizer;
    // False for a view that an earlier view's search stands for.
    bool distinct;
};

std::vector<ViewCube> viewCubes(const CubieCube& cube, const std::vector<View>& views) {
    std::vector<ViewCube> cubes;
    for (const View& view : views) {
        std::string facelets =
            (view.preMove < 0 ? cube : turned(cube, view.preMove)).toFaceCube()->to_String();
        for (int t = 0; t < view.turns; ++t) facelets = turnedFacelets(facelets);
        const std::unique_ptr<CubieCube> seen = FaceCube(facelets).toCubieCube();
        ViewCube v;
        if (view.inverse) {
            seen->invCubieCube(v.cube);
        } else {
            v.cube = *seen;
        }
        v.image = v.cube;
        v.stabilizer = 0;
        for (int s = 0; s < CubieCube::udSymmetries; ++s) {
            const CubieCube image = v.cube.seenUnder(s);
            if (image == v.cube) v.stabilizer |= 1 << s;
            if (before(image, v.image)) v.image = image;
        }
        v.distinct = true;
        for (const ViewCube& u : cubes) v.distinct = v.distinct && !(u.image == v.image);
        cubes.push_back(v);
    }
    return cubes;
}

}  // namespace

namespace ShortSearch {

std::string movesText(const std::vector<int>& moves) {
    std::vector<int> kept;
    for (int move : moves) {
        const int face = move / 3;
        // The move joins the last one on its face when at most a move on the opposite face,
        // which commutes with both, stands between them.
        std::size_t at = kept.size();
        if (at > 0 && kept[at - 1] / 3 == (face + 3) % 6) --at;
        if (at == 0 || kept[at - 1] / 3 != face) {
            kept.push_back(move);
            continue;
        }
        // Quarter turns add up: the powers 1..3 modulo 4.
        const int sum = (kept[at - 1] % 3 + 1 + move % 3 + 1) % 4;
        if (sum == 0) {
            kept.erase(kept.begin() + static_cast<long>(at) - 1);
        } else {
            kept[at - 1] = 3 * face + sum - 1;
        }
    }
    for (std::size_t i = 0; i + 1 < kept.size(); ++i) {
        if (kept[i] / 3 == kept[i + 1] / 3 + 3) std::swap(kept[i], kept[i + 1]);
    }
    static const char* const faces[6] = {"U", "R", "F", "D", "L", "B"};
    static const char* const powers[3] = {" ", "2 ", "' "};
    std::string text;
    for (int m : kept) text += std::string(faces[m / 3]) + powers[m % 3];
    return text;
}

int availableThreads() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::max(1, std::min(CPU_COUNT(&set), maxThreads));
}

std::string solve(const CubieCube& cube, const CubieCube& target, const ShortSearchLimits& limits) {
    const long long start = millisNow(limits.processorTime);
    // cube * M = target exactly when (target^-1 * cube) * M is solved.
    CubieCube toSolve;
    target.invCubieCube(toSolve);
    toSolve.cornerMultiply(cube);
    toSolve.edgeMultiply(cube);
    if (toSolve == CubieCube()) return "";

    // The answer without options first: no option makes an answer longer than it, when it is
    // short enough and comes in time.
    int limit = std::min(limits.maxMoves, ViewSearch::capacity);
    // (Its own clock is the time that passes: a measurement in processor time lets it finish.)
    const std::string first = Search::firstAnswer(
        toSolve, limits.processorTime ? std::numeric_limits<int>::max() : limits.timeLimitMillis);
    if (first == "Error 8") return first;
    const bool firstFits = first.rfind("Error", 0) != 0 && moveCount(first) <= limit;
    if (firstFits) {
        if (limits.onAnswer != nullptr) limits.onAnswer(limits.context, first);
        if (!limits.shortest) return first;
        limit = moveCount(first) - 1;
    }

    const std::vector<View> views = allViews();
    const std::vector<ViewCube> cubes = viewCubes(toSolve, views);
    std::vector<bool> distinct;
    std::unique_ptr<ViewSearch[]> searches(new ViewSearch[views.size()]);
    for (std::size_t v = 0; v < views.size(); ++v) {
        distinct.push_back(cubes[v].distinct);
        if (cubes[v].distinct) {
            searches[v].start(cubes[v].cube, cubes[v].stabilizer, views[v].fewest, views[v].most);
        }
    }
    const long long timeLeft = limits.timeLimitMillis - (millisNow(limits.processorTime) - start);
    Race race(views, searches, distinct, limits, limit, timeLeft);
    std::vector<pthread_t> threads;
    // Reserved first: a thread made must be joined, so no allocation may fail after it starts.
    threads.reserve(static_cast<std::size_t>(limits.threads));
    for (int t = 1; t < limits.threads; ++t) {
        pthread_t thread;
        // A thread that cannot be made leaves its share to the others.
        if (pthread_create(&thread, nullptr, runWorker, &race) == 0) threads.push_back(thread);
    }
    race.workUnlessShort();
    for (pthread_t thread : threads) pthread_join(thread, nullptr);
    if (race.shortOfMemory()) throw std::bad_alloc();
    const std::string found = race.result();
    return firstFits && found.rfind("Error", 0) == 0 ? first : found;
}

}  // namespace ShortSearch
