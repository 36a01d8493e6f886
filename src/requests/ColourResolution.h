// From the readings of a scan to the most likely real cube: the six centres name the six colours,
// every corner and edge is assigned as a whole piece with its orientation, and the cube obeys the
// three laws (corner twist, edge flip, permutation parity). The runners-up give a confidence, and
// the stickers on which they differ are the doubtful ones. docs/readings.md gives the method.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cube/StickerReadings.h"

// A real cube that the readings may show, and how well it fits them.
struct CandidateCube {
    // The 54 stickers in face letters, a cube that can be solved.
    std::string facelets;
    // How much less likely than the likeliest candidate it is: -2 log of its probability against
    // that of the likeliest (0 for the likeliest itself), from how much worse it fits, judged with
    // its own colours' means, calibrated for how far apart the colours it changes lie.
    double misfit;
    // How much worse it fits than the likeliest candidate, each judged with its own colours'
    // means: -2 log of its likelihood against the likeliest's, the misfit before calibration.
    double likelihoodMisfit;
    // Its probability among the candidates found, the readings given.
    double probability;
};

struct Resolution {
    // The likeliest candidates, the likeliest first: the first is the resolved cube. Those listed
    // are at least a thousandth as likely as the first.
    std::vector<CandidateCube> candidates;
    // The probability of the first candidate among all candidates found.
    double confidence = 0;
    // False when the search for the likeliest cube did not settle: its last round still found a
    // cube that fits better, whose own runners-up were not searched for. The cube is then not
    // decided, whatever the confidence.
    bool settled = true;
    // The stickers (0..53) on which a listed runner-up differs from the resolved cube.
    std::vector<int> doubtful;
    // The stickers whose readings fit none of the six colours (covered, glare): far further from
    // the colour they are resolved to than the noise of the other stickers allows.
    std::vector<int> unfit;
    // How far each sticker's reading lies from the colour it is resolved to, in units of the
    // scan's noise (the square root of its term in the fit).
    double distance[54] = {};
    // The spread of the scan, estimated from it: the per-channel noise and the brightness factor,
    // as shares (0.1 is 10 %).
    double noise = 0, brightnessSpread = 0;

    const std::string& facelets() const { return candidates.front().facelets; }
};

namespace ColourResolution {

// How many candidate cubes the search for runners-up keeps (the best's recolourings, real cubes
// with its colours exchanged as a turn of the whole cube exchanges them, come on top).
const int kept = 8;
// The least confidence with which a resolved cube is answered: below it, "Error 10". The least
// threshold at which the wrong cubes answered stay at most 0.1 % of the scans at every level
// simulated, with 90 % confidence over 24,000 scans a level (docs/readings.md).
const double defaultMinConfidence = 0.9925;
// A sticker further than this from its colour, in units of the scan's noise, fits no colour.
const double unfitDistance = 7;

// The most likely real cube for the readings (in the solver's face order).
Resolution resolve(const StickerReadings& readings);

// The best real cubes for the given misfit of each sticker (0..53) under each colour (0..5, the
// colours of the centres U R F D L B), the best first, each with its summed misfit: all those
// within margin of the best, at most keep.
std::vector<std::pair<std::string, double>> bestCubes(const double (&misfit)[54][6], int keep,
                                                      double margin);

// The real cubes that a cube's stickers show with their colours exchanged as a turn of the whole
// cube exchanges them, the centres kept: the runners-up that the resolution judges beside those
// its search finds.
std::vector<std::string> recolourings(const std::string& facelets);

// True when the readings decide the cube: no sticker fits no colour, the search settled, and the
// resolved cube's confidence is at least minConfidence.
bool decides(const Resolution& resolution, double minConfidence);

}  // namespace ColourResolution
