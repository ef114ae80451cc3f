#include "core/ErrorReport.h"

#include "hushdial_config.h"

namespace hush {

std::string ErrorReport::Message(const std::string& description, const std::string& location, int line) {
  return description + "\r\n" + location + "at line " + std::to_string(line) + "\r\r" +
         "Please email screenshot of this message to " + config::kSupportEmail;
}

std::string ErrorReport::LocationText(const std::string& module, const std::string& procedure) {
  return "in Hushdial2021/08/31." + module + "." + procedure + " ";
}

void ErrorReport::Show(const std::string& description) {
  box_.MessageBoxA(Message(description, location_, line_), kCaption, kStyle);
}

}  // namespace hush
