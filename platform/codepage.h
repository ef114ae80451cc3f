#pragma once
#include <string>
#include <vector>

namespace hush::platform {

// The system's narrow code page, which the shell's records are written in.
class ICodePage {
 public:
  virtual ~ICodePage() = default;
  // The text (UTF-8) in the narrow code page, one entry per character, so that a caller can cut it
  // without splitting a character. A character the code page lacks becomes its replacement.
  virtual std::vector<std::string> ToSystemCodePage(const std::string& utf8) = 0;
};

}  // namespace hush::platform
