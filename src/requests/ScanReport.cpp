#include "requests/ScanReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char faceLetters[] = "URFDLB";
const int stickers = StickerReadings::stickers;

std::string stickerName(int p) {
    return std::string(1, faceLetters[p / 9]) + static_cast<char>('1' + p % 9);
}

std::string number(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string names(const std::vector<int>& list) {
    std::string text;
    for (int p : list) text += (text.empty() ? "" : " ") + stickerName(p);
    return text.empty() ? "none" : text;
}

bool contains(const std::vector<int>& list, int p) {
    return std::find(list.begin(), list.end(), p) != list.end();
}

// Where a runner-up differs from the first candidate: "F2 (L, not R)".
std::string differences(const std::string& first, const std::string& other) {
    std::string text;
    for (int p = 0; p < stickers; ++p) {
        if (other[p] == first[p]) continue;
        text += std::string(text.empty() ? "" : ", ") + stickerName(p) + " (" + other[p] +
                ", not " + first[p] + ")";
    }
    return text;
}

// Light stickers get dark letters, dark ones light letters.
bool isLight(const int (&rgb)[3]) {
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2] > 128;
}

// The places of the stickers in the net: column and row in units of a sticker.
void netPlace(int p, int& column, int& row) {
    const int face = p / 9;
    const int faceColumn[] = {3, 6, 3, 3, 0, 9};
    const int faceRow[] = {0, 3, 3, 6, 3, 3};
    column = faceColumn[face] + p % 3;
    row = faceRow[face] + (p % 9) / 3;
}

}  // namespace

