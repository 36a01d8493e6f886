// cubesolver-stream: loads the tables once, then answers each line of standard input with the line
// cubesolver prints when that line's text is its argument (or, for a line that starts with '-',
// its words are the arguments), written and flushed at once, so that a caller can write one cube
// and read one answer. A line is every byte up to the newline, a
// carriage return included; a last line without a newline is answered too. A NUL byte is a
// character like any other that is no letter (an argument cannot hold one). At the end of the
// input the program exits with status 0; when an answer cannot be written (the reader has gone,
// the disk is full) it exits with status 1, and with status 3 when memory runs out outside a
// request (at its start).
#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "cube/CubieCube.h"
#include "requests/Request.h"
#include "tables/AllTables.h"

namespace {

// The characters of a request that can change its answer; the rest of a line is read and dropped,
// so that a line of any length takes no more memory than these.
const std::size_t requestLength = 54;
// A line with options keeps more: one character past this length marks it as too long.
const std::size_t optionLineLength = 1024;
// A line with --readings carries 162 numbers, which can take more than 1024 characters: such a
// line keeps up to this many, still a bounded amount of memory.
const std::size_t readingsLineLength = 8192;

// Standard input, one block at a time.
struct Input {
    char block[1 << 16];
    std::size_t next = 0;
    std::size_t size = 0;
};

enum class Line { read, end, failure };

// Refills the block: the number of bytes read, 0 at the end of the input, -1 on a read failure.
ssize_t refill(Input& in) {
    ssize_t n;
    do {
        n = read(STDIN_FILENO, in.block, sizeof in.block);
    } while (n < 0 && errno == EINTR);
    in.next = 0;
    in.size = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n;
}

// The next line without its newline, of which the request keeps the first 54 characters, or for a
// line that starts with '-', the first 8193.
Line nextLine(Input& in, std::string& request) {
    request.clear();
    bool started = false;
    for (;;) {
        if (in.next == in.size) {
            const ssize_t n = refill(in);
            if (n < 0) return Line::failure;
            if (n == 0) return started ? Line::read : Line::end;
        }
        started = true;
        const char* from = in.block + in.next;
        const std::size_t available = in.size - in.next;
        const char* newline = static_cast<const char*>(std::memchr(from, '\n', available));
        const std::size_t length = newline ? static_cast<std::size_t>(newline - from) : available;
        const bool options = request.empty() ? length > 0 && from[0] == '-' : request[0] == '-';
        const std::size_t keep = options ? readingsLineLength + 1 : requestLength;
        request.append(from, std::min(length, keep - request.size()));
        in.next += newline ? length + 1 : length;
        if (newline) return Line::read;
    }
}

// Writes the answer and its newline in full; false when standard output takes no more. The two
// go out together without a copy that joins them: an answer to a request that ran short of
// memory must not need more.
bool writeLine(const std::string& answer) {
    char newline = '\n';
    iovec parts[2] = {{const_cast<char*>(answer.data()), answer.size()}, {&newline, 1}};
    iovec* part = parts;
    int count = 2;
    while (count > 0) {
        const ssize_t n = writev(STDOUT_FILENO, part, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        auto done = static_cast<std::size_t>(n);
        while (count > 0 && done >= part->iov_len) {
            done -= part->iov_len;
            ++part;
            --count;
        }
        if (count > 0) {
            part->iov_base = static_cast<char*>(part->iov_base) + done;
            part->iov_len -= done;
        }
    }
    return true;
}

// The line that answers a request.
std::string answer(const std::string& request) {
    const bool readings = request.find("--readings") != std::string::npos;
    const std::size_t most = readings ? readingsLineLength : optionLineLength;
    if (request.size() > most) {
        return std::string("Option error: a line with ") + (readings ? "--readings" : "options") +
               " has more than " + std::to_string(most) + " characters";
    }
    return Request::streamAnswer(request, isatty(STDOUT_FILENO) == 1);
}

// Loads the tables, then answers the lines of standard input until its end; the exit status.
int serve() {
    CubieCube::initAllStaticVariables();
    AllTables::initAllStaticVariables();

    Input in;
    std::string request;
    request.reserve(readingsLineLength + 1);
    for (;;) {
        switch (nextLine(in, request)) {
            case Line::end:
                return 0;
            case Line::failure:
                std::fprintf(stderr, "cubesolver-stream: cannot read standard input: %s\n",
                             std::strerror(errno));
                return 1;
            case Line::read:
                if (!writeLine(answer(request))) return 1;
                break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string word = argv[1];
        if (argc == 2 && (word == "--help" || word == "--version")) {
            std::fputs(word == "--help"
                           ? Request::helpText("cubesolver-stream").c_str()
                           : (Request::versionLine("cubesolver-stream") + "\n").c_str(),
                       stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        std::fprintf(stderr,
                     "cubesolver-stream: takes no arguments but --help or --version; the requests, "
                     "options included, are its input lines\n");
        return 2;
    }
    // A reader that has gone away must end the program by its exit status, not by a signal.
    signal(SIGPIPE, SIG_IGN);
    try {
        return serve();
    } catch (const std::bad_alloc&) {
        // A request short of memory is answered (Request::streamAnswer): what ends here is the
        // start, or the few bytes of the loop itself.
        std::fputs("cubesolver-stream: not enough memory\n", stderr);
        return 3;
    }
}
