#include "requests/RequestOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "requests/ColourResolution.h"

RequestOptions::RequestOptions() : minConfidence(ColourResolution::defaultMinConfidence) {}

namespace {

// An option that takes no value: the word sets its member to true.
struct Flag {
    const char* name;
    bool RequestOptions::*member;
};

const Flag flags[] = {
    {"--shortest", &RequestOptions::shortest},
    {"--help", &RequestOptions::help},
    {"--version", &RequestOptions::version},
    // These two add lines after the answer and leave the answer line as it is.
    {"--explain", &RequestOptions::explain},
    {"--show", &RequestOptions::show},
};

bool addsLinesOnly(const Flag& flag) {
    return flag.member == &RequestOptions::explain || flag.member == &RequestOptions::show;
}

// A word of the request in quotes for a message, each character that is no printable ASCII (a
// carriage return, a NUL byte) shown as '?', so that the message stays one plain line.
std::string quoted(const std::string& word) {
    std::string text = "\"";
    for (char c : word) text += c >= ' ' && c <= '~' ? c : '?';
    return text + "\"";
}

// The value of a number option, and what it must be.
bool readNumber(const std::string& text, long least, long most, long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || n < least || n > most) return false;
    value = static_cast<long>(n);
    return true;
}

// A probability written as a plain decimal number from 0 to 1.
bool readFraction(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".") {
        return false;
    }
    value = std::strtod(text.c_str(), nullptr);
    return value >= 0 && value <= 1;
}

// The text of a readings file, or of standard input for "-"; false with the error set when it
// cannot be read. A scan is a few kilobytes: more than a megabyte is no scan.
bool readText(const std::string& name, std::string& text, std::string& error) {
    const std::size_t most = 1 << 20;
    std::ifstream file;
    if (name != "-") {
        file.open(name, std::ios::binary);
        if (!file) {
            error = "cannot read the readings file " + quoted(name) + ": " + std::strerror(errno);
            return false;
        }
    }
    std::istream& in = name == "-" ? std::cin : file;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        text.append(block, static_cast<std::size_t>(in.gcount()));
        if (text.size() > most) {
            error = "the readings " + quoted(name) + " are longer than a megabyte: no scan";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read the readings " + quoted(name);
        return false;
    }
    return true;
}

// The readings of --readings from their file or from the words after the option, which end at the
// next word that starts with "--"; false with the error set.
// A value given after '=' is the file's name, or the first number.
bool takeReadings(const std::vector<std::string>& words, std::size_t& i, const std::string* given,
                  ReadingsIn readingsIn, RequestOptions& options, std::string& error) {
    std::string text;
    if (readingsIn == ReadingsIn::file) {
        if (!given && i + 1 == words.size()) {
            error = "--readings needs a file name (- for standard input)";
            return false;
        }
        if (!readText(given ? *given : words[++i], text, error)) return false;
    } else {
        if (given) text = *given + " ";
        while (i + 1 < words.size() && words[i + 1].rfind("--", 0) != 0) text += words[++i] + " ";
    }
    error = StickerReadings::parse(text, options.readings);
    if (!error.empty()) return false;
    options.hasReadings = true;
    return true;
}

// Applies an option that takes a value; false with the error set when the name is unknown or the
// value is bad.
bool applyValue(const std::string& name, const std::string& value, RequestOptions& options,
                std::string& error) {
    long n = 0;
    if (name == "--max-moves") {
        if (!readNumber(value, 0, 30, n)) {
            error = "--max-moves takes a number of moves from 0 to 30, not " + quoted(value);
            return false;
        }
        options.maxMoves = static_cast<int>(n);
    } else if (name == "--time-limit") {
        if (!readNumber(value, 1, 3600000, n)) {
            error = "--time-limit takes milliseconds from 1 to 3600000, not " + quoted(value);
            return false;
        }
        options.timeLimitMillis = n;
    } else if (name == "--threads") {
        if (!readNumber(value, 1, 64, n)) {
            error = "--threads takes a number of threads from 1 to 64, not " + quoted(value);
            return false;
        }
        options.threads = static_cast<int>(n);
    } else if (name == "--min-confidence") {
        if (!readFraction(value, options.minConfidence)) {
            error = "--min-confidence takes a probability from 0 to 1, such as 0.99, not " +
                    quoted(value);
            return false;
        }
    } else if (name == "--face-order") {
        error = FaceOrder::parse(value, options.faceOrder);
        if (!error.empty()) return false;
        options.reordered = true;
    } else if (name == "--report") {
        if (value.empty()) {
            error = "--report takes the name of the SVG file to write";
            return false;
        }
        options.report = value;
    } else if (name == "--target") {
        if (value.empty()) {
            error = "--target takes the facelets of a pattern or its name";
            return false;
        }
        options.target = value;
    } else {
        error = "unknown option " + quoted(name);
        return false;
    }
    return true;
}

