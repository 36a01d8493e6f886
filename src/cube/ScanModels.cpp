#include "cube/ScanModels.h"

#include <algorithm>
#include <cmath>

namespace {

const char faceLetters[] = "URFDLB";

// The mean of each colour in a real EV3 scan, on the faces U R F D L B: white, red, green,
// yellow, orange, blue.
const double ev3Means[6][3] = {{45.9, 79.0, 52.7}, {25.3, 11.3, 4.6}, {4.8, 29.3, 10.4},
                               {28.3, 36.8, 6.8},  {32.9, 17.4, 5.4}, {4.9, 16.9, 17.1}};

// A camera's view of the same colours in neutral light, before the exposure gain.
const double cameraMeans[6][3] = {{200, 200, 195}, {175, 35, 45},  {30, 160, 80},
                                  {205, 195, 40},  {230, 115, 35}, {25, 70, 175}};

// A channel's mean over the six colours.
double channelMean(int channel) {
    double sum = 0;
    for (const auto& mean : ev3Means) sum += mean[channel];
    return sum / 6;
}

int faceOf(char letter) {
    const std::string letters = faceLetters;
    const std::size_t face = letters.find(letter);
    return face == std::string::npos ? 0 : static_cast<int>(face);
}

}  // namespace

namespace ScanModels {

StickerReadings ev3Scan(const std::string& facelets, double brightnessSpread, double noise,
                        std::mt19937& rng, Ev3Spreads spreads) {
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> uniform(-1, 1);
    const auto draw = [&] { return spreads == Ev3Spreads::uniform ? uniform(rng) : normal(rng); };
    StickerReadings scan;
    for (int p = 0; p < StickerReadings::stickers; ++p) {
        const double* mean = ev3Means[faceOf(facelets[p])];
        const double brightness = 1 + brightnessSpread * draw();
        for (int c = 0; c < StickerReadings::channels; ++c) {
            const double scale = spreads == Ev3Spreads::scanNoise ? channelMean(c) : mean[c];
            scan.rgb[p][c] = std::max(0.0, mean[c] * brightness + noise * scale * draw());
        }
    }
    return scan;
}

double ev3Mean(int face, int channel) {
    return ev3Means[face][channel];
}

CameraLevel cameraLevel(int level) {
    const double step = std::min(std::max(level, 1), cameraLevels);
    return {0.04 * step, 0.1 * step, 0.04 * step, 0.02 * step};
}

StickerReadings cameraScan(const std::string& facelets, int level, std::mt19937& rng) {
    const CameraLevel spread = cameraLevel(level);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> uniform;
    const double exposure = 1 + spread.exposure * uniform(rng);
    const double gain[3] = {exposure * (1 + spread.cast * normal(rng)), exposure,
                            exposure * (1 + spread.cast * normal(rng))};
    StickerReadings scan;
    for (int p = 0; p < StickerReadings::stickers; ++p) {
        const double* mean = cameraMeans[faceOf(facelets[p])];
        const double brightness = 1 + spread.brightnessSpread * normal(rng);
        for (int c = 0; c < StickerReadings::channels; ++c) {
            const double value = mean[c] * gain[c] * brightness +
                                 (spread.noise * mean[c] * gain[c] + 2) * normal(rng);
            scan.rgb[p][c] = std::min(255.0, std::max(0.0, std::round(value)));
        }
    }
    return scan;
}

}  // namespace ScanModels
