#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "ProcessSupport.h"
#include "TestSupport.h"
#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"
#include "tables/FreeMemory.h"

namespace fs = std::filesystem;

namespace {

// The entry of a phase-2 table, (24 * coordinate + FRtoBR) * 2 + parity, after move m.
int phase2Next(const short (*moveTable)[18], int i, int m) {
    return (24 * moveTable[i / 48][m] + CoordCube::FRtoBR_Move[i / 2 % 24][m]) * 2 +
           CoordCube::parityMove[i % 2][m];
}

// Each pruning table, the moves its coordinates take, and the entry one move leads to.
struct PruningTable {
    const unsigned char* table;
    int entries;
    bool phase2;
    int (*next)(int, int);
} const pruningTables[] = {
    {CoordCube::Slice_Flip_Prun, 1013760, false,
     [](int i, int m) {
         return 495 * CoordCube::flipMove[i / 495][m] + CoordCube::sliceMove[i % 495][m];
     }},
    {CoordCube::Slice_Twist_Prun, 1082565, false,
     [](int i, int m) {
         return 495 * CoordCube::twistMove[i / 495][m] + CoordCube::sliceMove[i % 495][m];
     }},
    {CoordCube::Twist_Flip_Prun, 4478976, false,
     [](int i, int m) {
         return 2048 * CoordCube::twistMove[i / 2048][m] + CoordCube::flipMove[i % 2048][m];
     }},
    {CoordCube::Slice_URFtoDLF_Parity_Prun, 967680, true,
     [](int i, int m) { return phase2Next(CoordCube::URFtoDLF_Move, i, m); }},
    {CoordCube::Slice_URtoDF_Parity_Prun, 967680, true,
     [](int i, int m) { return phase2Next(CoordCube::URtoDF_Move, i, m); }},
};

std::vector<int> coordinatesOf(const CoordCube& c) {
    return {c.twist, c.flip, c.parity, c.FRtoBR, c.URFtoDLF, c.URtoUL, c.UBtoDF, c.URtoDF};
}

TEST(MoveTables, FollowTheCubieModelAlongRandomMoves) {
    // The coordinates moved by table are those of the turned cubie cube (URtoDF while its edges
    // lie in the U and D layers), and a move of the cube is a relabelled move of the cube seen
    // turned about the U-D axis.
    std::mt19937 rng(37);
    for (int walk = 0; walk < 200; ++walk) {
        CubieCube cube = Tools::randomCubie(rng);
        CoordCube coords(cube);
        for (int step = 0; step < 30; ++step) {
            const int m = static_cast<int>(rng() % 18);
            CubieCube seen = cube.seenTurnedY();
            applyMove(cube, m);
            applyMove(seen, CoordCube::seenTurnedYMove[m]);
            coords.move(m);
            CoordCube expected(cube);
            if (coords.URtoUL >= 336 || coords.UBtoDF >= 336) expected.URtoDF = coords.URtoDF;
            ASSERT_EQ(coordinatesOf(coords), coordinatesOf(expected)) << walk << " " << step;
            ASSERT_TRUE(seen == cube.seenTurnedY()) << walk << " " << step;
        }
    }
}

TEST(PruningTables, EntriesAreDistancesToTheGoal) {
    // 0 exactly at the goal; every other entry e has a move to an entry e - 1 and none lower. So
    // each entry is the least number of moves to the goal of its coordinates, never above that of
    // the whole cube: with the view's moves above, this makes every phase-1 bound admissible.
    for (const PruningTable& p : pruningTables) {
        for (int i = 0; i < p.entries; ++i) {
            const int e = CoordCube::getPruning(p.table, i);
            ASSERT_EQ(e == 0, i == 0) << i;
            int nearest = 15;
            for (int k = 0; k < (p.phase2 ? 10 : 18); ++k) {
                const int m = p.phase2 ? CoordCube::phase2Moves[k] : k;
                nearest = std::min<int>(nearest, CoordCube::getPruning(p.table, p.next(i, m)));
            }
            ASSERT_TRUE(e == 0 || nearest == e - 1) << i;
        }
    }
}

TEST(CornerEdgeTable, EntriesAreDistancesOfTheCornersAndUDEdges) {
    // The optional phase-2 table: each of a sample of entries is 0 only at the goal, has a move to
    // an entry one less and none to a lower one (11 stands for 11 and more); the coordinates agree
    // with the cubie model along walks of phase-2 moves.
    bool missing;
    ASSERT_EQ(CornerEdgePrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    ASSERT_NE(CornerEdgePrun::distances, nullptr);
    std::mt19937 rng(61);
    for (int sample = 0; sample < 20000; ++sample) {
        const int c = static_cast<int>(rng() % 40320), e = static_cast<int>(rng() % 40320);
        const int d = CornerEdgePrun::bound(c, e);
        int nearest = 15;
        for (int m : CoordCube::phase2Moves) {
            nearest = std::min(nearest, CornerEdgePrun::bound(CornerEdgePrun::cornersAfter(c, m),
                                                              CornerEdgePrun::udEdgesAfter(e, m)));
        }
        ASSERT_EQ(d == 0, c == 0 && e == 0);
        ASSERT_TRUE(d == 0 || nearest == d - 1 || (d == 11 && nearest >= 10)) << c << " " << e;
    }
    for (int walk = 0; walk < 300; ++walk) {
        int c = 0, e = 0;
        CubieCube cube;
        for (int i = 0; i < walk % 6 + walk / 100 * 10; ++i) {
            const int m = CoordCube::phase2Moves[rng() % 10];
            c = CornerEdgePrun::cornersAfter(c, m);
            e = CornerEdgePrun::udEdgesAfter(e, m);
            applyMove(cube, m);
        }
        // The coordinates the search forms from its own give the same, on the cubie model.
        const CoordCube coords(cube);
        ASSERT_EQ(CornerEdgePrun::corners(coords.URFtoDLF, coords.parity), c);
        ASSERT_EQ(CornerEdgePrun::udEdges(coords.URtoDF, coords.FRtoBR, coords.parity), e);
    }
    // The one-bit form, loaded where the distances do not fit: set exactly at the entries of 11.
    unsigned char* const distances = CornerEdgePrun::distances;
    CornerEdgePrun::distances = nullptr;
    ASSERT_EQ(CornerEdgePrun::load({CUBESOLVER_TABLE_DIR}, missing, CornerEdgePrun::farBytes), "");
    ASSERT_NE(CornerEdgePrun::far, nullptr);
    for (int sample = 0; sample < 200000; ++sample) {
        const std::uint32_t i = rng() % CornerEdgePrun::entries;
        ASSERT_EQ(CornerEdgePrun::far[i / 8] >> (i % 8) & 1,
                  CoordCube::getPruning(distances, i) == CornerEdgePrun::deepest)
            << i;
    }
    CornerEdgePrun::unload();
    CornerEdgePrun::distances = distances;
}

// The phase-1 distance of a cube by plain iterative deepening on the move tables, cut by
// the three smaller phase-1 tables: no symmetry, no table of it.
int phase1Distance(int flip, int slice, int twist) {
    const std::function<bool(int, int, int, int)> reaches = [&](int f, int s, int t, int depth) {
        if (f == 0 && s == 0 && t == 0) return true;
        if (CoordCube::getPruning(CoordCube::Slice_Flip_Prun, 495 * f + s) > depth ||
            CoordCube::getPruning(CoordCube::Slice_Twist_Prun, 495 * t + s) > depth ||
            CoordCube::getPruning(CoordCube::Twist_Flip_Prun, 2048 * t + f) > depth) {
            return false;
        }
        for (int m = 0; m < 18; ++m) {
            if (reaches(CoordCube::flipMove[f][m], CoordCube::sliceMove[s][m],
                        CoordCube::twistMove[t][m], depth - 1)) {
                return true;
            }
        }
        return false;
    };
    int depth = 0;
    while (!reaches(flip, slice, twist, depth)) ++depth;
    return depth;
}

TEST(ExactPhase1Table, DistancesAreThoseOfAPlainSearchAndFollowEveryMove) {
    // Random phase-1 cubes and cubes a few moves from the subgroup: the distance by the table is
    // that of a plain search, and along random moves each neighbour's distance follows from the
    // one before.
    bool missing;
    ASSERT_EQ(FlipSliceTwistPrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    ASSERT_TRUE(FlipSliceTwistPrun::loaded());
    std::mt19937 rng(71);
    for (int walk = 0; walk < 60; ++walk) {
        int flip = static_cast<int>(rng() % 2048), slice = static_cast<int>(rng() % 495),
            twist = static_cast<int>(rng() % 2187);
        if (walk % 2 == 0) flip = slice = twist = 0;
        for (int step = 0; step < 60; ++step) {
            const int d = FlipSliceTwistPrun::distance(flip, slice, twist);
            if (step == walk % 7 + 1) {
                ASSERT_EQ(d, phase1Distance(flip, slice, twist)) << walk;
            }
            const int m = static_cast<int>(rng() % 18);
            flip = CoordCube::flipMove[flip][m];
            slice = CoordCube::sliceMove[slice][m];
            twist = CoordCube::twistMove[twist][m];
            ASSERT_EQ(FlipSliceTwistPrun::distanceAfter(d, flip, slice, twist),
                      FlipSliceTwistPrun::distance(flip, slice, twist))
                << walk << " " << step;
        }
    }
}

// Each test loads a copy of the good tables that it damages; the good ones are loaded after it.
class TableLoader : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& table : tables) {
            fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / table.name, dir.path / table.name);
        }
    }
    void TearDown() override { ASSERT_EQ(CoordCube::loadTables({CUBESOLVER_TABLE_DIR}), ""); }

    std::string load() { return CoordCube::loadTables({dir.path.string()}); }
    std::string failure(const std::string& name, const std::string& what) {
        return "table file \"" + (dir.path / name).string() + "\" " + what;
    }
    void changeByte(const char* name, std::size_t offset, unsigned char change) {
        std::fstream f(dir.path / name, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(static_cast<std::streamoff>(offset));
        const char changed = static_cast<char>(f.get() ^ change);
        f.seekp(static_cast<std::streamoff>(offset));
        f.put(changed);
    }

    ScratchDir dir;
    const std::vector<CoordCube::TableFile> tables = allTableFiles();
};

