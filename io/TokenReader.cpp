// TokenReader: number conversion and line counting.
#include "io/TokenReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// from_chars takes no '+'; the conversions take one, though not before another sign.
const char* skipPlus(const char* first, const char* last) {
    if (first != last && *first == '+' && !(first + 1 != last && first[1] == '-')) return first + 1;
    return first;
}

// Clinger's fast path: a mantissa below 2^24 and a power of ten up to 10^10 are both exact
// floats, so one division rounds their quotient exactly as strtof would. Most coordinates are
// short decimals like -12.3456; anything else goes the general way.
bool toFloatQuickly(const char* first, const char* last, float& value) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    constexpr std::size_t kMaxLength = 12;  // sign, point and digits: the mantissa stays below 2^40
    constexpr std::uint64_t kMaxMantissa = std::uint64_t{1} << 24;
    constexpr int kMaxScale = 10;
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '-' || *first == '+')) ++first;
    if (first == last || static_cast<std::size_t>(last - first) > kMaxLength) return false;
    std::uint64_t mantissa = 0;
    int scale = 0;
    int afterPoint = 0;  // 1 once the full stop is passed
    bool anyDigit = false;
    for (; first != last; ++first) {
        const unsigned digit = static_cast<unsigned char>(*first) - unsigned{'0'};
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            scale += afterPoint;
            anyDigit = true;
        } else if (*first == '.' && afterPoint == 0) {
            afterPoint = 1;
        } else {
            return false;
        }
    }
    if (!anyDigit || mantissa > kMaxMantissa || scale > kMaxScale) return false;
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[scale];
    value = negative ? -magnitude : magnitude;
    return true;
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
    if (toFloatQuickly(tokenStart, tokenEnd, value)) return Parse::ok;
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
