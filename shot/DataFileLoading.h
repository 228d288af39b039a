// loadDataFile: the viewer's reader on a data file of any name.
#pragma once

#include <string>

class MeshLoader;

// Reads path with loader, as the viewer reads dataTest3.dat, and writes the loader's
// diagnostics to stderr with path as the file they name. Returns false after an error.
bool loadDataFile(MeshLoader& loader, const std::string& path);
