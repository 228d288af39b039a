// Formats: finding a row by extension, and the rows' names for texts.
#include "import/Formats.h"

#include <sstream>
#include <strings.h>

namespace kalderino {

std::string extensionOf(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    return dot == std::string::npos || path[dot] == '/' ? "" : path.substr(dot + 1);
}

const Format* formatOfExtension(const std::string& extension) {
    for (const Format& format : kFormats) {
        std::istringstream extensions(format.extensions);
        for (std::string known; extensions >> known;)
            if (::strcasecmp(known.c_str(), extension.c_str()) == 0) return &format;
    }
    return nullptr;
}

std::string formatNames(Formats which) {
    std::string names;
    const char* last = nullptr;  // held back until it is known whether "and" goes before it
    for (const Format& format : kFormats) {
        const bool own = format.reader == Format::Reader::own;
        if ((which == Formats::own && !own) || (which == Formats::library && own) ||
            (which == Formats::thumbnails && !format.thumbnails))
            continue;
        if (last != nullptr) names += (names.empty() ? "" : ", ") + std::string(last);
        last = format.name;
    }
    if (last == nullptr) return "";
    return names.empty() ? last : names + " and " + last;
}

std::string thumbnailRefusal() {
    return "only " + formatNames(Formats::thumbnails) + " files are read here";
}

}  // namespace kalderino
