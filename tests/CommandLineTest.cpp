#include <gtest/gtest.h>

#include <fstream>

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

TEST(CommandLine, AnswersWithoutTheExtraTable) {
    // The program beside a copy of the twelve tables alone runs without Twist_Flip_Prun.
    ScratchDir dir;
    for (const auto& table : CoordCube::tableFiles) {
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / table.name, dir.path / table.name);
    }
    fs::copy_file(CUBESOLVER_EXE, dir.path / "cubesolver");
    for (const auto& [request, expected] : expectedAnswers()) {
        ProcessResult r = runProgram((dir.path / "cubesolver").string(), {request}, dir.path);
        ASSERT_EQ(r.out, expected + "\n") << request;
        ASSERT_EQ(r.err, "");
    }
}

TEST(CommandLine, TablesInTheWorkingDirectoryComeFirst) {
    // A short table file in the working directory stops the program before it reads its
    // argument: one line on standard error that names the file, and status 2. The same for the
    // extra table, which is optional but never used damaged.
    const std::pair<const char*, const char*> files[] = {{"twistMove", "78732"},
                                                         {"Twist_Flip_Prun", "2239488"}};
    for (const auto& [name, bytes] : files) {
        ScratchDir dir;
        std::ofstream(dir.path / name) << "short";
        ProcessResult r = cubesolver({solvedFacelets}, dir.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(
            r.err.find("\"./" + std::string(name) + "\" is shorter than its " + bytes + " bytes"),
            std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("maketables"), std::string::npos);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    }
}

TEST(CommandLine, AnUnwritableOutputIsNotASuccess) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    int status = std::system(CUBESOLVER_RUN_PREFIX
                             " '" CUBESOLVER_EXE
                             "' UUUUUUUUURRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB >/dev/full");
    EXPECT_NE(WEXITSTATUS(status), 0);
}

}  // namespace
