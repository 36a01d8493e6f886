// Names and numbers of the cube's colours, facelets, corners and edges.
#pragma once

#include <cstdint>

namespace TP {

// A colour is named after the face whose centre shows it on the solved cube; faces and move axes
// use the same numbering.
enum Color : std::int32_t { U, R, F, D, L, B };

// Facelet n of face X has the value 9 * X + n - 1.
// clang-format off
enum Facelet : std::int32_t {
    U1, U2, U3, U4, U5, U6, U7, U8, U9,
    R1, R2, R3, R4, R5, R6, R7, R8, R9,
    F1, F2, F3, F4, F5, F6, F7, F8, F9,
    D1, D2, D3, D4, D5, D6, D7, D8, D9,
    L1, L2, L3, L4, L5, L6, L7, L8, L9,
    B1, B2, B3, B4, B5, B6, B7, B8, B9
};
// clang-format on

// Each name stands both for a cubie and for the position where it sits on the solved cube.
enum Corner : std::int32_t { URF, UFL, ULB, UBR, DFR, DLF, DBL, DRB };
enum Edge : std::int32_t { UR, UF, UL, UB, DR, DF, DL, DB, FR, FL, BL, BR };

}  // namespace TP
