// TokenReader: splits the data file's text into tokens and converts them as the "%d" and "%f"
// input conversions would, in plain decimal notation only.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
#pragma once

#include <cstddef>
#include <cstring>
#include <strings.h>

namespace kalderino {

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

    // For line-based formats: moves to the next token on the current line, where a backslash
    // right before the line break continues the line; false at the end of the line or the data,
    // with the cursor left on the line break.
    bool nextOnLine() {
        for (;;) {
            while (cursor != end && isBlank(*cursor)) ++cursor;
            if (cursor == end || *cursor == '\n') return false;
            if (!isContinuation(cursor)) break;
            cursor += cursor[1] == '\r' ? 3 : 2;
        }
        tokenStart = cursor;
        while (cursor != end && !isSpace(*cursor) && !isContinuation(cursor)) ++cursor;
        tokenEnd = cursor;
        return true;
    }
    // Moves past the next line break, or to the end of the data; true if any data is left.
    bool nextLine() {
        while (cursor != end && *cursor != '\n') ++cursor;
        if (cursor != end) ++cursor;
        return cursor != end;
    }
    // The rest of the current line (a comment, a name), white space around it left out.
    void restOfLine(const char*& first, const char*& last) {
        while (cursor != end && isBlank(*cursor)) ++cursor;
        first = cursor;
        while (cursor != end && *cursor != '\n') ++cursor;
        last = cursor;
        while (last != first && isSpace(last[-1])) --last;
    }
    const char* position() const { return cursor; }
    // Whether the current token is word: byte for byte, or with letters in any case.
    enum class Letters { sameCase, anyCase };
    // Inline: the line-based readers ask it of nearly every line, and the word's length then
    // folds to a constant.
    bool is(const char* word, Letters letters = Letters::sameCase) const {
        const std::size_t length = static_cast<std::size_t>(tokenEnd - tokenStart);
        if (length != std::strlen(word)) return false;
        if (letters == Letters::anyCase) return ::strncasecmp(tokenStart, word, length) == 0;
        return std::memcmp(tokenStart, word, length) == 0;
    }

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
    // White space that does not end a line.
    static bool isBlank(char c) { return isSpace(c) && c != '\n'; }
    bool isContinuation(const char* at) const {
        if (*at != '\\') return false;
        if (end - at >= 2 && at[1] == '\n') return true;
        return end - at >= 3 && at[1] == '\r' && at[2] == '\n';
    }

    const char* begin;
    const char* cursor;
    const char* end;
};

}  // namespace kalderino
