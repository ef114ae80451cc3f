#pragma once
#include <functional>

#include "platform/message_box.h"

class QWidget;

namespace hush::platform::linux_backend {

// A modal Qt message box; without a running application (benchmarks, tools) the text goes to stderr.
class QtMessageBox : public IMessageBox {
 public:
  int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override;
  // The window the boxes belong to: it stays disabled while one is up.
  void SetOwner(std::function<QWidget*()> owner) { owner_ = std::move(owner); }
  // Carriage returns as Windows draws them: "\r\n" and a lone "\r" each break the line.
  static std::string DisplayText(const std::string& text);

 private:
  std::function<QWidget*()> owner_;
};

}  // namespace hush::platform::linux_backend
