#include "requests/ScanExplanation.h"

#include <algorithm>
#include <cstdio>

#include "cube/FaceCube.h"
#include "cube/TP.h"
#include "cube/Tools.h"

using namespace TP;

namespace {

const int faceletCount = 54;
const char faceLetters[] = "URFDLB";
const char colourLetters[] = "rgwoby";

// ---- Where the stickers are -------------------------------------------------------------------

// A point in units of half a cubie, the cube's centre at the origin: x towards R, y towards U,
// z towards F.
struct Point {
    int x, y, z;
};

// The centre of a sticker's square, three half cubies out along its face's normal. Each face is
// laid out as the README's net shows it: sides with U at the top, U with B at the top, D with F.
Point stickerPoint(int facelet) {
    const int row = (facelet % 9) / 3;
    const int column = facelet % 3;
    switch (facelet / 9) {
        case U:
            return {2 * (column - 1), 3, 2 * (row - 1)};
        case R:
            return {3, 2 * (1 - row), 2 * (1 - column)};
        case F:
            return {2 * (column - 1), 2 * (1 - row), 3};
        case D:
            return {2 * (column - 1), -3, 2 * (1 - row)};
        case L:
            return {-3, 2 * (1 - row), 2 * (column - 1)};
        default:
            return {2 * (1 - column), 2 * (1 - row), -3};
    }
}

// How far out along the normal of face a point lies: 3 on the face, 2 in its layer.
int depth(Point p, int face) {
    const int sign = face < D ? 1 : -1;
    const int axis = face % 3;
    return sign * (axis == U ? p.y : axis == R ? p.x : p.z);
}

// A point turned a clockwise quarter turn as seen from face.
Point quarterTurn(Point p, int face) {
    switch (face) {
        case U:
            return {-p.z, p.y, p.x};
        case D:
            return {p.z, p.y, -p.x};
        case R:
            return {p.x, p.z, -p.y};
        case L:
            return {p.x, -p.z, p.y};
        case F:
            return {p.y, -p.x, p.z};
        default:
            return {-p.y, p.x, p.z};
    }
}

int faceletAt(Point p) {
    for (int facelet = 0; facelet < faceletCount; ++facelet) {
        const Point q = stickerPoint(facelet);
        if (q.x == p.x && q.y == p.y && q.z == p.z) return facelet;
    }
    return -1;
}

// A permutation of the stickers: the sticker at position p goes to to[p].
struct StickerMove {
    int to[faceletCount];
};

// The clockwise quarter turn about face's axis of the stickers at least minDepth out along it.
StickerMove quarterTurnOf(int face, int minDepth) {
    StickerMove move;
    for (int p = 0; p < faceletCount; ++p) {
        const Point point = stickerPoint(p);
        move.to[p] = depth(point, face) >= minDepth ? faceletAt(quarterTurn(point, face)) : p;
    }
    return move;
}

StickerMove followedBy(const StickerMove& first, const StickerMove& second) {
    StickerMove move;
    for (int p = 0; p < faceletCount; ++p) move.to[p] = second.to[first.to[p]];
    return move;
}

std::string moved(const std::string& facelets, const StickerMove& move) {
    std::string result(faceletCount, '?');
    for (int p = 0; p < faceletCount && p < static_cast<int>(facelets.size()); ++p) {
        result[move.to[p]] = facelets[p];
    }
    return result;
}

std::string movedQuarters(const std::string& facelets, int face, int quarters, int minDepth) {
    const StickerMove quarter = quarterTurnOf(face, minDepth);
    std::string result = facelets;
    for (int q = 0; q < (quarters % 4 + 4) % 4; ++q) result = moved(result, quarter);
    return result;
}

struct WholeTurn {
    std::string name;
    StickerMove move;
};

// The 24 turns of the whole cube, the shortest names first: none, one turn about x, y or z,
// then the products of two.
std::vector<WholeTurn> wholeCubeTurns() {
    const char* powers[] = {"", "2", "'"};
    const int axisFace[] = {R, U, F};
    const char axisName[] = "xyz";
    std::vector<WholeTurn> single;
    for (int axis = 0; axis < 3; ++axis) {
        StickerMove power = quarterTurnOf(axisFace[axis], -3);
        const StickerMove quarter = power;
        for (const char* suffix : powers) {
            single.push_back({std::string(1, axisName[axis]) + suffix, power});
            power = followedBy(power, quarter);
        }
    }
    std::vector<WholeTurn> turns;
    StickerMove none;
    for (int p = 0; p < faceletCount; ++p) none.to[p] = p;
    turns.push_back({"", none});
    auto addNew = [&turns](const WholeTurn& turn) {
        for (const WholeTurn& known : turns) {
            if (std::equal(known.move.to, known.move.to + faceletCount, turn.move.to)) return;
        }
        turns.push_back(turn);
    };
    for (const WholeTurn& turn : single) addNew(turn);
    for (const WholeTurn& first : single) {
        for (const WholeTurn& second : single) {
            addNew({first.name + " " + second.name, followedBy(first.move, second.move)});
        }
    }
    return turns;
}

// ---- Names ------------------------------------------------------------------------------------

std::string stickerName(int facelet) {
    return std::string(1, faceLetters[facelet / 9]) + static_cast<char>('1' + facelet % 9);
}

bool isFaceLetter(char c) {
    return c != '\0' && std::string(faceLetters).find(c) != std::string::npos;
}

// A face letter with its colour letter, "F (w)"; any other character quoted.
std::string letterName(char c) {
    if (isFaceLetter(c)) {
        return std::string(1, c) + " (" + colourLetters[std::string(faceLetters).find(c)] + ")";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned char>(c));
    return c >= 0x20 && c < 0x7f ? std::string("'") + c + "'" : std::string(text);
}

// "once", "twice", "3 times".
std::string timesText(int n) {
    return n == 1 ? "once" : n == 2 ? "twice" : std::to_string(n) + " times";
}

const char* cornerNames[] = {"URF", "UFL", "ULB", "UBR", "DFR", "DLF", "DBL", "DRB"};
const char* edgeNames[] = {"UR", "UF", "UL", "UB", "DR", "DF", "DL", "DB", "FR", "FL", "BL", "BR"};

std::string stickersOf(const Facelet* facelets, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += (i ? " " : "") + stickerName(facelets[i]);
    return text;
}

// ---- What the stickers show -------------------------------------------------------------------

int colourOf(char c) {
    return isFaceLetter(c) ? static_cast<int>(std::string(faceLetters).find(c)) : -1;
}

// The edge cubie whose two colours the edge position shows, in either order, or -1.
int edgeShown(const std::string& s, int position) {
    const int a = colourOf(s[FaceCube::edgeFacelet[position][0]]);
    const int b = colourOf(s[FaceCube::edgeFacelet[position][1]]);
    for (int j = 0; j < 12; ++j) {
        const Color* c = FaceCube::edgeColor[j];
        if ((a == c[0] && b == c[1]) || (a == c[1] && b == c[0])) return j;
    }
    return -1;
}

// The corner cubie whose colours the corner position shows in their clockwise order, or -1;
// mirrored is set when they show a cubie's colours in the mirror order.
int cornerShown(const std::string& s, int position, bool& mirrored) {
    int c[3];
    for (int n = 0; n < 3; ++n) c[n] = colourOf(s[FaceCube::cornerFacelet[position][n]]);
    mirrored = false;
    for (int j = 0; j < 8; ++j) {
        const Color* k = FaceCube::cornerColor[j];
        for (int r = 0; r < 3; ++r) {
            if (c[r] == k[0] && c[(r + 1) % 3] == k[1] && c[(r + 2) % 3] == k[2]) return j;
            if (c[r] == k[0] && c[(r + 1) % 3] == k[2] && c[(r + 2) % 3] == k[1]) mirrored = true;
        }
    }
    return -1;
}

// Sentences on the positions whose colours no cubie has, and on the cubies that appear twice or
// are missing.
template <int Count, int Size>
void describePieces(std::vector<std::string>& lines, const std::string& s,
                    const int (&shown)[Count], const Facelet (&facelets)[Count][Size],
                    const char* const (&names)[Count], const char* kind, const bool* mirrored) {
    for (int i = 0; i < Count; ++i) {
        if (shown[i] >= 0) continue;
        std::string letters, colours;
        for (int n = 0; n < Size; ++n) {
            const int colour = colourOf(s[facelets[i][n]]);
            letters += (n ? " " : "") + std::string(1, s[facelets[i][n]]);
            colours += (n ? " " : "") + std::string(1, colour < 0 ? '?' : colourLetters[colour]);
        }
        std::string text =
            stickersOf(facelets[i], Size) + " show " + letters + " (" + colours + "): ";
        if (mirrored && mirrored[i]) {
            text += "the colours of a corner in mirror order (two of them swapped, or one misread)";
        } else {
            text += std::string("no ") + kind + " has these colours";
        }
        lines.push_back(text + ".");
    }
    for (int j = 0; j < Count; ++j) {
        std::vector<int> at;
        for (int i = 0; i < Count; ++i) {
            if (shown[i] == j) at.push_back(i);
        }
        if (at.size() == 1) continue;
        std::string text = std::string(kind) + " " + names[j];
        if (at.empty()) {
            lines.push_back(text + " is missing.");
            continue;
        }
        text += " appears " + timesText(static_cast<int>(at.size())) + ": at";
        for (std::size_t n = 0; n < at.size(); ++n) {
            text += (n ? " and at " : " ") + stickersOf(facelets[at[n]], Size);
        }
        lines.push_back(text + ".");
    }
}

void describeEdgesAndCorners(std::vector<std::string>& lines, const std::string& s, int code) {
    // A sticker misread can spoil an edge and a corner at once: both are told, each when wrong.
    if (code == -2 || code == -4) {
        int edges[12], corners[8];
        bool mirrored[8];
        for (int i = 0; i < 12; ++i) edges[i] = edgeShown(s, i);
        for (int i = 0; i < 8; ++i) corners[i] = cornerShown(s, i, mirrored[i]);
        std::vector<std::string> edgeLines, cornerLines;
        describePieces(edgeLines, s, edges, FaceCube::edgeFacelet, edgeNames, "edge", nullptr);
        describePieces(cornerLines, s, corners, FaceCube::cornerFacelet, cornerNames, "corner",
                       mirrored);
        if (!edgeLines.empty()) {
            lines.push_back("The edge stickers do not make up the twelve edges, each once:");
            lines.insert(lines.end(), edgeLines.begin(), edgeLines.end());
        }
        if (!cornerLines.empty()) {
            lines.push_back("The corner stickers do not make up the eight corners, each once:");
            lines.insert(lines.end(), cornerLines.begin(), cornerLines.end());
        }
    }
    if (code == -3) {
        lines.push_back(
            "One edge is flipped: all twelve edges are there, but an odd number of them show "
            "their colours the wrong way round. The two stickers of an edge were read in the "
            "wrong order, or the cube was taken apart and an edge put back flipped. The stickers "
            "cannot tell which edge: flipping any one of them makes a cube that can be solved.");
    }
    if (code == -5) {
        lines.push_back(
            "One corner is twisted: all eight corners are there, but their twists do not add "
            "up. The three stickers of a corner were read starting from the wrong one, or a "
            "corner was put back twisted (or twisted by force). The stickers cannot tell which "
            "corner: twisting any one of them the right way makes a cube that can be solved.");
    }
    if (code == -6) {
        lines.push_back(
            "Two pieces are exchanged: every piece is there and the flips and twists add up, "
            "but no turning of faces can bring the edges and the corners where they are "
            "together. Two stickers of two edges (or of two corners) that share their other "
            "colours were swapped in the scan, or the cube was put together with two pieces "
            "exchanged.");
    }
}

void describeCounts(std::vector<std::string>& lines, const std::string& request,
                    const std::string& s) {
    if (request.size() < static_cast<std::size_t>(faceletCount)) {
        lines.push_back("The scan has " + std::to_string(request.size()) +
                        " characters; 54 are needed, one a sticker.");
    }
    std::string foreign;
    int foreignCount = 0;
    int count[6] = {0, 0, 0, 0, 0, 0};
    for (int p = 0; p < faceletCount; ++p) {
        const int colour = colourOf(s[p]);
        if (colour >= 0) {
            ++count[colour];
        } else if (p < static_cast<int>(request.size()) && ++foreignCount <= 5) {
            foreign +=
                (foreign.empty() ? "" : ", ") + stickerName(p) + " holds " + letterName(s[p]);
        }
    }
    if (foreignCount > 0) {
        if (foreignCount > 5) foreign += " and " + std::to_string(foreignCount - 5) + " more";
        lines.push_back(foreign + ": no colour letter (U R F D L B, or r g w o b y).");
    }
    std::string many, few;
    for (int colour = U; colour <= B; ++colour) {
        const int off = count[colour] - 9;
        if (off == 0) continue;
        std::string& text = off > 0 ? many : few;
        text += (text.empty() ? "" : "; ") + letterName(faceLetters[colour]) + " " +
                timesText(count[colour]) + ", " + std::to_string(off > 0 ? off : -off) +
                (off > 0 ? " too many" : " too few");
    }
    if (!many.empty() || !few.empty()) {
        lines.push_back("Each colour must show on nine stickers." +
                        (many.empty() ? "" : " Too many: " + many + ".") +
                        (few.empty() ? "" : " Too few: " + few + "."));
    }
}

// ---- Repairs ----------------------------------------------------------------------------------

// Costs: lower is likelier. A camera misreads one sticker, most often as a similar colour, reads
// two neighbouring stickers in the wrong order, or reads a face turned.
const int costWholeCubeTurn = 5;
const int costSimilarColour = 10;
const int costOtherColour = 12;
const int costSwapInPiece = 12;
const int costSwapNeighbours = 13;
const int costFaceQuarter = 14;
const int costSwapOnFace = 16;
const int costFaceHalf = 18;
const int costCornerTwist = 20;
const int costSwapElsewhere = 25;

// Red and orange, white and yellow, orange and yellow: colours a camera confuses.
bool similarColours(char a, char b) {
    const std::string pair = std::string(1, std::min(a, b)) + std::max(a, b);
    return pair == "DU" || pair == "BF" || pair == "BD";
}

bool samePiece(int p, int q) {
    for (const auto& e : FaceCube::edgeFacelet) {
        if ((e[0] == p || e[1] == p) && (e[0] == q || e[1] == q)) return true;
    }
    for (const auto& c : FaceCube::cornerFacelet) {
        if (std::count(c, c + 3, p) && std::count(c, c + 3, q)) return true;
    }
    return false;
}

int swapCost(int p, int q) {
    if (samePiece(p, q)) return costSwapInPiece;
    if (p / 9 != q / 9) return costSwapElsewhere;
    const int rows = (p % 9) / 3 - (q % 9) / 3;
    const int columns = p % 3 - q % 3;
    return rows * rows + columns * columns == 1 ? costSwapNeighbours : costSwapOnFace;
}

// A scan to repair: the scan as read, or as read after a turn of the whole cube.
struct Base {
    std::string facelets;
    std::string prefix;  // what comes before the repair's own description
    int cost;
    int backTo[faceletCount];  // the position in the scan as read of each position here
};

class RepairSearch {
  public:
    explicit RepairSearch(std::vector<ScanRepair>& found) : found_(found) {}

