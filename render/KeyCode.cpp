// KeyCode: the names of the keys and their codes.
#include "render/KeyCode.h"

#include <utility>

namespace kalderino {

namespace {

struct NamedKey {
    const char* name;
    KeyCode key;
};

constexpr NamedKey kNamedKeys[] = {
    {"space", {false, ' '}},         {"Return", {false, kKeyReturn}},
    {"Escape", {false, kKeyEscape}}, {"Tab", {false, '\t'}},
    {"BackSpace", {false, 8}},       {"Delete", {false, 127}},
    {"Left", {true, kKeyLeft}},      {"Right", {true, kKeyRight}},
    {"Up", {true, kKeyUp}},          {"Down", {true, kKeyDown}},
    {"Prior", {true, kKeyPageUp}},   {"Page_Up", {true, kKeyPageUp}},
    {"Next", {true, kKeyPageDown}},  {"Page_Down", {true, kKeyPageDown}},
    {"Home", {true, kKeyHome}},      {"End", {true, kKeyEnd}},
    {"Insert", {true, kKeyInsert}},
};

}  // namespace

bool keyCodeOf(const std::string& name, KeyCode& key) {
    key = KeyCode{};
    if (name.size() == 1 && name[0] > ' ' && name[0] < 0x7F) {
        key.code = static_cast<unsigned char>(name[0]);
        return true;
    }
    for (const NamedKey& named : kNamedKeys) {
        if (name == named.name) {
            key = named.key;
            return true;
        }
    }
    for (int number = 1; number <= kKeyF12 - kKeyF1 + 1; ++number) {
        if (name == "F" + std::to_string(number)) {
            key = {true, kKeyF1 + number - 1};
            return true;
        }
    }
    return false;
}

std::string keyNameOf(const KeyCode& key) {
    if (!key.special && key.code > ' ' && key.code < 0x7F) return std::string(1, char(key.code));
    if (key.special && key.code >= kKeyF1 && key.code <= kKeyF12)
        return "F" + std::to_string(key.code - kKeyF1 + 1);
    for (const NamedKey& named : kNamedKeys)
        if (named.key.special == key.special && named.key.code == key.code) return named.name;
    return "";
}

}  // namespace kalderino
