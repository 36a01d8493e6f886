#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "CoordCube.h"
#include "ProcessSupport.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Moves a coordinate tuple takes through the pruning tables, and the tuple's successor.
struct PruningTable {
    const char* name;
    const unsigned char* table;
    int entries;
    bool phase2;
    int (*next)(int, int);
};

int sliceAfter(int slice, int m) {
    return CoordCube::FRtoBR_Move[24 * slice][m] / 24;
}

const PruningTable pruningTables[] = {
    {"Slice_Flip_Prun", CoordCube::Slice_Flip_Prun, 1013760, false,
     [](int i, int m) { return 495 * CoordCube::flipMove[i / 495][m] + sliceAfter(i % 495, m); }},
    {"Slice_Twist_Prun", CoordCube::Slice_Twist_Prun, 1082565, false,
     [](int i, int m) { return 495 * CoordCube::twistMove[i / 495][m] + sliceAfter(i % 495, m); }},
    {"Slice_URFtoDLF_Parity_Prun", CoordCube::Slice_URFtoDLF_Parity_Prun, 967680, true,
     [](int i, int m) {
         return (24 * CoordCube::URFtoDLF_Move[i / 48][m] + CoordCube::FRtoBR_Move[i / 2 % 24][m]) *
                    2 +
                CoordCube::parityMove[i % 2][m];
     }},
    {"Twist_Flip_Prun", CoordCube::Twist_Flip_Prun, 4478976, false,
     [](int i, int m) {
         return 2048 * CoordCube::twistMove[i / 2048][m] + CoordCube::flipMove[i % 2048][m];
     }},
    {"Slice_URtoDF_Parity_Prun", CoordCube::Slice_URtoDF_Parity_Prun, 967680, true,
     [](int i, int m) {
         return (24 * CoordCube::URtoDF_Move[i / 48][m] + CoordCube::FRtoBR_Move[i / 2 % 24][m]) *
                    2 +
                CoordCube::parityMove[i % 2][m];
     }},
};

bool sameCoordinates(const CoordCube& a, const CoordCube& b) {
    return a.twist == b.twist && a.flip == b.flip && a.parity == b.parity && a.FRtoBR == b.FRtoBR &&
           a.URFtoDLF == b.URFtoDLF && a.URtoUL == b.URtoUL && a.UBtoDF == b.UBtoDF &&
           a.URtoDF == b.URtoDF;
}

TEST(TableStore, SizesMatchTheFiles) {
    std::size_t total = 0;
    for (const auto& table : CoordCube::tableFiles) {
        std::size_t bytes = std::size_t(table.elementSize) * table.count;
        EXPECT_EQ(fs::file_size(fs::path(CUBESOLVER_TABLE_DIR) / table.name), bytes) << table.name;
        total += bytes;
    }
    EXPECT_EQ(total, 4368335u);
    EXPECT_EQ(sizeof(CoordCube::twistMove) + sizeof(CoordCube::URtoDF_Move) +
                  sizeof(CoordCube::Slice_Twist_Prun),
              78732u + 725760u + 541283u);
}

TEST(TableStore, SixteenBitEntriesAreReadLowByteFirst) {
    std::string bytes = fileText(fs::path(CUBESOLVER_TABLE_DIR) / "FRtoBR_Move");
    for (int i : {1, 3, 1000, 213839}) {
        int low = static_cast<unsigned char>(bytes[2 * i]);
        int high = static_cast<unsigned char>(bytes[2 * i + 1]);
        EXPECT_EQ((&CoordCube::FRtoBR_Move[0][0])[i], static_cast<short>(low | high << 8));
    }
}

TEST(TableStore, PruningNibbles) {
    unsigned char bytes[2] = {0x5a, 0x21};
    EXPECT_EQ(CoordCube::getPruning(bytes, 0), 10);
    EXPECT_EQ(CoordCube::getPruning(bytes, 1), 5);
    EXPECT_EQ(CoordCube::getPruning(bytes, 2), 1);
    EXPECT_EQ(CoordCube::getPruning(bytes, 3), 2);

    unsigned char b = 0xff;
    CoordCube::setPruning(&b, 1, 7);
    EXPECT_EQ(b, 0x7f);
    CoordCube::setPruning(&b, 0, 3);
    EXPECT_EQ(b, 0x73);
    unsigned char c = 0x03;
    CoordCube::setPruning(&c, 0, 5);
    EXPECT_EQ(c, 0x01);
}

