// utf8.hpp — the few UTF-8 steps mexrun needs: reading one character of a
// CALL, writing one code point of a char array, counting characters.
//
// `decodeUtf8` reads the character that starts at byte `at`; a byte that
// starts no well-formed sequence (a stray continuation byte, a lead byte
// without its continuation bytes, an overlong or surrogate form, a code point
// beyond U+10FFFF) gives `length` 0.
//
// Example: decodeUtf8("é!", 0) is {0xE9, 2}; decodeUtf8("é!", 1) is {0, 0}.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mexrun {

struct Utf8Char {
  std::uint32_t codePoint;
  std::size_t length;  // bytes; 0: not a well-formed character
};

Utf8Char decodeUtf8(std::string_view text, std::size_t at);

// Appends code point `cp` (below U+110000) in UTF-8.
void appendUtf8(std::string& out, std::uint32_t cp);

// The number of characters in `text`, each byte that starts no well-formed
// sequence counting as one.
std::size_t countUtf8Characters(std::string_view text);

}  // namespace mexrun