    void search(const Base& base) {
        base_ = &base;
        const std::string& s = base.facelets;
        if (FaceCube::hasNineOfEachColor(s)) {
            if (!base.prefix.empty()) add(s, "", {}, 0);
            swaps();
            faceTurns();
            cornerTwists();
        } else {
            singleChanges();
        }
    }

  private:
    std::vector<ScanRepair>& found_;
    const Base* base_ = nullptr;

    void add(const std::string& cube, const std::string& what, std::vector<int> stickers,
             int cost) {
        if (Tools::verify(cube) != 0) return;
        for (int& p : stickers) p = base_->backTo[p];
        std::string description = base_->prefix;
        if (!what.empty()) description += (description.empty() ? "" : ", then ") + what;
        found_.push_back({description, cube, stickers, base_->cost + cost});
    }

    void singleChanges() {
        const std::string& s = base_->facelets;
        for (int p = 0; p < faceletCount; ++p) {
            for (char c : std::string(faceLetters)) {
                if (c == s[p]) continue;
                std::string cube = s;
                cube[p] = c;
                if (!FaceCube::hasNineOfEachColor(cube)) continue;
                // A scan shorter than 54 characters ends in '\0's: those stickers were never read.
                const std::string read =
                    s[p] == '\0' ? " is missing" : " reads " + letterName(s[p]);
                add(cube, stickerName(p) + read + ": make it " + letterName(c), {p},
                    similarColours(c, s[p]) ? costSimilarColour : costOtherColour);
            }
        }
    }