TEST_F(TableLoader, FilesThatCannotServeAreNamedWithWhatIsWrong) {
    // A directory or a device holds no table (the command line tests a FIFO); a file longer than
    // its table (by a byte, or by 100 MB that are not read) is none that maketables wrote.
    const fs::path flip = dir.path / "flipMove";
    const auto restore = [&] {
        fs::remove(flip);
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / "flipMove", flip);
    };
    const std::string notRegular = failure("flipMove", "is not a regular file");
    const std::string longer = failure("flipMove", "is longer than its 73728 bytes");
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { fs::resize_file(flip, 73727); },
         failure("flipMove", "is shorter than its 73728 bytes")},
        {[&] { std::ofstream(flip, std::ios::app) << 'x'; }, longer},
        {[&] { fs::resize_file(flip, 100 << 20); }, longer},
        {[&] { fs::remove(flip), fs::create_directory(flip); }, notRegular},
        {[&] { fs::remove(flip); }, "table file \"flipMove\" is missing"},
    };
    for (const auto& [make, expected] : cases) {
        restore();
        make();
        EXPECT_EQ(load(), expected);
    }
    // The next directory serves what the first lacks; an entry that is a file is passed over.
    EXPECT_EQ(CoordCube::loadTables({dir.path.string(), CUBESOLVER_TABLE_DIR}), "");
    fs::remove(dir.path / "Twist_Flip_Prun");
    restore();
    EXPECT_EQ(CoordCube::loadTables({flip.string(), dir.path.string()}), "");
    EXPECT_EQ(load(), "");
    EXPECT_FALSE(CoordCube::useTwistFlipPrun) << "the search goes without the extra table";

    // The large optional table likewise: absent, it is missing and the search runs without it;
    // a damaged symmetry file is named.
    bool missing;
    CornerEdgePrun::unload();
    EXPECT_EQ(CornerEdgePrun::load({dir.path.string()}, missing), "");
    EXPECT_TRUE(missing && CornerEdgePrun::distances == nullptr);
    fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / "Corner_UDEdge_Sym",
                  dir.path / "Corner_UDEdge_Sym");
    changeByte("Corner_UDEdge_Sym", 40320 * 32 + 7, 0x01);
    EXPECT_EQ(CornerEdgePrun::load({dir.path.string(), CUBESOLVER_TABLE_DIR}, missing),
              failure("Corner_UDEdge_Sym",
                      "is damaged: its entries are not those the cube model defines"));
    EXPECT_EQ(CornerEdgePrun::distances, nullptr);
    // With their symmetry files but without their distances, as a deferred load finds them, the
    // large tables are missing: no memory is left in use as a table that was never read.
    for (const char* name :
         {CornerEdgePrun::symmetryFile.name, FlipSliceTwistPrun::symmetryFile.name}) {
        fs::remove(dir.path / name);
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / name, dir.path / name);
    }
    FlipSliceTwistPrun::unload();
    EXPECT_EQ(CornerEdgePrun::load({dir.path.string()}, missing), "");
    EXPECT_TRUE(missing && !CornerEdgePrun::loaded());
    EXPECT_EQ(FlipSliceTwistPrun::load({dir.path.string()}, missing), "");
    EXPECT_TRUE(missing && !FlipSliceTwistPrun::loaded());
}

