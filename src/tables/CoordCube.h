// A cube described by the coordinates the two search phases use, and the tables that move them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CubieCube;

class CoordCube {
  public:
    short twist;
    short flip;
    short parity;
    short FRtoBR;
    short URFtoDLF;
    short URtoUL;
    short UBtoDF;
    int URtoDF;

    // Move tables: the coordinate after each move, row = coordinate, column = move index.
    static short twistMove[2187][18];
    static short flipMove[2048][18];
    static short FRtoBR_Move[11880][18];
    static short URFtoDLF_Move[20160][18];
    // Rows cover the phase-2 values of URtoDF only; only the ten phase-2 columns hold entries.
    static short URtoDF_Move[20160][18];
    static short URtoUL_Move[1320][18];
    static short UBtoDF_Move[1320][18];
    // URtoDF of the edges placed by a URtoUL and a UBtoDF value below 336, or -1.
    static short MergeURtoULandUBtoDF[336][336];

    // Pruning tables: the distance to the goal of each coordinate tuple, two 4-bit entries a byte.
    static unsigned char Slice_URFtoDLF_Parity_Prun[483840];
    static unsigned char Slice_URtoDF_Parity_Prun[483840];
    static unsigned char Slice_Twist_Prun[541283];
    static unsigned char Slice_Flip_Prun[506880];

    // The phase-1 distance of each (twist, flip) pair, at index 2048 * twist + flip, from the
    // optional thirteenth file. Another lower bound of the moves to the phase-2 subgroup, read for
    // the cube and for the cube seen turned about the U-D axis (CubieCube::seenTurnedY).
    static unsigned char Twist_Flip_Prun[2239488];
    // True when Twist_Flip_Prun was loaded; phase 1 reads it only then. Clearing it makes phase 1
    // run on Slice_Flip_Prun and Slice_Twist_Prun alone, with the same answers.
    static bool useTwistFlipPrun;
    // The move y^-1 * m * y of the cube seen turned about the U-D axis that matches move m of the
    // cube: U and D stay, R becomes F, F becomes L, L becomes B and B becomes R, with the same
    // power.
    static const int seenTurnedYMove[18];

    // The slice coordinate (FRtoBR / 24) after each move: FRtoBR_Move[24 * slice][m] / 24,
    // derived in memory when FRtoBR_Move loads, since phase 1 reads it at every node.
    static unsigned short sliceMove[495][18];
    static void deriveSliceMove();

    // Corner parity after each move: quarter turns change it, half turns keep it.
    static const short parityMove[2][18];

    // The ten moves that keep the phase-2 subgroup, in the order phase 2 tries them.
    static const int phase2Moves[10];

    // The move rule of both searches: no move on the axis of the move before it, nor on the axis
    // opposite it when that one was D, L or B.
    static bool forbiddenAfter(int axis, int previousAxis) {
        return axis == previousAxis || axis == previousAxis - 3;
    }

    // One table file: its name, the table it fills, its element size and count, and the digest
    // of the bytes it must hold (free entries as maketables writes them; see digest).
    struct TableFile {
        const char* name;
        void* data;
        int elementSize;
        int count;
        std::uint64_t digest;
    };
    static const TableFile tableFiles[12];
    // Twist_Flip_Prun's file: loaded when present, the search runs without it when missing.
    static const TableFile extraTableFile;

    explicit CoordCube(const CubieCube& c);

    // Applies a move (index 0..17) by table lookup alone. URtoDF follows the cube only while
    // UR..DF lie in the U and D layers; otherwise it keeps its old value.
    void move(int m);

    // Ends the process with status 2 after one line on standard error that says which table
    // failed, where it was looked for and what to do where the program runs: no search may run on
    // such tables.
    [[noreturn]] static void stopOnFailure(const std::string& failure,
                                           const std::vector<std::string>& directories);

    // Where the tables are looked for, in this order: the working directory (by its full path,
    // which messages name), the program's own directory (a copy of program and tables side by
    // side), ../share/cubesolver beside it (any install prefix) and tables/ beside it (the build
    // tree).
    static std::vector<std::string> tableDirectories();

    // The loader behind it: each file is taken from the first directory that has it. Returns the
    // empty string on success, otherwise a description of the first failure.
    static std::string loadTables(const std::vector<std::string>& directories);

    // Reads one optional table from the first of directories that has its file and checks its
    // digest. Returns "" when loaded or when no directory has it or the memory to read it cannot
    // be had (missing is then true), otherwise a description of the failure.
    static std::string loadFile(const TableFile& table, const std::vector<std::string>& directories,
                                bool& missing);

    // Allocates bytes for an optional table and reads its file into them, as loadFile does; on
    // any failure, or when the file is missing, the memory is freed and data is left as it was.
    static std::string loadAllocated(unsigned char*& data, const TableFile& file,
                                     const std::vector<std::string>& directories, std::size_t bytes,
                                     bool& missing);
    // True unless less memory is free than bytes and a margin (FreeMemory::available: the system's
    // MemAvailable, or the room a control group's limit leaves), so that loading an optional
    // table never pushes a board into swapping nor a limited process past its limit.
    static bool memoryAllows(std::size_t bytes);

    // The digest of a table file's bytes, 16-bit entries low byte first. It changes with any
    // changed or exchanged entry; entries the searches never read must be set as maketables
    // writes them (-1, or a nibble of 15) before it is taken, so that they do not count.
    static std::uint64_t digest(const void* bytes, std::size_t size);

    // Sets the entries of a table that no search reads to the values maketables writes there.
    static void clearFreeEntries(const TableFile& table);

    static unsigned char getPruning(const unsigned char* table, std::uint32_t index) {
        const unsigned char b = table[index / 2];
        return (index & 1) == 0 ? b & 0x0f : b >> 4;
    }
    // Combines by AND, so a table built with it starts with every byte 0xFF.
    static void setPruning(unsigned char* table, int index, unsigned char value);
};
