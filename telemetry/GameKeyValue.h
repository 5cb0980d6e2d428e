#pragma once
// Reading a text value of the game's key in the current user's registry, as the device
// identity and the click identifier are read.

#include <string>
#include <string_view>

// The value name of the game's key as text: binary data up to its first NUL as narrow
// (ANSI) text, a string as it is up to its first NUL. Empty when the key or the value is
// missing, unreadable, or larger than the 256-byte buffer it is read into (a string counts
// as UTF-16 with its terminating NUL).
std::u16string ReadGameKeyText(std::string_view valueName);
