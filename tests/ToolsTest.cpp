// The check of a facelet string, with the cubie cube's own check behind it.
#include <gtest/gtest.h>

#include <tuple>

#include "TestSupport.h"
#include "cube/Tools.h"

using namespace TP;

namespace {

TEST(Verify, EachFaultHasItsCodeAndTheFirstCheckThatFailsDecides) {
    // Facelet strings, the code of the cubie cube read from them and that of the whole check.
    const std::tuple<std::string, int, int> cases[] = {
        {solvedFacelets, 0, 0},
        {solvedFacelets.substr(0, 53), 0, -1},
        {"wwwwwwwwwrrrrrrrrrgggggggggyyyyyyyyyooooooooobbbbbbbbb", 0,
         -1},                          // colour letters are not mapped
        {edited({{U1, 'R'}}), 0, -1},  // ten R, eight U
        // Positions matching no cubie hold cubie 0; corners are known by their side colours.
        {edited({{F2, 'U'}}), -2, -1},  // UF shows U twice: UR
        {edited({{F1, 'D'}}), -4, -1},  // UFL has sides D, L: URF
        {edited({{R1, 'D'}}), 0, -1},   // URF shows U and D, its sides D, F match no corner
        // One fault each: an edge missing, one flipped, a corner missing, one twisted, two edges
        // exchanged; two exchanges make a real cube again.
        {edited({{R2, 'D'}, {D4, 'R'}}), -2, -2},
        {edited({{U6, 'R'}, {R2, 'U'}}), -3, -3},
        {edited({{R1, 'L'}, {L3, 'R'}}), -4, -4},
        {edited({{U9, 'F'}, {R1, 'U'}, {F3, 'R'}}), -5, -5},
        {edited({{R2, 'F'}, {F2, 'R'}}), -6, -6},
        {edited({{R2, 'F'}, {F2, 'R'}, {R1, 'F'}, {F3, 'L'}, {F1, 'R'}, {L3, 'F'}}), 0, 0},
        // Two faults: the earlier check decides.
        {edited({{R2, 'D'}, {D4, 'R'}, {U8, 'F'}, {F2, 'U'}}), -2, -2},
        {edited({{U6, 'R'}, {R2, 'U'}, {R1, 'L'}, {L3, 'R'}}), -3, -3},
        {edited({{R1, 'L'}, {L3, 'R'}, {D9, 'B'}, {R9, 'D'}, {B7, 'R'}}), -4, -4},
        {edited({{U9, 'F'}, {R1, 'U'}, {F3, 'R'}, {R2, 'F'}, {F2, 'R'}}), -5, -5},
        {edited({{U5, 'R'}, {R5, 'U'}, {U9, 'F'}, {R1, 'U'}, {F3, 'R'}}), -5, -5},
        // Pieces that verify but stickers no real cube shows: centres first, then edges, corners.
        {edited({{U5, 'R'}, {R5, 'U'}}), 0, -9},
        {edited({{U5, 'R'}, {R5, 'U'}, {R2, 'U'}, {U9, 'R'}}), 0, -9},
        {edited({{R2, 'U'}, {U9, 'R'}}), 0, -2},
        {edited({{U9, 'D'}, {D3, 'U'}}), 0, -4},
    };
    for (const auto& [facelets, cubieCode, code] : cases) {
        EXPECT_EQ(FaceCube(facelets).toCubieCube()->verify(), cubieCode) << facelets;
        EXPECT_EQ(Tools::verify(facelets), code) << facelets;
        std::unique_ptr<CubieCube> cube;
        EXPECT_EQ(Tools::readCube(facelets, cube), code) << facelets;
        EXPECT_EQ(cube != nullptr, code == 0) << facelets;
    }
}

}  // namespace
