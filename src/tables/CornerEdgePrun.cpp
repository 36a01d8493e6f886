#include "tables/CornerEdgePrun.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cube/CubieCube.h"

unsigned short CornerEdgePrun::symmetryTables[symmetries + 2][permutations];
unsigned char* CornerEdgePrun::distances = nullptr;
unsigned char* CornerEdgePrun::far = nullptr;
unsigned char CornerEdgePrun::sliceParity[24];
std::vector<std::string> CornerEdgePrun::directories;
std::size_t CornerEdgePrun::largestDeferred = distanceBytes;

const CoordCube::TableFile CornerEdgePrun::symmetryFile = {
    "Corner_UDEdge_Sym", symmetryTables, 2, (symmetries + 2) * permutations, 0xba43f9c4586b3a1c};

CoordCube::TableFile CornerEdgePrun::distanceFile() {
    return {"Corner_UDEdge_Prun", distances, 1, static_cast<int>(distanceBytes),
            0x55a7f56706b8eae2};
}

CoordCube::TableFile CornerEdgePrun::farFile() {
    return {"Corner_UDEdge_Far", far, 1, static_cast<int>(farBytes), 0x4da8f4d17d73fb3f};
}

namespace {

using TP::Corner;
using TP::Edge;

template <typename Piece>
int parityOf(const Piece* p, int n) {
    int s = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) s += p[i] > p[j];
    }
    return s % 2;
}

// Positions from..to-1 that hold no piece below first get the pieces first, first+1, ... in
// order, then the last two are exchanged if the parity of positions from..to-1 is not parity.
template <typename Piece>
void placeRest(Piece* p, int from, int to, int first, int parity) {
    int next = first;
    int last[2] = {-1, -1};
    for (int i = from; i < to; ++i) {
        if (p[i] < first) continue;
        last[0] = last[1];
        last[1] = i;
        p[i] = static_cast<Piece>(next++);
    }
    if (parityOf(p + from, to - from) != parity && last[0] >= 0) std::swap(p[last[0]], p[last[1]]);
}

CubieCube cubeOfCorners(int corners) {
    CubieCube c;
    c.setURFtoDLF(static_cast<short>(corners / 2));
    placeRest(c.cp, 0, 8, TP::DBL, corners % 2);
    return c;
}

int cornersOf(const CubieCube& c) {
    return 2 * c.getURFtoDLF() + c.cornerParity();
}

CubieCube cubeOfUDEdges(int udEdges) {
    CubieCube c;
    c.setURtoDF(udEdges / 2);
    for (int i = 8; i < 12; ++i) c.ep[i] = static_cast<Edge>(i);
    placeRest(c.ep, 0, 8, TP::DL, udEdges % 2);
    return c;
}

int udEdgesOf(const CubieCube& c) {
    return 2 * c.getURtoDF() + parityOf(c.ep, 8);
}

CubieCube cubeOfMove(int m) {
    CubieCube c;
    for (int p = 0; p <= m % 3; ++p) {
        c.cornerMultiply(CubieCube::moveCube[m / 3]);
        c.edgeMultiply(CubieCube::moveCube[m / 3]);
    }
    return c;
}

bool samePermutations(const CubieCube& a, const CubieCube& b) {
    return std::equal(a.cp, a.cp + 8, b.cp) && std::equal(a.ep, a.ep + 12, b.ep);
}

// Each symmetry must take every phase-2 move to a phase-2 move, or distances would not be the
// same for the cubes of one class.
bool keepsThePhase2Moves(int s) {
    for (int m : CoordCube::phase2Moves) {
        const CubieCube seen = cubeOfMove(m).seenUnder(s);
        bool found = false;
        for (int n : CoordCube::phase2Moves) found = found || samePermutations(seen, cubeOfMove(n));
        if (!found) return false;
    }
    return true;
}

}  // namespace

void CornerEdgePrun::makeSliceParity() {
    for (int i = 0; i < 24; ++i) {
        CubieCube c;
        c.setFRtoBR(static_cast<short>(i));
        sliceParity[i] = static_cast<unsigned char>(parityOf(c.ep + 8, 4));
    }
}

int CornerEdgePrun::cornersAfter(int corners, int m) {
    return 2 * CoordCube::URFtoDLF_Move[corners / 2][m] + CoordCube::parityMove[corners % 2][m];
}

int CornerEdgePrun::udEdgesAfter(int udEdges, int m) {
    // Quarter turns of U and D and the half turns of the side faces change the eight edges'
    // parity; half turns of U and D keep it.
    const bool changes = m % 3 != 1 || (m / 3) % 3 != 0;
    return 2 * CoordCube::URtoDF_Move[udEdges / 2][m] + ((udEdges % 2) ^ changes);
}

bool CornerEdgePrun::makeSymmetryTables() {
    for (int s = 0; s < symmetries; ++s) {
        if (!keepsThePhase2Moves(s)) return false;
    }
    for (int e = 0; e < permutations; ++e) {
        const CubieCube c = cubeOfUDEdges(e);
        if (udEdgesOf(c) != e) return false;
        for (int s = 0; s < symmetries; ++s) {
            symmetryTables[s][e] = static_cast<unsigned short>(udEdgesOf(c.seenUnder(s)));
        }
    }
    // The representative of a class is its least corner coordinate; classes are numbered in the
    // order of their representatives.
    int classes = 0;
    for (int corners = 0; corners < permutations; ++corners) {
        const CubieCube c = cubeOfCorners(corners);
        if (cornersOf(c) != corners) return false;
        int least = corners, symmetry = 0;
        for (int s = 1; s < symmetries; ++s) {
            const int seen = cornersOf(c.seenUnder(s));
            if (seen < least) least = seen, symmetry = s;
        }
        if (least == corners) {
            if (classes == cornerClasses) return false;
            symmetryTables[symmetries][corners] = static_cast<unsigned short>(classes++);
        } else {
            symmetryTables[symmetries][corners] = symmetryTables[symmetries][least];
        }
        symmetryTables[symmetries + 1][corners] = static_cast<unsigned short>(symmetry);
    }
    return classes == cornerClasses;
}