    void swaps() {
        const std::string& s = base_->facelets;
        for (int p = 0; p < faceletCount; ++p) {
            for (int q = p + 1; q < faceletCount; ++q) {
                if (s[p] == s[q]) continue;
                std::string cube = s;
                std::swap(cube[p], cube[q]);
                add(cube,
                    "swap " + stickerName(p) + " (" + s[p] + ") and " + stickerName(q) + " (" +
                        s[q] + ")",
                    {p, q}, swapCost(p, q));
            }
        }
    }

    void faceTurns() {
        const char* turns[] = {"a quarter turn clockwise", "a half turn",
                               "a quarter turn anticlockwise"};
        const std::string& s = base_->facelets;
        for (int face = U; face <= B; ++face) {
            for (int quarters = 1; quarters <= 3; ++quarters) {
                const std::string cube = WholeCubeTurns::turnFaceStickers(s, face, quarters);
                std::vector<int> changed;
                for (int p = 0; p < faceletCount; ++p) {
                    if (cube[p] != s[p]) changed.push_back(p);
                }
                if (changed.empty()) continue;
                add(cube,
                    std::string("face ") + faceLetters[face] + " was read turned: turn its " +
                        "stickers " + turns[quarters - 1] + " (as seen from the face)",
                    changed, quarters == 2 ? costFaceHalf : costFaceQuarter);
            }
        }
    }

