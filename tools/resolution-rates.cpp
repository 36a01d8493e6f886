// resolution-rates [OPTIONS] [CUBES [SEED]]: simulates scans of random cubes (an EV3 colour
// sensor's raw counts at four levels of brightness spread and noise, and a camera's RGB at five
// levels) and prints, for each level, the share of scans resolved to the right cube, the share
// answered with a wrong cube, the share answered "Error 10" (the readings do not decide the cube)
// and the time per resolution. Baseline rows on the EV3 scans: the nearest colour of each
// sticker alone, and a plain assignment of whole pieces by a perceptual distance followed by the
// cheapest change that restores the three laws.
//
// --min-confidence P   the resolution's threshold (default: the solver's default)
// --oracle             rows for the exact likelihood with the model's true means and spreads: its
//                      likeliest cube, and its posterior thresholded so that the wrong answers it
//                      expects stay at or below 0.1 % of the scans
// --calibration        for each level, the resolution's scans by their confidence: how many, how
//                      many wrong, and how many wrong the confidences predict
// --sweep              for each level, the right and wrong answers at several thresholds, and the
//                      wrong answers that the confidences predict (the sum of 1 - confidence)
// --spreads uniform|scan-noise   read the EV3 model's spreads another way (ScanModels::Ev3Spreads)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/ScanModels.h"
#include "cube/Tools.h"
#include "requests/ColourResolution.h"

