// TokenReader: number conversion and line counting.
#include "io/TokenReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// from_chars takes no '+'; the conversions take one, though not before another sign.
const char* skipPlus(const char* first, const char* last) {
    if (first != last && *first == '+' && !(first + 1 != last && first[1] == '-')) return first + 1;
    return first;
}

}  // namespace

TokenReader::Parse TokenReader::toInt(int& value) const {
    const char* first = skipPlus(tokenStart, tokenEnd);
    const auto [stop, ec] = std::from_chars(first, tokenEnd, value);
    if (ec == std::errc::invalid_argument || stop != tokenEnd) return Parse::malformed;
    if (ec == std::errc::result_out_of_range) return Parse::outOfRange;
    return Parse::ok;
}

TokenReader::Parse TokenReader::toFloat(float& value) const {
    const char* first = skipPlus(tokenStart, tokenEnd);
    // A digit or a full stop must follow the sign: that leaves inf and nan unparsed, and hex
    // stops after its leading 0.
    const char* lead = (first != tokenEnd && *first == '-') ? first + 1 : first;
    if (lead == tokenEnd || !(isDigit(*lead) || *lead == '.')) return Parse::malformed;
    const auto [stop, ec] = std::from_chars(first, tokenEnd, value, std::chars_format::general);
    if (ec == std::errc::invalid_argument || stop != tokenEnd) return Parse::malformed;
    if (ec == std::errc::result_out_of_range) {
        // from_chars reports underflow here too; strtof gives the value "%f" would store.
        const std::string copy(first, tokenEnd);
        const float nearest = std::strtof(copy.c_str(), nullptr);
        if (!std::isfinite(nearest)) return Parse::outOfRange;
        value = nearest;
    }
    return Parse::ok;
}

int TokenReader::lineOf(const char* at) const {
    return 1 + static_cast<int>(std::count(begin, at, '\n'));
}

int TokenReader::lastLine() const {
    const char* last = end;
    while (last != begin && isSpace(last[-1])) --last;
    return lineOf(last);
}
