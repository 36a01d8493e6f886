#include "cube/CubieCube.h"

#include <algorithm>

#include "cube/FaceCube.h"

using namespace TP;

CubieCube CubieCube::moveCube[6];

namespace {

// The clockwise quarter turn of each face, as the cube it makes of the solved cube.
const Corner cpU[8] = {UBR, URF, UFL, ULB, DFR, DLF, DBL, DRB};
const unsigned char coU[8] = {0, 0, 0, 0, 0, 0, 0, 0};
const Edge epU[12] = {UB, UR, UF, UL, DR, DF, DL, DB, FR, FL, BL, BR};
const unsigned char eoU[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const Corner cpR[8] = {DFR, UFL, ULB, URF, DRB, DLF, DBL, UBR};
const unsigned char coR[8] = {2, 0, 0, 1, 1, 0, 0, 2};
const Edge epR[12] = {FR, UF, UL, UB, BR, DF, DL, DB, DR, FL, BL, UR};
const unsigned char eoR[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const Corner cpF[8] = {UFL, DLF, ULB, UBR, URF, DFR, DBL, DRB};
const unsigned char coF[8] = {1, 2, 0, 0, 2, 1, 0, 0};
const Edge epF[12] = {UR, FL, UL, UB, DR, FR, DL, DB, UF, DF, BL, BR};
const unsigned char eoF[12] = {0, 1, 0, 0, 0, 1, 0, 0, 1, 1, 0, 0};

const Corner cpD[8] = {URF, UFL, ULB, UBR, DLF, DBL, DRB, DFR};
const unsigned char coD[8] = {0, 0, 0, 0, 0, 0, 0, 0};
const Edge epD[12] = {UR, UF, UL, UB, DF, DL, DB, DR, FR, FL, BL, BR};
const unsigned char eoD[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const Corner cpL[8] = {URF, ULB, DBL, UBR, DFR, UFL, DLF, DRB};
const unsigned char coL[8] = {0, 1, 2, 0, 0, 2, 1, 0};
const Edge epL[12] = {UR, UF, BL, UB, DR, DF, FL, DB, FR, UL, DL, BR};
const unsigned char eoL[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const Corner cpB[8] = {URF, UFL, UBR, DRB, DFR, DLF, ULB, DBL};
const unsigned char coB[8] = {0, 0, 1, 2, 0, 0, 2, 1};
const Edge epB[12] = {UR, UF, UL, BR, DR, DF, DL, BL, FR, FL, UB, DB};
const unsigned char eoB[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 1};

// The three symmetries that generate the sixteen, as the position each position is carried to:
// a quarter turn of the whole cube about the U-D axis as U turns it, the half turn about the F-B
// axis, and the mirror image through the plane between R and L.
const int cornerImage[3][8] = {
    {1, 2, 3, 0, 5, 6, 7, 4}, {5, 4, 7, 6, 1, 0, 3, 2}, {1, 0, 3, 2, 5, 4, 7, 6}};
const int edgeImage[3][12] = {{1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8},
                              {6, 5, 4, 7, 2, 1, 0, 3, 9, 8, 11, 10},
                              {2, 1, 0, 3, 6, 5, 4, 7, 9, 8, 11, 10}};

// A symmetry as position maps. A mirror image turns every corner's stickers the other way round;
// an odd number of quarter turns takes the F or B sticker of a middle-slice position to the R or L
// face, which flips the edges there, and the middle-slice edges by their own names too.
struct SymmetryMap {
    int corner[8];
    int edge[12];
    bool mirror;
    bool flipsSlice;
};

struct SymmetryMaps {
    SymmetryMap of[CubieCube::udSymmetries];
    SymmetryMaps() {
        for (int s = 0; s < CubieCube::udSymmetries; ++s) {
            SymmetryMap& map = of[s];
            for (int i = 0; i < 8; ++i) map.corner[i] = i;
            for (int i = 0; i < 12; ++i) map.edge[i] = i;
            const int powers[3] = {s % 4, s / 4 % 2, s / 8};
            for (int g = 0; g < 3; ++g) {
                for (int p = 0; p < powers[g]; ++p) {
                    for (int& c : map.corner) c = cornerImage[g][c];
                    for (int& e : map.edge) e = edgeImage[g][e];
                }
            }
            map.mirror = powers[2] == 1;
            map.flipsSlice = powers[0] % 2 == 1;
        }
    }
};

const int factorial[13] = {1,    1,     2,      6,       24,       120,      720,
                           5040, 40320, 362880, 3628800, 39916800, 479001600};

// The value reduced into 0..count-1, so that a setter given any argument stays in range.
int wrapped(int value, int count) {
    return (value % count + count) % count;
}

template <typename Piece>
void rotateLeftOf(Piece* arr, int l, int r) {
    Piece first = arr[l];
    for (int i = l; i < r; ++i) arr[i] = arr[i + 1];
    arr[r] = first;
}

template <typename Piece>
void rotateRightOf(Piece* arr, int l, int r) {
    Piece last = arr[r];
    for (int i = r; i > l; --i) arr[i] = arr[i - 1];
    arr[l] = last;
}

// The order of the n pieces base..base+n-1, listed in p by increasing position, as 0..n!-1.
// p is used as scratch space.
template <typename Piece>
int encodeOrder(Piece* p, int n, int base) {
    int b = 0;
    for (int j = n - 1; j > 0; --j) {
        // Within j rotations the piece reaches index j when it is in the list at all; the cap
        // keeps a list that lacks it from rotating forever.
        int k = 0;
        while (p[j] != base + j && k < j) {
            rotateLeftOf(p, 0, j);
            ++k;
        }
        b = (j + 1) * b + k;
    }
    return b;
}

// Fills p with the pieces base..base+n-1 in the order that b (0..n!-1) encodes.
template <typename Piece>
void decodeOrder(Piece* p, int n, int base, int b) {
    for (int j = 0; j < n; ++j) p[j] = static_cast<Piece>(base + j);
    for (int j = 1; j < n; ++j) {
        int k = b % (j + 1);
        b /= j + 1;
        for (; k > 0; --k) rotateRightOf(p, 0, j);
    }
}

// A coordinate of the n pieces base..base+n-1 over m positions: n! * a + b, where the combination
// part a says which positions hold the pieces and b in which order. The combination is counted
// from position 0 upward, or from position m-1 downward.
struct PartialCoordinate {
    int m;
    int n;
    int base;
    bool downward;
};

const PartialCoordinate FRtoBRCoordinate = {12, 4, FR, true};
const PartialCoordinate URFtoDLFCoordinate = {8, 6, URF, false};
const PartialCoordinate URtoDFCoordinate = {12, 6, UR, false};
const PartialCoordinate URtoULCoordinate = {12, 3, UR, false};
const PartialCoordinate UBtoDFCoordinate = {12, 3, UB, false};

// What the setters put at the positions that receive no piece of their coordinate. BR marks the
// free positions of the three-edge coordinates, which the merge relies on.
const Edge FRtoBRFill[8] = {UR, UF, UL, UB, DR, DF, DL, DB};
const Corner URFtoDLFFill[2] = {DBL, DRB};
const Edge URtoDFFill[6] = {DL, DB, FR, FL, BL, BR};
const Edge threeEdgeFill[9] = {BR, BR, BR, BR, BR, BR, BR, BR, BR};

template <typename Piece>
int getPartial(const Piece* arr, const PartialCoordinate& c) {
    Piece p[12] = {};
    int a = 0;
    int x = 0;
    for (int t = 0; t < c.m; ++t) {
        int j = c.downward ? c.m - 1 - t : t;
        bool ours = arr[j] >= c.base && arr[j] < c.base + c.n;
        if (ours && x < c.n) {
            a += CubieCube::Cnk(t, x + 1);
            p[c.downward ? c.n - 1 - x : x] = arr[j];
            ++x;
        }
    }
    // A record that lacks some pieces can rank its combination past the range: keep it inside.
    return wrapped(factorial[c.n] * a + encodeOrder(p, c.n, c.base),
                   factorial[c.n] * CubieCube::Cnk(c.m, c.n));
}

template <typename Piece>
void setPartial(Piece* arr, const PartialCoordinate& c, int value, const Piece* fill) {
    value = wrapped(value, factorial[c.n] * CubieCube::Cnk(c.m, c.n));
    int a = value / factorial[c.n];
    Piece p[12];
    decodeOrder(p, c.n, c.base, value % factorial[c.n]);
    bool taken[12] = {};
    int x = c.n - 1;
    for (int t = c.m - 1; t >= 0 && x >= 0; --t) {
        if (a >= CubieCube::Cnk(t, x + 1)) {
            int j = c.downward ? c.m - 1 - t : t;
            arr[j] = p[c.downward ? c.n - 1 - x : x];
            taken[j] = true;
            a -= CubieCube::Cnk(t, x + 1);
            --x;
        }
    }
    int next = 0;
    for (int j = 0; j < c.m; ++j) {
        if (!taken[j]) arr[j] = fill[next++];
    }
}

template <typename Piece>
short permutationParity(const Piece* p, int n) {
    int s = 0;
    for (int i = n - 1; i > 0; --i) {
        for (int j = i - 1; j >= 0; --j) {
            if (p[j] > p[i]) ++s;
        }
    }
    return static_cast<short>(s % 2);
}

// True when each of the n pieces 0..n-1 occurs exactly once in p.
template <typename Piece>
bool eachPieceOnce(const Piece* p, int n) {
    int count[12] = {};
    for (int i = 0; i < n; ++i) {
        if (p[i] < 0 || p[i] >= n) return false;
        ++count[p[i]];
    }
    for (int i = 0; i < n; ++i) {
        if (count[i] != 1) return false;
    }
    return true;
}

}  // namespace

CubieCube::CubieCube() {
    for (int i = 0; i < 8; ++i) {
        cp[i] = static_cast<Corner>(i);
        co[i] = 0;
    }
    for (int i = 0; i < 12; ++i) {
        ep[i] = static_cast<Edge>(i);
        eo[i] = 0;
    }
}

CubieCube::CubieCube(Corner* cpIn, unsigned char* coIn, Edge* epIn, unsigned char* eoIn)
    : CubieCube() {
    for (int i = 0; i < 8; ++i) {
        cp[i] = cpIn[i];
        co[i] = coIn[i];
    }
    for (int i = 0; i < 12; ++i) {
        ep[i] = epIn[i];
        eo[i] = eoIn[i];
    }
}

void CubieCube::initAllStaticVariables() {
    const Corner* cps[6] = {cpU, cpR, cpF, cpD, cpL, cpB};
    const unsigned char* cos[6] = {coU, coR, coF, coD, coL, coB};
    const Edge* eps[6] = {epU, epR, epF, epD, epL, epB};
    const unsigned char* eos[6] = {eoU, eoR, eoF, eoD, eoL, eoB};
    for (int axis = 0; axis < 6; ++axis) {
        for (int i = 0; i < 8; ++i) {
            moveCube[axis].cp[i] = cps[axis][i];
            moveCube[axis].co[i] = cos[axis][i];
        }
        for (int i = 0; i < 12; ++i) {
            moveCube[axis].ep[i] = eps[axis][i];
            moveCube[axis].eo[i] = eos[axis][i];
        }
    }
}

CubieCube CubieCube::seenTurnedY() const {
    return seenUnder(1);
}

CubieCube CubieCube::seenUnder(int s) const {
    static const SymmetryMaps maps;
    const SymmetryMap& map = maps.of[s];
    CubieCube seen;
    for (int i = 0; i < 8; ++i) {
        seen.cp[map.corner[i]] = static_cast<Corner>(map.corner[cp[i]]);
        seen.co[map.corner[i]] = static_cast<unsigned char>(map.mirror ? (3 - co[i]) % 3 : co[i]);
    }
    for (int i = 0; i < 12; ++i) {
        seen.ep[map.edge[i]] = static_cast<Edge>(map.edge[ep[i]]);
        const bool flipped = map.flipsSlice && ((i >= FR) != (ep[i] >= FR));
        seen.eo[map.edge[i]] = static_cast<unsigned char>(eo[i] ^ flipped);
    }
    return seen;
}

bool CubieCube::operator==(const CubieCube& other) const {
    return std::equal(cp, cp + 8, other.cp) && std::equal(co, co + 8, other.co) &&
           std::equal(ep, ep + 12, other.ep) && std::equal(eo, eo + 12, other.eo);
}

int CubieCube::moveSeenUnder(int s, int m) {
    struct MovesSeen {
        int of[udSymmetries][18];
        MovesSeen() {
            CubieCube moves[18];
            for (int n = 0; n < 18; ++n) {
                for (int p = 0; p <= n % 3; ++p) {
                    moves[n].cornerMultiply(moveCube[n / 3]);
                    moves[n].edgeMultiply(moveCube[n / 3]);
                }
            }
            for (int t = 0; t < udSymmetries; ++t) {
                for (int n = 0; n < 18; ++n) {
                    const CubieCube seen = moves[n].seenUnder(t);
                    of[t][n] = -1;
                    for (int k = 0; k < 18; ++k) {
                        if (seen == moves[k]) of[t][n] = k;
                    }
                }
            }
        }
    };
    static const MovesSeen seen;
    return seen.of[s][m];
}

std::unique_ptr<FaceCube> CubieCube::toFaceCube() const {
    std::unique_ptr<FaceCube> fc(new FaceCube());
    for (int i = 0; i < 8; ++i) {
        for (int n = 0; n < 3; ++n) {
            fc->f[FaceCube::cornerFacelet[i][(n + co[i]) % 3]] = FaceCube::cornerColor[cp[i]][n];
        }
    }
    for (int i = 0; i < 12; ++i) {
        for (int n = 0; n < 2; ++n) {
            fc->f[FaceCube::edgeFacelet[i][(n + eo[i]) % 2]] = FaceCube::edgeColor[ep[i]][n];
        }
    }
    return fc;
}

void CubieCube::cornerMultiply(const CubieCube& b) {
    Corner cPerm[8];
    unsigned char cOri[8];
    for (int i = 0; i < 8; ++i) {
        cPerm[i] = cp[b.cp[i]];
        int oriA = co[b.cp[i]];
        int oriB = b.co[i];
        int ori;
        // Values 3..5 stand for mirrored corners.
        if (oriA < 3 && oriB < 3) {
            ori = oriA + oriB;
            if (ori >= 3) ori -= 3;
        } else if (oriA < 3) {
            ori = oriA + oriB;
            if (ori >= 6) ori -= 3;
        } else if (oriB < 3) {
            ori = oriA - oriB;
            if (ori < 3) ori += 3;
        } else {
            ori = oriA - oriB;
            if (ori < 0) ori += 3;
        }
        cOri[i] = static_cast<unsigned char>(ori);
    }
    for (int i = 0; i < 8; ++i) {
        cp[i] = cPerm[i];
        co[i] = cOri[i];
    }
}

void CubieCube::edgeMultiply(const CubieCube& b) {
    Edge ePerm[12];
    unsigned char eOri[12];
    for (int i = 0; i < 12; ++i) {
        ePerm[i] = ep[b.ep[i]];
        eOri[i] = static_cast<unsigned char>((b.eo[i] + eo[b.ep[i]]) % 2);
    }
    for (int i = 0; i < 12; ++i) {
        ep[i] = ePerm[i];
        eo[i] = eOri[i];
    }
}

void CubieCube::multiply(const CubieCube& b) {
    cornerMultiply(b);
}

void CubieCube::invCubieCube(CubieCube& target) const {
    for (int i = 0; i < 12; ++i) target.ep[ep[i]] = static_cast<Edge>(i);
    for (int i = 0; i < 12; ++i) target.eo[i] = eo[target.ep[i]];
    for (int i = 0; i < 8; ++i) target.cp[cp[i]] = static_cast<Corner>(i);
    for (int i = 0; i < 8; ++i) {
        int ori = co[target.cp[i]];
        target.co[i] = static_cast<unsigned char>(ori >= 3 ? ori : (3 - ori) % 3);
    }
}

short CubieCube::cornerParity() const {
    return permutationParity(cp, 8);
}

short CubieCube::edgeParity() const {
    return permutationParity(ep, 12);
}

int CubieCube::verify() const {
    if (!eachPieceOnce(ep, 12)) return -2;
    int sum = 0;
    for (unsigned char o : eo) sum += o;
    if (sum % 2 != 0) return -3;
    if (!eachPieceOnce(cp, 8)) return -4;
    sum = 0;
    for (unsigned char o : co) sum += o;
    if (sum % 3 != 0) return -5;
    if (edgeParity() != cornerParity()) return -6;
    return 0;
}

short CubieCube::getTwist() const {
    int twist = 0;
    for (int i = URF; i < DRB; ++i) twist = 3 * twist + co[i];
    return static_cast<short>(twist);
}

void CubieCube::setTwist(short twist) {
    int t = wrapped(twist, 2187);
    int sum = 0;
    for (int i = DRB - 1; i >= URF; --i) {
        co[i] = static_cast<unsigned char>(t % 3);
        sum += co[i];
        t /= 3;
    }
    co[DRB] = static_cast<unsigned char>((3 - sum % 3) % 3);
}

short CubieCube::getFlip() const {
    int flip = 0;
    for (int i = UR; i < BR; ++i) flip = 2 * flip + eo[i];
    return static_cast<short>(flip);
}

void CubieCube::setFlip(short flip) {
    int f = wrapped(flip, 2048);
    int sum = 0;
    for (int i = BR - 1; i >= UR; --i) {
        eo[i] = static_cast<unsigned char>(f % 2);
        sum += eo[i];
        f /= 2;
    }
    eo[BR] = static_cast<unsigned char>((2 - sum % 2) % 2);
}

short CubieCube::getFRtoBR() const {
    return static_cast<short>(getPartial(ep, FRtoBRCoordinate));
}

void CubieCube::setFRtoBR(short idx) {
    setPartial(ep, FRtoBRCoordinate, idx, FRtoBRFill);
}

short CubieCube::getURFtoDLF() const {
    return static_cast<short>(getPartial(cp, URFtoDLFCoordinate));
}

void CubieCube::setURFtoDLF(short idx) {
    setPartial(cp, URFtoDLFCoordinate, idx, URFtoDLFFill);
}

int CubieCube::getURtoDF() const {
    return getPartial(ep, URtoDFCoordinate);
}

void CubieCube::setURtoDF(int idx) {
    setPartial(ep, URtoDFCoordinate, idx, URtoDFFill);
}

short CubieCube::getURtoUL() const {
    return static_cast<short>(getPartial(ep, URtoULCoordinate));
}

void CubieCube::setURtoUL(short idx) {
    setPartial(ep, URtoULCoordinate, idx, threeEdgeFill);
}

short CubieCube::getUBtoDF() const {
    return static_cast<short>(getPartial(ep, UBtoDFCoordinate));
}

void CubieCube::setUBtoDF(short idx) {
    setPartial(ep, UBtoDFCoordinate, idx, threeEdgeFill);
}

int CubieCube::getURFtoDLB() const {
    Corner perm[8];
    for (int i = 0; i < 8; ++i) perm[i] = cp[i];
    return encodeOrder(perm, 8, URF);
}

void CubieCube::setURFtoDLB(int idx) {
    decodeOrder(cp, 8, URF, wrapped(idx, factorial[8]));
}

int CubieCube::getURtoBR() const {
    Edge perm[12];
    for (int i = 0; i < 12; ++i) perm[i] = ep[i];
    return encodeOrder(perm, 12, UR);
}

void CubieCube::setURtoBR(int idx) {
    decodeOrder(ep, 12, UR, wrapped(idx, factorial[12]));
}

int CubieCube::getURtoDF(short idx1, short idx2) {
    CubieCube a;
    CubieCube b;
    a.setURtoUL(idx1);
    b.setUBtoDF(idx2);
    for (int i = 0; i < 8; ++i) {
        if (a.ep[i] != BR) {
            if (b.ep[i] != BR) return -1;
            b.ep[i] = a.ep[i];
        }
    }
    return b.getURtoDF();
}

int CubieCube::Cnk(int n, int k) {
    if (n < k) return 0;
    if (k > n / 2) k = n - k;
    int s = 1;
    for (int i = n, j = 1; i != n - k; --i, ++j) {
        s *= i;
        s /= j;
    }
    return s;
}

void CubieCube::rotateLeft(Corner* arr, int l, int r) {
    rotateLeftOf(arr, l, r);
}
void CubieCube::rotateRight(Corner* arr, int l, int r) {
    rotateRightOf(arr, l, r);
}
void CubieCube::rotateLeft(Edge* arr, int l, int r) {
    rotateLeftOf(arr, l, r);
}
void CubieCube::rotateRight(Edge* arr, int l, int r) {
    rotateRightOf(arr, l, r);
}
