#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "ProcessSupport.h"
#include "TestSupport.h"
#include "cube/Patterns.h"

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

// A memory control group of its own with a limit, made for a test and removed after it; dir is
// empty where this machine does not let the test make one or move a process into it (no root, no
// memory controller, a container's group with processes of its own), and why says what failed.
class LimitedGroup {
  public:
    explicit LimitedGroup(long long bytes) {
        const bool v1 = fileText("/proc/self/cgroup").find(":memory:") != std::string::npos;
        const fs::path parent = v1 ? "/sys/fs/cgroup/memory" : "/sys/fs/cgroup";
        const fs::path made = parent / ("cubesolver-test-" + std::to_string(getpid()));
        if (mkdir(made.c_str(), 0755) != 0) {
            why = "cannot make the control group " + made.string() + ": " + std::strerror(errno);
            return;
        }
        dir = made;
        const std::string limit = std::to_string(bytes);
        // Without swap (where it can be turned off) a process past its limit is killed.
        write(v1 ? "memory.memsw.limit_in_bytes" : "memory.swap.max", v1 ? limit : "0");
        if (!write(v1 ? "memory.limit_in_bytes" : "memory.max", limit) ||
            runShell(enter() + "true", fs::temp_directory_path()).status != 0) {
            why = "cannot limit the memory of " + made.string() + " or move a process into it";
        }
    }
    ~LimitedGroup() {
        if (!dir.empty()) rmdir(dir.c_str());
    }
    LimitedGroup(const LimitedGroup&) = delete;
    LimitedGroup& operator=(const LimitedGroup&) = delete;

    bool ready() const { return why.empty(); }
    // Puts the shell that runs a command into the group, and so the programs it starts.
    std::string enter() const { return "echo $$ >'" + (dir / "cgroup.procs").string() + "' && "; }

    fs::path dir;
    std::string why;

  private:
    bool write(const char* file, const std::string& text) const {
        const int fd = open((dir / file).c_str(), O_WRONLY);
        const bool written =
            fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0) close(fd);
        return written;
    }
};

// Why the memory a test gives a program is not the program's own (under an emulator or the
// address sanitizer it is theirs more than the program's); nullptr when it is.
const char* memoryIsNotTheProgramsOwn() {
    if (std::string(CUBESOLVER_RUN_PREFIX).empty() && !CUBESOLVER_SANITIZED) return nullptr;
    return "under an emulator or the address sanitizer the memory is not the program's";
}

TEST(BothPrograms, AnswerWithinTheMemoryLimitOfTheirControlGroup) {
    // 40 MiB leaves room for the tables and the one-bit optional one, not for the 56 MB one:
    // taken because the system had the memory free, it got the programs killed. Under the limit
    // each request gets the line it gets without one.
    if (memoryIsNotTheProgramsOwn()) GTEST_SKIP() << memoryIsNotTheProgramsOwn();
    LimitedGroup group(40 << 20);
    if (!group.ready()) GTEST_SKIP() << group.why;
    const std::string cube = expectedAnswers()[0].first;
    const std::vector<std::string> requests = {Patterns::facelets("superflip"),
                                               "--max-moves 30 " + cube};
    std::string input, expected;
    for (const std::string& request : requests) {
        const std::string command = programCommand(CUBESOLVER_EXE) + " " + request + " </dev/null";
        const ProcessResult free = runShell(command, fs::temp_directory_path());
        const ProcessResult limited = runShell(group.enter() + command, fs::temp_directory_path());
        EXPECT_EQ(limited.status, 0) << request;
        EXPECT_EQ(limited.out, free.out) << request;
        input += request + "\n";
        expected += free.out;
    }
    ScratchDir dir;
    std::ofstream(dir.path / "in") << input;
    const ProcessResult stream =
        runShell(group.enter() + programCommand(CUBESOLVER_STREAM_EXE) + " <in", dir.path);
    EXPECT_EQ(stream.status, 0);
    EXPECT_EQ(stream.out, expected);
}

TEST(BothPrograms, ARequestShortOfMemoryIsAnsweredSoAndTheNextIsServed) {
    // Under a limit of address space (ulimit -v) just above the least that lets the stream
    // program answer a plain cube, a request for shorter answers cannot get its searches' memory.
    if (memoryIsNotTheProgramsOwn()) GTEST_SKIP() << memoryIsNotTheProgramsOwn();
    const std::string cube = expectedAnswers()[0].first, answer = expectedAnswers()[0].second;
    ScratchDir dir;
    const std::string stream = programCommand(CUBESOLVER_STREAM_EXE);
    const auto run = [&](long long kib, const std::string& command, const std::string& input) {
        std::ofstream(dir.path / "in", std::ios::binary) << input;
        return runShell("ulimit -v " + std::to_string(kib) + " && exec " + command + " <in",
                        dir.path);
    };
    const auto serves = [&](long long kib) {
        return run(kib, stream, cube + "\n").out == answer + "\n";
    };
    long long least = 64 << 10, fails = 4 << 10;
    if (!serves(least)) GTEST_SKIP() << "the program does not start within 64 MiB of address space";
    while (least - fails > 64) {
        const long long kib = (least + fails) / 2;
        (serves(kib) ? least : fails) = kib;
    }
    const std::string request = "--threads 1 --shortest --time-limit 1000 " + cube;
    const ProcessResult lines = run(least + 512, stream, request + "\n" + cube);
    EXPECT_EQ(lines.status, 0);
    EXPECT_EQ(lines.out, "Memory error: not enough memory for this request\n" + answer + "\n");
    const ProcessResult single =
        run(least + 512, programCommand(CUBESOLVER_EXE) + " " + request, "");
    EXPECT_EQ(single.status, 3);
    EXPECT_EQ(single.out, "");
    EXPECT_EQ(single.err, "cubesolver: not enough memory for this request\n");
}

}  // namespace
