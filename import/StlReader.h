// StlReader: STL files, binary or ascii, each solid one mesh.
//
// A file is binary when its size is exactly what the triangle count at byte 80 announces
// (84 + 50 bytes a triangle), else ascii when it starts with "solid", else a broken binary file.
// An ascii file may hold several solids, each named by the first word on its "solid" line; keywords
// are read in any case, the facet normals are skipped, and a last "endsolid" may be missing. A
// binary file is one mesh named after the file. Bad input stops the reading with one diagnostic,
// with the line in an ascii file ("FILE:LINE: expected ..., found "TOKEN""):
// - a binary file whose size does not match its triangle count;
// - a keyword out of place, or a facet of other than three vertices;
// - a coordinate that is not a plain decimal number in ascii, or not finite in binary.
#pragma once

#include "import/ModelReader.h"

namespace kalderino {

class StlReader : public ModelReader {
public:
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;

private:
    bool readBinary(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes);
    bool readAscii(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes);
};

}  // namespace kalderino
