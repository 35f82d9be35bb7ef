#include "core/keys.h"

#include <cctype>
#include <cstdio>
#include <strings.h>

namespace quva {

namespace {

// Scan codes of the letters A to Z.
const DWORD kLetterCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

struct Modifier {
    const char *name;
    DWORD code;
};

const Modifier kModifiers[] = {{"lshift", OAPI_KEY_LSHIFT},   {"rshift", OAPI_KEY_RSHIFT}, {"lctrl", OAPI_KEY_LCONTROL},
                               {"rctrl", OAPI_KEY_RCONTROL}, {"lalt", OAPI_KEY_LALT},     {"ralt", OAPI_KEY_RALT}};

}  // namespace

DWORD letterKeyCode(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    return c >= 'A' && c <= 'Z' ? kLetterCodes[c - 'A'] : 0;
}

DWORD modifierKeyCode(const std::string &name) {
    for (const Modifier &m : kModifiers)
        if (strcasecmp(m.name, name.c_str()) == 0) return m.code;
    return 0;
}

std::string keyName(DWORD code) {
    for (int i = 0; i < 26; ++i)
        if (kLetterCodes[i] == code) return std::string(1, static_cast<char>('A' + i));
    for (const Modifier &m : kModifiers)
        if (m.code == code) return m.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(code));
    return buf;
}

}  // namespace quva
