#include "requests/ColourResolution.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/TP.h"
#include "cube/Tools.h"

using namespace TP;

namespace {

const int stickers = StickerReadings::stickers;
const int colours = 6;
const int channels = StickerReadings::channels;
// Resolutions before the last: each re-estimates the colours' means and the scan's spreads from
// the cube it resolved.
const int refinements = 3;
// The runners-up are searched for under the best cube's colours' means, up to this much worse
// (-2 log of the likelihood ratio), and then judged with their own means, which favours them: a
// runner-up 20 worse so (a probability of 5e-5) can be up to about 50 worse under the best's means
// at a spread of 20 %. A margin of 20 left out runners-up that mattered (measured with
// tools/resolution-rates --calibration: wrong cubes with confidences above 0.9999).
const double negligibleMisfit = 50;
// How often the runners-up are searched for, each time around a runner-up that fits better with
// its own colours' means than the best before it (bounded for the time). A search whose last round
// still finds a better cube has not settled: the runners-up of its best were never searched for,
// and its confidence says nothing (at 20 % / 20 % with at most 2 rounds, 4 % of the scans, some of
// them answered wrongly with confidences above 0.99).
const int climbs = 4;
// A sticker whose reading is darker than this share of its colour's mean is covered.
const double coveredBrightness = 0.25;
// How much a runner-up's misfit, judged with its own colours' means, varies over scans beyond what
// a likelihood ratio with known means would: about this much per sticker on which it differs from
// the best cube (see calibratedMisfit). Fitted on simulated scans of both models (seeds 7, 11, 13,
// 101, 102 and 103 of tools/resolution-rates, 24,000 scans a level) so that at 15 % / 15 %, where
// the threshold binds, the confidences of at least 0.99 predict as many wrong cubes as there are.
const double excessVariancePerSticker = 4;

// ---- The model of a scan ----------------------------------------------------------------------

// A reading of a sticker of colour k is the colour's mean m (three channels) times a brightness
// factor of the sticker, 1 + b with b ~ N(0, s²) (the light, its place under the sensor), plus
// noise on each channel ~ N(0, n²·m_c² + a²): in proportion to the channel, with a floor a
// (rounding, the sensor's dark counts). So it is normal about m with the covariance
// s²·m mᵀ + diag(n²·m_c² + a²), which the spreads s, n and a of the scan, and the colours' means,
// are estimated for.
struct Spread {
    double brightness, noise, floor;
};

struct Colours {
    double mean[colours][channels];
};

// A reading at the largest value of the scan, where it occurs more than once, is saturated (a
// camera's 255): it says only that the channel is at least that.
struct Scan {
    const StickerReadings& readings;
    double top;
    int present[stickers];  // the channels not saturated, as a bit mask
    int masks;              // the masks of present channels that occur, as a bit mask
};

Scan scanOf(const StickerReadings& readings) {
    Scan scan{readings, 0, {}, 0};
    int atTop = 0;
    for (const auto& reading : readings.rgb) {
        for (double v : reading) {
            if (v > scan.top) scan.top = v, atTop = 0;
            if (v == scan.top) ++atTop;
        }
    }
    for (int p = 0; p < stickers; ++p) {
        scan.present[p] = 0;
        for (int c = 0; c < channels; ++c) {
            if (atTop < 2 || readings.rgb[p][c] < scan.top) scan.present[p] |= 1 << c;
        }
        scan.masks |= 1 << scan.present[p];
    }
    return scan;
}

// The law of the readings of one colour on the channels of a mask: the Cholesky factor of their
// covariance (lower triangle), its log determinant, and each channel's own spread.
struct ChannelLaw {
    int channel[channels], count;
    double factor[channels][channels], logDeterminant;
};

struct ColourLaw {
    double mean[channels], deviation[channels];
    ChannelLaw masked[1 << channels];
};

ChannelLaw channelLaw(const double (&covariance)[channels][channels], int mask) {
    ChannelLaw law{};
    for (int c = 0; c < channels; ++c) {
        if (mask & (1 << c)) law.channel[law.count++] = c;
    }
    for (int i = 0; i < law.count; ++i) {
        for (int j = 0; j <= i; ++j) {
            double sum = covariance[law.channel[i]][law.channel[j]];
            for (int k = 0; k < j; ++k) sum -= law.factor[i][k] * law.factor[j][k];
            law.factor[i][j] = i == j ? std::sqrt(std::max(sum, 1e-300)) : sum / law.factor[j][j];
        }
        law.logDeterminant += 2 * std::log(law.factor[i][i]);
    }
    return law;
}

struct Laws {
    ColourLaw colour[colours];
};

Laws lawsOf(const Scan& scan, const Colours& colours_, const Spread& spread) {
    Laws laws;
    for (int k = 0; k < colours; ++k) {
        const double* m = colours_.mean[k];
        double covariance[channels][channels];
        for (int c = 0; c < channels; ++c) {
            for (int d = 0; d < channels; ++d) {
                covariance[c][d] = spread.brightness * spread.brightness * m[c] * m[d];
            }
            covariance[c][c] +=
                spread.noise * spread.noise * m[c] * m[c] + spread.floor * spread.floor;
            laws.colour[k].mean[c] = m[c];
            laws.colour[k].deviation[c] = std::sqrt(covariance[c][c]);
        }
        for (int mask = 0; mask < (1 << channels); ++mask) {
            if (scan.masks & (1 << mask))
                laws.colour[k].masked[mask] = channelLaw(covariance, mask);
        }
    }
    return laws;
}

// The squared distance of a reading from a colour under its law, in units of the noise: over the
// channels present, and for each saturated channel -2 log of the chance that it reaches the top.
double distanceSquared(const Scan& scan, int p, const ColourLaw& law) {
    const ChannelLaw& masked = law.masked[scan.present[p]];
    double sum = 0, solved[channels];
    for (int i = 0; i < masked.count; ++i) {
        const int c = masked.channel[i];
        double x = scan.readings.rgb[p][c] - law.mean[c];
        for (int k = 0; k < i; ++k) x -= masked.factor[i][k] * solved[k];
        solved[i] = x / masked.factor[i][i];
        sum += solved[i] * solved[i];
    }
    for (int c = 0; c < channels; ++c) {
        if (scan.present[p] & (1 << c)) continue;
        const double z = (law.mean[c] - scan.top) / law.deviation[c];
        sum -= 2 * std::log(std::max(0.5 * std::erfc(-z / std::sqrt(2.0)), 1e-300));
    }
    return sum;
}

// -2 log of the density of a reading under a colour, less what is the same for every colour.
double fitTerm(const Scan& scan, int p, const ColourLaw& law) {
    return distanceSquared(scan, p, law) + law.masked[scan.present[p]].logDeterminant;
}

// The fit term of every sticker under every colour.
struct StickerFits {
    double term[stickers][colours];
};

StickerFits stickerFits(const Scan& scan, const Laws& laws) {
    StickerFits fits;
    for (int p = 0; p < stickers; ++p) {
        for (int k = 0; k < colours; ++k) fits.term[p][k] = fitTerm(scan, p, laws.colour[k]);
    }
    return fits;
}

// ---- The best assignments of pieces -----------------------------------------------------------

// One of the best ways to reach a state of the dynamic programme below: its summed fit, and how
// it was reached: the rank of the way into the previous state, and the cubie and orientation
// placed last.
struct Way {
    float fit;
    std::uint8_t rank, cubie, orientation;
};

// Whole pieces of one kind (Pieces corners or edges, each with Size stickers and as many
// orientations) placed position by position, keeping the kept best ways into each state: the set
// of cubies used, the sum of their orientations and the parity of their permutation. The parity
// change of placing cubie j after the cubies used is the number of used cubies greater than j.
// A way whose fit, with the least fit the remaining positions can add, exceeds the limit is
// dropped: every complete assignment within the limit is still found.
template <int Pieces, int Size>
class PiecePlacement {
  public:
    // fit[position][cubie][orientation]: the summed fit terms of the stickers that cubie shows at
    // that position so turned.
    PiecePlacement(const double (&fit)[Pieces][Pieces][Size], int keep, double limit)
        : keep_(keep), ways_(new Way[std::size_t(states) * keep]), counts_(states, 0) {
        double least[Pieces + 1] = {};
        for (int position = Pieces - 1; position >= 0; --position) {
            least[position] = least[position + 1] + leastFit(fit[position]);
        }
        counts_[0] = 1;
        ways_[0] = {0, 0, 0, 0};
        for (int mask = 0; mask < (1 << Pieces) - 1; ++mask) extend(mask, fit, least, limit);
    }

