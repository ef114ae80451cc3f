#pragma once
#include <QAbstractNativeEventFilter>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/window_system.h"

namespace hush::platform::linux_backend {

// Global shortcuts on X11: passive grabs on the root window, made for every lock-modifier variant,
// on Qt's own X connection. Presses become hotkey messages for the registering window, taken one at
// a time by PeekMessageA; the general event processing drops those still queued.
class X11Hotkeys : public IHotkeys, public IMessageLoop, public QAbstractNativeEventFilter {
 public:
  X11Hotkeys();
  ~X11Hotkeys() override;

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;

  void WaitMessage() override;
  bool PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                    std::uint32_t remove) override;
  void DoEvents() override;

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
  std::deque<Msg> queue_;
  bool filterInstalled_ = false;
  bool warned_ = false;
};

}  // namespace hush::platform::linux_backend
