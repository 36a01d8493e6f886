#include <gtest/gtest.h>
#include <sys/resource.h>

#include "ProcessSupport.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

TEST(Stream, AnswersEachLineOfOneProcessAsCubesolverAnswersItsTextAsArgument) {
    // Odd lines (the Python module's tests send the independently computed requests), each with
    // the argument that carries the same text: the line itself, or where no argument can carry
    // it, the text with a NUL byte as another character that is no letter.
    std::string input, expected;
    std::string nulInside = solvedFacelets, nulInsideArgument = solvedFacelets;
    nulInside[7] = '\0';
    nulInsideArgument[7] = '?';
    const std::string scrambled = expectedAnswers()[0].first;
    const std::pair<std::string, std::string> lines[] = {
        {"", ""},
        {scrambled + "\r", scrambled + "\r"},
        {scrambled.substr(0, 53) + "\r", scrambled.substr(0, 53) + "\r"},
        {"\xc3\xa9" + scrambled.substr(2), "\xc3\xa9" + scrambled.substr(2)},
        {nulInside, nulInsideArgument},
        {scrambled + '\0' + "U", scrambled + "?U"},
        {scrambled.substr(0, 54), scrambled.substr(0, 54)},  // the last line, without a newline
    };
    for (const auto& [line, argument] : lines) {
        input += line + "\n";
        expected += runProgram(CUBESOLVER_EXE, {argument}, fs::temp_directory_path()).out;
    }
    input.pop_back();
    ProcessResult r = runStream(input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, expected);
}

TEST(Stream, ALongLineTakesNoMoreMemoryThanAShortOne) {
    // A line of 128 MiB through a pipe, after a cube: the largest process of the run stays far
    // below the line's size. The program runs beside the thirteen tables alone, as the large
    // optional one would take 56 MB of its own.
    ScratchDir dir;
    fs::copy_file(CUBESOLVER_STREAM_EXE, dir.path / "cubesolver-stream");
    for (const auto& table : allTableFiles()) {
        fs::copy_file(fs::path(CUBESOLVER_TABLE_DIR) / table.name, dir.path / table.name);
    }
    const std::string scrambled = expectedAnswers()[0].first;
    ProcessResult r = runShell("{ printf '%s' " + scrambled +
                                   "; head -c 134217728 /dev/zero | tr '\\0' U; echo; } | " +
                                   programCommand((dir.path / "cubesolver-stream").string()),
                               fs::temp_directory_path());
    EXPECT_EQ(r.out, expectedAnswers()[0].second + "\n");
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 64 << 10) << "largest resident set in KiB";
}

TEST(BothPrograms, AnOutputThatTakesNoMoreOrAnInputThatFailsEndsThemWithStatus1) {
    // A line that could not be written is no success, also when its reader has gone; nor is an
    // input that cannot be read (a directory) its end.
    const ProcessResult unread =
        runShell(programCommand(CUBESOLVER_STREAM_EXE) + " <.", fs::temp_directory_path());
    EXPECT_EQ(unread.status, 1);
    EXPECT_NE(unread.err.find("cannot read standard input"), std::string::npos) << unread.err;
    for (const std::string& command : {programCommand(CUBESOLVER_EXE) + " " + solvedFacelets,
                                       "echo | " + programCommand(CUBESOLVER_STREAM_EXE)}) {
        EXPECT_EQ(statusIntoAPipeWithoutReader(command), 1) << command;
        EXPECT_EQ(runShell(command + " >/dev/full", fs::temp_directory_path()).status, 1)
            << command;
    }
}

}  // namespace