TEST(TableStore, ParityMoveChangesOnQuarterTurns) {
    for (int m = 0; m < 18; ++m) {
        int quarter = m % 3 != 1;
        EXPECT_EQ(CoordCube::parityMove[0][m], quarter) << m;
        EXPECT_EQ(CoordCube::parityMove[1][m], 1 - quarter) << m;
    }
}

TEST(TableStore, KnownEntries) {
    using C = CoordCube;
    EXPECT_EQ(C::getPruning(C::Slice_Flip_Prun, 367), 1);
    EXPECT_EQ(C::getPruning(C::Slice_Twist_Prun, 739897), 1);
    EXPECT_EQ(C::getPruning(C::Slice_URFtoDLF_Parity_Prun, 289), 1);
    EXPECT_EQ(C::getPruning(C::Slice_URtoDF_Parity_Prun, 289), 1);
    EXPECT_EQ(C::getPruning(C::Slice_URFtoDLF_Parity_Prun, 1), 11);
    EXPECT_EQ(C::getPruning(C::Slice_URtoDF_Parity_Prun, 1), 8);
    EXPECT_EQ(C::Slice_Twist_Prun[541282] & 0x0f, C::getPruning(C::Slice_Twist_Prun, 1082564));
    EXPECT_EQ(C::MergeURtoULandUBtoDF[0][114], 0);
    EXPECT_EQ(C::MergeURtoULandUBtoDF[0][0], -1);
}

TEST(TableStore, MoveTablesAgreeWithTheCubieModelAlongRandomMoves) {
    // Following any move sequence by table gives the coordinates of the turned cubie cube; URtoDF
    // agrees whenever its six edges lie in the U and D layers.
    std::mt19937 rng(37);
    for (int walk = 0; walk < 200; ++walk) {
        CubieCube cube = randomCubie(rng);
        CoordCube coords(cube);
        for (int step = 0; step < 30; ++step) {
            int m = static_cast<int>(rng() % 18);
            applyMove(cube, m);
            coords.move(m);
            CoordCube expected(cube);
            if (coords.URtoUL >= 336 || coords.UBtoDF >= 336) expected.URtoDF = coords.URtoDF;
            ASSERT_TRUE(sameCoordinates(coords, expected)) << "walk " << walk << " step " << step;
        }
    }
}

TEST(TableStore, Phase2MovesKeepURtoDFByTableAndByMerge) {
    std::mt19937 rng(41);
    CubieCube cube;
    CoordCube coords(cube);
    for (int step = 0; step < 2000; ++step) {
        int m = CoordCube::phase2Moves[rng() % 10];
        int before = coords.URtoDF;
        applyMove(cube, m);
        coords.move(m);
        ASSERT_EQ(CoordCube::URtoDF_Move[before][m], cube.getURtoDF());
        ASSERT_EQ(coords.URtoDF, cube.getURtoDF());
    }
}

TEST(CoordinateCube, SolvedAndTurnedCubes) {
    CubieCube solved;
    CoordCube c(solved);
    EXPECT_TRUE(sameCoordinates(c, CoordCube(CubieCube())));
    EXPECT_EQ(c.UBtoDF, 114);
    EXPECT_EQ(c.twist + c.flip + c.parity + c.FRtoBR + c.URFtoDLF + c.URtoUL + c.URtoDF, 0);

    CoordCube u = c;
    u.move(0);
    EXPECT_TRUE(sameCoordinates(u, CoordCube(CubieCube::moveCube[0])));
    EXPECT_EQ(u.parity, 1);
    EXPECT_EQ(u.URFtoDLF, 6);
    EXPECT_EQ(u.URtoUL, 18);
    EXPECT_EQ(u.UBtoDF, 96);
    EXPECT_EQ(u.URtoDF, 6);

    CoordCube r = c;
    r.move(3);
    EXPECT_EQ(r.URtoUL, 1006);
    EXPECT_EQ(r.URtoDF, 0);  // stale: UR left the U and D layers

    CoordCube r2 = c;
    r2.move(4);
    EXPECT_EQ(r2.URtoUL, 40);
    EXPECT_EQ(r2.UBtoDF, 79);
    EXPECT_EQ(r2.URtoDF, 42);
}

