// Running the built programs as processes, and scratch directories for them.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh empty directory, removed with its contents when the object goes.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cubetest.XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : "";
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path path;
};

// The shell command that starts a built program, under the cross build's emulator if any.
inline std::string programCommand(const std::string& program) {
    return CUBESOLVER_RUN_PREFIX " '" + program + "'";
}

// Runs a shell command in the given directory, capturing its output and its errors.
inline ProcessResult runShell(const std::string& command, const std::filesystem::path& dir) {
    ScratchDir capture;
    const std::string full = "cd '" + dir.string() + "' && { " + command + "; } >'" +
                             (capture.path / "out").string() + "' 2>'" +
                             (capture.path / "err").string() + "'";
    int status = std::system(full.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(capture.path / "out"),
            fileText(capture.path / "err")};
}

// Runs a built program with the given arguments and no input in the given directory.
inline ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::filesystem::path& dir) {
    std::string command = programCommand(program);
    for (const std::string& arg : args) command += " '" + arg + "'";
    return runShell(command + " </dev/null", dir);
}

// Runs cubesolver-stream on the given input, read from a file.
inline ProcessResult runStream(const std::string& input) {
    ScratchDir dir;
    std::ofstream(dir.path / "in", std::ios::binary) << input;
    return runShell(programCommand(CUBESOLVER_STREAM_EXE) + " <in", dir.path);
}

// The exit status of a shell command whose standard output is a pipe that nobody reads, started
// as from a shell: with SIGPIPE's default action, which ends a program that does not ignore it.
inline int statusIntoAPipeWithoutReader(const std::string& command) {
    int ends[2];
    if (pipe(ends) != 0) return -2;
    close(ends[0]);
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        signal(SIGPIPE, SIG_DFL);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
