// ObjReader: Wavefront OBJ files, positions, point colours and faces.
//
// Reads "v x y z", "v x y z r g b" (a colour from 0 to 1, or from 0 to 255 when one of the three
// is above 1; other numbers after the coordinates, as a weight, are ignored) and "f" with corners
// written v, v/vt, v//vn or v/vt/vn, indices counted from 1, or from -1 backwards from the last
// point so far. "o NAME" and "g NAME" start a mesh of that name unless it is the current one; faces
// before them belong to a mesh named after the file. Comments (#) and backslash line
// continuations work, and a comment may end a point's or a face's line; vt, vn, s, usemtl, mtllib,
// l, p and unknown statements are skipped. In a file where some points have a colour, the others
// are white. A file of points and no faces is one mesh of points alone. Bad input stops the reading
// with "FILE:LINE: expected
// ..., found "TOKEN"":
// - a coordinate that is not a plain decimal number (nan and inf included), or is missing;
// - anything on a point's line after its three coordinates but up to four more numbers (a w, or
//   a colour);
// - a corner in another form, or an index 0 or beyond the points so far.
#pragma once

#include "import/ModelReader.h"

namespace kalderino {

class ObjReader : public ModelReader {
public:
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;

private:
    // The rest of a "v" or an "f" line, into the builder.
    bool readPoint(TokenReader& tokens, MeshBuilder& builder) const;
    bool readFace(TokenReader& tokens, MeshBuilder& builder);

    std::vector<std::uint32_t> polygon;  // the corners of the face being read
};

}  // namespace kalderino
