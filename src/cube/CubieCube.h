// The cube seen as pieces: which corner and edge cubie sits at each position, and how it is turned.
#pragma once

#include <memory>

#include "cube/TP.h"

class FaceCube;

class CubieCube {
  public:
    // Permutations are stored by position: cp[i] is the corner cubie at corner position i.
    TP::Corner cp[8];
    unsigned char co[8];
    TP::Edge ep[12];
    unsigned char eo[12];

    // The clockwise quarter turn of each face, indexed by axis U, R, F, D, L, B.
    static CubieCube moveCube[6];

    // The identity (solved) cube.
    CubieCube();
    // Starts from the identity and copies 8 corner and 12 edge entries from the four arrays.
    CubieCube(TP::Corner* cp, unsigned char* co, TP::Edge* ep, unsigned char* eo);

    static void initAllStaticVariables();

    // The same pieces in the same places, turned the same way.
    bool operator==(const CubieCube& other) const;

    // The same cube seen after a quarter turn of the whole cube about the U-D axis (as U turns
    // it): y^-1 * this * y, y being that turn. This cube followed by move m is seen as the seen
    // cube followed by y^-1 * m * y, which is again a face turn (CoordCube::seenTurnedYMove). It is
    // symmetry 1 of seenUnder.
    CubieCube seenTurnedY() const;

    // The 16 symmetries of the cube that keep the U-D axis. Symmetry a + 4b + 8c is a quarter
    // turns of the whole cube about the U-D axis (as U turns it), then b half turns about the F-B
    // axis, then c mirror images through the plane between R and L. Each maps face turns to face
    // turns and the phase-2 subgroup onto itself, so it keeps every distance the searches use.
    static const int udSymmetries = 16;
    // This cube seen under symmetry s: the piece at position i goes to the image of i and is named
    // after the image of its own name, so that the solved cube stays solved.
    CubieCube seenUnder(int s) const;
    // The move m (3 * axis + power - 1) as seen under symmetry s: this cube followed by m, seen
    // under s, is the seen cube followed by moveSeenUnder(s, m). Needs the basic turns.
    static int moveSeenUnder(int s, int m);
    std::unique_ptr<FaceCube> toFaceCube() const;

    // Replace the corner part, or the edge part, of this cube by that of this cube followed by b.
    // b may be this cube itself.
    void cornerMultiply(const CubieCube& b);
    void edgeMultiply(const CubieCube& b);
    // The corner product alone: the edges are left as they are.
    void multiply(const CubieCube& b);
    // Writes the inverse of this cube into target, which must be another object.
    void invCubieCube(CubieCube& target) const;

    short cornerParity() const;
    short edgeParity() const;

    // 0 for a cube that can be reached by face turns; otherwise -2 (edges not all present once),
    // -3 (an edge flipped), -4 (corners not all present once), -5 (a corner twisted) or
    // -6 (corner and edge parity differ), from the first test that fails.
    int verify() const;

    // Coordinates. Getters tolerate records that lack a piece of the coordinate, and setters take
    // any argument (reduced into the coordinate's range): both always stay inside their arrays.
    short getTwist() const;
    void setTwist(short twist);
    short getFlip() const;
    void setFlip(short flip);
    short getFRtoBR() const;
    void setFRtoBR(short idx);
    short getURFtoDLF() const;
    void setURFtoDLF(short idx);
    int getURtoDF() const;
    void setURtoDF(int idx);
    short getURtoUL() const;
    void setURtoUL(short idx);
    short getUBtoDF() const;
    void setUBtoDF(short idx);
    int getURFtoDLB() const;
    void setURFtoDLB(int idx);
    int getURtoBR() const;
    void setURtoBR(int idx);

    // URtoDF of the edges placed by a URtoUL and a UBtoDF value, or -1 when the two placements
    // share a position. Meant for arguments below 336 (all six edges in the U and D layers).
    static int getURtoDF(short idx1, short idx2);

    // Binomial coefficient, 0 when n < k.
    static int Cnk(int n, int k);

    // Rotate entries l..r (inclusive) one place: left sends the entry at l to r, right sends the
    // entry at r to l.
    static void rotateLeft(TP::Corner* arr, int l, int r);
    static void rotateRight(TP::Corner* arr, int l, int r);
    static void rotateLeft(TP::Edge* arr, int l, int r);
    static void rotateRight(TP::Edge* arr, int l, int r);
};
