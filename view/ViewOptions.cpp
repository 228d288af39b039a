// ViewOptions: the options, GLUT's among them, their help, and -geometry read as X reads it.
#include "view/ViewOptions.h"

#include "cli/CommandLine.h"
#include "import/Formats.h"
#include "io/file/Diagnostic.h"

#include <map>

namespace kalderino {

namespace {

std::string help() {
    return "usage: kalderino-view [GLUT options] [--keep-coordinates] [--view VIEW] [--up AXIS] "
           "[--color R,G,B] [--watch] FILE...\n\n" +
           wrap("Shows model files (" + formatNames(Formats::all) +
                ") and data files (.dat) in one window, as the viewer shows its data file, with "
                "all of the viewer's keys. Model files are fitted together into the view.") +
           "\n"
           "  --keep-coordinates  keep the model files' coordinates instead of fitting them\n"
           "                      into the view\n"
           "  --view VIEW         the view model files open in: three-quarter (from the\n"
           "                      front, right and above), front, right, top, isometric,\n"
           "                      or viewer: the viewer's, fitted into it as a data file\n"
           "  --up AXIS           the axis model files stand on: +X, -X, +Y, -Y, +Z or -Z\n"
           "                      (+Z for STL files, +Y for the rest unless given)\n"
           "  --color R,G,B       the colour of model files without colours of their own,\n"
           "                      each from 0 to 1; unless given, the first such file\n"
           "                      keeps the viewer's colour and each later one takes a\n"
           "                      colour of its own\n"
           "  --watch             read the files again whenever one of them changes\n"
           "  -geometry WxH+X+Y   the window's size, each side from 1 to 16384 (640x480\n"
           "                      unless given), and its place: +X+Y from the left and top\n"
           "                      edges, -X-Y from the right and bottom ones; either may be\n"
           "                      left out\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "\n"
           "GLUT's own options (-display DISPLAY, -direct, -indirect, -iconic, -gldebug,\n"
           "-sync) are passed to it. Keys: H in the window lists them all.\n";
}

// One offset of an X geometry, "+N" or "-N", N from 0 to 32767 (X's coordinates are 16-bit);
// false when text holds none at at.
bool readOffset(const std::string& text, std::size_t& at, int& value, bool& negative) {
    if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return false;
    negative = text[at] == '-';
    const std::size_t end = text.find_first_of("+-", at + 1);
    long long read = 0;
    if (!readNumber(text.substr(at + 1, end - at - 1), 0, 32767, read)) return false;
    value = static_cast<int>(read);
    at = end;
    return true;
}

}  // namespace

bool ViewOptions::parse(int argc, const char* const* argv) {
    CommandLine line("kalderino-view", help());
    line.flag("--keep-coordinates", models.keepCoordinates);
    line.option("--view", text(view));
    line.option("--up", text(up));
    line.option("--color", colour(models.colour));
    line.flag("--watch", watch);
    line.option("-geometry", [this](const std::string& name, const std::string& value) {
        if (readGeometry(value)) return std::string();
        return name + " expects [WIDTHxHEIGHT][{+-}X{+-}Y], each side from 1 to " +
               std::to_string(kMaxWindowSide) + ", found " + quote(value);
    });
    glutArguments = {argc > 0 ? argv[0] : "kalderino-view"};
    line.option("-display", [this](const std::string& name, const std::string& value) {
        glutArguments.insert(glutArguments.end(), {name, value});
        return "";
    });
    std::map<std::string, bool> glutFlags;
    for (const char* name : {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"})
        line.flag(name, glutFlags[name]);
    const bool good =
        line.parse(argc, argv) && (!line.operands.empty() || line.refuse("no files to show"));
    for (const auto& [name, given] : glutFlags)
        if (given) glutArguments.push_back(name);
    files = line.operands;
    status = line.status;
    return good;
}

// X's geometry, [=][WIDTHxHEIGHT][{+-}X{+-}Y], as XParseGeometry reads it, but each number
// whole and within its range, and the size, when given, whole.
bool ViewOptions::readGeometry(const std::string& text) {
    place = WindowPlace();  // the last -geometry given says all
    const std::size_t start = text.rfind('=', 0) == 0 ? 1 : 0;
    std::size_t at = text.find_first_of("+-", start);
    std::string size = text.substr(start, at - start);
    for (char& c : size) c = c == 'X' ? 'x' : c;
    if (!size.empty() && !readSize(size, place.width, place.height)) return false;
    if (at == std::string::npos) return !size.empty();
    return readOffset(text, at, place.x, place.fromRight) &&
           readOffset(text, at, place.y, place.fromBottom) && at == std::string::npos;
}

std::vector<char*> ViewOptions::glutArgv() {
    std::vector<char*> pointers;
    for (std::string& argument : glutArguments) pointers.push_back(argument.data());
    return pointers;
}

}  // namespace kalderino