    void cornerTwists() {
        const std::string& s = base_->facelets;
        for (int i = 0; i < 8; ++i) {
            const Facelet* f = FaceCube::cornerFacelet[i];
            for (int k = 1; k <= 2; ++k) {
                std::string cube = s;
                for (int n = 0; n < 3; ++n) cube[f[(n + k) % 3]] = s[f[n]];
                add(cube,
                    std::string("twist corner ") + cornerNames[i] + " (" + stickersOf(f, 3) + ") " +
                        (k == 1 ? "clockwise" : "anticlockwise"),
                    {f[0], f[1], f[2]}, costCornerTwist);
            }
        }
    }
};

// How far apart the stickers of a repair lie on the cube: of equally likely swaps, the one of two
// stickers close together is likelier to have been misread.
int spread(const std::vector<int>& stickers) {
    int sum = 0;
    for (std::size_t i = 0; i + 1 < stickers.size(); ++i) {
        const Point a = stickerPoint(stickers[i]);
        const Point b = stickerPoint(stickers[i + 1]);
        sum += (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z);
    }
    return sum;
}

std::vector<ScanRepair> repairsOf(const std::string& s, int heldTurn) {
    std::vector<ScanRepair> found;
    RepairSearch search(found);
    Base asRead{s, "", 0, {}};
    for (int p = 0; p < faceletCount; ++p) asRead.backTo[p] = p;
    search.search(asRead);
    if (heldTurn > 0) {
        const std::vector<WholeTurn> turns = wholeCubeTurns();
        Base turned{moved(s, turns[heldTurn].move),
                    "turn the whole cube " + turns[heldTurn].name,
                    costWholeCubeTurn,
                    {}};
        for (int p = 0; p < faceletCount; ++p) turned.backTo[turns[heldTurn].move.to[p]] = p;
        search.search(turned);
    }
    // The same repaired cube reached in two ways is named once, by its likelier way.
    std::stable_sort(found.begin(), found.end(), [](const ScanRepair& a, const ScanRepair& b) {
        if (a.cost != b.cost) return a.cost < b.cost;
        if (a.stickers.size() != b.stickers.size()) return a.stickers.size() < b.stickers.size();
        return spread(a.stickers) < spread(b.stickers);
    });
    std::vector<ScanRepair> unique;
    for (const ScanRepair& repair : found) {
        const bool known = std::any_of(unique.begin(), unique.end(),
                                       [&](const ScanRepair& r) { return r.cube == repair.cube; });
        if (!known) unique.push_back(repair);
    }
    return unique;
}

void describeCentres(std::vector<std::string>& lines, const std::string& s, int heldTurn) {
    std::string wrong;
    for (int face = U; face <= B; ++face) {
        const int centre = 9 * face + 4;
        if (s[centre] == faceLetters[face]) continue;
        wrong +=
            (wrong.empty() ? "" : ", ") + stickerName(centre) + " shows " + letterName(s[centre]);
    }
    if (wrong.empty()) return;
    if (heldTurn < 0) {
        lines.push_back("The centres are not where they belong (" + wrong +
                        "), and no way of holding the cube brings each to its own face: a "
                        "centre was misread, or two centres show the same colour.");
        return;
    }
    lines.push_back("The centres are not where they belong: the cube is held with the " +
                    letterName(s[U5]) + " centre up and the " + letterName(s[F5]) +
                    " centre in front (" + wrong + ").");
    lines.push_back("Turn the whole cube " + WholeCubeTurns::name(heldTurn) +
                    " (x as R turns its face, y as U, z as F) and scan it again: then each "
                    "centre shows its own face's colour (r up, g right, w front, o down, "
                    "b left, y back).");
}

}  // namespace

