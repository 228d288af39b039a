// PlyReader: PLY files, ascii, binary little-endian and binary big-endian; positions, colours and
// faces.
//
// The points are the "vertex" element's x, y and z properties, of any scalar type; the polygons
// are the "face" element's "vertex_indices" (or "vertex_index") list, of any count and index
// types. Colours are the "red", "green" and "blue" properties, with "alpha" or opaque, of the
// vertices or of the faces (which win), from 0 to 255 in integer types, from 0 to 1 in float
// types; a face of its own colour gets points of its own. A file of points and no faces is one
// mesh of points alone, with the vertices' "nx", "ny" and "nz" as their normals when it has them.
// Other properties and elements are skipped. Elements are numbered from 0 in messages,
// as the file's indices count them. Bad input stops the reading with one diagnostic, on the
// header's line for the header and on the token's line in an ascii body ("FILE:LINE: expected
// ..., found "TOKEN""); a binary body has no lines ("FILE: ..."):
// - no "ply" first, an unknown format, property type or header line, or no "end_header";
// - no x, y or z property in "vertex", a list among them, or no index list of integers in "face";
// - element counts that the rest of the file cannot hold, before anything is allocated;
// - a value that does not parse as its type, a coordinate that is not a finite number, a list
//   count below 0, an index outside the points, or a body that ends early.
#pragma once

#include "import/ModelReader.h"

namespace kalderino {

class PlyReader : public ModelReader {
public:
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;
};

}  // namespace kalderino
