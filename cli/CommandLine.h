// CommandLine: the one way the programs read their command lines, and the guard their mains run
// under. The viewer, kalderino, takes no options of its own: GLUT reads its command line.
//
// The same conventions in every program:
// - options and operands come in any order; "--" ends the options, and "-" alone is an operand;
// - -h and --help print the help on stdout, --version "PROGRAM VERSION", and the program ends
//   with status 0, whatever follows them;
// - an option's value is the next argument, whatever it starts with; numbers are whole decimal
//   numbers within their range ("12abc" is refused);
// - whatever is wrong with the command line gets one line on stderr, "PROGRAM: what is wrong;
//   see --help", and status 1, before any work is done.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kalderino {

// The largest side of a window or picture the programs make, in pixels.
constexpr int kMaxWindowSide = 16384;

class CommandLine {
public:
    // Reads the value of the option called name into the program's options; returns "" when
    // the value is good, else what is wrong ("--size expects WIDTHxHEIGHT ..., found ...").
    using Reader = std::function<std::string(const std::string& name, const std::string& value)>;

    // help: what --help prints, the usage line first.
    CommandLine(const char* program, std::string help) : program(program), help(std::move(help)) {}

    void flag(const std::string& name, bool& set) { flags[name] = &set; }
    void option(const std::string& name, Reader read) { readers[name] = std::move(read); }

    // Reads argv[1] on, in order. Returns true to go on, with the operands; false when the
    // program ends here with status: 0 after the help or the version, 1 after a usage error.
    bool parse(int argc, const char* const* argv);
    // What the program finds wrong with its command line after parse(), said as parse() says
    // its own; returns false, with status 1.
    bool refuse(const std::string& message);

    std::vector<std::string> operands;
    int status = 0;

private:
    const char* program;
    std::string help;
    std::map<std::string, bool*> flags;
    std::map<std::string, Reader> readers;
};

// Says what is wrong with the command line as every program says it, "PROGRAM: message; see
// --help", on stderr; returns 1, the status of a usage error.
int usageError(const char* program, const std::string& message);

// Reads a value that may be anything but empty.
CommandLine::Reader text(std::string& value);

// Reads text as a whole decimal number from least to most (digits only, no sign).
bool readNumber(const std::string& text, long long least, long long most, long long& value);
// What readNumber refused, for the message: NAME expects a number from LEAST to MOST, found "TEXT".
std::string numberExpected(const std::string& name, long long least, long long most,
                           const std::string& text);
template <typename Number>
CommandLine::Reader number(Number& value, long long least, long long most) {
    return [&value, least, most](const std::string& name, const std::string& text) {
        long long read = 0;
        if (!readNumber(text, least, most, read)) return numberExpected(name, least, most, text);
        value = static_cast<Number>(read);
        return std::string();
    };
}

// Reads WIDTHxHEIGHT, each side from 1 to kMaxWindowSide.
bool readSize(const std::string& text, int& width, int& height);

// Reads a colour R,G,B: three decimal numbers from 0 to 1 (not 0 to 255, which would make most
// colours white), as "1,0.5,0".
CommandLine::Reader colour(std::optional<std::array<float, 3>>& value);

// A paragraph of a help text in lines of at most width columns, each ending with '\n'.
std::string wrap(const std::string& paragraph, std::size_t width = 79);

// Runs a program's body so that no exception leaves it: what would escape ends the run with one
// line, "PROGRAM: not enough memory" or "PROGRAM: " and the exception's words, and status 1.
int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv);

}  // namespace kalderino
