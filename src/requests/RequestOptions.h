// The options that may precede the cube of a request, and the parser of a request's words.
#pragma once

#include <string>
#include <vector>

#include "cube/FaceOrder.h"
#include "cube/StickerReadings.h"

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
    // The scan as the sensor's readings instead of a cube (--readings), resolved to the likeliest
    // real cube; "Error 10" below this confidence (--min-confidence).
    bool hasReadings = false;
    StickerReadings readings;
    double minConfidence;
    // Where to write the picture of the readings as SVG (--report); empty: nowhere.
    std::string report;
    // The order of the faces in the scan, readings or cube (--face-order).
    bool reordered = false;
    FaceOrder faceOrder;

    RequestOptions();
};

// Where the numbers of --readings are: in the file named by the next word ("-": standard input),
// as on the command line, or in the words after it, up to the next word that starts with "--",
// as on a line of cubesolver-stream.
enum class ReadingsIn { file, words };

// A request split into its options and its cube.
struct ParsedRequest {
    RequestOptions options;
    // True when at least one option was given.
    bool hasOptions = false;
    // True when an option other than --explain and --show was given: only those leave the answer
    // line what it is without options. The options of readings (--readings, --face-order,
    // --min-confidence, --report) do not count: they change how the scan is read, not how its cube
    // is answered.
    bool hasAnswerOptions = false;
    std::string cube;
    // The words after the cube of a request without options, which the command line has always
    // ignored.
    std::vector<std::string> ignored;
    // Empty when the words make a valid request; otherwise what is wrong, in one line.
    std::string error;
};

// Parses the words of a request: options first (each "--name", "--name VALUE" or
// "--name=VALUE"), then the cube. A request whose first word does not start with '-' has no
// options: its first word is the cube and any further words are ignored, as they always were.
// With --help or --version no cube is needed.
// Readings come as readingsIn says; their file is read here, once.
ParsedRequest parseRequest(const std::vector<std::string>& words,
                           ReadingsIn readingsIn = ReadingsIn::file);

// Parses a line of cubesolver-stream: a line that starts with '-' is the words of a request,
// split on blanks and tabs, with the numbers of --readings among them; any other line is a cube
// without options, the whole line (only its first 54 characters count).
ParsedRequest parseLine(const std::string& line);

// The words of a line, split on blanks and tabs.
std::vector<std::string> splitWords(const std::string& line);
