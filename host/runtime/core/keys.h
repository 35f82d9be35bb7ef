// Names of keyboard keys by the host's key codes (keyboard scan codes), for letters and the
// modifier keys.
#pragma once

#include <string>

#include "OrbiterAPI.h"

namespace quva {

// The code of a letter key A to Z (either case); 0 for anything else.
DWORD letterKeyCode(char letter);

// "G", "lshift", ...; the code in hexadecimal for other keys.
std::string keyName(DWORD code);

// The code of a modifier by its name (lshift, rshift, lctrl, rctrl, lalt, ralt); 0 if unknown.
DWORD modifierKeyCode(const std::string &name);

}  // namespace quva
