// TokenReader: number conversion and line counting.
#include "io/TokenReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace kalderino {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// from_chars takes no '+'; the conversions take one, though not before another sign.
const char* skipPlus(const char* first, const char* last) {
    if (first != last && *first == '+' && !(first + 1 != last && first[1] == '-')) return first + 1;
    return first;
}

// Clinger's fast path: a mantissa below 2^24 and a power of ten up to 10^10 are both exact
// floats, so one division rounds their quotient exactly as strtof would. Most coordinates are
// short decimals like -12.3456; anything else goes the general way. Reads an optional sign, then
// digits with at most one full stop, up to white space or last; returns where it stopped, or null
// when the text is anything else or too long for this path.
const char* scanShortDecimal(const char* first, const char* last, float& value) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    constexpr std::size_t kMaxLength = 12;  // sign, point and digits: the mantissa stays below 2^40
    constexpr std::uint64_t kMaxMantissa = std::uint64_t{1} << 24;
    constexpr int kMaxScale = 10;
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '-' || *first == '+')) ++first;
    const char* const limit =
        static_cast<std::size_t>(last - first) > kMaxLength ? first + kMaxLength + 1 : last;
    std::uint64_t mantissa = 0;
    int scale = 0;
    int afterPoint = 0;  // 1 once the full stop is passed
    const char* at = first;
    for (; at != limit; ++at) {
        const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            scale += afterPoint;
        } else if (*at == '.' && afterPoint == 0) {
            afterPoint = 1;
        } else if (TokenReader::isSpace(*at)) {
            break;
        } else {
            return nullptr;
        }
    }
    const std::size_t length = static_cast<std::size_t>(at - first);  // digits and point
    if (length > kMaxLength || length == static_cast<std::size_t>(afterPoint) ||
        mantissa > kMaxMantissa || scale > kMaxScale)
        return nullptr;
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[scale];
    value = negative ? -magnitude : magnitude;
    return at;
}

}  // namespace

TokenReader::Parse TokenReader::toInt(int& value) const {
    const char* first = skipPlus(tokenStart, tokenEnd);
    const auto [stop, ec] = std::from_chars(first, tokenEnd, value);
    if (ec == std::errc::invalid_argument || stop != tokenEnd) return Parse::malformed;
    if (ec == std::errc::result_out_of_range) return Parse::outOfRange;
    return Parse::ok;
}

bool TokenReader::nextSmallInt(int& value) {
    constexpr int kMaxDigits = 9;  // below 2^31 whatever they are
    const char* at = cursor;
    while (at != end && isSpace(*at)) ++at;
    const char* const first = at;
    const char* const limit = end - at > kMaxDigits ? at + kMaxDigits : end;
    int number = 0;
    for (unsigned digit; at != limit && (digit = static_cast<unsigned char>(*at) - '0') < 10; ++at)
        number = number * 10 + static_cast<int>(digit);
    if (at == first || (at != end && !isSpace(*at))) return false;
    value = number;
    tokenStart = first;
    tokenEnd = cursor = at;
    return true;
}

bool TokenReader::nextShortFloat(float& value) {
    const char* first = cursor;
    while (first != end && isSpace(*first)) ++first;
    const char* const last = scanShortDecimal(first, end, value);
    if (last == nullptr) return false;
    tokenStart = first;
    tokenEnd = cursor = last;
    return true;
}

TokenReader::Parse TokenReader::toFloat(float& value) const {
    if (scanShortDecimal(tokenStart, tokenEnd, value) == tokenEnd) return Parse::ok;
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

}  // namespace kalderino