bool CornerEdgePrun::makeDistances(unsigned char* table) {
    const unsigned short* classOf = symmetryTables[symmetries];
    const unsigned short* symmetryOf = symmetryTables[symmetries + 1];
    // Per class: its representative, and the other symmetries that leave it as it is: a cube of
    // the class is stored under each of their views of its edges, so each of them is set.
    std::vector<int> representative(cornerClasses);
    std::vector<std::vector<int>> stabilizer(cornerClasses);
    for (int corners = permutations - 1; corners >= 0; --corners) {
        if (symmetryOf[corners] == 0) representative[classOf[corners]] = corners;
    }
    for (int k = 0; k < cornerClasses; ++k) {
        const CubieCube c = cubeOfCorners(representative[k]);
        for (int s = 1; s < symmetries; ++s) {
            if (cornersOf(c.seenUnder(s)) == representative[k]) stabilizer[k].push_back(s);
        }
    }
    std::vector<unsigned short> edgeMove(permutations * 10);
    for (int e = 0; e < permutations; ++e) {
        for (int k = 0; k < 10; ++k) {
            edgeMove[e * 10 + k] =
                static_cast<unsigned short>(udEdgesAfter(e, CoordCube::phase2Moves[k]));
        }
    }

    std::memset(table, 0xff, distanceBytes);
    std::int64_t done = 0;
    const auto set = [&](int k, int e, unsigned char value) {
        const std::int64_t i = std::int64_t(k) * permutations + e;
        if (CoordCube::getPruning(table, static_cast<std::uint32_t>(i)) != 0x0f) return;
        CoordCube::setPruning(table, static_cast<int>(i), value);
        ++done;
        for (int s : stabilizer[k]) {
            const std::int64_t j = std::int64_t(k) * permutations + symmetryTables[s][e];
            if (CoordCube::getPruning(table, static_cast<std::uint32_t>(j)) != 0x0f) continue;
            CoordCube::setPruning(table, static_cast<int>(j), value);
            ++done;
        }
    };
    set(0, 0, 0);
    for (int depth = 0; depth + 1 < deepest && done < entries; ++depth) {
        const std::int64_t doneBefore = done;
        const bool backward = done > entries / 2;
        const auto nextDepth = static_cast<unsigned char>(depth + 1);
        for (int k = 0; k < cornerClasses; ++k) {
            // Where each move takes the class's representative: a class and the symmetry that
            // brings the corners back to its representative.
            int nextClass[10], nextSymmetry[10];
            for (int n = 0; n < 10; ++n) {
                const int c = cornersAfter(representative[k], CoordCube::phase2Moves[n]);
                nextClass[n] = classOf[c];
                nextSymmetry[n] = symmetryOf[c];
            }
            const unsigned char* block = table + std::int64_t(k) * permutations / 2;
            for (int e = 0; e < permutations; ++e) {
                const int entry = (block[e / 2] >> (4 * (e % 2))) & 0x0f;
                if (backward && entry == 0x0f) {
                    for (int n = 0; n < 10; ++n) {
                        const int e2 = symmetryTables[nextSymmetry[n]][edgeMove[e * 10 + n]];
                        const std::int64_t j = std::int64_t(nextClass[n]) * permutations + e2;
                        if (CoordCube::getPruning(table, static_cast<std::uint32_t>(j)) == depth) {
                            set(k, e, nextDepth);
                            break;
                        }
                    }
                } else if (!backward && entry == depth) {
                    for (int n = 0; n < 10; ++n) {
                        set(nextClass[n], symmetryTables[nextSymmetry[n]][edgeMove[e * 10 + n]],
                            nextDepth);
                    }
                }
            }
        }
        if (done == doneBefore) return false;
    }
    // What is left is deepest moves or more from solved.
    for (std::int64_t i = 0; i < entries; ++i) {
        if (CoordCube::getPruning(table, static_cast<std::uint32_t>(i)) == 0x0f) {
            CoordCube::setPruning(table, static_cast<int>(i), deepest);
        }
    }
    return true;
}

void CornerEdgePrun::makeFar(const unsigned char* table, unsigned char* bits) {
    for (std::size_t byte = 0; byte < farBytes; ++byte) {
        unsigned char b = 0;
        for (int k = 0; k < 8; ++k) {
            const auto i = static_cast<std::uint32_t>(8 * byte + k);
            b |= static_cast<unsigned char>((CoordCube::getPruning(table, i) == deepest) << k);
        }
        bits[byte] = b;
    }
}

std::string CornerEdgePrun::load(const std::vector<std::string>& dirs, bool& missing,
                                 std::size_t largest) {
    missing = false;
    if (loaded()) return "";
    const auto fits = [&](std::size_t bytes) {
        return bytes <= largest && CoordCube::memoryAllows(bytes);
    };
    missing = !fits(farBytes);
    if (missing) return "";
    std::string failure = CoordCube::loadFile(symmetryFile, dirs, missing);
    if (!failure.empty() || missing) return failure;
    makeSliceParity();
    if (fits(distanceBytes)) {
        failure = CoordCube::loadAllocated(distances, distanceFile(), dirs, distanceBytes, missing);
        if (!failure.empty() || !missing) return failure;
    }
    return CoordCube::loadAllocated(far, farFile(), dirs, farBytes, missing);
}

void CornerEdgePrun::unload() {
    std::free(distances);
    std::free(far);
    distances = far = nullptr;
}