// The options that take a value, as the next word or after '='.
bool takesValue(const std::string& name) {
    return name == "--max-moves" || name == "--time-limit" || name == "--target" ||
           name == "--threads" || name == "--min-confidence" || name == "--face-order" ||
           name == "--report";
}

// The options that change how the scan is read, not how its cube is answered.
bool readsTheScan(const std::string& name) {
    return name == "--min-confidence" || name == "--face-order" || name == "--report";
}

const Flag* findFlag(const std::string& name) {
    for (const Flag& flag : flags) {
        if (name == flag.name) return &flag;
    }
    return nullptr;
}

}  // namespace

ParsedRequest parseRequest(const std::vector<std::string>& words, ReadingsIn readingsIn) {
    ParsedRequest request;
    // An option that applies to readings alone, if one was given.
    std::string readingsOption;
    std::size_t i = 0;
    for (; i < words.size() && !words[i].empty() && words[i][0] == '-'; ++i) {
        request.hasOptions = true;
        const std::string& word = words[i];
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (const Flag* flag = findFlag(name)) {
            if (equals != std::string::npos) {
                request.error = name + " takes no value";
                return request;
            }
            request.options.*(flag->member) = true;
            if (!addsLinesOnly(*flag)) request.hasAnswerOptions = true;
            continue;
        }
        if (name == "--readings") {
            if (request.options.hasReadings) {
                request.error = "--readings given twice";
                return request;
            }
            const std::string given = equals == std::string::npos ? "" : word.substr(equals + 1);
            if (!takeReadings(words, i, equals == std::string::npos ? nullptr : &given, readingsIn,
                              request.options, request.error))
                return request;
            continue;
        }
        if (!readsTheScan(name)) request.hasAnswerOptions = true;
        if (readsTheScan(name) && name != "--face-order") readingsOption = name;
        std::string value;
        if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (takesValue(name)) {
            if (i + 1 == words.size()) {
                request.error = name + " needs a value";
                return request;
            }
            value = words[++i];
        }
        if (!applyValue(name, value, request.options, request.error)) return request;
    }
    if (request.options.help || request.options.version) return request;
    const RequestOptions& o = request.options;
    if (!o.hasReadings && !readingsOption.empty()) {
        request.error = readingsOption + " is an option of --readings, which is missing";
        return request;
    }
    if (o.hasReadings) {
        if (i < words.size()) {
            request.error =
                "the readings are the scan: no cube after them, not " + quoted(words[i]);
        }
        return request;
    }
    if (i == words.size()) {
        if (request.hasOptions) request.error = "no cube after the options";
        return request;
    }
    request.cube = words[i];
    if (request.hasOptions && i + 1 < words.size()) {
        request.error = "one cube after the options, not also " + quoted(words[i + 1]);
    } else if (!request.hasOptions) {
        request.ignored.assign(words.begin() + 1, words.end());
    }
    return request;
}

ParsedRequest parseLine(const std::string& line) {
    if (!line.empty() && line[0] == '-') return parseRequest(splitWords(line), ReadingsIn::words);
    ParsedRequest request;
    request.cube = line;
    return request;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t from = 0;
    for (;;) {
        from = line.find_first_not_of(" \t", from);
        if (from == std::string::npos) return words;
        const std::size_t to = line.find_first_of(" \t", from);
        words.push_back(line.substr(from, to - from));
        if (to == std::string::npos) return words;
        from = to;
    }
}
