// TokenReader: splits the data file's text into tokens and converts them as the "%d" and "%f"
// input conversions would, in plain decimal notation only.
#pragma once

#include <cstddef>

class TokenReader {
public:
    enum class Parse { ok, malformed, outOfRange };

    TokenReader(const char* data, std::size_t size) : begin(data), cursor(data), end(data + size) {}
    virtual ~TokenReader() = default;

    // Moves to the next run of non-white-space bytes; false at the end of the data.
    bool next() {
        while (cursor != end && isSpace(*cursor)) ++cursor;
        if (cursor == end) return false;
        tokenStart = cursor;
        while (cursor != end && !isSpace(*cursor)) ++cursor;
        tokenEnd = cursor;
        return true;
    }

    // The common tokens in one pass over their bytes: the next token, when it is a plain
    // integer of up to 9 digits, or a short decimal number that converts exactly without
    // toFloat's general way; false otherwise, with nothing moved, and next() with toInt() or
    // toFloat() then take the token and word what is wrong with it.
    bool nextSmallInt(int& value);
    bool nextShortFloat(float& value);

    // The current token as a signed 32-bit integer: an optional sign ('+' too), decimal digits.
    Parse toInt(int& value) const;
    // The current token as a finite float: optional sign, digits with an optional fraction after
    // a full stop, optional exponent. Hex, inf and nan are malformed; values too small for a
    // float round as strtof rounds them.
    Parse toFloat(float& value) const;

    // Counted only when a message needs them: the line of a byte, and the line of the last token.
    int lineOf(const char* at) const;
    int lastLine() const;
    std::size_t bytesLeft() const { return static_cast<std::size_t>(end - cursor); }

    const char* tokenStart = nullptr;
    const char* tokenEnd = nullptr;

    // The white space those conversions skip: ' ', \t, \n, \v, \f, \r.
    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    const char* begin;
    const char* cursor;
    const char* end;
};
