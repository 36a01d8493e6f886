// Simulated scans of a cube, for the tests and the benchmark of colour resolution: the readings
// a robot's colour sensor or camera would give for a cube's stickers, drawn from a seeded
// generator so that every run and every host sees the same scans.
#pragma once

#include <random>
#include <string>

#include "cube/StickerReadings.h"

namespace ScanModels {

// The six colours are put on the faces as on most cubes: white up, red right, green front,
// yellow down, orange left, blue back.

// How the spreads of the EV3 model are read: the issue that gave the model names a brightness
// spread and a noise "of 10 %" without saying more. normal: standard deviations of normal draws,
// the noise of a channel in proportion to that channel's mean for the sticker's colour (the model
// used everywhere by default). uniform: half-widths of uniform draws. scanNoise: normal draws, the
// noise of a channel in proportion to that channel's mean over the six colours.
enum class Ev3Spreads { normal, uniform, scanNoise };

// The raw counts of a LEGO EV3 colour sensor held over each sticker, from a real scan's mean of
// each colour: each reading is the colour's mean times a brightness factor of the sticker
// (1 + brightnessSpread × a standard normal draw: the lighting and the sticker's place under the
// sensor), plus noise on each channel of noise × the channel's mean × a standard normal draw.
// A reading that comes out negative is 0. facelets: 54 face letters.
StickerReadings ev3Scan(const std::string& facelets, double brightnessSpread, double noise,
                        std::mt19937& rng, Ev3Spreads spreads = Ev3Spreads::normal);

// The EV3 model's mean reading of the colour of a face (0..5, URFDLB) on one channel.
double ev3Mean(int face, int channel);

// A camera's 0..255 RGB, from level 1 (good light) to cameraLevels (poor light): a white-balance
// cast over the whole scan (a gain on red and on blue), an exposure gain over the whole scan that
// makes the brightest stickers saturate, a brightness factor per sticker and noise per channel
// (in proportion to the channel, plus two counts), rounded and clipped to 0..255.
const int cameraLevels = 5;
const int cameraMiddleLevel = 3;
StickerReadings cameraScan(const std::string& facelets, int level, std::mt19937& rng);

// The spreads of a camera level, in the order the description above names them (fractions).
struct CameraLevel {
    double cast, exposure, brightnessSpread, noise;
};
CameraLevel cameraLevel(int level);

}  // namespace ScanModels