TEST_F(TableLoader, EveryChangedByteIsRejectedOutsideFreeEntries) {
    // Damage that stays in range (a move to another valid coordinate, another distance) is caught
    // as surely as damage out of range; only the entries that no search reads may change: the
    // columns of the moves that leave URtoDF's rows, and the unused nibble at the end of
    // Slice_Twist_Prun. Each byte is changed in the copy and changed back.
    struct Damage {
        const char* name;
        std::size_t offset;
        unsigned char change;
        bool free;
    };
    std::vector<Damage> damages = {
        {"flipMove", 0, 0xff, false},  // entry 0 of U becomes 255, in range
        {"URtoDF_Move", 2 * 3, 0x55, true},
        {"URtoDF_Move", 2 * 4 + 1, 0x01, false},
        {"Slice_Twist_Prun", 541282, 0x30, true},
        {"Slice_Twist_Prun", 541282, 0x01, false},
    };
    std::mt19937 rng(53);
    for (const auto& table : tables) {
        const std::size_t size = std::size_t(table.elementSize) * table.count;
        for (std::size_t offset : {std::size_t(0), size - 1, rng() % size, rng() % size}) {
            const bool free = table.data == CoordCube::URtoDF_Move &&
                              !std::count(CoordCube::phase2Moves, CoordCube::phase2Moves + 10,
                                          static_cast<int>(offset / 2 % 18));
            // A change that always reaches the low nibble, which every table reads.
            damages.push_back(
                {table.name, offset, static_cast<unsigned char>(1 + rng() % 15 * 17), free});
        }
    }
    const std::string damaged = "is damaged: its entries are not those the cube model defines";
    for (const Damage& d : damages) {
        changeByte(d.name, d.offset, d.change);
        EXPECT_EQ(load(), d.free ? "" : failure(d.name, damaged)) << d.offset;
        changeByte(d.name, d.offset, d.change);
    }
}