namespace {

const char faceLetters[] = "URFDLB";
const int stickers = StickerReadings::stickers;

struct Scan {
    std::string cube;
    StickerReadings readings;
};

using Scanner = std::function<StickerReadings(const std::string&, std::mt19937&)>;

// The same scans for every method: random cubes from the seed, each scanned once.
std::vector<Scan> scansOf(int cubes, unsigned seed, const Scanner& scanner) {
    std::mt19937 rng(seed);
    std::vector<Scan> scans;
    for (int n = 0; n < cubes; ++n) {
        const std::string cube = Tools::randomCubie(rng).toFaceCube()->to_String();
        scans.push_back({cube, scanner(cube, rng)});
    }
    return scans;
}

struct Counts {
    int right = 0, wrong = 0, undecided = 0;
    double seconds = 0;
};

void count(Counts& counts, bool answered, const std::string& answer, const std::string& cube) {
    ++(!answered ? counts.undecided : answer == cube ? counts.right : counts.wrong);
}

// ---- The resolution and its calibration -------------------------------------------------------

struct Decision {
    std::string facelets;
    double confidence;
    // A sticker fits no colour, or the search did not settle: "Error 10" whatever the confidence.
    bool refused;
};

std::vector<Decision> resolveScans(const std::vector<Scan>& scans, double& seconds) {
    std::vector<Decision> decisions;
    seconds = 0;
    for (const Scan& scan : scans) {
        const auto start = std::chrono::steady_clock::now();
        const Resolution resolution = ColourResolution::resolve(scan.readings);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        decisions.push_back({resolution.facelets(), resolution.confidence,
                             !resolution.unfit.empty() || !resolution.settled});
    }
    return decisions;
}

Counts countDecisions(const std::vector<Scan>& scans, const std::vector<Decision>& decisions,
                      double minConfidence) {
    Counts counts;
    for (std::size_t n = 0; n < scans.size(); ++n) {
        const Decision& d = decisions[n];
        count(counts, !d.refused && d.confidence >= minConfidence, d.facelets, scans[n].cube);
    }
    return counts;
}

// The scans by the confidence of their likeliest cube: in each bin, how many, how many of those
// are wrong, and how many the confidences predict wrong (the sum of 1 - confidence).
std::string calibrationOf(const std::string& level, const std::vector<Scan>& scans,
                          const std::vector<Decision>& decisions) {
    const double edges[] = {0, 0.5, 0.9, 0.99, 0.999, 0.9999, 1.0 + 1e-12};
    std::string line = level + ":";
    for (int bin = 0; bin + 1 < int(sizeof edges / sizeof *edges); ++bin) {
        int all = 0, wrong = 0;
        double predicted = 0;
        for (std::size_t n = 0; n < scans.size(); ++n) {
            const double c = decisions[n].confidence;
            if (c < edges[bin] || c >= edges[bin + 1]) continue;
            ++all;
            wrong += decisions[n].facelets != scans[n].cube;
            predicted += 1 - c;
        }
        char text[96];
        std::snprintf(text, sizeof text, "  [%g, %g): %d, wrong %d (predicted %.1f)", edges[bin],
                      std::min(edges[bin + 1], 1.0), all, wrong, predicted);
        line += text;
    }
    return line + "\n";
}

// The wrong answers that the confidences predict at a threshold: the sum of 1 - confidence over the
// scans answered.
double predictedWrong(const std::vector<Decision>& decisions, double minConfidence) {
    double sum = 0;
    for (const Decision& d : decisions) {
        if (!d.refused && d.confidence >= minConfidence) sum += 1 - d.confidence;
    }
    return sum;
}

// The right and wrong answers of the resolution at several thresholds, in per cent, with the wrong
// answers that the confidences predict.
std::string sweepOf(const std::string& level, const std::vector<Scan>& scans,
                    const std::vector<Decision>& decisions) {
    std::string line = level + ":";
    for (double threshold : {0.9, 0.95, 0.98, 0.99, 0.9925, 0.995, 0.999}) {
        const Counts counts = countDecisions(scans, decisions, threshold);
        const double n = scans.size() / 100.0;
        char text[96];
        std::snprintf(text, sizeof text, "  %g: %.1f %% right, %.3f %% wrong (%.3f %% predicted)",
                      threshold, counts.right / n, counts.wrong / n,
                      predictedWrong(decisions, threshold) / n);
        line += text;
    }
    return line + "\n";
}

// ---- Baselines --------------------------------------------------------------------------------

// Each sticker the colour whose centre's reading is nearest in RGB: the cube is right only when
// every sticker is.
std::string nearestColours(const StickerReadings& scan) {
    std::string read;
    for (int p = 0; p < stickers; ++p) {
        int nearest = 0;
        double least = 1e300;
        for (int face = 0; face < 6; ++face) {
            double d = 0;
            for (int c = 0; c < 3; ++c)
                d += std::pow(scan.rgb[p][c] - scan.rgb[9 * face + 4][c], 2);
            if (d < least) least = d, nearest = face;
        }
        read += faceLetters[nearest];
    }
    return read;
}

// CIE L*a*b* of a reading, taken as linear RGB scaled by the scan's largest reading (D65 white).
std::array<double, 3> labOf(const std::array<double, 3>& rgb, double largest) {
    double v[3];
    for (int c = 0; c < 3; ++c) v[c] = std::min(rgb[c] / largest, 1.0);
    const double x = (0.4124 * v[0] + 0.3576 * v[1] + 0.1805 * v[2]) / 0.9505;
    const double y = 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2];
    const double z = (0.0193 * v[0] + 0.1192 * v[1] + 0.9505 * v[2]) / 1.089;
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

// The perceptual distance (CIE76) of every sticker from every centre.
using StickerCosts = std::array<std::array<double, 6>, stickers>;

StickerCosts perceptualDistances(const StickerReadings& scan) {
    double largest = 1e-9;
    for (const auto& reading : scan.rgb)
        largest = std::max(largest, *std::max_element(reading.begin(), reading.end()));
    StickerCosts costs;
    for (int p = 0; p < stickers; ++p) {
        const auto lab = labOf(scan.rgb[p], largest);
        for (int face = 0; face < 6; ++face) {
            const auto centre = labOf(scan.rgb[9 * face + 4], largest);
            double d = 0;
            for (int c = 0; c < 3; ++c) d += (lab[c] - centre[c]) * (lab[c] - centre[c]);
            costs[p][face] = std::sqrt(d);
        }
    }
    return costs;
}

// Whole pieces of one kind placed by least cost, as cubie and orientation per position, without
// the laws; then the cheapest change of one orientation that restores the orientation law, and the
// cheapest exchange of two pieces (their orientations chosen anew under that law) for the other
// parity of the permutation.
template <int Pieces, int Size>
struct Placement {
    int cubie[Pieces], orientation[Pieces];
    double cost;
    int parity() const {
        int inversions = 0;
        for (int i = 0; i < Pieces; ++i)
            for (int j = i + 1; j < Pieces; ++j) inversions += cubie[i] > cubie[j];
        return inversions & 1;
    }
    int orientationSum() const {
        int sum = 0;
        for (int o : orientation) sum += o;
        return sum % Size;
    }
};

template <int Pieces, int Size>
class PlainPieces {
  public:
    PlainPieces(const StickerCosts& costs, const TP::Facelet (&facelets)[Pieces][Size],
                const TP::Color (&colours)[Pieces][Size])
        : facelets_(facelets), colours_(colours) {
        for (int i = 0; i < Pieces; ++i)
            for (int j = 0; j < Pieces; ++j)
                for (int o = 0; o < Size; ++o) {
                    cost_[i][j][o] = 0;
                    for (int n = 0; n < Size; ++n)
                        cost_[i][j][o] += costs[facelets[i][(n + o) % Size]][colours[j][n]];
                }
    }

