// utf8ToAscii — the 8-bit ASCII form of a UTF-8 text.
//
// Every character outside ASCII becomes one '?', and so does every byte
// that is not part of a well-formed UTF-8 character, so the result is plain
// ASCII whatever the input:
//     utf8ToAscii("Einführung") == "Einf?hrung"
// Nothing is thrown.
#pragma once

#include <string>

std::string utf8ToAscii(const std::string& text);