TEST(PruningTables, EntriesAreDistancesToTheGoal) {
    // 0 exactly at the goal; every other entry e has a move to an entry e - 1 and none lower.
    for (const PruningTable& p : pruningTables) {
        const int* moves = p.phase2 ? CoordCube::phase2Moves : nullptr;
        int moveCount = p.phase2 ? 10 : 18;
        int largest = 0;
        for (int i = 0; i < p.entries; ++i) {
            int e = CoordCube::getPruning(p.table, i);
            ASSERT_EQ(e == 0, i == 0) << p.name << " " << i;
            int nearest = 15;
            for (int k = 0; k < moveCount; ++k) {
                int next = p.next(i, moves ? moves[k] : k);
                nearest = std::min<int>(nearest, CoordCube::getPruning(p.table, next));
            }
            if (e > 0) {
                ASSERT_EQ(nearest, e - 1) << p.name << " " << i;
            }
            largest = std::max(largest, e);
        }
        EXPECT_LE(largest, 14) << p.name;
    }
}

TEST(PruningTables, MovesOfTheCubeSeenTurnedAreFaceTurnsOfItsView) {
    // Move m of a cube is move seenTurnedYMove[m] of the cube seen turned about the U-D axis, so
    // the view's twist and flip follow the same move tables.
    std::mt19937 rng(53);
    for (int walk = 0; walk < 100; ++walk) {
        CubieCube cube = randomCubie(rng);
        for (int step = 0; step < 20; ++step) {
            const int m = static_cast<int>(rng() % 18);
            CubieCube seen = cube.seenTurnedY();
            applyMove(cube, m);
            applyMove(seen, CoordCube::seenTurnedYMove[m]);
            ASSERT_TRUE(sameCube(seen, cube.seenTurnedY())) << "walk " << walk << " move " << m;
        }
    }
}

// The least number of moves that takes (twist, flip, slice) into the phase-2 subgroup, by plain
// iterative deepening over the 18 moves, when it is at most most; otherwise most + 1.
bool reachesSubgroup(int twist, int flip, int slice, int moves) {
    if (moves == 0) return twist == 0 && flip == 0 && slice == 0;
    for (int m = 0; m < 18; ++m) {
        if (reachesSubgroup(CoordCube::twistMove[twist][m], CoordCube::flipMove[flip][m],
                            CoordCube::sliceMove[slice][m], moves - 1))
            return true;
    }
    return false;
}

int phase1Distance(const CoordCube& c, int most) {
    int moves = 0;
    while (moves <= most && !reachesSubgroup(c.twist, c.flip, c.FRtoBR / 24, moves)) ++moves;
    return moves;
}

TEST(PruningTables, Phase1BoundIsZeroInTheSubgroupAndNeverAboveTheDistance) {
    // The bound phase 1 uses with Twist_Flip_Prun, on cubes a few moves from the subgroup: a
    // random phase-2 cube turned by up to five random moves.
    std::mt19937 rng(59);
    int zeros = 0;
    for (int sample = 0; sample < 120; ++sample) {
        CubieCube cube;
        for (int i = 0; i < 20; ++i) applyMove(cube, CoordCube::phase2Moves[rng() % 10]);
        for (int i = sample % 6; i > 0; --i) applyMove(cube, static_cast<int>(rng() % 18));
        const CoordCube c(cube);
        const CubieCube seen = cube.seenTurnedY();
        const int slice = c.FRtoBR / 24;
        const int bound =
            std::max({CoordCube::getPruning(CoordCube::Slice_Flip_Prun, 495 * c.flip + slice),
                      CoordCube::getPruning(CoordCube::Slice_Twist_Prun, 495 * c.twist + slice),
                      CoordCube::getPruning(CoordCube::Twist_Flip_Prun, 2048 * c.twist + c.flip),
                      CoordCube::getPruning(CoordCube::Twist_Flip_Prun,
                                            2048 * seen.getTwist() + seen.getFlip())});
        const int distance = phase1Distance(c, 5);
        ASSERT_LE(distance, 5);
        EXPECT_LE(bound, distance) << faceletsOf(cube);
        EXPECT_EQ(bound == 0, distance == 0) << faceletsOf(cube);
        zeros += distance == 0;
    }
    EXPECT_GE(zeros, 20);
}

