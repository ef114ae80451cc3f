#pragma once
// What hushdial does when started from a shell: the window and its shortcuts (no option), or one
// step of the master volume as a shortcut would make it, and an end (--raise, --lower), for desktops
// where the user binds the keys in the desktop's own settings.
#include <string>

#include "platform/message_box.h"
#include "platform/platform.h"

namespace hush::CommandLine {

enum class Action { Window, Raise, Lower, Help, Version, Wrong };

struct Parsed {
  Action action = Action::Window;
  std::string problem;  // for Wrong: what was wrong, in one line
};

// Hushdial's own options, and the window toolkit's (-platform, -display, ...), which are left to it;
// anything else is Wrong, as is more than one of Hushdial's options.
Parsed Parse(int argc, const char* const* argv);
std::string HelpText();
std::string VersionText();

// A box that shows nothing: what a step would have put in a box is kept as one line.
class LineBox : public platform::IMessageBox {
 public:
  int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override;
  const std::string& Line() const { return line_; }

 private:
  std::string line_;
};

// One step, by the path and the amount the shortcut takes. Returns the exit status: 0 when stepped,
// 1 with `message` set (one line) when there is nothing to step or the step failed. Nothing is ever
// shown: what would have gone into a box is the message.
int Step(LineBox& box, platform::ICoreAudio& audio, platform::IMixer& mixer, platform::IVersionQuery& version,
         bool up, std::string& message);

}  // namespace hush::CommandLine
