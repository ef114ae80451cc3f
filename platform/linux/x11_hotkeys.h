#pragma once
#include <QAbstractNativeEventFilter>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

#include "platform/linux/hotkey_queue.h"

namespace hush::platform::linux_backend {

// Global shortcuts on X11: passive grabs on the root window, made for every lock-modifier variant,
// on Qt's own X connection; presses become the hotkey messages of the registering window.
//
// A shortcut names a letter, not a key: the grab sits on the key that types the letter under the
// keyboard layout in force, and moves with it when the layout, the keymap or the active group
// changes. A letter that the active group lacks (Q under a Russian group) stays on the key that types
// it in the first group that has it, as Windows keeps the Latin letters of non-Latin layouts.
//
// The keys come from the keyboard extension (XKB) where the server has it, else from the core
// keymap: its first two groups, as the core protocol gives them.
class X11Hotkeys : public IHotkeys, public HotkeyMessageQueue, public QAbstractNativeEventFilter {
 public:
  enum class Keymap { Xkb, Core };
  // Core: reads the core keymap even where the server has XKB, as a server without it makes it.
  explicit X11Hotkeys(Keymap keymap = Keymap::Xkb);
  ~X11Hotkeys() override;

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  // False on Wayland without XWayland, or before there is a GUI application.
  bool Available();
  // Whether the keys come from XKB (after Available()).
  bool UsesXkb() const;
  // How often the keymap has been read (at the start, and once for each change of layout).
  unsigned KeymapLoads() const { return keymapLoads_; }
  // The moment a burst of layout notifications is given to end before the grabs move.
  static constexpr int kBurstMs = 30;

 private:
  struct Grab {
    WindowHandle window;
    std::uint8_t keycode;    // 0 while the letter has no key, or another client holds the key
    std::uint16_t modifiers;  // X modifier mask
    std::uint32_t vk;
    std::uint32_t winModifiers;
  };
  bool Connect();
  void LoadKeymap();
  void LoadCoreKeymap();
  std::uint8_t KeyFor(std::uint32_t vk) const;
  std::uint8_t CoreKeyFor(std::uint32_t sym, int group) const;
  bool TryGrab(std::uint8_t keycode, std::uint16_t modifiers);
  bool HeldByUs(std::uint8_t keycode, std::uint16_t modifiers) const;
  void Ungrab(const Grab& grab);
  void FollowKeyboard(bool reloadKeymap);
  void FollowKeyboardSoon(bool reloadKeymap);

  struct X;
  std::unique_ptr<X> x_;
  std::map<std::pair<WindowHandle, std::int32_t>, Grab> grabs_;
  bool filterInstalled_ = false;
  std::unique_ptr<QTimer> follow_;  // the move after a burst of layout notifications
  bool reloadPending_ = false;
  unsigned keymapLoads_ = 0;
  bool warned_ = false;
  Keymap wanted_;
};

}  // namespace hush::platform::linux_backend
