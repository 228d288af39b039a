// ModelReader: what the readers of the model formats share: the file's name in messages and
// the naming and finishing of the meshes they give.
#pragma once

#include "import/MeshBuilder.h"
#include "io/ReaderDiagnostics.h"
#include "io/TokenReader.h"
#include "io/file/FileContents.h"
#include "mesh/TriangleMesh.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kalderino {

class ModelReader {
public:
    virtual ~ModelReader() = default;

    // Reads a whole file's contents and appends its meshes with triangles to meshes. Returns
    // false after a diagnostic, with nothing appended.
    virtual bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) = 0;
    // The same for the file at path, which also names it in messages; reading stops with
    // "changed while being read" when the file shrinks meanwhile.
    virtual bool readFile(const std::string& path, std::vector<TriangleMesh>& meshes);
    // The same for a loaded file, named by path, which may shrink while it is read. Memory that
    // runs out while it is read gives "not enough memory for <making>" (the meshes of its bytes,
    // when the reader does not say what it makes), and false.
    bool readContents(const FileContents& file, std::vector<TriangleMesh>& meshes);

    std::string path;  // names the file in messages, and the meshes that have no name of their own
    std::FILE* diagnostics = stderr;
    // Reads the colours of the formats that have them; without them points weld by position
    // alone, as the data file, which has no colours, wants.
    bool colours = true;

protected:
    // The words for every message about the file being read.
    ReaderDiagnostics messages() const { return {diagnostics, path.c_str(), source}; }
    // Prints "path:line: message" ("path: message" when line is 0); returns false.
    bool fail(int line, const std::string& message) const { return messages().say(line, message); }
    // "expected <what>, found "<token>"<after>" on the current token's line; returns false.
    bool reject(const TokenReader& tokens, const std::string& what,
                const std::string& after = "") const;
    // "expected <what>, found the end of the line" on the line the reader is on; returns false.
    bool rejectLineEnd(const TokenReader& tokens, const std::string& what) const;
    // The current token as a coordinate (-0 read as 0); false after "expected <what()> as a
    // decimal number..., found ...". what() is called only for the message.
    template <typename What>
    bool toCoordinate(const TokenReader& tokens, float& value, What what) const {
        if (!messages().toFloat(tokens, value, what)) return false;
        value += 0.0f;
        return true;
    }
    // Finishes the builder's triangles into a mesh named ownName (or after the file); a mesh
    // with no triangles is dropped. False after a diagnostic when the data file cannot count it.
    bool finishMesh(MeshBuilder& builder, const std::string& ownName,
                    std::vector<TriangleMesh>& meshes) const;
    // Says that the bytes before position, in the data being read, are read no more, so that
    // their memory may go (see FileContents::discardBefore).
    void doneWith(const char* position) const;
    // Steps over a UTF-8 byte-order mark at the start of data, which text formats may carry.
    static void skipByteOrderMark(const char*& data, std::size_t& size);
    // Appends found to meshes; true.
    static bool keep(std::vector<TriangleMesh>& found, std::vector<TriangleMesh>& meshes);
    // The end of a file: finishes the builder's last mesh into found as finishMesh does; a file
    // that gave no triangles at all but has points gives them as one mesh of points alone; then
    // keeps found. False after a diagnostic.
    bool finishFile(MeshBuilder& builder, const std::string& ownName,
                    std::vector<TriangleMesh>& found, std::vector<TriangleMesh>& meshes) const;
    // What the reader is making, once its file has said ("8,000,000 triangles"), for the line
    // said when memory runs out.
    std::string making;

private:
    const FileContents* source = nullptr;  // while readContents() reads it
};

// The name a mesh gets in the data file: its own name, else the file's name without directory
// and extension, else "mesh"; white space and control characters become '_'; at most 31 bytes,
// never cutting a UTF-8 sequence in two.
std::string meshName(const std::string& ownName, const std::string& path);

// A colour component from 0 to 1 as a byte, rounded; beyond the range, the nearest end (nan: 0).
inline std::uint8_t colourByte(double unit) {
    return static_cast<std::uint8_t>(unit > 0.0 ? (unit < 1.0 ? unit * 255.0 + 0.5 : 255.0) : 0.0);
}

}  // namespace kalderino