// Each test gets a copy of the good tables to damage; the good tables are loaded again after it.
class TableLoader : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& table : CoordCube::tableFiles) copy(table.name);
        copy(CoordCube::extraTableFile.name);
    }
    void copy(const char* name) {
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / name, dir.path / name,
                      fs::copy_options::overwrite_existing);
    }
    void TearDown() override { ASSERT_EQ(CoordCube::loadTables({CUBESOLVER_TABLE_DIR}), ""); }

    std::string load() { return CoordCube::loadTables({dir.path.string()}); }

    unsigned char byteAt(const char* name, std::size_t offset) {
        std::ifstream f(dir.path / name, std::ios::binary);
        f.seekg(static_cast<std::streamoff>(offset));
        return static_cast<unsigned char>(f.get());
    }

    void overwrite(const char* name, std::size_t offset, std::string bytes) {
        std::fstream f(dir.path / name, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(offset));
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    ScratchDir dir;
};

TEST_F(TableLoader, GoodTablesLoad) {
    EXPECT_EQ(load(), "");
    EXPECT_TRUE(CoordCube::useTwistFlipPrun);
}

TEST_F(TableLoader, TheSearchGoesWithoutAMissingExtraTable) {
    fs::remove(dir.path / "Twist_Flip_Prun");
    EXPECT_EQ(load(), "");
    EXPECT_FALSE(CoordCube::useTwistFlipPrun);
}

TEST_F(TableLoader, LongerFilesAreAccepted) {
    std::ofstream(dir.path / "twistMove", std::ios::app | std::ios::binary) << "extra";
    EXPECT_EQ(load(), "");
}

TEST_F(TableLoader, MissingFileIsNamed) {
    fs::remove(dir.path / "UBtoDF_Move");
    EXPECT_EQ(load(), "table file \"UBtoDF_Move\" is missing");
}

TEST_F(TableLoader, EachDirectoryIsTriedInTurn) {
    fs::remove(dir.path / "UBtoDF_Move");
    EXPECT_EQ(CoordCube::loadTables({dir.path.string(), CUBESOLVER_TABLE_DIR}), "");
}

TEST_F(TableLoader, ShortFileIsNamed) {
    fs::resize_file(dir.path / "Slice_Flip_Prun", 1000);
    EXPECT_EQ(load(), "table file \"" + (dir.path / "Slice_Flip_Prun").string() +
                          "\" is shorter than its 506880 bytes");
}

TEST_F(TableLoader, OnlyRegularFilesAreRead) {
    // A FIFO would block the start for ever; a directory or a device holds no table.
    const fs::path file = dir.path / "flipMove";
    const std::string refused = "table file \"" + file.string() + "\" is not a regular file";
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(load(), refused);
    fs::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(load(), refused);
    fs::remove(file);
    fs::create_symlink("/dev/zero", file);
    EXPECT_EQ(load(), refused);
}

// Whether a changed byte lies in entries that no search reads, which any value may fill.
bool isFreeByte(const CoordCube::TableFile& table, std::size_t offset, unsigned char change) {
    if (table.data == CoordCube::URtoDF_Move) {
        const int column = static_cast<int>(offset / 2 % 18);
        return std::count(std::begin(CoordCube::phase2Moves), std::end(CoordCube::phase2Moves),
                          column) == 0;
    }
    return table.data == CoordCube::Slice_Twist_Prun && offset == 541282 && (change & 0x0f) == 0;
}

