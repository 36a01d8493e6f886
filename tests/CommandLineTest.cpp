#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "ProcessSupport.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

ProcessResult cubesolver(const std::vector<std::string>& args,
                         const fs::path& dir = fs::temp_directory_path()) {
    return runProgram(CUBESOLVER_EXE, args, dir);
}

// One line on standard output, nothing on standard error, exit status 0.
void expectLine(const std::vector<std::string>& args, const std::string& line) {
    ProcessResult r = cubesolver(args);
    EXPECT_EQ(r.out, line + "\n") << args[0];
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(CommandLine, NoArgumentPrintsNothing) {
    ProcessResult r = cubesolver({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(CommandLine, FaceAndColourLettersGiveTheSameAnswer) {
    const std::string answer = "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 ";
    expectLine({solvedFacelets}, answer);
    std::string colours, mixed;
    for (int face = 0; face < 6; ++face) {
        colours += std::string(9, "rgwoby"[face]);
        mixed += std::string(9, face % 2 ? "URFDLB"[face] : "rgwoby"[face]);
    }
    expectLine({colours}, answer);
    expectLine({mixed}, answer);
}

TEST(CommandLine, OnlyTheFirstArgumentAndItsFirst54CharactersCount) {
    expectLine({solvedFacelets + "UUUxyz", "FFFF"}, "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 ");
}

TEST(CommandLine, ErrorLines) {
    expectLine({""}, "Error 1");
    expectLine({solvedFacelets.substr(0, 53)}, "Error 1");
    expectLine({"WWWWWWWWWRRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 1");
    expectLine({"UUUUUUUUURDRRRRRRRFFFFFFFFFDDDRDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 2");
    expectLine({"UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 3");
    expectLine({"UUUUUUUUULRRRRRRRRFFFFFFFFFDDDDDDDDDLLRLLLLLLBBBBBBBBB"}, "Error 4");
    expectLine({"UUUUUUUUFURRRRRRRRFFRFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 5");
    expectLine({"UUUUUUUUURFRRRRRRRFRFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 6");
    expectLine({"UUUURUUUURRRRURRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"}, "Error 9");
}

TEST(CommandLine, IndependentlyComputedAnswers) {
    const auto answers = expectedAnswers();
    for (const auto& [request, expected] : answers) {
        ProcessResult r = cubesolver({request});
        ASSERT_EQ(r.out, expected + "\n") << request;
        ASSERT_EQ(r.err, "");
    }
    EXPECT_EQ(answers.size(), 320u);
}

// Copies the twelve tables (not the extra one) into a directory.
void copyTables(const fs::path& dir) {
    fs::create_directories(dir);
    for (const auto& table : CoordCube::tableFiles) {
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / table.name, dir / table.name);
    }
}

fs::path copyProgram(const fs::path& binDir) {
    fs::create_directories(binDir);
    fs::copy_file(CUBESOLVER_EXE, binDir / "cubesolver");
    return binDir / "cubesolver";
}

TEST(CommandLine, TablesAreFoundBesideTheProgramWhereverItRuns) {
    // Program and the twelve tables side by side (a board), and an install layout of bin/ and
    // share/cubesolver/ (any prefix), each run from a directory without tables. Without the
    // extra table the answers are the same.
    ScratchDir root;
    const fs::path elsewhere = root.path / "elsewhere";
    fs::create_directory(elsewhere);
    copyTables(root.path / "board");
    const fs::path board = copyProgram(root.path / "board");
    for (const auto& [request, expected] : expectedAnswers()) {
        ProcessResult r = runProgram(board.string(), {request}, elsewhere);
        ASSERT_EQ(r.out, expected + "\n") << request << ": " << r.err;
    }
    copyTables(root.path / "usr/share/cubesolver");
    ProcessResult r =
        runProgram(copyProgram(root.path / "usr/bin").string(), {solvedFacelets}, elsewhere);
    EXPECT_EQ(r.out, "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 \n") << r.err;
}

TEST(CommandLine, TableFailuresStopTheProgramWithOneLine) {
    // Before the argument is looked at: one line on standard error that names the file, where it
    // was looked for and how to make the tables, and status 2.
    ScratchDir root;
    const fs::path program = copyProgram(root.path / "bin");
    const std::string bin = (root.path / "bin").string();
    const std::string lookedIn =
        "(looked in: ., " + bin + ", " + bin + "/../share/cubesolver, " + bin + "/tables)";
    struct Case {
        std::function<void(const fs::path&)> make;
        std::string failure;
    };
    const Case cases[] = {
        {[](const fs::path&) {}, "\"twistMove\" is missing " + lookedIn},
        {[](const fs::path& dir) { std::ofstream(dir / "twistMove") << "short"; },
         "\"./twistMove\" is shorter than its 78732 bytes"},
        // A FIFO would otherwise block the start for ever.
        {[](const fs::path& dir) { mkfifo((dir / "twistMove").c_str(), 0600); },
         "\"./twistMove\" is not a regular file"},
        // The extra table is optional, but never used damaged.
        {[](const fs::path& dir) {
             copyTables(dir);
             std::ofstream(dir / "Twist_Flip_Prun") << "short";
         },
         "\"./Twist_Flip_Prun\" is shorter than its 2239488 bytes"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        c.make(dir.path);
        ProcessResult r = runProgram(program.string(), {solvedFacelets}, dir.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("table file " + c.failure), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("maketables"), std::string::npos);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    }
}

TEST(CommandLine, InstallToAnyPrefix) {
    ScratchDir root;
    const std::string install = "'" CMAKE_COMMAND "' --install '" CUBESOLVER_BINARY_DIR
                                "' --prefix '" +
                                (root.path / "prefix").string() + "' >/dev/null";
    ASSERT_EQ(std::system(install.c_str()), 0);
    EXPECT_TRUE(fs::is_regular_file(root.path / "prefix/share/cubesolver/Slice_Flip_Prun"));
    ProcessResult r =
        runProgram((root.path / "prefix/bin/cubesolver").string(), {solvedFacelets}, root.path);
    EXPECT_EQ(r.out, "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 \n") << r.err;
}

TEST(CommandLine, AnUnwritableOutputIsNotASuccess) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    int status = std::system(CUBESOLVER_RUN_PREFIX
                             " '" CUBESOLVER_EXE
                             "' UUUUUUUUURRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB >/dev/full");
    EXPECT_NE(WEXITSTATUS(status), 0);
}

}  // namespace
