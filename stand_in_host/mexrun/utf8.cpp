// utf8.cpp — decoding by the table of well-formed sequences, encoding by
// length class.
#include "utf8.hpp"

namespace mexrun {

Utf8Char decodeUtf8(std::string_view text, std::size_t at) {
  if (at >= text.size()) return {0, 0};
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  std::uint32_t cp = 0;
  std::uint32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
    min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
    min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
    min = 0x10000;
  } else {
    return {0, 0};
  }
  if (at + length > text.size()) return {0, 0};
  for (std::size_t b = 1; b < length; ++b) {
    const auto cont = static_cast<unsigned char>(text[at + b]);
    if ((cont & 0xC0) != 0x80) return {0, 0};
    cp = (cp << 6) | (cont & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
  return {cp, length};
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::size_t countUtf8Characters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t k = 0; k < text.size(); ++count) {
    const std::size_t length = decodeUtf8(text, k).length;
    k += length == 0 ? 1 : length;
  }
  return count;
}

}  // namespace mexrun