    // The least fit a position can add, whichever cubie sits there.
    static double leastFit(const double (&fit)[Pieces][Size]) {
        double least = fit[0][0];
        for (const auto& cubie : fit)
            least = std::min(least, *std::min_element(cubie, cubie + Size));
        return least;
    }

    // The number of complete assignments kept with orientations summing to 0 and this parity.
    int found(int parity) const { return counts_[state((1 << Pieces) - 1, 0, parity)]; }
    double fit(int parity, int rank) const {
        return ways_[std::size_t(state((1 << Pieces) - 1, 0, parity)) * keep_ + rank].fit;
    }

    // The cubie and orientation at each position of a complete assignment.
    void assignment(int parity, int rank, int (&cubie)[Pieces], int (&orientation)[Pieces]) const {
        int mask = (1 << Pieces) - 1, sum = 0;
        for (int position = Pieces - 1; position >= 0; --position) {
            const Way& way = ways_[std::size_t(state(mask, sum, parity)) * keep_ + rank];
            cubie[position] = way.cubie;
            orientation[position] = way.orientation;
            mask &= ~(1 << way.cubie);
            sum = (sum - way.orientation + Size) % Size;
            parity ^= parityChange(mask, way.cubie);
            rank = way.rank;
        }
    }

  private:
    static const int states = (1 << Pieces) * Size * 2;
    int keep_;
    std::unique_ptr<Way[]> ways_;
    std::vector<std::uint8_t> counts_;

