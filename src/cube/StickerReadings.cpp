#include "cube/StickerReadings.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

const int numbersOfAScan = StickerReadings::stickers * StickerReadings::channels;

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '[' || c == ']';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// True for a plain decimal number: digits with at most one point, at least one digit, and an
// optional exponent. strtod alone would also take "nan", "inf" and hexadecimal numbers.
bool isDecimal(const std::string& word) {
    std::size_t i = 0, digits = 0;
    while (i < word.size() && isDigit(word[i])) ++i, ++digits;
    if (i < word.size() && word[i] == '.') {
        ++i;
        while (i < word.size() && isDigit(word[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        ++i;
        if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
        const std::size_t from = i;
        while (i < word.size() && isDigit(word[i])) ++i;
        if (i == from) return false;
    }
    return i == word.size();
}

// A word in quotes for a message, at most 20 characters of it, each character that is no
// printable ASCII shown as '?'.
std::string quoted(const std::string& word) {
    std::string text = "\"";
    for (std::size_t i = 0; i < word.size() && i < 20; ++i) {
        text += word[i] >= ' ' && word[i] <= '~' ? word[i] : '?';
    }
    return text + (word.size() > 20 ? "...\"" : "\"");
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (!isSeparator(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

}  // namespace

std::string StickerReadings::parse(const std::string& text, StickerReadings& readings) {
    const std::vector<std::string> words = wordsOf(text);
    if (words.size() != static_cast<std::size_t>(numbersOfAScan)) {
        return "the readings are 162 numbers (54 stickers, red green blue each), not " +
               std::to_string(words.size());
    }
    for (int n = 0; n < numbersOfAScan; ++n) {
        const std::string& word = words[n];
        const std::string which = "number " + std::to_string(n + 1) + " of the readings (sticker " +
                                  std::to_string(n / channels + 1) + ", " +
                                  (n % channels == 0   ? "red"
                                   : n % channels == 1 ? "green"
                                                       : "blue") +
                                  ") ";
        if (word[0] == '-' && isDecimal(word.substr(1)))
            return which + "is negative: " + quoted(word);
        if (word[0] == '+' || !isDecimal(word)) return which + "is no number: " + quoted(word);
        const double value = std::strtod(word.c_str(), nullptr);
        if (!std::isfinite(value)) return which + "is too large: " + quoted(word);
        readings.rgb[n / channels][n % channels] = value;
    }
    return "";
}
