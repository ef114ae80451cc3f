#pragma once
#include <QAbstractNativeEventFilter>

#include <map>
#include <memory>
#include <vector>

#include "platform/linux/hotkey_queue.h"

namespace hush::platform::linux_backend {

// Global shortcuts on X11: passive grabs on the root window, made for every lock-modifier variant,
// on Qt's own X connection; presses become the hotkey messages of the registering window.
class X11Hotkeys : public IHotkeys, public HotkeyMessageQueue, public QAbstractNativeEventFilter {
 public:
  X11Hotkeys();
  ~X11Hotkeys() override;

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  // False on Wayland without XWayland, or before there is a GUI application.
  bool Available();

 private:
  struct Grab {
    WindowHandle window;
    std::uint8_t keycode;
    std::uint16_t modifiers;  // X modifier mask
    std::uint32_t vk;
    std::uint32_t winModifiers;
  };
  bool Connect();
  void Ungrab(const Grab& grab);
  std::vector<std::uint16_t> LockVariants() const;

  struct X;
  std::unique_ptr<X> x_;
  std::map<std::pair<WindowHandle, std::int32_t>, Grab> grabs_;
  bool filterInstalled_ = false;
  bool warned_ = false;
};

}  // namespace hush::platform::linux_backend
