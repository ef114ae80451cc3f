#include "platform/linux/linux_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace hush::platform::linux_backend {

std::string QtMessageBox::DisplayText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

int QtMessageBox::MessageBoxA(const std::string& text, const std::string& caption, unsigned style) {
  const std::string shown = DisplayText(text);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), shown.c_str());
    return 1;
  }
  QMessageBox box((style & 0x70u) == kMbIconExclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QString::fromUtf8(caption.c_str()), QString::fromUtf8(shown.c_str()), QMessageBox::Ok,
                  owner_ ? owner_() : nullptr);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
  return 1;  // IDOK
}

}  // namespace hush::platform::linux_backend
