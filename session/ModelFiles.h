// ModelFiles: model files into arrays, for the session: the importer's readers where the
// program was built with them.
#pragma once

#include <string>
#include <vector>

struct TriangleMesh;

// Appends the meshes of the model file at path to meshes, read by the project's own readers
// (OBJ, PLY, STL, OFF) or, unless ownReadersOnly, by the library. Returns false after one line
// on stderr, with nothing appended.
bool readModelFile(const std::string& path, bool ownReadersOnly, std::vector<TriangleMesh>& meshes);
