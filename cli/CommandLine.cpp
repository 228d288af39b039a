// CommandLine: options, operands, numbers and sizes, help paragraphs, and the guard.
#include "cli/CommandLine.h"

#include "io/file/Diagnostic.h"
#include "io/file/MemoryShortage.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <exception>
#include <new>
#include <sstream>

namespace kalderino {

bool CommandLine::parse(int argc, const char* const* argv) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg == "-h" || arg == "--help" || arg == "--version") {
            if (arg == "--version")
                std::printf("%s %s\n", program, KALDERINO_VERSION);
            else
                std::fputs(help.c_str(), stdout);
            status = 0;
            return false;
        } else if (flags.count(arg) != 0) {
            *flags[arg] = true;
        } else if (readers.count(arg) == 0) {
            return refuse("unknown option " + quote(arg));
        } else if (i + 1 == argc) {
            return refuse(arg + " needs a value");
        } else if (const std::string wrong = readers[arg](arg, argv[++i]); !wrong.empty()) {
            return refuse(wrong);
        }
    }
    return true;
}

bool CommandLine::refuse(const std::string& message) {
    status = usageError(program, message);
    return false;
}

int usageError(const char* program, const std::string& message) {
    std::fprintf(stderr, "%s: %s; see --help\n", program, message.c_str());
    return 1;
}

CommandLine::Reader text(std::string& value) {
    return [&value](const std::string& name, const std::string& text) {
        value = text;
        return text.empty() ? name + " needs a value" : "";
    };
}

bool readNumber(const std::string& text, long long least, long long most, long long& value) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= least && value <= most;
}

std::string numberExpected(const std::string& name, long long least, long long most,
                           const std::string& text) {
    return name + " expects a number from " + std::to_string(least) + " to " +
           std::to_string(most) + ", found " + quote(text);
}

CommandLine::Reader colour(std::optional<std::array<float, 3>>& value) {
    return [&value](const std::string& name, const std::string& text) {
        std::array<float, 3> rgb{};
        const char* at = text.c_str();
        const char* const end = at + text.size();
        for (std::size_t k = 0; k < 3; ++k) {
            const char* stop = at;
            while (stop != end && *stop != ',') ++stop;
            const auto [last, error] = std::from_chars(at, stop, rgb[k]);
            if (error != std::errc() || last != stop || !(rgb[k] >= 0.0f && rgb[k] <= 1.0f) ||
                (stop == end) != (k == 2))
                return name + " expects R,G,B, three numbers from 0 to 1 (as 1,0.5,0), found " +
                       quote(text);
            at = stop + 1;
        }
        value = rgb;
        return std::string();
    };
}

bool readSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    long long across = 0, down = 0;
    if (x == std::string::npos || !readNumber(text.substr(0, x), 1, kMaxWindowSide, across) ||
        !readNumber(text.substr(x + 1), 1, kMaxWindowSide, down))
        return false;
    width = static_cast<int>(across);
    height = static_cast<int>(down);
    return true;
}

std::string wrap(const std::string& paragraph, std::size_t width) {
    std::istringstream words(paragraph);
    std::string wrapped, line;
    for (std::string word; words >> word;) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            wrapped += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return wrapped + line + '\n';
}

int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv) {
    try {
        return body(argc, argv);
    } catch (const MemoryShortage& shortage) {  // the line names the file
        std::fprintf(stderr, "%s\n", shortage.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: %s\n", program, notEnoughMemory("").c_str());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
    }
    return 1;
}

}  // namespace kalderino
