// ModelFiles: model files into arrays, for the session: the importer's readers where the
// program was built with them.
#pragma once

#include <string>
#include <vector>

namespace kalderino {

struct TriangleMesh;

// What a file is, by its extension in any case: a model file in a format of the project's own
// readers (OBJ, PLY, STL, OFF), one in a format the library reads, or else a data file.
enum class FileKind { data, ownModel, libraryModel };
FileKind kindOf(const std::string& path);

// Appends the meshes of the model file at path to meshes, read by the project's own readers
// (OBJ, PLY, STL, OFF) or, unless ownReadersOnly, by the library. Returns false after one line
// on stderr, with nothing appended.
bool readModelFile(const std::string& path, bool ownReadersOnly, std::vector<TriangleMesh>& meshes);

}  // namespace kalderino
