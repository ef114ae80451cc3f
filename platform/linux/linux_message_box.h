#pragma once
#include "platform/message_box.h"

namespace hush::platform::linux_backend {

// A modal Qt message box; without a running application (benchmarks, tools) the text goes to stderr.
class QtMessageBox : public IMessageBox {
 public:
  int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override;
  // Carriage returns as Windows draws them: "\r\n" and a lone "\r" each break the line.
  static std::string DisplayText(const std::string& text);
};

}  // namespace hush::platform::linux_backend