namespace ScanReport {

void displayColour(const StickerReadings& readings, int sticker, int (&rgb)[3]) {
    double largest = 0;
    for (const auto& reading : readings.rgb)
        largest = std::max(largest, *std::max_element(reading.begin(), reading.end()));
    for (int c = 0; c < StickerReadings::channels; ++c) {
        rgb[c] = largest > 0
                     ? static_cast<int>(std::lround(255 * readings.rgb[sticker][c] / largest))
                     : 0;
    }
}

std::vector<std::string> explanation(const Resolution& resolution, const StickerReadings& readings,
                                     double minConfidence) {
    std::vector<std::string> lines;
    lines.push_back("The readings resolve to " + resolution.facelets() + ", with confidence " +
                    number("%.6f", resolution.confidence) + " (at least " +
                    number("%g", minConfidence) + " is needed: --min-confidence).");
    for (int p : resolution.unfit) {
        const auto& r = readings.rgb[p];
        lines.push_back("Sticker " + stickerName(p) + " fits no colour: its reading " +
                        number("%g", r[0]) + " " + number("%g", r[1]) + " " + number("%g", r[2]) +
                        " lies " + number("%.1f", resolution.distance[p]) +
                        " times the scan's noise from the likeliest, the colour of the " +
                        resolution.facelets()[p] + " centre. Covered, or glare? Scan again.");
    }
    if (!resolution.settled) {
        lines.push_back(
            "The readings do not decide the cube: the search for the likeliest cube did "
            "not settle (each round found a cube that fits better). Scan again.");
    }
    if (resolution.confidence < minConfidence) {
        lines.push_back("The readings do not decide the cube: the likeliest cube has probability " +
                        number("%.6f", resolution.confidence) + ", below " +
                        number("%g", minConfidence) +
                        ". Scan again, or change the light or the sensor's distance.");
    }
    lines.push_back("Doubtful stickers: " + names(resolution.doubtful) + ".");
    lines.push_back(
        "Candidates, the likeliest first (misfit: -2 log of the probability against the "
        "first's; likelihood: -2 log of the likelihood against the first's, each with its own "
        "colours' means):");
    const std::string& first = resolution.facelets();
    for (std::size_t i = 0; i < resolution.candidates.size(); ++i) {
        const CandidateCube& c = resolution.candidates[i];
        std::string line = std::to_string(i + 1) + ". " + c.facelets + ": probability " +
                           number("%.6f", c.probability) + ", misfit " + number("%.1f", c.misfit) +
                           " (likelihood " + number("%.1f", c.likelihoodMisfit) + ")";
        if (i > 0) line += "; differs at " + differences(first, c.facelets);
        lines.push_back(line);
    }
    lines.push_back("Spreads of the scan: noise " + number("%.1f", 100 * resolution.noise) +
                    " %, brightness " + number("%.1f", 100 * resolution.brightnessSpread) + " %.");
    return lines;
}

std::vector<std::string> picture(const Resolution& resolution, const StickerReadings& readings,
                                 bool ansiColours) {
    auto cell = [&](int p) {
        const bool unfit = contains(resolution.unfit, p);
        const bool doubtful = contains(resolution.doubtful, p);
        std::string text = std::string(unfit      ? "["
                                       : doubtful ? "("
                                                  : " ") +
                           resolution.facelets()[p] +
                           (unfit      ? "]"
                            : doubtful ? ")"
                                       : " ");
        if (!ansiColours) return text;
        int rgb[3];
        displayColour(readings, p, rgb);
        return std::string(isLight(rgb) ? "\x1b[30;" : "\x1b[97;") + "48;2;" +
               std::to_string(rgb[0]) + ";" + std::to_string(rgb[1]) + ";" +
               std::to_string(rgb[2]) + "m" + text + "\x1b[0m";
    };
    // Laid out as the net of --show for a cube: U above F, D below it, L F R B in the middle.
    const int middle[] = {4, 2, 1, 5};
    std::vector<std::string> rows;
    for (int face : {0, -1, 3}) {
        for (int row = 0; row < 3; ++row) {
            std::string line = face >= 0 ? std::string(10, ' ') : "";
            for (int side : middle) {
                if (face < 0 && side != middle[0]) line += ' ';
                for (int column = 0; column < 3; ++column) {
                    line += cell(9 * (face >= 0 ? face : side) + 3 * row + column);
                }
                if (face >= 0) break;
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            rows.push_back(line);
        }
    }
    rows.push_back(
        "(X): doubtful stickers, where a runner-up differs; [X]: stickers that fit no "
        "colour");
    return rows;
}

std::string svg(const Resolution& resolution, const StickerReadings& readings) {
    const int size = 40, step = 44, margin = 10, top = 40;
    std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                       std::to_string(2 * margin + 12 * step) + "\" height=\"" +
                       std::to_string(top + 9 * step + 2 * margin + 16) + "\">\n";
    text += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    text += "<text x=\"" + std::to_string(margin) +
            "\" y=\"24\" font-family=\"sans-serif\" "
            "font-size=\"14\">The readings resolve to this cube with confidence " +
            number("%.6f", resolution.confidence) + "</text>\n";
    for (int p = 0; p < stickers; ++p) {
        int column, row, rgb[3];
        netPlace(p, column, row);
        displayColour(readings, p, rgb);
        const int x = margin + column * step, y = top + row * step;
        const bool unfit = contains(resolution.unfit, p);
        const bool doubtful = contains(resolution.doubtful, p);
        const std::string stroke = unfit      ? "stroke=\"#d00000\" stroke-width=\"4\""
                                   : doubtful ? "stroke=\"#000000\" stroke-width=\"3\" "
                                                "stroke-dasharray=\"6,3\""
                                              : "stroke=\"#404040\" stroke-width=\"1\"";
        text += "<rect id=\"" + stickerName(p) + "\" x=\"" + std::to_string(x) + "\" y=\"" +
                std::to_string(y) + "\" width=\"" + std::to_string(size) + "\" height=\"" +
                std::to_string(size) + "\" fill=\"rgb(" + std::to_string(rgb[0]) + "," +
                std::to_string(rgb[1]) + "," + std::to_string(rgb[2]) + ")\" " + stroke + "/>\n";
        text += "<text x=\"" + std::to_string(x + 4) + "\" y=\"" + std::to_string(y + 13) +
                "\" font-family=\"monospace\" font-size=\"12\" fill=\"" +
                (isLight(rgb) ? "#000000" : "#ffffff") + "\">" + resolution.facelets()[p] +
                "</text>\n";
    }
    text += "<text x=\"" + std::to_string(margin) + "\" y=\"" +
            std::to_string(top + 9 * step + 16) +
            "\" font-family=\"sans-serif\" font-size=\"12\">Dashed: doubtful stickers, where a "
            "runner-up differs. Red: stickers that fit no colour.</text>\n";
    return text + "</svg>\n";
}

std::string block(const Resolution& resolution, const StickerReadings& readings,
                  double minConfidence, bool explain, bool show, bool ansiColours) {
    std::vector<std::string> lines;
    if (explain) lines = explanation(resolution, readings, minConfidence);
    if (show) {
        const std::vector<std::string> net = picture(resolution, readings, ansiColours);
        lines.insert(lines.end(), net.begin(), net.end());
    }
    std::string text;
    for (const std::string& line : lines) text += "# " + line + "\n";
    return text + "#end";
}

}  // namespace ScanReport