    // The least-cost assignment, each position's piece in its cheapest orientation.
    Placement<Pieces, Size> assigned() const {
        std::vector<double> best(1 << Pieces, 1e300);
        std::vector<int> from(1 << Pieces, 0);
        best[0] = 0;
        for (int mask = 0; mask < (1 << Pieces); ++mask) {
            const int position = __builtin_popcount(mask);
            if (position == Pieces) continue;
            for (int j = 0; j < Pieces; ++j) {
                if (mask & (1 << j)) continue;
                const double c = best[mask] + cheapest(position, j);
                if (c < best[mask | (1 << j)]) best[mask | (1 << j)] = c, from[mask | (1 << j)] = j;
            }
        }
        Placement<Pieces, Size> result;
        result.cost = best[(1 << Pieces) - 1];
        for (int mask = (1 << Pieces) - 1, position = Pieces - 1; position >= 0; --position) {
            const int j = from[mask];
            result.cubie[position] = j;
            result.orientation[position] = cheapestOrientation(position, j);
            mask &= ~(1 << j);
        }
        return result;
    }

    // The cheapest placement lawful in orientation with the given parity, by one change of the
    // assignment a: a turned piece, or two pieces exchanged.
    Placement<Pieces, Size> repaired(const Placement<Pieces, Size>& a, int parity) const {
        Placement<Pieces, Size> best = a;
        best.cost = 1e300;
        if (a.parity() == parity) {
            if (a.orientationSum() == 0) return a;
            for (int i = 0; i < Pieces; ++i)
                for (int o = 0; o < Size; ++o) {
                    Placement<Pieces, Size> t = a;
                    t.orientation[i] = o;
                    t.cost += cost_[i][t.cubie[i]][o] - cost_[i][a.cubie[i]][a.orientation[i]];
                    if (t.orientationSum() == 0 && t.cost < best.cost) best = t;
                }
            return best;
        }
        for (int i = 0; i < Pieces; ++i)
            for (int k = i + 1; k < Pieces; ++k)
                for (int oi = 0; oi < Size; ++oi)
                    for (int ok = 0; ok < Size; ++ok) {
                        Placement<Pieces, Size> t = a;
                        std::swap(t.cubie[i], t.cubie[k]);
                        t.orientation[i] = oi, t.orientation[k] = ok;
                        t.cost += cost_[i][t.cubie[i]][oi] + cost_[k][t.cubie[k]][ok] -
                                  cost_[i][a.cubie[i]][a.orientation[i]] -
                                  cost_[k][a.cubie[k]][a.orientation[k]];
                        if (t.orientationSum() == 0 && t.cost < best.cost) best = t;
                    }
        return best;
    }

    void paint(const Placement<Pieces, Size>& a, std::string& facelets) const {
        for (int i = 0; i < Pieces; ++i)
            for (int n = 0; n < Size; ++n)
                facelets[facelets_[i][(n + a.orientation[i]) % Size]] =
                    faceLetters[colours_[a.cubie[i]][n]];
    }

  private:
    const TP::Facelet (&facelets_)[Pieces][Size];
    const TP::Color (&colours_)[Pieces][Size];
    double cost_[Pieces][Pieces][Size];

