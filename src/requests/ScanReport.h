// What --explain, --show and --report tell about a scan given as readings: the cube it resolves
// to, how sure that is, the candidates and the stickers on which they differ, and a picture of the
// net with each sticker drawn in the colour it was measured in.
#pragma once

#include <string>
#include <vector>

#include "cube/StickerReadings.h"
#include "requests/ColourResolution.h"

namespace ScanReport {

// The explanation, one sentence a line: the resolved cube and its confidence, the stickers that
// fit no colour, why the readings do not decide the cube when they do not, the doubtful
// stickers, the candidates with their probabilities and the stickers where each differs from the
// first, and the spreads of the scan.
std::vector<std::string> explanation(const Resolution& resolution, const StickerReadings& readings,
                                     double minConfidence);

// The net as the README draws it, each sticker its resolved face letter, "(X)" for a doubtful
// sticker and "[X]" for one that fits no colour. With ansiColours each sticker is drawn on its
// measured colour (24-bit terminal colours); otherwise in plain letters.
std::vector<std::string> picture(const Resolution& resolution, const StickerReadings& readings,
                                 bool ansiColours);

// The same picture as a self-contained SVG document. Each sticker is a square (a rect whose id
// is its name, such as "F2") filled with its measured colour; its letter stands in its top left
// corner, so that the middle of the square shows the colour alone.
std::string svg(const Resolution& resolution, const StickerReadings& readings);

// The colour a sticker is drawn in: its reading scaled so that the largest number of the scan is
// 255, each channel rounded.
void displayColour(const StickerReadings& readings, int sticker, int (&rgb)[3]);

// What follows the answer line: the explanation (explain) and the picture (show), each line
// beginning with "# ", then the line "#end".
std::string block(const Resolution& resolution, const StickerReadings& readings,
                  double minConfidence, bool explain, bool show, bool ansiColours);

}  // namespace ScanReport