    static int state(int mask, int sum, int parity) { return (mask * Size + sum) * 2 + parity; }
    static int parityChange(int usedMask, int cubie) {
        return bitCount(usedMask >> (cubie + 1)) & 1;
    }
    static int bitCount(int mask) {
        int count = 0;
        for (; mask; mask &= mask - 1) ++count;
        return count;
    }

    // Adds a way into a state's list, which stays sorted and at most keep_ long.
    void offer(int target, float fit, int rank, int cubie, int orientation) {
        Way* list = &ways_[std::size_t(target) * keep_];
        std::uint8_t& count = counts_[target];
        if (count == keep_ && fit >= list[count - 1].fit) return;
        int at = count < keep_ ? count++ : count - 1;
        while (at > 0 && list[at - 1].fit > fit) {
            list[at] = list[at - 1];
            --at;
        }
        list[at] = {fit, static_cast<std::uint8_t>(rank), static_cast<std::uint8_t>(cubie),
                    static_cast<std::uint8_t>(orientation)};
    }

    void extend(int mask, const double (&fit)[Pieces][Pieces][Size], const double* least,
                double limit) {
        const int position = bitCount(mask);
        const bool last = position == Pieces - 1;
        for (int sum = 0; sum < Size; ++sum) {
            for (int parity = 0; parity < 2; ++parity) {
                const int from = state(mask, sum, parity);
                const int n = counts_[from];
                if (n == 0) continue;
                const Way* list = &ways_[std::size_t(from) * keep_];
                for (int cubie = 0; cubie < Pieces; ++cubie) {
                    if (mask & (1 << cubie)) continue;
                    const int next = mask | (1 << cubie);
                    const int nextParity = parity ^ parityChange(mask, cubie);
                    for (int o = 0; o < Size; ++o) {
                        const int nextSum = (sum + o) % Size;
                        // The last piece's orientation is fixed by the law of its kind.
                        if (last && nextSum != 0) continue;
                        const double add = fit[position][cubie][o];
                        if (list[0].fit + add + least[position + 1] > limit) continue;
                        const int target = state(next, nextSum, nextParity);
                        for (int rank = 0; rank < n; ++rank) {
                            const float total = static_cast<float>(list[rank].fit + add);
                            if (total + least[position + 1] > limit) break;
                            if (counts_[target] == keep_ &&
                                total >= ways_[std::size_t(target) * keep_ + keep_ - 1].fit)
                                break;
                            offer(target, total, rank, cubie, o);
                        }
                    }
                }
            }
        }
    }
};

// ---- The cube ---------------------------------------------------------------------------------

// The summed fit terms of each cubie at each position in each orientation: the facelet
// facelets[position][(n + orientation) % Size] shows the colour colour[cubie][n].
template <int Pieces, int Size>
void pieceFits(const StickerFits& fits, const Facelet (&facelets)[Pieces][Size],
               const Color (&colour)[Pieces][Size], double (&fit)[Pieces][Pieces][Size]) {
    for (int position = 0; position < Pieces; ++position) {
        for (int cubie = 0; cubie < Pieces; ++cubie) {
            for (int o = 0; o < Size; ++o) {
                double sum = 0;
                for (int n = 0; n < Size; ++n) {
                    sum += fits.term[facelets[position][(n + o) % Size]][colour[cubie][n]];
                }
                fit[position][cubie][o] = sum;
            }
        }
    }
}

struct Candidate {
    double fit;
    int parity, cornerRank, edgeRank;
};

// The best whole cubes, at most keep: corners and edges of equal parity joined.
std::vector<Candidate> bestCubes(const PiecePlacement<8, 3>& corners,
                                 const PiecePlacement<12, 2>& edges, int keep) {
    std::vector<Candidate> all;
    for (int parity = 0; parity < 2; ++parity) {
        for (int c = 0; c < corners.found(parity); ++c) {
            for (int e = 0; e < edges.found(parity); ++e) {
                all.push_back({corners.fit(parity, c) + edges.fit(parity, e), parity, c, e});
            }
        }
    }
    std::sort(all.begin(), all.end(),
              [](const Candidate& a, const Candidate& b) { return a.fit < b.fit; });
    if (static_cast<int>(all.size()) > keep) all.resize(keep);
    return all;
}

std::string faceletsOf(const PiecePlacement<8, 3>& corners, const PiecePlacement<12, 2>& edges,
                       const Candidate& candidate) {
    int cp[8], co[8], ep[12], eo[12];
    corners.assignment(candidate.parity, candidate.cornerRank, cp, co);
    edges.assignment(candidate.parity, candidate.edgeRank, ep, eo);
    CubieCube cube;
    for (int i = 0; i < 8; ++i) {
        cube.cp[i] = static_cast<Corner>(cp[i]);
        cube.co[i] = static_cast<unsigned char>(co[i]);
    }
    for (int i = 0; i < 12; ++i) {
        cube.ep[i] = static_cast<Edge>(ep[i]);
        cube.eo[i] = static_cast<unsigned char>(eo[i]);
    }
    return cube.toFaceCube()->to_String();
}

int colourOf(char letter) {
    switch (letter) {
        case 'U':
            return U;
        case 'R':
            return R;
        case 'F':
            return F;
        case 'D':
            return D;
        case 'L':
            return L;
        default:
            return B;
    }
}

// The summed fit terms of a cube's stickers.
double fitOf(const StickerFits& fits, const std::string& facelets) {
    double sum = 0;
    for (int p = 0; p < stickers; ++p) sum += fits.term[p][colourOf(facelets[p])];
    return sum;
}

// The best cubes for the fits, as facelets with their summed fit terms, the best first: all those
// within margin of the best, at most keep. A search drops what lies beyond a limit: the fit of a
// cube known to be real plus the margin, or without one, a limit raised until the best cube and
// its margin lie within it.
std::vector<std::pair<std::string, double>> likeliestCubes(StickerFits fits, int keep,
                                                           double margin,
                                                           const std::string& known) {
    // Each sticker's terms less the least of them: every cube's fit moves by the same amount, and
    // the least fit that the remaining positions can add, which prunes the search, comes closer to
    // what they do add.
    for (auto& terms : fits.term) {
        const double least = *std::min_element(terms, terms + colours);
        for (double& term : terms) term -= least;
    }
    double cornerFit[8][8][3], edgeFit[12][12][2];
    pieceFits(fits, FaceCube::cornerFacelet, FaceCube::cornerColor, cornerFit);
    pieceFits(fits, FaceCube::edgeFacelet, FaceCube::edgeColor, edgeFit);
    double cornerLeast = 0, edgeLeast = 0;
    for (const auto& position : cornerFit) cornerLeast += PiecePlacement<8, 3>::leastFit(position);
    for (const auto& position : edgeFit) edgeLeast += PiecePlacement<12, 2>::leastFit(position);
    double limit = known.empty() ? cornerLeast + edgeLeast + 2 * margin + 20
                                 : fitOf(fits, known) + margin + 1e-3;
    for (;; limit += 4 * (limit - cornerLeast - edgeLeast)) {
        const PiecePlacement<8, 3> corners(cornerFit, keep, limit - edgeLeast);
        const PiecePlacement<12, 2> edges(edgeFit, keep, limit - cornerLeast);
        const std::vector<Candidate> best = bestCubes(corners, edges, keep);
        if ((best.empty() || best[0].fit + margin > limit) && std::isfinite(limit)) continue;
        std::vector<std::pair<std::string, double>> cubes;
        for (const Candidate& candidate : best) {
            cubes.emplace_back(faceletsOf(corners, edges, candidate), candidate.fit);
        }
        return cubes;
    }
}

// The colours' means: each centre's reading at first, then the mean of the nine stickers
// resolved to each colour.
Colours coloursOf(const Scan& scan, const std::string& facelets) {
    Colours result{};
    int count[colours] = {};
    for (int p = 0; p < stickers; ++p) {
        const int k = facelets.empty() ? (p % 9 == 4 ? p / 9 : -1) : colourOf(facelets[p]);
        if (k < 0) continue;
        ++count[k];
        for (int c = 0; c < channels; ++c) result.mean[k][c] += scan.readings.rgb[p][c];
    }
    for (int k = 0; k < colours; ++k) {
        for (int c = 0; c < channels; ++c) result.mean[k][c] /= std::max(count[k], 1);
    }
    return result;
}

// A sticker far darker than its colour: covered, where the normal law of brightness would still
// give it some chance.
bool covered(const Scan& scan, int p, const double (&mean)[channels]) {
    double reading = 0, colour = 0;
    for (int c = 0; c < channels; ++c) {
        reading += scan.readings.rgb[p][c];
        colour += mean[c];
    }
    return reading < coveredBrightness * colour;
}

// -2 log of the likelihood of the stickers of a cube that fit their colours, for spreads.
double spreadMisfit(const Scan& scan, const Colours& colours_, const std::string& facelets,
                    const std::vector<int>& fitting, const Spread& spread) {
    const Laws laws = lawsOf(scan, colours_, spread);
    double sum = 0;
    for (int p : fitting) sum += fitTerm(scan, p, laws.colour[colourOf(facelets[p])]);
    return sum;
}

// The spreads of brightness and noise from the stickers' readings relative to their colours'
// means: what all three channels share is brightness, the rest noise. A first estimate, which
// takes no floor.
Spread relativeSpread(const Scan& scan, const Colours& colours_, const std::string& facelets,
                      const std::vector<int>& fitting, double floor) {
    double hue = 0, brightness = 0;
    for (int p : fitting) {
        const double* m = colours_.mean[colourOf(facelets[p])];
        double e[channels], along = 0;
        for (int c = 0; c < channels; ++c)
            along += e[c] = scan.readings.rgb[p][c] / std::max(m[c], 1e-9) - 1;
        along /= channels;
        for (double x : e) hue += (x - along) * (x - along);
        brightness += along * along;
    }
    const double samples = std::max<double>(fitting.size(), 1);
    const double noise2 = hue / (2 * samples);
    const double brightness2 = brightness / samples - noise2 / channels;
    return {std::sqrt(std::max(brightness2, 0.0)), std::sqrt(noise2), floor};
}

// The scan's spreads that make the stickers of a resolved cube likeliest, by a search in steps
// that shrink from the first estimate (or that estimate alone, when search is false: while the
// cube is still far from resolved), leaving out the stickers that fit their colour far worse than
// the rest (a covered sticker would otherwise hide itself).
Spread spreadOf(const Scan& scan, const Colours& colours_, const std::string& facelets,
                const Spread& previous, bool search) {
    const Laws laws = lawsOf(scan, colours_, previous);
    std::vector<int> fitting;
    for (int p = 0; p < stickers; ++p) {
        const ColourLaw& law = laws.colour[colourOf(facelets[p])];
        const double limit = ColourResolution::unfitDistance * ColourResolution::unfitDistance;
        if (distanceSquared(scan, p, law) <= limit && !covered(scan, p, law.mean)) {
            fitting.push_back(p);
        }
    }
    const double least[3] = {0.005, 0.005, 1e-3 * scan.top + 1e-9};
    const Spread first = relativeSpread(scan, colours_, facelets, fitting, previous.floor);
    double x[3] = {first.brightness, first.noise, first.floor};
    for (int i = 0; i < 3; ++i) x[i] = std::max(x[i], least[i]);
    double misfit = spreadMisfit(scan, colours_, facelets, fitting, {x[0], x[1], x[2]});
    for (double step = 1.2; search && step > 1.02; step = std::sqrt(step)) {
        for (bool better = true; better;) {
            better = false;
            for (int i = 0; i < 3; ++i) {
                for (double factor : {step, 1 / step}) {
                    double y[3] = {x[0], x[1], x[2]};
                    y[i] = std::max(y[i] * factor, least[i]);
                    const double m =
                        spreadMisfit(scan, colours_, facelets, fitting, {y[0], y[1], y[2]});
                    if (m < misfit) {
                        misfit = m, std::copy(y, y + 3, x), better = true;
                        break;
                    }
                }
            }
        }
    }
    // Each colour's mean is taken from its nine stickers, which leaves 8 of 9 of the variance.
    const double widen = std::sqrt(9.0 / 8.0);
    return {x[0] * widen, x[1] * widen, x[2] * widen};
}

// The summed fit terms of a cube's stickers against the means of its own colours: -2 log of its
// likelihood with the colours' means left free (each colour has nine stickers on every cube).
double ownMisfit(const Scan& scan, const std::string& facelets, const Spread& spread) {
    const Laws laws = lawsOf(scan, coloursOf(scan, facelets), spread);
    double sum = 0;
    for (int p = 0; p < stickers; ++p) sum += fitTerm(scan, p, laws.colour[colourOf(facelets[p])]);
    return sum;
}

// ---- Runners-up that the search does not reach -------------------------------------------------

using ColourMap = std::array<int, colours>;

// The colours U R F D L B as each of the 23 turns of the whole cube other than none exchanges them:
// the closure of a quarter turn about the U-D axis and one about the R-L axis.
std::vector<ColourMap> wholeCubeTurns() {
    const ColourMap none{U, R, F, D, L, B};
    const ColourMap generators[] = {{U, F, L, D, B, R}, {F, R, D, B, L, U}};
    std::vector<ColourMap> turns{none};
    for (std::size_t i = 0; i < turns.size(); ++i) {
        for (const ColourMap& g : generators) {
            ColourMap next;
            for (int k = 0; k < colours; ++k) next[k] = g[turns[i][k]];
            if (std::find(turns.begin(), turns.end(), next) == turns.end()) turns.push_back(next);
        }
    }
    turns.erase(turns.begin());
    return turns;
}

// A cube's stickers with their colours exchanged as a turn of the whole cube exchanges them, the
// centres kept: a real cube or not.
std::string recoloured(const std::string& facelets, const ColourMap& turn) {
    const char letters[] = "URFDLB";
    std::string cube = facelets;
    for (int p = 0; p < stickers; ++p) {
        if (p % 9 != 4) cube[p] = letters[turn[colourOf(facelets[p])]];
    }
    return cube;
}

const std::vector<ColourMap>& turns() {
    static const std::vector<ColourMap> all = wholeCubeTurns();
    return all;
}

// The best cube's recolourings worth judging as runners-up. When two pairs of colours are each
// hard to tell apart (red and orange, green and blue, at large spreads), a recolouring can fit
// the readings, with its own colours' means, about as well as the best, yet it differs on some 32
// stickers and lies far beyond the search's margin under the best's means. Judged with its own
// means, its misfit is about 8/9 of what its centres add under the best's fits (each centre among
// the stickers of the colour the turn brings to its face): those that add more than twice the
// search's margin are left out.
std::vector<std::string> likelyRecolourings(const std::string& best, const StickerFits& fits) {
    std::vector<std::string> cubes;
    for (const ColourMap& turn : turns()) {
        double centres = 0;
        for (int k = 0; k < colours; ++k) {
            const int centre = 9 * turn[k] + 4;
            centres += fits.term[centre][k] - fits.term[centre][turn[k]];
        }
        if (centres * 8 / 9 > 2 * negligibleMisfit) continue;
        const std::string cube = recoloured(best, turn);
        if (Tools::verify(cube) == 0) cubes.push_back(cube);
    }
    return cubes;
}

// ---- The confidence ----------------------------------------------------------------------------

// -2 log of a runner-up's probability against the best's, from its misfit judged with its own
// means. With known means, the misfit of a runner-up would be -2 log of a likelihood ratio, whose
// variance over scans is 4 times its mean m. With the means taken from the nine stickers of each
// colour it is roughly the product of how far the changed stickers lie from the best's colours and
// how far apart the colours' means lie, as estimated from the other stickers; the error of that
// estimate adds to its variance, about excessVariancePerSticker for each sticker changed. A normal
// misfit with mean m and variance 4m + e·n says m / (m + e·n/4) times as much as its face value:
// much less when the colours lie close for the spread (m small), little less when they lie apart.
double calibratedMisfit(double misfit, double noiseFree, int changed) {
    const double m = std::max(noiseFree, 0.0);
    const double excess = excessVariancePerSticker * changed / 4;
    return m + excess > 0 ? misfit * m / (m + excess) : misfit;
}

int changedStickers(const std::string& a, const std::string& b) {
    int changed = 0;
    for (int p = 0; p < stickers; ++p) changed += a[p] != b[p];
    return changed;
}

// The calibrated misfit of each candidate against the first, the best (0 for the best), from their
// misfits judged with their own means. The mean of a runner-up's misfit over the scans of which the
// best is the truth is the misfit it has when every sticker reads exactly the mean of its colour
// under the best.
std::vector<double> calibratedMisfits(const Scan& scan, const Spread& spread,
                                      const std::vector<std::pair<std::string, double>>& cubes) {
    const std::string& best = cubes[0].first;
    const Colours means = coloursOf(scan, best);
    StickerReadings exact;
    for (int p = 0; p < stickers; ++p) {
        const double* mean = means.mean[colourOf(best[p])];
        std::copy(mean, mean + channels, exact.rgb[p].begin());
    }
    Scan exactScan{exact, scan.top, {}, 1 << 7};
    std::fill(exactScan.present, exactScan.present + stickers, 7);
    const double bestMean = ownMisfit(exactScan, best, spread);
    std::vector<double> misfits{0};
    for (std::size_t i = 1; i < cubes.size(); ++i) {
        const std::string& other = cubes[i].first;
        const double mean = ownMisfit(exactScan, other, spread) - bestMean;
        misfits.push_back(calibratedMisfit(cubes[i].second - cubes[0].second, mean,
                                           changedStickers(best, other)));
    }
    return misfits;
}

// The candidates judged with their own means, the best first, with the spreads they were judged
// with, and whether the search settled.
struct Judged {
    std::vector<std::pair<std::string, double>> cubes;
    Spread spread;
    bool settled;
};

// The runners-up under the means of the best cube and its recolourings, each judged by its own
// means: a runner-up that fits better so is taken as the best, and its runners-up are looked at in
// turn, at most climbs times in all.
Judged judgedCandidates(const Scan& scan, std::string facelets, Spread spread) {
    Judged judged{{}, spread, false};
    Colours colours_ = coloursOf(scan, facelets);
    std::vector<std::pair<std::string, double>>& cubes = judged.cubes;
    for (int climb = 0; climb < climbs; ++climb) {
        const StickerFits fits = stickerFits(scan, lawsOf(scan, colours_, judged.spread));
        cubes = likeliestCubes(fits, ColourResolution::kept, negligibleMisfit, facelets);
        for (const std::string& other : likelyRecolourings(facelets, fits)) {
            const auto same = [&](const auto& cube) { return cube.first == other; };
            if (std::none_of(cubes.begin(), cubes.end(), same)) cubes.emplace_back(other, 0);
        }
        for (auto& cube : cubes) cube.second = ownMisfit(scan, cube.first, judged.spread);
        const auto best =
            std::min_element(cubes.begin(), cubes.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        judged.settled = best == cubes.begin();
        if (judged.settled || climb == climbs - 1) break;
        facelets = best->first;
        colours_ = coloursOf(scan, best->first);
        judged.spread = spreadOf(scan, colours_, best->first, judged.spread, true);
    }
    std::stable_sort(cubes.begin(), cubes.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    return judged;
}

// The candidates by their calibrated misfits, the likeliest first, with their probabilities among
// all those found; those less than a thousandth as likely as the first are not worth naming.
Resolution candidatesOf(const std::vector<std::pair<std::string, double>>& cubes,
                        const std::vector<double>& misfits) {
    std::vector<std::size_t> order(cubes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return misfits[a] < misfits[b]; });
    double total = 0;
    for (double misfit : misfits) total += std::exp(-misfit / 2);
    Resolution resolution;
    for (std::size_t i : order) {
        const double probability = std::exp(-misfits[i] / 2) / total;
        if (!resolution.candidates.empty() && probability < 1e-3 * (1 / total)) continue;
        resolution.candidates.push_back(
            {cubes[i].first, misfits[i], cubes[i].second - cubes[0].second, probability});
    }
    resolution.confidence = resolution.candidates[0].probability;
    return resolution;
}

// Each sticker's distance from its colour in the resolved cube, the stickers that fit no colour and
// those on which a listed runner-up differs.
void markStickers(const Scan& scan, const Spread& spread, Resolution& resolution) {
    const std::string& best = resolution.candidates[0].facelets;
    const Laws laws = lawsOf(scan, coloursOf(scan, best), spread);
    for (int p = 0; p < stickers; ++p) {
        const ColourLaw& law = laws.colour[colourOf(best[p])];
        resolution.distance[p] = std::sqrt(std::max(distanceSquared(scan, p, law), 0.0));
        if (resolution.distance[p] > ColourResolution::unfitDistance ||
            covered(scan, p, law.mean)) {
            resolution.unfit.push_back(p);
        }
        for (const CandidateCube& other : resolution.candidates) {
            if (other.facelets[p] != best[p]) {
                resolution.doubtful.push_back(p);
                break;
            }
        }
    }
}

}  // namespace

namespace ColourResolution {

Resolution resolve(const StickerReadings& readings) {
    const Scan scan = scanOf(readings);
    Colours colours_ = coloursOf(scan, "");
    Spread spread{0.3, 0.1, 0.01 * scan.top + 1e-9};
    std::string facelets;
    for (int round = 0; round < refinements; ++round) {
        facelets = likeliestCubes(stickerFits(scan, lawsOf(scan, colours_, spread)), 1, 0, facelets)
                       .front()
                       .first;
        colours_ = coloursOf(scan, facelets);
        spread = spreadOf(scan, colours_, facelets, spread, round == refinements - 1);
    }
    const Judged judged = judgedCandidates(scan, facelets, spread);
    Resolution resolution =
        candidatesOf(judged.cubes, calibratedMisfits(scan, judged.spread, judged.cubes));
    resolution.settled = judged.settled;
    resolution.noise = judged.spread.noise;
    resolution.brightnessSpread = judged.spread.brightness;
    markStickers(scan, judged.spread, resolution);
    return resolution;
}

std::vector<std::pair<std::string, double>> bestCubes(const double (&misfit)[54][6], int keep,
                                                      double margin) {
    StickerFits fits;
    std::copy(&misfit[0][0], &misfit[0][0] + stickers * colours, &fits.term[0][0]);
    return likeliestCubes(fits, keep, margin, "");
}

std::vector<std::string> recolourings(const std::string& facelets) {
    std::vector<std::string> cubes;
    for (const ColourMap& turn : turns()) {
        const std::string cube = recoloured(facelets, turn);
        if (Tools::verify(cube) == 0) cubes.push_back(cube);
    }
    return cubes;
}

bool decides(const Resolution& resolution, double minConfidence) {
    return resolution.unfit.empty() && resolution.settled && resolution.confidence >= minConfidence;
}

}  // namespace ColourResolution
