#include "requests/RequestOptions.h"

#include <cerrno>
#include <cstdlib>

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
           name == "--threads";
}

const Flag* findFlag(const std::string& name) {
    for (const Flag& flag : flags) {
        if (name == flag.name) return &flag;
    }
    return nullptr;
}

}  // namespace

ParsedRequest parseRequest(const std::vector<std::string>& words) {
    ParsedRequest request;
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
        request.hasAnswerOptions = true;
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
    if (i == words.size()) {
        if (request.hasOptions) request.error = "no cube after the options";
        return request;
    }
    request.cube = words[i];
    if (request.hasOptions && i + 1 < words.size()) {
        request.error = "one cube after the options, not also " + quoted(words[i + 1]);
    }
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
