#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace hush::platform {

using IconHandle = std::uintptr_t;

inline constexpr int kPicTypeNone = 0;
inline constexpr int kPicTypeBitmap = 1;
inline constexpr int kPicTypeIcon = 3;

// A picture as the window and the tray control see it: its kind and a handle the platform accepts.
struct Picture {
  int Type = kPicTypeNone;
  IconHandle Handle = 0;
};
using PicturePtr = std::shared_ptr<const Picture>;

class IPictures {
 public:
  virtual ~IPictures() = default;
  // The program's own icon (the blue 'B') at the notification area's size; none when it can't be loaded.
  virtual PicturePtr ProgramIcon() = 0;
  // A cursor or icon file as a picture; a failure when it can't be loaded.
  virtual PicturePtr LoadPicture(const std::string& path) = 0;
};

}  // namespace hush::platform