    int cheapestOrientation(int i, int j) const {
        return int(std::min_element(cost_[i][j], cost_[i][j] + Size) - cost_[i][j]);
    }
    double cheapest(int i, int j) const { return cost_[i][j][cheapestOrientation(i, j)]; }
};

// The floor the issue names: whole pieces assigned by least perceptual distance, then the
// cheapest change that restores the three laws.
std::string plainAssignment(const StickerReadings& scan) {
    const StickerCosts costs = perceptualDistances(scan);
    const PlainPieces<8, 3> corners(costs, FaceCube::cornerFacelet, FaceCube::cornerColor);
    const PlainPieces<12, 2> edges(costs, FaceCube::edgeFacelet, FaceCube::edgeColor);
    const auto c = corners.assigned();
    const auto e = edges.assigned();
    Placement<8, 3> bestCorners{};
    Placement<12, 2> bestEdges{};
    double least = 1e300;
    for (int parity = 0; parity < 2; ++parity) {
        const auto rc = corners.repaired(c, parity);
        const auto re = edges.repaired(e, parity);
        if (rc.cost + re.cost < least) least = rc.cost + re.cost, bestCorners = rc, bestEdges = re;
    }
    std::string facelets(stickers, ' ');
    for (int face = 0; face < 6; ++face) facelets[9 * face + 4] = faceLetters[face];
    corners.paint(bestCorners, facelets);
    edges.paint(bestEdges, facelets);
    return facelets;
}

Counts countMethod(const std::vector<Scan>& scans,
                   const std::function<std::string(const StickerReadings&)>& method) {
    Counts counts;
    for (const Scan& scan : scans) count(counts, true, method(scan.readings), scan.cube);
    return counts;
}

// ---- The oracle -------------------------------------------------------------------------------

// -2 log of the exact density of each sticker's reading under each colour of the EV3 model (normal
// spreads), up to a constant: the reading over the colour's mean, less 1, is normal with the
// covariance s² 11ᵀ + n² I; the colour's means scale the density.
void exactMisfits(const StickerReadings& scan, double s, double n, double (&misfit)[54][6]) {
    const double n2 = n * n, s2 = s * s;
    for (int p = 0; p < stickers; ++p) {
        for (int k = 0; k < 6; ++k) {
            double squares = 0, sum = 0, logScale = 0;
            for (int c = 0; c < 3; ++c) {
                const double mean = ScanModels::ev3Mean(k, c);
                const double d = scan.rgb[p][c] / mean - 1;
                squares += d * d;
                sum += d;
                logScale += 2 * std::log(mean);
            }
            misfit[p][k] = (squares - s2 / (n2 + 3 * s2) * sum * sum) / n2 + logScale;
        }
    }
}

std::vector<Decision> oracleDecisions(const std::vector<Scan>& scans, double spread) {
    std::vector<Decision> decisions;
    for (const Scan& scan : scans) {
        double misfit[54][6];
        exactMisfits(scan.readings, spread, spread, misfit);
        const auto cubes = ColourResolution::bestCubes(misfit, 64, 40);
        double total = 0;
        for (const auto& cube : cubes) total += std::exp(-(cube.second - cubes[0].second) / 2);
        decisions.push_back({cubes[0].first, 1 / total, false});
    }
    return decisions;
}

// The least threshold on the oracle's posterior at which the wrong answers it expects (the sum of
// 1 - confidence over the scans answered) stay at or below 0.1 % of the scans.
double oracleThreshold(const std::vector<Decision>& decisions) {
    std::vector<double> confidences;
    for (const auto& d : decisions) confidences.push_back(d.confidence);
    std::sort(confidences.rbegin(), confidences.rend());
    double expected = 0, threshold = 1;
    for (double c : confidences) {
        expected += 1 - c;
        if (expected > 0.001 * confidences.size()) break;
        threshold = c;
    }
    return threshold;
}

// ---- Output -----------------------------------------------------------------------------------

void printRow(const std::string& model, const std::string& level, int cubes, const Counts& counts) {
    const std::string time =
        counts.seconds > 0 ? std::to_string(int(1e6 * counts.seconds / cubes)) + " µs" : "";
    std::printf("| %s | %s | %.1f %% | %.1f %% | %.1f %% | %s |\n", model.c_str(), level.c_str(),
                100.0 * counts.right / cubes, 100.0 * counts.wrong / cubes,
                100.0 * counts.undecided / cubes, time.c_str());
}

struct Options {
    int cubes = 1000;
    unsigned seed = 24;
    double minConfidence = ColourResolution::defaultMinConfidence;
    bool oracle = false, calibration = false, sweep = false;
    ScanModels::Ev3Spreads spreads = ScanModels::Ev3Spreads::normal;
};

bool readOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--oracle") {
            options.oracle = true;
        } else if (word == "--sweep") {
            options.sweep = true;
        } else if (word == "--calibration") {
            options.calibration = true;
        } else if (word == "--min-confidence" && i + 1 < argc) {
            options.minConfidence = std::atof(argv[++i]);
        } else if (word == "--spreads" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "uniform") {
                options.spreads = ScanModels::Ev3Spreads::uniform;
            } else if (value == "scan-noise") {
                options.spreads = ScanModels::Ev3Spreads::scanNoise;
            } else {
                return false;
            }
        } else if (!word.empty() && word[0] != '-') {
            numbers.push_back(word);
        } else {
            return false;
        }
    }
    if (numbers.size() > 2) return false;
    if (numbers.size() > 0) options.cubes = std::max(1, std::atoi(numbers[0].c_str()));
    if (numbers.size() > 1) options.seed = static_cast<unsigned>(std::atoi(numbers[1].c_str()));
    return true;
}

