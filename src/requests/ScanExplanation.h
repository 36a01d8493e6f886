// What is wrong with a scan that the solver rejects, the repairs that would make it a cube that
// can be solved, ranked by how likely a camera or a person made that fault, and a picture of the
// net. Stickers are named as the README's net names them: U1 .. B9.
#pragma once

#include <string>
#include <vector>

// One way of making a rejected scan a cube that can be solved.
struct ScanRepair {
    // What to do, naming the stickers, such as "swap U4 (R) and U6 (U)".
    std::string description;
    // The scan after the repair: 54 face letters that Tools::verify accepts.
    std::string cube;
    // The positions (0..53) of the scan as read that the repair changes or that tell it.
    std::vector<int> stickers;
    // Lower is likelier: a fault a camera makes often costs less than a rare one.
    int cost;
};

struct ScanExplanation {
    // The code of Tools::verify for the scan: 0 for a cube that can be solved.
    int code = 0;
    // What is wrong with the scan, one sentence a line; empty for a cube that can be solved.
    std::vector<std::string> lines;
    // Every repair found, likeliest first.
    std::vector<ScanRepair> repairs;

    // The explanation of a request as the programs take it (colour or face letters, the first 54
    // characters).
    static ScanExplanation of(const std::string& request);

    // The explanation as lines of text: the sentences, then the likeliest repairs, each line
    // "N. DESCRIPTION; gives CUBE" (CUBE being the repaired scan in face letters), and whether
    // there are too many to tell. Empty for a valid cube.
    std::vector<std::string> text() const;

    // How many repairs the text lists at most.
    static constexpr int listed = 5;
};

// The net of the scan as the README draws it, one line a row, the stickers of the listed repairs
// marked: [X] for the likeliest one, (X) for the others. With ansiColours each sticker is drawn
// on its colour (for a terminal); otherwise in plain letters.
std::vector<std::string> scanPicture(const std::string& request, const ScanExplanation& explanation,
                                     bool ansiColours);

// Turns of the whole cube and misread faces, also used to plant the faults a camera makes.
class WholeCubeTurns {
  public:
    // The 24 ways of holding the cube: turn 0 is none, the others are named by at most two turns
    // of the whole cube, as "x'" or "x y2" (x as R turns, y as U turns, z as F turns).
    static constexpr int count = 24;
    static std::string name(int turn);
    // The scan read after turning the whole cube with turn: the sticker at each position moves to
    // the position the turn takes it to. Other characters than face letters move along.
    static std::string apply(const std::string& facelets, int turn);
    // The turn that brings each centre of the scan to its own face, or -1 when none does.
    static int fixing(const std::string& facelets);
    // The scan with the eight outer stickers of face turned by quarters clockwise quarter turns,
    // as seen from that face, and the rest as it is: a face read turned.
    static std::string turnFaceStickers(const std::string& facelets, int face, int quarters);
    // The scan with the whole layer of face turned by quarters clockwise quarter turns: the
    // face turn itself.
    static std::string turnLayer(const std::string& facelets, int face, int quarters);
};

// What follows the answer line of a request with --explain (the explanation) and/or --show (the
// picture): lines that each begin with "# ", then the line "#end", which ends the block. No answer
// line begins with '#', so a reader of the stream can tell where the answer's block ends. A cube
// that can be solved gets no explanation: with --explain alone its block is "#end" only.
std::string explanationBlock(const std::string& request, bool explain, bool show, bool ansiColours);
