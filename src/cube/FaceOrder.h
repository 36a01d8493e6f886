// The order in which a robot hands over the faces of a scan. Many read U, L, F, R, B, D and
// number the stickers 1 to 54 in that order; the solver's own order is U, R, F, D, L, B. Each
// face's nine stickers keep the order the README's net gives them.
#pragma once

#include <string>

#include "cube/StickerReadings.h"

class FaceOrder {
  public:
    // The solver's own order.
    FaceOrder();

    // Reads an order such as "ULFRBD": the six face letters, each once. Returns "" on success,
    // otherwise what is wrong, in one line.
    static std::string parse(const std::string& text, FaceOrder& order);

    // The stickers of a scan given in this order, put in the solver's order. Only the first 54
    // characters count; a shorter scan is filled with '?' first, which is no letter.
    std::string toSolverOrder(const std::string& facelets) const;
    StickerReadings toSolverOrder(const StickerReadings& readings) const;

  private:
    // The face (U R F D L B as 0..5) whose nine stickers come as the k-th block.
    int faceOfBlock_[6];
};
