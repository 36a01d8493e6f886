// resolution-rates [CUBES [SEED]]: simulates scans of random cubes (an EV3 colour sensor's raw
// counts at four levels of brightness spread and noise, and a camera's RGB at five levels) and
// prints, for each level, the share of scans resolved to the right cube, the share answered with
// a wrong cube, the share answered "Error 10" (the readings do not decide the cube) and the time
// per resolution. Two baseline rows take the nearest colour of each sticker alone.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/ScanModels.h"
#include "cube/Tools.h"
#include "requests/ColourResolution.h"

namespace {

struct Counts {
    int right = 0, wrong = 0, undecided = 0;
    double seconds = 0;
};

using Scanner = std::function<StickerReadings(const std::string&, std::mt19937&)>;

Counts resolveScans(int cubes, std::mt19937& rng, const Scanner& scanner) {
    Counts counts;
    for (int n = 0; n < cubes; ++n) {
        const std::string cube = Tools::randomCubie(rng).toFaceCube()->to_String();
        const StickerReadings scan = scanner(cube, rng);
        const auto start = std::chrono::steady_clock::now();
        const Resolution resolution = ColourResolution::resolve(scan);
        counts.seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ColourResolution::decides(resolution, ColourResolution::defaultMinConfidence)) {
            ++counts.undecided;
        } else if (resolution.facelets() == cube) {
            ++counts.right;
        } else {
            ++counts.wrong;
        }
    }
    return counts;
}

// Each sticker the colour whose centre's reading is nearest in RGB: the cube is right only when
// every sticker is.
Counts nearestColour(int cubes, std::mt19937& rng, const Scanner& scanner) {
    Counts counts;
    for (int n = 0; n < cubes; ++n) {
        const std::string cube = Tools::randomCubie(rng).toFaceCube()->to_String();
        const StickerReadings scan = scanner(cube, rng);
        std::string read;
        for (int p = 0; p < StickerReadings::stickers; ++p) {
            int nearest = 0;
            double least = 1e300;
            for (int face = 0; face < 6; ++face) {
                double d = 0;
                for (int c = 0; c < 3; ++c)
                    d += std::pow(scan.rgb[p][c] - scan.rgb[9 * face + 4][c], 2);
                if (d < least) least = d, nearest = face;
            }
            read += "URFDLB"[nearest];
        }
        ++(read == cube ? counts.right : counts.wrong);
    }
    return counts;
}

void printRow(const char* model, const std::string& level, int cubes, const Counts& counts) {
    std::printf(
        "| %s | %s | %.1f %% | %.1f %% | %.1f %% | %s |\n", model, level.c_str(),
        100.0 * counts.right / cubes, 100.0 * counts.wrong / cubes,
        100.0 * counts.undecided / cubes,
        counts.seconds > 0
            ? (std::to_string(static_cast<int>(1e6 * counts.seconds / cubes)) + " µs").c_str()
            : "");
}

}  // namespace

int main(int argc, char** argv) {
    CubieCube::initAllStaticVariables();
    const int cubes = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 24u;
    std::printf("| model | level | right | wrong cube | Error 10 | time per resolution |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (int percent : {5, 10, 15, 20}) {
        std::mt19937 rng(seed);
        const double spread = percent / 100.0;
        const Counts counts =
            resolveScans(cubes, rng, [spread](const std::string& cube, std::mt19937& r) {
                return ScanModels::ev3Scan(cube, spread, spread, r);
            });
        printRow("EV3", std::to_string(percent) + " % / " + std::to_string(percent) + " %", cubes,
                 counts);
    }
    for (int level = 1; level <= ScanModels::cameraLevels; ++level) {
        std::mt19937 rng(seed);
        const Counts counts =
            resolveScans(cubes, rng, [level](const std::string& cube, std::mt19937& r) {
                return ScanModels::cameraScan(cube, level, r);
            });
        printRow(
            "camera",
            std::to_string(level) + (level == ScanModels::cameraMiddleLevel ? " (middle)" : ""),
            cubes, counts);
    }
    for (int percent : {5, 10}) {
        std::mt19937 rng(seed);
        const double spread = percent / 100.0;
        const Counts counts =
            nearestColour(cubes, rng, [spread](const std::string& cube, std::mt19937& r) {
                return ScanModels::ev3Scan(cube, spread, spread, r);
            });
        printRow("EV3, nearest colour",
                 std::to_string(percent) + " % / " + std::to_string(percent) + " %", cubes, counts);
    }
    return 0;
}
