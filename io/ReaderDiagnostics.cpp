// ReaderDiagnostics: the wordings, and the file that changed while being read.
#include "io/ReaderDiagnostics.h"

#include "io/file/Diagnostic.h"

namespace kalderino {

bool ReaderDiagnostics::say(int line, const std::string& message) const {
    // Past a cut, a shrunk file reads as zeros: what a reader says about them would mislead.
    if (source != nullptr && source->shrunk()) return source->sayChanged();
    reportError(stream, file, line, message);
    return false;
}

bool ReaderDiagnostics::endsEarly(int line, const std::string& what) const {
    return say(line, "file ends early: expected " + what);
}

bool ReaderDiagnostics::expected(int line, const std::string& what,
                                 const std::string& found) const {
    return say(line, "expected " + what + ", found " + found);
}

bool ReaderDiagnostics::rejectToken(const TokenReader& tokens, const std::string& what,
                                    const std::string& after) const {
    return expected(tokens.lineOf(tokens.tokenStart), what,
                    quote(tokens.tokenStart, tokens.tokenEnd) + after);
}

bool ReaderDiagnostics::rejectLineEnd(const TokenReader& tokens, const std::string& what) const {
    return expected(tokens.lineOf(tokens.position()), what, "the end of the line");
}

bool ReaderDiagnostics::noRoom(int line, const std::string& claim, std::uint64_t left,
                               std::uint64_t each, Room room) const {
    if (room == Room::leftForThem)
        return say(line, claim + ", but only " + std::to_string(left) + " bytes are left for them");
    return say(line, claim + ", but the " + std::to_string(left) +
                         " bytes left in the file hold at most " + std::to_string(left / each));
}

}  // namespace kalderino
