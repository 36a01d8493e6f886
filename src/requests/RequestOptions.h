// The options that may precede the cube of a request, and the parser of a request's words.
#pragma once

#include <string>
#include <vector>

// What a request asks beyond the cube. Without any option a request is answered as it always
// was (Search::answer); with one, by the search for shorter answers (ShortSearch).
struct RequestOptions {
    // An answer of at most this many moves.
    int maxMoves = 24;
    // "Error 8" when no answer is found within this time.
    long timeLimitMillis = 5 * 1024;
    // Search until the time limit and answer the shortest answer found.
    bool shortest = false;
    // The threads that search; 0: one for each processor the process may run on.
    int threads = 0;
    // The pattern the answer turns the cube into (facelets or a pattern name); empty: solved.
    std::string target;
    bool help = false;
    bool version = false;
    // After the answer line: what is wrong with a rejected cube and its likely repairs
    // (--explain), the net of the cube with those repairs' stickers marked (--show).
    bool explain = false;
    bool show = false;
};

// A request split into its options and its cube.
struct ParsedRequest {
    RequestOptions options;
    // True when at least one option was given.
    bool hasOptions = false;
    // True when an option other than --explain and --show was given: only those leave the answer
    // line what it is without options.
    bool hasAnswerOptions = false;
    std::string cube;
    // Empty when the words make a valid request; otherwise what is wrong, in one line.
    std::string error;
};

// Parses the words of a request: options first (each "--name", "--name VALUE" or
// "--name=VALUE"), then the cube. A request whose first word does not start with '-' has no
// options: its first word is the cube and any further words are ignored, as they always were.
// With --help or --version no cube is needed.
ParsedRequest parseRequest(const std::vector<std::string>& words);

// The words of a line, split on blanks and tabs.
std::vector<std::string> splitWords(const std::string& line);