// ---- The explanation --------------------------------------------------------------------------

ScanExplanation ScanExplanation::of(const std::string& request) {
    ScanExplanation explanation;
    std::string s = FaceCube::mapColorLetters(request.substr(0, faceletCount));
    explanation.code = Tools::verify(s);
    if (explanation.code == 0) return explanation;
    s.resize(faceletCount, '\0');

    const int heldTurn = WholeCubeTurns::fixing(s);
    // A scan too short to reach every centre is told by its length.
    if (request.size() >= static_cast<std::size_t>(faceletCount)) {
        describeCentres(explanation.lines, s, heldTurn);
    }
    if (explanation.code == -1) describeCounts(explanation.lines, request, s);
    // For a cube held otherwise, the pieces are those of the scan turned back.
    const std::string turned = heldTurn > 0 ? WholeCubeTurns::apply(s, heldTurn) : s;
    const int turnedCode = heldTurn > 0 ? Tools::verify(turned) : explanation.code;
    if (heldTurn > 0 && turnedCode != 0 && turnedCode != -1) {
        explanation.lines.push_back("After that turn, the scan is still no cube:");
    }
    describeEdgesAndCorners(explanation.lines, turned, turnedCode);
    explanation.repairs = repairsOf(s, heldTurn);
    return explanation;
}

