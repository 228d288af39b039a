// MeshName: the data file's rule for mesh names: at most 31 bytes, the room a Mesh has for one.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
#pragma once

#include "mesh/Mesh.h"

#include <cstddef>

namespace kalderino {

constexpr std::size_t kMaxMeshName = Mesh::kNameCapacity - 1;

// Where a longer name is cut: after its kMaxMeshName-th byte, as the viewer has always cut the
// names it reads, or before the character that byte belongs to, for names made here from UTF-8.
enum class NameCut { anyByte, wholeCharacters };

// How many of a name's length bytes the data file keeps.
inline std::size_t keptNameLength(const char* name, std::size_t length, NameCut cut) {
    if (length <= kMaxMeshName) return length;
    std::size_t kept = kMaxMeshName;
    // Back off over UTF-8 continuation bytes (10xxxxxx) to the start of a character.
    while (cut == NameCut::wholeCharacters && kept > 0 &&
           (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
        --kept;
    return kept > 0 ? kept : kMaxMeshName;
}

}  // namespace kalderino
