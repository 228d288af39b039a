// ConfinedFiles: the files the library may open besides the model itself (a glTF's buffers, an
// OBJ's materials): regular files in the model's folder or below it, and nothing else.
//
// A name the model gives is refused, with one line naming the model and the name, when it is
// absolute, a file: URI, or climbs out of the folder with ".."; when it leads out of the folder
// through a link; or when it is not a regular file (a FIFO would block the reading for ever, a
// device never end). The checks come before the file is opened, and it is opened non-blocking
// and checked again, so that nothing swapped in meanwhile is read. Landlock keeps the reader to
// the folder as well, where the kernel has it; these checks say why, and hold without it.
#pragma once

#include <assimp/IOSystem.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace kalderino {

class ConfinedFiles : public Assimp::IOSystem {
public:
    // folder: where the model is, absolute and resolved; empty when the model may refer to no
    // file at all.
    explicit ConfinedFiles(std::string folder) : folder(std::move(folder)) {}

    // Why the model may not refer to name, as the words after "refers to NAME"; empty when it
    // may. Looks at the name alone.
    static std::string refusalOf(const std::string& name);

    bool Exists(const char* file) const override;
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;

    // Called with the size of each file opened, before it is read.
    std::function<void(std::uint64_t)> opened;
    // The first name refused, as "refers to NAME, REASON", or empty.
    mutable std::string refusal;

private:
    // The path to open for name, or empty after noting a refusal (or when there is no such
    // file).
    std::string resolve(const std::string& name) const;

    std::string folder;
};

}  // namespace kalderino
