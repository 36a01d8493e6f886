// What a robot's colour sensor or camera measured on the 54 stickers: three non-negative numbers
// each (red, green, blue, in any scale: a camera's 0..255 or a sensor's raw counts), in the order
// of the facelets of a cube string (U1 .. B9).
#pragma once

#include <array>
#include <string>

struct StickerReadings {
    static constexpr int stickers = 54;
    static constexpr int channels = 3;
    std::array<std::array<double, channels>, stickers> rgb{};

    // Reads the 162 numbers of a scan from text: commas, brackets and white space between them
    // are ignored, so that a JSON array of 54 triples is read as well as one number a line.
    // Returns "" on success; otherwise what is wrong, in one line (a count other than 162, a
    // negative number, something that is no number), and the readings are left unspecified.
    static std::string parse(const std::string& text, StickerReadings& readings);
};