TEST(FreeMemory, TheLeastOfTheSystemsFigureAndTheRoomOfTheProcesssControlGroups) {
    // Each case is the tree of files under a root of its own, where /proc/meminfo says 1 GiB is
    // free and the process is in the v2 group robot.service unless the case writes its own.
    const long long gib = 1LL << 30, mib = 1LL << 20;
    const std::string v1 = "sys/fs/cgroup/memory/", v2 = "sys/fs/cgroup/",
                      self = "proc/self/cgroup";
    const std::string service = v2 + "robot.service/";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        long long expected;
    };
    const std::vector<Case> cases = {
        {"v2: 100 MiB less 20 MiB used, of which 4 MiB is cache not used lately",
         {{service + "memory.max", "104857600\n"},
          {service + "memory.current", "20971520\n"},
          {service + "memory.stat", "anon 16777216\nactive_file 0\ninactive_file 4194304\n"}},
         84 * mib},
        {"v1 beside other hierarchies, with the inactive cache of the groups below too",
         {{self, "5:cpu,cpuacct:/docker/a\n4:memory:/docker/a\n0::/\n"},
          {v1 + "docker/a/memory.limit_in_bytes", "67108864\n"},
          {v1 + "docker/a/memory.usage_in_bytes", "8388608\n"},
          {v1 + "docker/a/memory.stat", "inactive_file 999\ntotal_inactive_file 1048576\n"}},
         57 * mib},
        {"v2 without a limit",
         {{service + "memory.max", "max\n"}, {service + "memory.current", "20971520\n"}},
         gib},
        {"nested: the least room of the group and of those above it",
         {{self, "0::/robot.slice/robot.service\n"},
          {v2 + "robot.slice/robot.service/memory.max", "104857600\n"},
          {v2 + "robot.slice/robot.service/memory.current", "5000000\n"},
          {v2 + "robot.slice/memory.max", "50000000\n"},
          {v2 + "robot.slice/memory.current", "30000000\n"}},
         20000000},
        {"a container that sees its own group at the mount",
         {{self, "4:memory:/docker/a\n"},
          {v1 + "memory.limit_in_bytes", "33554432\n"},
          {v1 + "memory.usage_in_bytes", "0\n"}},
         32 * mib},
        {"more used than the limit",
         {{service + "memory.max", "1000\n"}, {service + "memory.current", "5000\n"}},
         0},
        {"garbage",
         {{self, "garbage\n0::robot.service\n0::/robot.service\n"},
          {service + "memory.max", "lots\n"},
          {service + "memory.current", "12 pages\n"}},
         gib},
        {"a limit, and a system figure that cannot be read",
         {{"proc/meminfo", "MemAvailable: many kB\n"},
          {service + "memory.max", "104857600\n"},
          {service + "memory.current", "0\n"}},
         100 * mib},
    };
    for (const Case& c : cases) {
        ScratchDir root;
        std::vector<std::pair<std::string, std::string>> files = {
            {"proc/meminfo", "MemTotal:  4096000 kB\nMemAvailable:   1048576 kB\n"},
            {self, "0::/robot.service\n"}};
        files.insert(files.end(), c.files.begin(), c.files.end());
        for (const auto& [name, text] : files) {
            fs::create_directories((root.path / name).parent_path());
            std::ofstream(root.path / name) << text;
        }
        EXPECT_EQ(FreeMemory::available(root.path.string()), c.expected) << c.what;
    }
    ScratchDir nothing;
    EXPECT_EQ(FreeMemory::available(nothing.path.string()), FreeMemory::unknown);
}

TEST(TableProducer, TwoRunsAtOnceWriteTheBuildsBytes) {
    // Each run writes under temporary names of its own, so two runs into one directory never
    // interleave a file, nor touch one that another run is writing; on a cross build this also
    // compares the target's bytes with the host's.
    ScratchDir dir;
    std::ofstream(dir.path / "twistMove.tmp") << "another run's";
    const std::string run = programCommand(MAKETABLES_EXE) + " '" + dir.path.string() + "'";
    const ProcessResult made = runShell(run + " & first=$!; " + run + " && wait $first", dir.path);
    ASSERT_EQ(made.status, 0) << made.err;
    std::vector<std::string> names = {"Corner_UDEdge_Sym", "Corner_UDEdge_Prun",
                                      "Corner_UDEdge_Far", "FlipSlice_Sym", "FlipSlice_Twist_Prun"};
    for (const auto& table : allTableFiles()) names.push_back(table.name);
    for (const std::string& name : names) {
        EXPECT_TRUE(fileText(dir.path / name) == fileText(fs::path(CUBESOLVER_TABLE_DIR) / name))
            << name;
    }
    EXPECT_EQ(fileText(dir.path / "twistMove.tmp"), "another run's");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 19);
}

}  // namespace
