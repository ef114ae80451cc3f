#include "platform/linux/x11_hotkeys.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <vector>

namespace hush::platform::linux_backend {

namespace {
constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;
}  // namespace

struct X11Hotkeys::X {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  xcb_key_symbols_t* symbols = nullptr;
  std::uint16_t numLock = 0;
  ~X() {
    if (symbols) xcb_key_symbols_free(symbols);
  }
};

X11Hotkeys::X11Hotkeys() = default;

X11Hotkeys::~X11Hotkeys() {
  if (x_) {
    for (const auto& [key, grab] : grabs_) Ungrab(grab);
    xcb_flush(x_->connection);
  }
  if (filterInstalled_ && QCoreApplication::instance())
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11Hotkeys::Available() { return Connect(); }

bool X11Hotkeys::Connect() {
  if (x_) return true;
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) {
    if (app && !warned_) {
      std::fprintf(stderr,
                   "Hushdial: global shortcuts need X11 or XWayland; this session (%s) offers neither, so the "
                   "shortcuts are off. The test buttons still work.\n",
                   QGuiApplication::platformName().toLocal8Bit().constData());
      warned_ = true;
    }
    return false;
  }
  auto x = std::make_unique<X>();
  x->connection = x11->connection();
  x->root = xcb_setup_roots_iterator(xcb_get_setup(x->connection)).data->root;
  x->symbols = xcb_key_symbols_alloc(x->connection);
  // The modifier that NumLock sets, so that shortcuts work whether it is on or off.
  if (xcb_keycode_t* numLockCodes = xcb_key_symbols_get_keycode(x->symbols, kNumLockKeysym)) {
    xcb_get_modifier_mapping_reply_t* map =
        xcb_get_modifier_mapping_reply(x->connection, xcb_get_modifier_mapping(x->connection), nullptr);
    if (map) {
      const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
      for (int mod = 0; mod < 8; ++mod)
        for (int k = 0; k < map->keycodes_per_modifier; ++k)
          for (xcb_keycode_t* n = numLockCodes; *n != XCB_NO_SYMBOL; ++n)
            if (codes[mod * map->keycodes_per_modifier + k] == *n) x->numLock = static_cast<std::uint16_t>(1u << mod);
      free(map);
    }
    free(numLockCodes);
  }
  x_ = std::move(x);
  QCoreApplication::instance()->installNativeEventFilter(this);
  filterInstalled_ = true;
  return true;
}

bool X11Hotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!Connect()) return false;
  if (grabs_.count({window, id})) return false;  // as Windows: the identifier is taken
  for (const auto& [key, grab] : grabs_)
    if (grab.vk == vk && grab.winModifiers == modifiers) return false;  // already held by this program

  std::uint16_t mask = 0;
  if (modifiers & kModShift) mask |= XCB_MOD_MASK_SHIFT;
  if (modifiers & kModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & kModAlt) mask |= XCB_MOD_MASK_1;
  if (modifiers & kModWin) mask |= XCB_MOD_MASK_4;
  xcb_keysym_t keysym = vk;
  if (vk >= 'A' && vk <= 'Z') keysym = vk - 'A' + 'a';
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(x_->symbols, keysym);
  if (!codes) return false;
  const xcb_keycode_t keycode = codes[0];
  free(codes);
  if (keycode == XCB_NO_SYMBOL) return false;

  std::vector<xcb_void_cookie_t> cookies;
  for (std::uint16_t lock : LockVariants())
    cookies.push_back(xcb_grab_key_checked(x_->connection, 1, x_->root, static_cast<std::uint16_t>(mask | lock),
                                           keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  bool refused = false;
  for (const xcb_void_cookie_t& cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(x_->connection, cookie)) {
      refused = true;  // BadAccess when another client holds it; any error leaves it not ours
      free(error);
    }
  }
  const Grab grab{window, keycode, mask, vk, modifiers};
  if (refused) {  // another client holds the combination: the shortcut is simply not ours
    Ungrab(grab);
    xcb_flush(x_->connection);
    return false;
  }
  grabs_[{window, id}] = grab;
  return true;
}

// Every lock variant of a combination: plain, CapsLock, NumLock, both.
std::vector<std::uint16_t> X11Hotkeys::LockVariants() const {
  if (!x_->numLock) return {0, XCB_MOD_MASK_LOCK};
  return {0, XCB_MOD_MASK_LOCK, x_->numLock, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | x_->numLock)};
}

void X11Hotkeys::Ungrab(const Grab& grab) {
  for (std::uint16_t lock : LockVariants())
    xcb_ungrab_key(x_->connection, grab.keycode, x_->root, static_cast<std::uint16_t>(grab.modifiers | lock));
}

bool X11Hotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const auto it = grabs_.find({window, id});
  if (it == grabs_.end() || !x_) return false;
  Ungrab(it->second);
  xcb_flush(x_->connection);
  grabs_.erase(it);
  return true;
}

bool X11Hotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || !x_) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  const auto relevant = static_cast<std::uint16_t>(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                                   XCB_MOD_MASK_4);
  const auto state = static_cast<std::uint16_t>(press->state & relevant);
  for (const auto& [key, grab] : grabs_) {
    if (grab.keycode != press->detail || grab.modifiers != state) continue;
    Post(Msg{grab.window, kWmHotkey, static_cast<std::uintptr_t>(key.second),
                         static_cast<std::intptr_t>(grab.winModifiers | (grab.vk << 16)), press->time, press->root_x,
                         press->root_y});
    return true;
  }
  return false;
}

}  // namespace hush::platform::linux_backend