std::vector<std::string> ScanExplanation::text() const {
    std::vector<std::string> result = lines;
    if (code == 0) return result;
    if (repairs.empty()) {
        result.push_back(
            "No single repair makes it a cube that can be solved (a sticker changed, two "
            "swapped, a face turned, a corner twisted, the cube held otherwise): check the scan "
            "for more than one fault.");
        return result;
    }
    const int shown = std::min(static_cast<int>(repairs.size()), listed);
    int likeliest = 0;
    while (likeliest < static_cast<int>(repairs.size()) &&
           repairs[likeliest].cost == repairs[0].cost)
        ++likeliest;
    std::string heading = "Repairs that make it a cube that can be solved, the likeliest first";
    if (static_cast<int>(repairs.size()) > shown) {
        heading += " (" + std::to_string(shown) + " of " + std::to_string(repairs.size()) + ")";
    }
    result.push_back(heading + ":");
    for (int i = 0; i < shown; ++i) {
        result.push_back(std::to_string(i + 1) + ". " + repairs[i].description + "; gives " +
                         repairs[i].cube);
    }
    if (likeliest > listed) {
        result.push_back(std::to_string(likeliest) +
                         " repairs are equally likely: too many to tell from the stickers which "
                         "one is right; look at the cube itself.");
    }
    return result;
}

// ---- The picture ------------------------------------------------------------------------------

