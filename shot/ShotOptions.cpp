// ShotOptions: options, key names, the picture size and the output name's one "%d".
#include "shot/ShotOptions.h"

#include "render/KeyCode.h"
#include "session/EventScript.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace kalderino {

const char* const kShotKeyNames = "a key name such as a, F5, space, Return or Prior (see --help)";

namespace {

bool readCount(const std::string& text, int& value, int most = ShotOptions::kMaxSize) {
    if (text.empty() || text.size() > 5) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = std::stoi(text);
    return value >= 1 && value <= most;
}

}  // namespace

bool ShotOptions::parse(int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "-o" || arg == "--size" || arg == "--keys" ||
                                arg == "--events" || arg == "--thumbnail" || arg == "--view" ||
                                arg == "--up";
        if (takesValue && i + 1 == argc) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        } else if (arg == "--version") {
            version = true;
            return true;
        } else if (arg == "-o") {
            output = argv[++i];
            if (output.empty()) {
                error = "-o needs a file name";
                return false;
            }
        } else if (arg == "--size") {
            if (!readSize(argv[++i])) return false;
        } else if (arg == "--keys") {
            if (!readKeys(argv[++i])) return false;
        } else if (arg == "--events") {
            events = argv[++i];
        } else if (arg == "--view") {
            view = argv[++i];
        } else if (arg == "--up") {
            up = argv[++i];
        } else if (arg == "--thumbnail") {
            if (!readCount(argv[++i], width, kMaxThumbnail)) {
                error = "--thumbnail expects a size from 1 to " + std::to_string(kMaxThumbnail);
                return false;
            }
            height = width;
            thumbnail = true;
        } else if (arg == "--keep-coordinates") {
            keepCoordinates = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option \"" + arg + "\"; see --help";
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) files.push_back("dataTest3.dat");
    if (output.empty()) {
        const std::string& dataFile = files.front();
        const std::size_t slash = dataFile.rfind('/');
        const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
        const std::size_t dot = dataFile.rfind('.');
        const std::string stem =
            dataFile.substr(0, dot != std::string::npos && dot > base ? dot : dataFile.size());
        // A per cent sign in the data file's name is one in the picture's name too.
        for (const char c : stem) output += c == '%' ? "%%" : std::string(1, c);
        output += ".png";
    }
    return checkOutput() && readSteps();
}

bool ShotOptions::readSize(const std::string& text) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || !readCount(text.substr(0, x), width) ||
        !readCount(text.substr(x + 1), height)) {
        error = "--size expects WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxSize) +
                ", found \"" + text + "\"";
        return false;
    }
    return true;
}

bool ShotOptions::readKeys(const std::string& text) {
    std::istringstream names(text);
    for (std::string name; names >> name;) {
        KeyCode key;
        if (name == "Up" || name == "Down" || name == "Escape") {
            error = "key \"" + name + "\" works on the window, not on the picture; it has no " +
                    "place in --keys";
            return false;
        }
        if (!keyCodeOf(name, key)) {
            error = "unknown key \"" + name + "\" in --keys; expected " + kShotKeyNames;
            return false;
        }
        keys.push_back(ShotKey{name, key});
    }
    return true;
}

bool ShotOptions::readSteps() {
    for (const ShotKey& key : keys) steps.push_back({Event::keyPress(key.key)});
    if (!readEventScript(events, width, height, steps, error)) {
        error = "--events: " + error;
        return false;
    }
    for (const std::vector<Event>& step : steps) {
        for (const Event& event : step) {
            if (event.kind != Event::Kind::key) continue;
            const KeyCode& key = event.key;
            if (key.special ? key.code == kKeyUp || key.code == kKeyDown : key.code == kKeyEscape) {
                error = "--events: key \"" + keyNameOf(key) +
                        "\" works on the window, not on the picture";
                return false;
            }
        }
    }
    return true;
}

// The output goes to snprintf as a format, so nothing but one "%d" (with zero padding and a
// width) and "%%" may be in it.
bool ShotOptions::checkOutput() {
    for (std::size_t i = output.find('%'); i != std::string::npos; i = output.find('%', i)) {
        std::size_t end = i + 1;
        while (end < output.size() && std::isdigit(static_cast<unsigned char>(output[end]))) ++end;
        const bool percent = end == i + 1 && end < output.size() && output[end] == '%';
        const bool number = end < output.size() && output[end] == 'd' && end - i <= 4;
        if (!percent && !(number && !numberedOutput)) {
            error =
                "-o takes one %d (as in %03d) and %% for a percent sign, found \"" + output + "\"";
            return false;
        }
        numberedOutput = numberedOutput || number;
        i = end + 1;
    }
    return true;
}

std::string ShotOptions::pictureName(int keyCount) const {
    if (!numberedOutput && output.find('%') == std::string::npos) return output;
    const int size = std::snprintf(nullptr, 0, output.c_str(), keyCount);
    std::string name(static_cast<std::size_t>(size), '\0');
    std::snprintf(name.data(), name.size() + 1, output.c_str(), keyCount);
    return name;
}

}  // namespace kalderino
