#include "tables/FlipSliceTwistPrun.h"

#include <cstdlib>
#include <cstring>

unsigned short FlipSliceTwistPrun::symmetryTable[flipSlices][2];
unsigned short FlipSliceTwistPrun::twistSeen[twists][CubieCube::udSymmetries];
unsigned char* FlipSliceTwistPrun::distances = nullptr;
std::vector<std::string> FlipSliceTwistPrun::directories;
long FlipSliceTwistPrun::listingsBeforeLoad = 200000;

const CoordCube::TableFile FlipSliceTwistPrun::symmetryFile = {"FlipSlice_Sym", symmetryTable, 2,
                                                               2 * flipSlices, 0x5b5e130481f28d59};

CoordCube::TableFile FlipSliceTwistPrun::distanceFile() {
    return {"FlipSlice_Twist_Prun", distances, 1, static_cast<int>(distanceBytes),
            0x2343f4415bcc51e2};
}

namespace {

const int symmetries = CubieCube::udSymmetries;

// A cube with the given flip and slice coordinates; its other pieces are in no particular place.
CubieCube cubeOfFlipSlice(int flip, int slice) {
    CubieCube c;
    c.setFRtoBR(static_cast<short>(24 * slice));
    c.setFlip(static_cast<short>(flip));
    return c;
}

int flipSliceOf(const CubieCube& c) {
    return 2048 * (c.getFRtoBR() / 24) + c.getFlip();
}

// Entries start as 3, "not reached", and are written once.
void setEntry(unsigned char* table, std::int64_t i, int value) {
    const int shift = static_cast<int>(2 * (i & 3));
    table[i >> 2] = static_cast<unsigned char>((table[i >> 2] & ~(3 << shift)) | value << shift);
}

}  // namespace

void FlipSliceTwistPrun::makeTwistSeen() {
    for (int t = 0; t < twists; ++t) {
        CubieCube c;
        c.setTwist(static_cast<short>(t));
        for (int s = 0; s < symmetries; ++s) {
            twistSeen[t][s] = static_cast<unsigned short>(c.seenUnder(s).getTwist());
        }
    }
}

bool FlipSliceTwistPrun::makeSymmetryTable() {
    int count = 0;
    for (int fs = 0; fs < flipSlices; ++fs) {
        const CubieCube c = cubeOfFlipSlice(fs % 2048, fs / 2048);
        if (flipSliceOf(c) != fs) return false;
        int least = fs, symmetry = 0;
        for (int s = 1; s < symmetries; ++s) {
            const int seen = flipSliceOf(c.seenUnder(s));
            if (seen < least) least = seen, symmetry = s;
        }
        if (least == fs && count == classes) return false;
        symmetryTable[fs][0] =
            least == fs ? static_cast<unsigned short>(count++) : symmetryTable[least][0];
        symmetryTable[fs][1] = static_cast<unsigned short>(symmetry);
    }
    makeTwistSeen();
    return count == classes;
}

bool FlipSliceTwistPrun::makeDistances(unsigned char* table) {
    // Per class: its representative, and the other symmetries that leave it as it is: a cube of
    // the class is stored under each of their views of its twist, so each of them is set.
    std::vector<int> representative(classes);
    std::vector<std::vector<int>> stabilizer(classes);
    for (int fs = 0; fs < flipSlices; ++fs) {
        if (symmetryTable[fs][1] == 0) representative[symmetryTable[fs][0]] = fs;
    }
    for (int k = 0; k < classes; ++k) {
        const int fs = representative[k];
        const CubieCube c = cubeOfFlipSlice(fs % 2048, fs / 2048);
        for (int s = 1; s < symmetries; ++s) {
            if (flipSliceOf(c.seenUnder(s)) == fs) stabilizer[k].push_back(s);
        }
    }

    std::memset(table, 0xff, distanceBytes);
    std::int64_t done = 0;
    const auto set = [&](int k, int t, int value) {
        const std::int64_t i = std::int64_t(k) * twists + t;
        if (entry(table, i) != 3) return;
        setEntry(table, i, value);
        ++done;
        for (int s : stabilizer[k]) {
            const std::int64_t j = std::int64_t(k) * twists + twistSeen[t][s];
            if (entry(table, j) != 3) continue;
            setEntry(table, j, value);
            ++done;
        }
    };
    set(0, 0, 0);
    // Entries hold the depth modulo 3. Going forward, an entry of depth - 3 looks like one of
    // depth and is expanded again, to no effect; going backward, the neighbours of an entry not
    // yet reached are depth or more moves away, so a match is one of depth.
    for (int depth = 0; done < entries; ++depth) {
        if (depth == deepest) return false;
        const std::int64_t doneBefore = done;
        const bool backward = done > entries / 4;
        const int now = depth % 3, next = (depth + 1) % 3;
        for (int k = 0; k < classes; ++k) {
            // Where each move takes the class's representative: a class and the symmetry that
            // brings the flip and slice back to its representative.
            const int flip = representative[k] % 2048, slice = representative[k] / 2048;
            int nextClass[18], nextSymmetry[18];
            for (int m = 0; m < 18; ++m) {
                const int fs = 2048 * CoordCube::sliceMove[slice][m] + CoordCube::flipMove[flip][m];
                nextClass[m] = symmetryTable[fs][0];
                nextSymmetry[m] = symmetryTable[fs][1];
            }
            for (int t = 0; t < twists; ++t) {
                const int value = entry(table, std::int64_t(k) * twists + t);
                if (backward && value == 3) {
                    for (int m = 0; m < 18; ++m) {
                        const int t2 = twistSeen[CoordCube::twistMove[t][m]][nextSymmetry[m]];
                        if (entry(table, std::int64_t(nextClass[m]) * twists + t2) == now) {
                            set(k, t, next);
                            break;
                        }
                    }
                } else if (!backward && value == now) {
                    for (int m = 0; m < 18; ++m) {
                        set(nextClass[m], twistSeen[CoordCube::twistMove[t][m]][nextSymmetry[m]],
                            next);
                    }
                }
            }
        }
        if (done == doneBefore) return false;
    }
    return true;
}

int FlipSliceTwistPrun::distance(int flip, int slice, int twist) {
    int d = 0;
    for (; flip != 0 || slice != 0 || twist != 0; ++d) {
        if (d == deepest) return -1;
        const int nearer = (distanceMod3(index(flip, slice, twist)) + 2) % 3;
        int m = 0;
        while (m < 18 &&
               distanceMod3(index(CoordCube::flipMove[flip][m], CoordCube::sliceMove[slice][m],
                                  CoordCube::twistMove[twist][m])) != nearer) {
            ++m;
        }
        if (m == 18) return -1;
        flip = CoordCube::flipMove[flip][m];
        slice = CoordCube::sliceMove[slice][m];
        twist = CoordCube::twistMove[twist][m];
    }
    return d;
}

std::string FlipSliceTwistPrun::load(const std::vector<std::string>& dirs, bool& missing) {
    missing = false;
    if (loaded()) return "";
    missing = !CoordCube::memoryAllows(distanceBytes + sizeof symmetryTable);
    if (missing) return "";
    const std::string failure = CoordCube::loadFile(symmetryFile, dirs, missing);
    if (!failure.empty() || missing) return failure;
    makeTwistSeen();
    return CoordCube::loadAllocated(distances, distanceFile(), dirs, distanceBytes, missing);
}

void FlipSliceTwistPrun::unload() {
    std::free(distances);
    distances = nullptr;
}