std::vector<std::string> scanPicture(const std::string& request, const ScanExplanation& explanation,
                                     bool ansiColours) {
    std::string s = FaceCube::mapColorLetters(request.substr(0, faceletCount));
    s.resize(faceletCount, '?');
    char mark[faceletCount];
    std::fill(mark, mark + faceletCount, ' ');
    const int shown =
        std::min(static_cast<int>(explanation.repairs.size()), ScanExplanation::listed);
    for (int i = shown - 1; i >= 0; --i) {
        const ScanRepair& repair = explanation.repairs[i];
        for (int p : repair.stickers) mark[p] = i == 0 ? '[' : '(';
        // A turn of the whole cube is told by the centres it moves.
        if (repair.stickers.empty()) {
            for (int face = U; face <= B; ++face) {
                const int centre = 9 * face + 4;
                if (s[centre] != faceLetters[face]) mark[centre] = i == 0 ? '[' : '(';
            }
        }
    }
    // Background colours (256-colour terminal codes) of r, g, w, o, b, y, and a letter colour
    // that reads on each: white on red and blue, black on the others.
    const int background[] = {160, 28, 255, 208, 20, 226};
    const int foreground[] = {97, 30, 30, 30, 97, 30};
    auto cell = [&](int p) {
        const char letter = isFaceLetter(s[p]) ? s[p] : '?';
        const char close = mark[p] == '[' ? ']' : mark[p] == '(' ? ')' : ' ';
        std::string text = std::string(1, mark[p]) + letter + close;
        const int colour = colourOf(letter);
        if (!ansiColours || colour < 0) return text;
        return "\x1b[" + std::to_string(foreground[colour]) + ";48;5;" +
               std::to_string(background[colour]) + "m" + text + "\x1b[0m";
    };
    const int middle[] = {L, F, R, B};
    std::vector<std::string> rows;
    for (int face : {int(U), -1, int(D)}) {
        for (int row = 0; row < 3; ++row) {
            std::string line;
            if (face >= 0) {
                line = std::string(10, ' ');
                for (int column = 0; column < 3; ++column)
                    line += cell(9 * face + 3 * row + column);
            } else {
                for (int side : middle) {
                    if (side != L) line += ' ';
                    for (int column = 0; column < 3; ++column) {
                        line += cell(9 * side + 3 * row + column);
                    }
                }
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            rows.push_back(line);
        }
    }
    if (shown > 0) {
        rows.push_back(shown == 1 ? "[X]: the stickers of the likeliest repair"
                                  : "[X]: the stickers of the likeliest repair, (X): of the "
                                    "other repairs listed");
    }
    return rows;
}

// ---- Turns of the whole cube and of faces -----------------------------------------------------

std::string WholeCubeTurns::name(int turn) {
    return wholeCubeTurns()[turn].name;
}

std::string WholeCubeTurns::apply(const std::string& facelets, int turn) {
    std::string s = facelets.substr(0, faceletCount);
    s.resize(faceletCount, '?');
    return moved(s, wholeCubeTurns()[turn].move);
}

int WholeCubeTurns::fixing(const std::string& facelets) {
    std::string s = facelets.substr(0, faceletCount);
    s.resize(faceletCount, '?');
    const std::vector<WholeTurn> turns = wholeCubeTurns();
    for (int turn = 0; turn < count; ++turn) {
        const std::string turned = moved(s, turns[turn].move);
        bool centred = true;
        for (int face = U; face <= B; ++face)
            centred = centred && turned[9 * face + 4] == faceLetters[face];
        if (centred) return turn;
    }
    return -1;
}

std::string WholeCubeTurns::turnFaceStickers(const std::string& facelets, int face, int quarters) {
    return movedQuarters(facelets, face, quarters, 3);
}

std::string WholeCubeTurns::turnLayer(const std::string& facelets, int face, int quarters) {
    return movedQuarters(facelets, face, quarters, 2);
}

std::string explanationBlock(const std::string& request, bool explain, bool show,
                             bool ansiColours) {
    const ScanExplanation explanation = ScanExplanation::of(request);
    std::vector<std::string> lines;
    if (explain) lines = explanation.text();
    if (show) {
        const std::vector<std::string> picture = scanPicture(request, explanation, ansiColours);
        lines.insert(lines.end(), picture.begin(), picture.end());
    }
    std::string block;
    for (const std::string& line : lines) block += "# " + line + "\n";
    return block + "#end";
}
