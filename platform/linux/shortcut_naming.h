#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace hush::platform::linux_backend {

// What a desktop shows for one of the program's shortcuts, and what a press runs where the desktop
// runs a command instead of telling the program: a stable id (the portal adds the letter), a
// description, and the command-line option that makes the same step.
struct ShortcutNaming {
  std::string id;
  std::string description;
  std::string option;
};
using ShortcutNamer = std::function<ShortcutNaming(std::int32_t id)>;

}  // namespace hush::platform::linux_backend
