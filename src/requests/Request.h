// The response to one request, the same for cubesolver (its arguments) and cubesolver-stream
// (one line of its input): an answer, or what is wrong with the request's options.
#pragma once

#include <string>
#include <vector>

#include "requests/RequestOptions.h"

struct Response {
    enum Kind { answer, optionError, help, version };
    Kind kind;
    // answer: the full text of the response without its last newline, the answer line first;
    // optionError: what is wrong, in one line; help, version: the text to print.
    std::string text;
};

namespace Request {

// The response to a request given as words, options first, then the cube. Without options it is
// Search::answer of the first word (of no word: of the empty text). With options the cube and
// the target are read like an argument (colour or face letters, the first 54 characters) and
// the answer comes from ShortSearch: its moves, the empty line when the cube is already at its
// target, "Error N" for the cube, "Target error N" for the target (N as for a cube).
// --explain and --show leave the answer line as it is without them, and add after it the block
// of explanationBlock (ScanExplanation.h), its picture in colours when terminal is true.
Response respond(const std::vector<std::string>& words, bool terminal = false);

// The same for a request already parsed (its readings file read once). With --readings the scan
// is resolved to the likeliest real cube (ColourResolution.h), whose facelets are then answered
// as a cube given with the same options; "Error 10" when the readings do not decide the cube.
// --explain and --show add the block of ScanReport::block; --report writes its SVG picture.
Response respond(const ParsedRequest& request, bool terminal = false);

// The answer to one line of cubesolver-stream: the request parseLine reads from it, answered by
// respond; a bad option gets one line "Option error: ...". A request that cannot get its memory
// is answered "Memory error: " and memoryShortage, its memory freed.
std::string streamAnswer(const std::string& line, bool terminal = false);

// What cubesolver says, on standard error with exit status 3, of a request that cannot get the
// memory it needs; cubesolver-stream answers it with the line "Memory error: " and the same.
extern const char* const memoryShortage;

// The --help text of cubesolver and of cubesolver-stream, and the --version line.
std::string helpText(const char* program);
std::string versionLine(const char* program);

}  // namespace Request
