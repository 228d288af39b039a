// OffReader: Object File Format files: the header, the counts, the points and polygon faces.
//
// The header is "OFF" (or "COFF", "NOFF", "CNOFF"), with the point, face and edge counts on its
// line or the next; then a line per point, "x y z", and a line per face, "n i1 ... in", indices
// counted from 0. Whatever follows on a point's or a face's line (normals, colours) is ignored,
// and so are blank lines and comments (#). The file is one mesh named after it; points and faces
// are numbered from 0 in messages. A file of points and no faces is one mesh of points alone. Bad
// input stops the reading with "FILE:LINE: expected ..., found "TOKEN"":
// - no header, or counts that are not decimal integers from 0, or larger than the file can hold;
// - a coordinate that is not a plain decimal number, a face's corner count below 0, an index
//   outside the points, or a file that ends early.
#pragma once

#include "import/ModelReader.h"

namespace kalderino {

class OffReader : public ModelReader {
public:
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;

private:
    // The header and the point and face counts, the points, and the faces.
    bool readCounts(TokenReader& tokens, int (&counts)[2]) const;
    bool readPoints(TokenReader& tokens, int count, MeshBuilder& builder) const;
    bool readFaces(TokenReader& tokens, int count, int points, MeshBuilder& builder) const;
    bool endsEarly(const TokenReader& tokens, const std::string& what) const {
        return messages().endsEarly(tokens.lastLine(), what);
    }
};

}  // namespace kalderino
