// ReaderDiagnostics: what the file readers say about the file they read, each wording once.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
//
// Every line names the file, and its line where there is one: "FILE:LINE: message". A reader
// that reads a FileContents tells it here: once that file has shrunk under the reader, the bytes
// past the cut read as zeros, and "FILE: changed while being read" is said, once, in place of
// anything the reader would say from then on.
#pragma once

#include "io/TokenReader.h"
#include "io/file/FileContents.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalderino {

class ReaderDiagnostics {
public:
    // The messages go to stream (none when null) and name file; source is the loaded file being
    // read, when there is one. Cheap: a reader may make one for each value it reads.
    ReaderDiagnostics(std::FILE* stream, const char* file, const FileContents* source = nullptr)
        : stream(stream), file(file), source(source) {}

    // "FILE:LINE: message", or "FILE: message" when line is 0; returns false.
    bool say(int line, const std::string& message) const;

    // "file ends early: expected <what>"; returns false.
    bool endsEarly(int line, const std::string& what) const;
    // "expected <what>, found <found>"; returns false.
    bool expected(int line, const std::string& what, const std::string& found) const;
    // The same about the tokens' current token, quoted and followed by after, on its line.
    bool rejectToken(const TokenReader& tokens, const std::string& what,
                     const std::string& after = "") const;
    // "expected <what>, found the end of the line", on the line the tokens are on, for formats
    // whose statements end with their line.
    bool rejectLineEnd(const TokenReader& tokens, const std::string& what) const;

    // How a count too large for the bytes left is said: what the bytes left hold at most, or,
    // when the claim has named the least size of an entry, how many bytes are left for them.
    enum class Room { holdAtMost, leftForThem };
    // "<claim>, but the LEFT bytes left in the file hold at most LEFT/EACH" or "<claim>, but only
    // LEFT bytes are left for them"; returns false.
    bool noRoom(int line, const std::string& claim, std::uint64_t left, std::uint64_t each,
                Room room = Room::holdAtMost) const;

    // The tokens' current token as a float; false after "expected <what()> as a decimal
    // number..., found "TOKEN"". what() is called only for the message.
    template <typename What>
    bool toFloat(const TokenReader& tokens, float& value, What what) const {
        switch (tokens.toFloat(value)) {
        case TokenReader::Parse::ok:
            return true;
        case TokenReader::Parse::malformed:
            return rejectToken(tokens, what() + " as a decimal number");
        case TokenReader::Parse::outOfRange:
            return rejectToken(tokens, what() + " as a decimal number within the float range");
        }
        return false;
    }

private:
    std::FILE* stream;
    const char* file;  // not owned
    const FileContents* source;
};

}  // namespace kalderino