struct Level {
    std::string model, name;
    Scanner scanner;
    double ev3Spread;  // 0 for the camera
};

std::vector<Level> levels(const Options& options) {
    std::vector<Level> result;
    for (int percent : {5, 10, 15, 20}) {
        const double spread = percent / 100.0;
        const ScanModels::Ev3Spreads spreads = options.spreads;
        result.push_back({"EV3", std::to_string(percent) + " % / " + std::to_string(percent) + " %",
                          [spread, spreads](const std::string& cube, std::mt19937& r) {
                              return ScanModels::ev3Scan(cube, spread, spread, r, spreads);
                          },
                          spread});
    }
    for (int level = 1; level <= ScanModels::cameraLevels; ++level) {
        result.push_back(
            {"camera",
             std::to_string(level) + (level == ScanModels::cameraMiddleLevel ? " (middle)" : ""),
             [level](const std::string& cube, std::mt19937& r) {
                 return ScanModels::cameraScan(cube, level, r);
             },
             0});
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!readOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: resolution-rates [--min-confidence P] [--oracle] [--calibration] [--sweep] "
            "[--spreads uniform|scan-noise] [CUBES [SEED]]\n");
        return 2;
    }
    CubieCube::initAllStaticVariables();
    const int cubes = options.cubes;
    std::printf("| model | level | right | wrong cube | Error 10 | time per resolution |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::vector<std::string> calibration, sweep;
    for (const Level& level : levels(options)) {
        const std::vector<Scan> scans = scansOf(cubes, options.seed, level.scanner);
        double seconds = 0;
        const std::vector<Decision> decisions = resolveScans(scans, seconds);
        Counts counts = countDecisions(scans, decisions, options.minConfidence);
        counts.seconds = seconds;
        printRow(level.model, level.name, cubes, counts);
        calibration.push_back(calibrationOf(level.model + " " + level.name, scans, decisions));
        sweep.push_back(sweepOf(level.model + " " + level.name, scans, decisions));
        if (level.ev3Spread == 0) continue;
        printRow("EV3, nearest colour", level.name, cubes, countMethod(scans, nearestColours));
        printRow("EV3, plain assignment", level.name, cubes, countMethod(scans, plainAssignment));
        if (!options.oracle) continue;
        const auto oracle = oracleDecisions(scans, level.ev3Spread);
        Counts likeliest, thresholded;
        const double threshold = oracleThreshold(oracle);
        for (std::size_t n = 0; n < scans.size(); ++n) {
            count(likeliest, true, oracle[n].facelets, scans[n].cube);
            count(thresholded, oracle[n].confidence >= threshold, oracle[n].facelets,
                  scans[n].cube);
        }
        printRow("EV3, oracle's likeliest", level.name, cubes, likeliest);
        char name[64];
        std::snprintf(name, sizeof name, "EV3, oracle ≥ %.4g", threshold);
        printRow(name, level.name, cubes, thresholded);
        calibration.push_back(calibrationOf("oracle " + level.name, scans, oracle));
    }
    if (options.sweep) {
        std::printf(
            "\nThe resolution's right and wrong answers by the least confidence answered.\n");
        for (const std::string& line : sweep) std::printf("%s", line.c_str());
    }
    if (options.calibration) {
        std::printf(
            "\nThe resolution's scans by confidence: how many, how many wrong, and how many "
            "wrong the confidences predict.\n");
        for (const std::string& line : calibration) std::printf("%s", line.c_str());
    }
    return 0;
}
