#pragma once
#include <string>
#include <vector>

namespace hush::platform {

// The characters of a UTF-8 text, each as its bytes; a byte that starts no valid sequence is one
// character of its own.
inline std::vector<std::string> SplitUtf8(const std::string& utf8) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
    for (std::size_t k = 1; k < length; ++k)
      if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) length = 1;
    characters.push_back(utf8.substr(i, length));
    i += length;
  }
  return characters;
}

}  // namespace hush::platform
