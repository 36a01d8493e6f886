#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "ProcessSupport.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

fs::path copyProgram(const fs::path& binDir, const fs::path& program) {
    fs::create_directories(binDir);
    fs::copy_file(program, binDir / program.filename());
    return binDir / program.filename();
}

TEST(CommandLine, EachRequestGetsItsLineAndStatus0FromTheBuildAndFromACopyBesideItsTables) {
    // The built program with the extra table, and a copy beside the twelve tables alone (as on a
    // board) run from a directory without tables: the independently computed answers and each
    // rejected cube's "Error N". Face letters, colour letters or both; only the first argument and
    // its first 54 characters count, and words after it get a warning; no argument gets no line.
    ScratchDir root;
    const fs::path board = copyProgram(root.path / "board", CUBESOLVER_EXE);
    for (const auto& table : CoordCube::tableFiles) {
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / table.name,
                      root.path / "board" / table.name);
    }
    const std::string solved = "R L U2 R L' B2 U2 R2 F2 L2 D2 L2 F2 \n";
    std::string colours, mixed;
    for (int face = 0; face < 6; ++face) {
        colours += std::string(9, "rgwoby"[face]);
        mixed += std::string(9, face % 2 ? "URFDLB"[face] : "rgwoby"[face]);
    }
    std::vector<std::pair<std::vector<std::string>, std::string>> requests = {
        {{}, ""},
        {{colours}, solved},
        {{mixed}, solved},
        {{solvedFacelets + "UUUxyz", "--max-moves", "5"},
         solved + "cubesolver: 2 words after the cube ignored; options go before the cube\n"},
    };
    for (const char* file : {ANSWERS_FILE, REJECTED_FILE}) {
        for (const auto& [cube, line] : expectedAnswers(file))
            requests.push_back({{cube}, line + "\n"});
    }
    for (const auto& [args, line] : requests) {
        for (const fs::path& program : {fs::path(CUBESOLVER_EXE), board}) {
            ProcessResult r = runProgram(program.string(), args, root.path);
            ASSERT_EQ(r.out + r.err, line) << program << " " << ::testing::PrintToString(args);
            ASSERT_EQ(r.status, 0);
        }
    }
}

TEST(CommandLine, TableFailuresStopBothProgramsWithOneLineSayingWhatToDoThere) {
    // Before any request is looked at: one line on standard error that names the file, where it
    // was looked for (the working directory by its full path) and what to do where the program
    // runs (a copy as on a board, an installed program, the build tree), and status 2. The stream
    // program leaves its input unread: the shell copies what is left of it after it has ended.
    ScratchDir root;
    const std::pair<std::string, std::string> places[] = {
        {"board", "copy the table files from the cubesolver archive or package into "},
        {"bin", "install the project or its package again, which puts the table files in "},
        {"build", "make them again by building the project: cmake --build "}};
    for (const auto& [place, advice] : places) {
        copyProgram(root.path / place, CUBESOLVER_EXE);
        copyProgram(root.path / place, CUBESOLVER_STREAM_EXE);
    }
    std::ofstream(root.path / "build/CMakeCache.txt");
    for (bool fifo : {false, true}) {
        for (const auto& [place, advice] : places) {
            ScratchDir dir;
            // A FIFO would otherwise block the start for ever.
            ASSERT_TRUE(!fifo || mkfifo((dir.path / "twistMove").c_str(), 0600) == 0);
            const std::string cwd = fs::canonical(dir.path).string();
            const std::string bin = (fs::canonical(root.path) / place).string();
            const std::string failure =
                (fifo ? "table file \"" + cwd + "/twistMove\" is not a regular file"
                      : "table file \"twistMove\" is missing") +
                " (looked in: " + cwd + ", " + bin + ", " + bin + "/../share/cubesolver, " + bin +
                "/tables); " + advice;
            const ProcessResult results[] = {
                runProgram(bin + "/cubesolver", {solvedFacelets}, dir.path),
                runShell("echo " + solvedFacelets + " | { " +
                             programCommand(bin + "/cubesolver-stream") + "; s=$?; cat; exit $s; }",
                         dir.path)};
            for (const ProcessResult& r : results) {
                EXPECT_EQ(r.status, 2);
                EXPECT_EQ(r.out, &r == results ? "" : solvedFacelets + "\n");
                EXPECT_EQ(r.err.rfind("cubesolver: " + failure, 0), 0u) << r.err;
                EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
            }
        }
    }
}

}  // namespace
