#pragma once
#include <cstdint>
#include <vector>

#include "platform/window_system.h"

namespace hush::Layout {

// The main window as designed: one entry per control, in the window's control order. Positions and
// sizes are twips; a control in a frame is placed relative to the frame.
struct Entry {
  const char* name;
  platform::ControlKind kind;
  const char* parent;  // nullptr: the window itself
  const char* caption;
  int left, top, width, height;
  platform::FontStyle font;
  int tabIndex;
  std::uint32_t backColor;
  std::uint32_t foreColor;
};

inline constexpr int kClientWidth = 8040;
inline constexpr int kClientHeight = 4410;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;

const platform::FontStyle& WindowFont();  // Arial 9 pt bold
const platform::FontStyle& ButtonFont();  // Arial 11.25 pt bold
const std::vector<Entry>& Controls();
// The entry's position in Controls(), -1 when there is none of that name.
int IndexOf(const char* name);

}  // namespace hush::Layout
