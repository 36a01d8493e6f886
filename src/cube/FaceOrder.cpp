#include "cube/FaceOrder.h"

namespace {

const char faceLetters[] = "URFDLB";

// The position in the solver's order of the sticker given at position p.
int solverPosition(const int (&faceOfBlock)[6], int p) {
    return 9 * faceOfBlock[p / 9] + p % 9;
}

}  // namespace

FaceOrder::FaceOrder() : faceOfBlock_{0, 1, 2, 3, 4, 5} {}

std::string FaceOrder::parse(const std::string& text, FaceOrder& order) {
    const std::string wrong =
        "--face-order takes the six face letters U R F D L B in the order "
        "the scan gives the faces, each once (such as ULFRBD), not \"";
    bool seen[6] = {false, false, false, false, false, false};
    if (text.size() != 6) return wrong + text.substr(0, 20) + "\"";
    for (int k = 0; k < 6; ++k) {
        const std::string letters = faceLetters;
        const std::size_t face = letters.find(text[k]);
        if (text[k] == '\0' || face == std::string::npos || seen[face]) return wrong + text + "\"";
        seen[face] = true;
        order.faceOfBlock_[k] = static_cast<int>(face);
    }
    return "";
}

std::string FaceOrder::toSolverOrder(const std::string& facelets) const {
    std::string given = facelets.substr(0, StickerReadings::stickers);
    given.resize(StickerReadings::stickers, '?');
    std::string result(StickerReadings::stickers, '?');
    for (int p = 0; p < StickerReadings::stickers; ++p) {
        result[solverPosition(faceOfBlock_, p)] = given[p];
    }
    return result;
}

StickerReadings FaceOrder::toSolverOrder(const StickerReadings& readings) const {
    StickerReadings result;
    for (int p = 0; p < StickerReadings::stickers; ++p) {
        result.rgb[solverPosition(faceOfBlock_, p)] = readings.rgb[p];
    }
    return result;
}
