// Formats: the one table of the model formats the programs know, and a file's format by its
// name. A file's format is the row holding the extension of the file's base name, in any case;
// a file of no row's extension is a data file, unless the library knows the extension (the
// importer asks it: Importer::formatOf).
//
// Everything that lists formats comes from this table: the session's choice of reader, the help
// texts, the model fuzzer; what cannot (the manual pages, the desktop entry's and the
// thumbnailer's MIME types, the fuzzer's seeds) is held against it by tests/import/FormatsTest.
// Adding a format is a row here and, for a reader of the project's own, the reader
// (import/OwnReaders.cpp). The table needs neither the library nor meshoptimizer, so that a build
// without them still knows model files by name.
#pragma once

#include <iterator>
#include <string>

namespace kalderino {

struct Format {
    enum class Reader { own, library };

    const char* name;        // as its users write it: "OBJ", "glTF"
    const char* extensions;  // lower case, separated by spaces; none for the library's others
    // shared-mime-info's types of the format, separated by spaces: its own, then older names.
    const char* mimeTypes;
    // The type the project defines itself where shared-mime-info has none (PLY, OFF), in its
    // own MIME package (desktop/kalderino.xml); listed with mimeTypes.
    const char* ourMimeType;
    Reader reader;
    // Whether kalderino-shot --thumbnail reads it. A file manager runs the thumbnailer unasked on
    // every file a user downloads, so only the project's own readers, fuzzed, read these.
    bool thumbnails;
};

// Own readers first, then the library's formats that people commonly have, and last the
// library's others: every other extension the library says it knows, which only it can tell.
inline constexpr Format kFormats[] = {
    {"OBJ", "obj", "model/obj", "", Format::Reader::own, true},
    {"PLY", "ply", "", "model/x-ply", Format::Reader::own, true},
    {"STL", "stl", "model/stl model/x.stl-ascii model/x.stl-binary", "", Format::Reader::own, true},
    {"OFF", "off", "", "model/x-off", Format::Reader::own, true},
    {"glTF", "gltf glb", "model/gltf+json model/gltf-binary", "", Format::Reader::library, false},
    {"FBX", "fbx", "", "", Format::Reader::library, false},
    {"COLLADA", "dae", "", "", Format::Reader::library, false},
    {"3MF", "3mf", "model/3mf", "", Format::Reader::library, false},
    {"3DS", "3ds", "image/x-3ds", "", Format::Reader::library, false},
    {"LightWave", "lwo lws", "image/x-lwo image/x-lws", "", Format::Reader::library, false},
    {"DXF", "dxf", "image/vnd.dxf", "", Format::Reader::library, false},
    {"the other formats of the Open Asset Import Library", "", "", "", Format::Reader::library,
     false},
};
inline constexpr const Format& kLibraryOthers = kFormats[std::size(kFormats) - 1];

// The extension of the base name of path, as written: "PLY" for "scan.v2.PLY", "" for "notes"
// or "dir.d/notes".
std::string extensionOf(const std::string& path);

// The row naming extension among its extensions, in any case; null when none does (never the
// library's others, which no extension names).
const Format* formatOfExtension(const std::string& extension);

// The names of a kind of row, for texts: "OBJ, PLY, STL and OFF".
enum class Formats { all, own, library, thumbnails };
std::string formatNames(Formats which);

// What a file of no format kalderino-shot --thumbnail reads is refused with: "only OBJ, PLY,
// STL and OFF files are read here".
std::string thumbnailRefusal();

}  // namespace kalderino
