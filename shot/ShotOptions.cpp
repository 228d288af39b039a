// ShotOptions: options, their help, key names, the picture size and the output name's one "%d".
#include "shot/ShotOptions.h"

#include "cli/CommandLine.h"
#include "import/Formats.h"
#include "io/file/Diagnostic.h"
#include "render/KeyCode.h"
#include "session/EventScript.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace kalderino {

namespace {

const char* const kKeyNames = "a key name such as a, F5, space, Return or Prior";

std::string help() {
    char limits[200];
    std::snprintf(limits, sizeof limits,
                  "A thumbnail reads %s files only, within %u seconds and %u MiB.",
                  formatNames(Formats::thumbnails).c_str(), ShotOptions::kThumbnailSeconds,
                  static_cast<unsigned>(ShotOptions::kThumbnailMemory >> 20));
    return "usage: kalderino-shot [-o PICTURE.png] [--size WxH] [--keys \"KEYS\"] "
           "[--events \"EVENTS\"]\n"
           "                      [--view VIEW] [--up AXIS] [--keep-coordinates] [--thumbnail "
           "SIZE]\n"
           "                      [--color R,G,B] [FILE...]\n\n" +
           wrap("Draws the meshes of the FILEs (dataTest3.dat in the working directory unless "
                "given) as kalderino-view shows them after the keys and events given, and writes "
                "the picture as PNG. Data files (.dat) are drawn in the viewer's view; model "
                "files (" +
                formatNames(Formats::all) +
                ") in a view of their own, or fitted into the viewer's with a data file. Needs "
                "no display: it draws offscreen with Mesa.") +
           "\n"
           "  -o PICTURE.png      the picture to write; the first file's name with .png\n"
           "                      unless given. With %d in it (as in turn-%03d.png) one\n"
           "                      picture is written before the first key and one after\n"
           "                      each key and each item of the events\n"
           "  --size WxH          the window's size at start, in pixels (640x480)\n"
           "  --keys \"KEYS\"       key names separated by spaces, pressed in order\n"
           "  --events \"EVENTS\"   keys, pointer drags, clicks and wheel steps, after the\n"
           "                      keys: items separated by ';' (see kalderino-shot(1)),\n"
           "                      as in \"drag 100,100 300,120; scroll 3; key Return\"\n"
           "  --view VIEW         the view model files open in: three-quarter (from the\n"
           "                      front, right and above), front, right, top, isometric,\n"
           "                      or viewer: the viewer's, fitted into it as a data file\n"
           "  --up AXIS           the axis model files stand on: +X, -X, +Y, -Y, +Z or -Z\n"
           "                      (+Z for STL files, +Y for the rest unless given)\n"
           "  --keep-coordinates  with a data file, or --view viewer: keep the model files'\n"
           "                      coordinates instead of fitting them into the view\n"
           "  --color R,G,B       the colour of model files without colours of their own,\n"
           "                      each from 0 to 1; unless given, the first such file\n"
           "                      keeps the viewer's colour and each later one takes a\n"
           "                      colour of its own\n"
           "  --thumbnail SIZE    a SIZE x SIZE thumbnail for a file manager\n"
           "  --help              show this text\n"
           "  --version           show the version\n\n" +
           wrap(limits) + "\n" +
           wrap("Keys are named as X names them: a printable character (a letter in either "
                "case, a digit, punctuation), space, Return, Tab, BackSpace, Delete, F1 to F12, "
                "Left, Right, Prior, Next, Home, End and Insert. Up, Down and Escape work on the "
                "window, not on the picture, and are refused.") +
           "\nPrints the path of each picture written to a regular file, and nothing else.\n";
}

}  // namespace

bool ShotOptions::parse(int argc, const char* const* argv) {
    CommandLine line("kalderino-shot", help());
    line.option("-o", text(output));
    line.option("--size", [this](const std::string& name, const std::string& value) {
        return readSize(value, width, height)
                   ? ""
                   : name + " expects WIDTHxHEIGHT, each from 1 to " +
                         std::to_string(kMaxWindowSide) + ", found " + quote(value);
    });
    line.option("--keys",
                [this](const std::string&, const std::string& value) { return readKeys(value); });
    line.option("--events", text(events));
    line.option("--view", text(view));
    line.option("--up", text(up));
    line.option("--thumbnail", [this](const std::string& name, const std::string& value) {
        thumbnail = models.ownReadersOnly = true;
        const std::string wrong = number(width, 1, kMaxThumbnail)(name, value);
        height = width;
        return wrong;
    });
    line.flag("--keep-coordinates", models.keepCoordinates);
    line.option("--color", colour(models.colour));
    if (!line.parse(argc, argv)) {
        status = line.status;
        return false;
    }
    files = line.operands;
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
    std::string wrong = checkOutput();
    if (wrong.empty()) wrong = readSteps();
    if (!wrong.empty()) line.refuse(wrong);
    status = line.status;
    return wrong.empty();
}

std::string ShotOptions::readKeys(const std::string& text) {
    std::istringstream names(text);
    for (std::string name; names >> name;) {
        KeyCode key;
        if (name == "Up" || name == "Down" || name == "Escape")
            return "key " + quote(name) + " works on the window, not on the picture; it has no " +
                   "place in --keys";
        if (!keyCodeOf(name, key))
            return "unknown key " + quote(name) + " in --keys; expected " + kKeyNames;
        keys.push_back(ShotKey{name, key});
    }
    return "";
}

std::string ShotOptions::readSteps() {
    for (const ShotKey& key : keys) steps.push_back({Event::keyPress(key.key)});
    std::string error;
    if (!readEventScript(events, width, height, steps, error)) return "--events: " + error;
    for (const std::vector<Event>& step : steps) {
        for (const Event& event : step) {
            if (event.kind != Event::Kind::key) continue;
            const KeyCode& key = event.key;
            if (key.special ? key.code == kKeyUp || key.code == kKeyDown : key.code == kKeyEscape)
                return "--events: key " + quote(keyNameOf(key)) +
                       " works on the window, not on the picture";
        }
    }
    return "";
}

// The output goes to snprintf as a format, so nothing but one "%d" (with zero padding and a
// width) and "%%" may be in it.
std::string ShotOptions::checkOutput() {
    for (std::size_t i = output.find('%'); i != std::string::npos; i = output.find('%', i)) {
        std::size_t end = i + 1;
        while (end < output.size() && std::isdigit(static_cast<unsigned char>(output[end]))) ++end;
        const bool percent = end == i + 1 && end < output.size() && output[end] == '%';
        const bool number = end < output.size() && output[end] == 'd' && end - i <= 4;
        if (!percent && !(number && !numberedOutput))
            return "-o takes one %d (as in %03d) and %% for a percent sign, found " + quote(output);
        numberedOutput = numberedOutput || number;
        i = end + 1;
    }
    return "";
}

std::string ShotOptions::pictureName(int keyCount) const {
    if (!numberedOutput && output.find('%') == std::string::npos) return output;
    const int size = std::snprintf(nullptr, 0, output.c_str(), keyCount);
    std::string name(static_cast<std::size_t>(size), '\0');
    std::snprintf(name.data(), name.size() + 1, output.c_str(), keyCount);
    return name;
}

}  // namespace kalderino