TEST_F(TableLoader, EveryChangedByteIsRejectedOutsideFreeEntries) {
    // Damage that stays in range (a move to another valid coordinate, another distance) must be
    // caught as surely as damage out of range. Each byte is changed in the copy and put back.
    struct Damage {
        const char* name;
        std::size_t offset;
        unsigned char change;
    };
    std::vector<Damage> damages = {
        {"flipMove", 0, 0xff},               // entry 0 of U becomes 255: in range
        {"twistMove", 1, 0x08},              // entry 0 of U becomes 2048 + ...: out of range
        {"URtoDF_Move", 2 * 3, 0x55},        // R column, never read
        {"URtoDF_Move", 2 * 4 + 1, 0x01},    // R2 column
        {"Slice_Twist_Prun", 541282, 0x30},  // the unused high nibble of the last byte
        {"Slice_Twist_Prun", 541282, 0x01},
    };
    std::vector<CoordCube::TableFile> tables(std::begin(CoordCube::tableFiles),
                                             std::end(CoordCube::tableFiles));
    tables.push_back(CoordCube::extraTableFile);
    std::mt19937 rng(53);
    for (const auto& table : tables) {
        const std::size_t size = std::size_t(table.elementSize) * table.count;
        for (std::size_t offset : {std::size_t(0), size - 1, rng() % size, rng() % size}) {
            damages.push_back({table.name, offset, static_cast<unsigned char>(1 + rng() % 255)});
        }
    }
    for (const Damage& d : damages) {
        const CoordCube::TableFile& table = *std::find_if(
            tables.begin(), tables.end(),
            [&](const CoordCube::TableFile& t) { return d.name == std::string(t.name); });
        const unsigned char good = byteAt(d.name, d.offset);
        overwrite(d.name, d.offset, std::string(1, char(good ^ d.change)));
        const std::string expected =
            isFreeByte(table, d.offset, d.change)
                ? ""
                : "table file \"" + (dir.path / d.name).string() +
                      "\" is damaged: its entries are not those the cube model defines";
        EXPECT_EQ(load(), expected) << d.name << " byte " << d.offset;
        overwrite(d.name, d.offset, std::string(1, char(good)));
    }
    EXPECT_EQ(load(), "");
}

TEST(TableProducer, TwoRunsAtOnceWriteTheBuildsBytes) {
    // Each run writes under temporary names of its own, so two runs into one directory never
    // interleave a file, nor touch one that another run is writing; on a cross build this also
    // compares the target's bytes with the host's.
    ScratchDir dir;
    std::ofstream(dir.path / "twistMove.tmp") << "another run's";
    const std::string run =
        CUBESOLVER_RUN_PREFIX " '" MAKETABLES_EXE "' '" + dir.path.string() + "' >/dev/null";
    const std::string both = run + " & first=$!; " + run + "; second=$?; wait $first; " +
                             "test $? -eq 0 && test $second -eq 0";
    ASSERT_EQ(std::system(both.c_str()), 0);
    for (const auto& table : CoordCube::tableFiles) {
        EXPECT_TRUE(fileText(dir.path / table.name) ==
                    fileText(fs::path(CUBESOLVER_TABLE_DIR) / table.name))
            << table.name;
    }
    EXPECT_TRUE(fileText(dir.path / "Twist_Flip_Prun") ==
                fileText(fs::path(CUBESOLVER_TABLE_DIR) / "Twist_Flip_Prun"));
    EXPECT_EQ(fileText(dir.path / "twistMove.tmp"), "another run's");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 14);
}

TEST(TableProducer, FailsClearlyWhenItCannotWrite) {
    ScratchDir dir;
    std::ofstream(dir.path / "file") << "not a directory";
    ProcessResult made = runProgram(MAKETABLES_EXE, {(dir.path / "file").string()}, dir.path);
    EXPECT_EQ(made.status, 1);
    EXPECT_NE(made.err.find("cannot write"), std::string::npos) << made.err;
}

}  // namespace
