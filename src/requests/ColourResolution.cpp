#include "requests/ColourResolution.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/TP.h"

using namespace TP;

namespace {

const int stickers = StickerReadings::stickers;
const int colours = 6;
const int channels = StickerReadings::channels;
// Resolutions before the last: each re-estimates the colours' means and the scan's spreads from
// the cube it resolved.
const int refinements = 3;
// Candidates that fit this much worse than the best (-2 log of their likelihood ratio) have a
// probability below 5e-5 each: those beyond it need not be found.
const double negligibleMisfit = 20;
// How often a runner-up that fits better with its own colours' means may replace the best.
const int climbs = 4;

// ---- The fit of one sticker -------------------------------------------------------------------

// A reading in log space: a sticker's brightness factor then shifts all three channels alike, and
// noise in proportion to a channel is the same spread on every channel. The floor keeps a channel
// near zero from weighing far more than its noise deserves.
struct LogScan {
    double value[stickers][channels];
};

LogScan logScan(const StickerReadings& readings) {
    double sum = 0;
    for (const auto& reading : readings.rgb) {
        for (double v : reading) sum += v;
    }
    const double mean = sum / (stickers * channels);
    const double floor = mean > 0 ? 0.02 * mean : 1;
    LogScan scan;
    for (int p = 0; p < stickers; ++p) {
        for (int c = 0; c < channels; ++c) scan.value[p][c] = std::log(readings.rgb[p][c] + floor);
    }
    return scan;
}

// The spread of a scan: noise on each channel, and a brightness factor that moves all three.
struct Spread {
    double noise, brightness;
};

// The squared Mahalanobis distance of a difference in log space, for the covariance
// noise² I + brightness² 11ᵀ: the brightness direction costs far less than a change of hue.
double fitTerm(const double (&difference)[channels], const Spread& spread) {
    const double n2 = spread.noise * spread.noise;
    const double b2 = spread.brightness * spread.brightness;
    double squares = 0, sum = 0;
    for (double d : difference) {
        squares += d * d;
        sum += d;
    }
    return (squares - b2 / (n2 + 3 * b2) * sum * sum) / n2;
}

struct Colours {
    double mean[colours][channels];
};

// The fit term of every sticker under every colour.
struct StickerFits {
    double term[stickers][colours];
};

StickerFits stickerFits(const LogScan& scan, const Colours& colours_, const Spread& spread) {
    StickerFits fits;
    for (int p = 0; p < stickers; ++p) {
        for (int k = 0; k < colours; ++k) {
            double difference[channels];
            for (int c = 0; c < channels; ++c) {
                difference[c] = scan.value[p][c] - colours_.mean[k][c];
            }
            fits.term[p][k] = fitTerm(difference, spread);
        }
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
    return static_cast<int>(std::string("URFDLB").find(letter));
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
std::vector<std::pair<std::string, double>> likeliestCubes(const StickerFits& fits, int keep,
                                                           double margin,
                                                           const std::string& known) {
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
Colours coloursOf(const LogScan& scan, const std::string& facelets) {
    Colours result{};
    int count[colours] = {};
    for (int p = 0; p < stickers; ++p) {
        const int k = facelets.empty() ? (p % 9 == 4 ? p / 9 : -1) : colourOf(facelets[p]);
        if (k < 0) continue;
        ++count[k];
        for (int c = 0; c < channels; ++c) result.mean[k][c] += scan.value[p][c];
    }
    for (int k = 0; k < colours; ++k) {
        for (int c = 0; c < channels; ++c) result.mean[k][c] /= std::max(count[k], 1);
    }
    return result;
}

// The scan's spreads estimated from the stickers of a resolved cube, leaving out those that fit
// their colour far worse than the rest (a covered sticker would otherwise hide itself).
Spread spreadOf(const LogScan& scan, const Colours& colours_, const std::string& facelets,
                const Spread& previous) {
    const StickerFits fits = stickerFits(scan, colours_, previous);
    double hue = 0, brightness = 0;
    int used = 0;
    for (int p = 0; p < stickers; ++p) {
        const int k = colourOf(facelets[p]);
        if (fits.term[p][k] > ColourResolution::unfitDistance * ColourResolution::unfitDistance)
            continue;
        double d[channels], sum = 0;
        for (int c = 0; c < channels; ++c) sum += d[c] = scan.value[p][c] - colours_.mean[k][c];
        const double along = sum / channels;
        for (double x : d) hue += (x - along) * (x - along);
        brightness += along * along;
        ++used;
    }
    // Each colour's mean is taken from its nine stickers, which leaves 8 of 9 of the spread.
    const double samples = std::max(used, 1) * 8.0 / 9.0;
    const double noise2 = hue / (2 * samples);
    const double brightness2 = brightness / samples - noise2 / channels;
    const double least = 0.01;
    return {std::max(std::sqrt(noise2), least),
            std::max(std::sqrt(std::max(brightness2, 0.0)), least)};
}

// The summed fit terms of a cube's stickers against the means of its own colours: -2 log of its
// likelihood with the colours' means left free (each colour has nine stickers on every cube).
double ownScatter(const LogScan& scan, const std::string& facelets, const Spread& spread) {
    return fitOf(stickerFits(scan, coloursOf(scan, facelets), spread), facelets);
}

}  // namespace

namespace ColourResolution {

Resolution resolve(const StickerReadings& readings) {
    const LogScan scan = logScan(readings);
    Colours colours_ = coloursOf(scan, "");
    Spread spread{0.1, 0.3};
    std::string facelets;
    for (int round = 0; round < refinements; ++round) {
        facelets =
            likeliestCubes(stickerFits(scan, colours_, spread), 1, 0, facelets).front().first;
        colours_ = coloursOf(scan, facelets);
        spread = spreadOf(scan, colours_, facelets, spread);
    }
    // The runners-up under the means of the best cube, each judged by its own means: a runner-up
    // that fits better so is taken as the best, and its runners-up are looked at in turn.
    std::vector<std::pair<std::string, double>> cubes;
    for (int climb = 0; climb < climbs; ++climb) {
        cubes =
            likeliestCubes(stickerFits(scan, colours_, spread), kept, negligibleMisfit, facelets);
        for (auto& cube : cubes) cube.second = ownScatter(scan, cube.first, spread);
        const auto best =
            std::min_element(cubes.begin(), cubes.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        if (best == cubes.begin()) break;
        facelets = best->first;
        colours_ = coloursOf(scan, best->first);
        spread = spreadOf(scan, colours_, best->first, spread);
    }
    std::stable_sort(cubes.begin(), cubes.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    const StickerFits fits = stickerFits(scan, coloursOf(scan, cubes[0].first), spread);
    Resolution resolution;
    resolution.noise = spread.noise;
    resolution.brightnessSpread = spread.brightness;
    double total = 0;
    for (const auto& cube : cubes) total += std::exp(-(cube.second - cubes[0].second) / 2);
    for (const auto& cube : cubes) {
        const double misfit = cube.second - cubes[0].second;
        const double probability = std::exp(-misfit / 2) / total;
        // Candidates less than a thousandth as likely as the first are not worth naming.
        if (!resolution.candidates.empty() && probability < 1e-3 * (1 / total)) continue;
        resolution.candidates.push_back({cube.first, misfit, probability});
    }
    resolution.confidence = resolution.candidates[0].probability;
    const std::string& best = resolution.candidates[0].facelets;
    for (int p = 0; p < stickers; ++p) {
        resolution.distance[p] = std::sqrt(std::max(fits.term[p][colourOf(best[p])], 0.0));
        if (resolution.distance[p] > unfitDistance) resolution.unfit.push_back(p);
        for (const CandidateCube& other : resolution.candidates) {
            if (other.facelets[p] != best[p]) {
                resolution.doubtful.push_back(p);
                break;
            }
        }
    }
    return resolution;
}

std::vector<std::pair<std::string, double>> bestCubes(const double (&misfit)[54][6], int keep,
                                                      double margin) {
    StickerFits fits;
    std::copy(&misfit[0][0], &misfit[0][0] + stickers * colours, &fits.term[0][0]);
    return likeliestCubes(fits, keep, margin, "");
}

bool decides(const Resolution& resolution, double minConfidence) {
    return resolution.unfit.empty() && resolution.confidence >= minConfidence;
}

}  // namespace ColourResolution
