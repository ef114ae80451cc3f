#include "platform/linux/x11_hotkeys.h"

#include <QTimer>

#include <QCoreApplication>
#include <QGuiApplication>
#include <xcb/xcb.h>
// xcb's XKB header names a field 'explicit', a C++ keyword.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace hush::platform::linux_backend {

struct X11Hotkeys::X {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  xkb_context* context = nullptr;
  xkb_keymap* keymap = nullptr;
  std::int32_t device = -1;
  std::uint8_t xkbEvent = 0;  // the XKB extension's first event number
  std::uint8_t group = 0;     // the keyboard's active (effective) group
  std::uint16_t numLock = 0;  // the modifier that NumLock sets
  // Without XKB: the core keymap, keysymsPerKey symbols for each key from minKeycode on.
  std::vector<xcb_keysym_t> coreSyms;
  std::uint8_t minKeycode = 0;
  std::uint8_t keysymsPerKey = 0;
  ~X() {
    if (keymap) xkb_keymap_unref(keymap);
    if (context) xkb_context_unref(context);
  }
};

namespace {

// Every lock variant of a combination: plain, CapsLock, NumLock, both.
std::vector<std::uint16_t> LockVariantsOf(std::uint16_t numLock) {
  if (!numLock) return {0, XCB_MOD_MASK_LOCK};
  return {0, XCB_MOD_MASK_LOCK, numLock, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};
}

void UngrabKey(xcb_connection_t* connection, xcb_window_t root, std::uint8_t keycode, std::uint16_t modifiers,
               std::uint16_t numLock) {
  if (!keycode) return;
  for (std::uint16_t lock : LockVariantsOf(numLock))
    xcb_ungrab_key(connection, keycode, root, static_cast<std::uint16_t>(modifiers | lock));
}

// The modifier bit that any of the keys is mapped to, 0 if none.
std::uint16_t ModifierOfKeys(xcb_connection_t* connection, const std::vector<xkb_keycode_t>& keys) {
  if (keys.empty()) return 0;
  std::uint16_t mask = 0;
  if (xcb_get_modifier_mapping_reply_t* map =
          xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr)) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
    for (int mod = 0; mod < 8; ++mod)
      for (int k = 0; k < map->keycodes_per_modifier; ++k)
        for (xkb_keycode_t key : keys)
          if (codes[mod * map->keycodes_per_modifier + k] == key) mask = static_cast<std::uint16_t>(1u << mod);
    free(map);
  }
  return mask;
}

// The modifier bit that the key(s) typing Num_Lock are mapped to, 0 if none.
std::uint16_t NumLockModifier(xcb_connection_t* connection, xkb_keymap* keymap) {
  std::vector<xkb_keycode_t> numLockKeys;
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap) && key <= 255; ++key) {
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
      const xkb_keysym_t* syms = nullptr;
      const int n = xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &syms);
      for (int i = 0; i < n; ++i)
        if (syms[i] == XKB_KEY_Num_Lock) numLockKeys.push_back(key);
    }
  }
  return ModifierOfKeys(connection, numLockKeys);
}

// The core keymap's symbol in a column of a key; NoSymbol past the key's list.
xcb_keysym_t CoreSym(const std::vector<xcb_keysym_t>& syms, std::uint8_t perKey, std::size_t key, int column) {
  if (column >= perKey) return XKB_KEY_NoSymbol;
  const std::size_t at = key * perKey + static_cast<std::size_t>(column);
  return at < syms.size() ? syms[at] : XKB_KEY_NoSymbol;
}

// The lowest key whose first level types sym in the given group, 0 if none.
std::uint8_t KeyInGroup(xkb_keymap* keymap, xkb_layout_index_t group, xkb_keysym_t sym) {
  const xkb_keysym_t upper = xkb_keysym_to_upper(sym);
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap) && key <= 255; ++key) {
    if (group >= xkb_keymap_num_layouts_for_key(keymap, key)) continue;
    const xkb_keysym_t* syms = nullptr;
    const int n = xkb_keymap_key_get_syms_by_level(keymap, key, group, 0, &syms);
    for (int i = 0; i < n; ++i)
      if (syms[i] == sym || syms[i] == upper) return static_cast<std::uint8_t>(key);
  }
  return 0;
}

}  // namespace

X11Hotkeys::X11Hotkeys(Keymap keymap) : wanted_(keymap) {}

bool X11Hotkeys::UsesXkb() const { return x_ && x_->context; }

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
  std::uint8_t xkbError = 0;
  if (wanted_ == Keymap::Xkb &&
      xkb_x11_setup_xkb_extension(x->connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                  XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &x->xkbEvent, &xkbError)) {
    x->device = xkb_x11_get_core_keyboard_device_id(x->connection);
    if (x->device >= 0)
      x->context = xkb_context_new(static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES |
                                                                  XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  }
  if (x->context) {
    // A new layout, a changed keymap and a change of group all move the keys the letters are on.
    const auto events = static_cast<std::uint16_t>(XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                                   XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY);
    const auto mapParts = static_cast<std::uint16_t>(XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                                     XCB_XKB_MAP_PART_MODIFIER_MAP);
    xcb_xkb_select_events(x->connection, static_cast<xcb_xkb_device_spec_t>(x->device), events, 0, events, mapParts,
                          mapParts, nullptr);
  } else {
    // No XKB: the core keymap, which a change of it announces with MappingNotify.
    x->xkbEvent = 0;
  }
  x_ = std::move(x);
  LoadKeymap();
  QCoreApplication::instance()->installNativeEventFilter(this);
  filterInstalled_ = true;
  return true;
}

void X11Hotkeys::LoadKeymap() {
  ++keymapLoads_;
  if (!x_->context) {
    LoadCoreKeymap();
    return;
  }
  if (xkb_keymap* keymap = xkb_x11_keymap_new_from_device(x_->context, x_->connection, x_->device,
                                                          XKB_KEYMAP_COMPILE_NO_FLAGS)) {
    if (x_->keymap) xkb_keymap_unref(x_->keymap);
    x_->keymap = keymap;
  }
  if (xcb_xkb_get_state_reply_t* state = xcb_xkb_get_state_reply(
          x_->connection, xcb_xkb_get_state(x_->connection, static_cast<xcb_xkb_device_spec_t>(x_->device)), nullptr)) {
    x_->group = state->group;
    free(state);
  }
  x_->numLock = x_->keymap ? NumLockModifier(x_->connection, x_->keymap) : 0;
}

// The core keymap and the modifier NumLock sets in it.
void X11Hotkeys::LoadCoreKeymap() {
  const xcb_setup_t* setup = xcb_get_setup(x_->connection);
  x_->minKeycode = setup->min_keycode;
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  if (xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
          x_->connection, xcb_get_keyboard_mapping(x_->connection, setup->min_keycode, count), nullptr)) {
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    x_->coreSyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map));
    x_->keysymsPerKey = map->keysyms_per_keycode;
    free(map);
  }
  std::vector<xkb_keycode_t> numLockKeys;
  const std::size_t keys = x_->keysymsPerKey ? x_->coreSyms.size() / x_->keysymsPerKey : 0;
  for (std::size_t key = 0; key < keys; ++key)
    for (int column = 0; column < x_->keysymsPerKey; ++column)
      if (CoreSym(x_->coreSyms, x_->keysymsPerKey, key, column) == XKB_KEY_Num_Lock)
        numLockKeys.push_back(static_cast<xkb_keycode_t>(x_->minKeycode + key));
  x_->numLock = ModifierOfKeys(x_->connection, numLockKeys);
}

// The core keymap's lowest key whose group (0 or 1: column 0 or 2, unshifted) types sym, 0 if none.
// A letter listed in upper case alone stands for both cases, as the core protocol has it.
std::uint8_t X11Hotkeys::CoreKeyFor(xkb_keysym_t sym, int group) const {
  const xkb_keysym_t upper = xkb_keysym_to_upper(sym);
  const std::size_t keys = x_->keysymsPerKey ? x_->coreSyms.size() / x_->keysymsPerKey : 0;
  for (std::size_t key = 0; key < keys && x_->minKeycode + key <= 255; ++key) {
    const xkb_keysym_t found = CoreSym(x_->coreSyms, x_->keysymsPerKey, key, 2 * group);
    if (found != XKB_KEY_NoSymbol && (found == sym || found == upper))
      return static_cast<std::uint8_t>(x_->minKeycode + key);
  }
  return 0;
}

// The key that types the letter in the active group, else in the first group that has it.
std::uint8_t X11Hotkeys::KeyFor(std::uint32_t vk) const {
  const xkb_keysym_t sym = (vk >= 'A' && vk <= 'Z') ? vk - 'A' + 'a' : vk;
  if (!x_->context) {
    for (int group = 0; group < 2; ++group)
      if (std::uint8_t key = CoreKeyFor(sym, group)) return key;
    return 0;
  }
  if (!x_->keymap) return 0;
  const xkb_layout_index_t groups = xkb_keymap_num_layouts(x_->keymap);
  if (x_->group < groups)
    if (std::uint8_t key = KeyInGroup(x_->keymap, x_->group, sym)) return key;
  for (xkb_layout_index_t group = 0; group < groups; ++group)
    if (std::uint8_t key = KeyInGroup(x_->keymap, group, sym)) return key;
  return 0;
}

// Grabs every lock variant; on any refusal (BadAccess: another client holds it) none is kept.
bool X11Hotkeys::TryGrab(std::uint8_t keycode, std::uint16_t modifiers) {
  std::vector<xcb_void_cookie_t> cookies;
  for (std::uint16_t lock : LockVariantsOf(x_->numLock))
    cookies.push_back(xcb_grab_key_checked(x_->connection, 1, x_->root, static_cast<std::uint16_t>(modifiers | lock),
                                           keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  bool refused = false;
  for (const xcb_void_cookie_t& cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(x_->connection, cookie)) {
      refused = true;
      free(error);
    }
  }
  if (refused) {
    UngrabKey(x_->connection, x_->root, keycode, modifiers, x_->numLock);
    xcb_flush(x_->connection);
  }
  return !refused;
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
  const std::uint8_t keycode = KeyFor(vk);
  if (!keycode) {
    // No group of the layout in force has the letter (a session that starts with only a non-Latin
    // layout): kept without a key, and grabbed when a layout that has it arrives.
    grabs_[{window, id}] = Grab{window, 0, mask, vk, modifiers};
    return true;
  }
  if (HeldByUs(keycode, mask)) return false;
  // Another client holding the combination leaves the shortcut simply not ours.
  if (!TryGrab(keycode, mask)) return false;
  grabs_[{window, id}] = Grab{window, keycode, mask, vk, modifiers};
  return true;
}

// Another of this program's registrations is on the key with these modifiers.
bool X11Hotkeys::HeldByUs(std::uint8_t keycode, std::uint16_t modifiers) const {
  for (const auto& [key, grab] : grabs_)
    if (grab.keycode == keycode && grab.modifiers == modifiers) return true;
  return false;
}

void X11Hotkeys::Ungrab(const Grab& grab) {
  UngrabKey(x_->connection, x_->root, grab.keycode, grab.modifiers, x_->numLock);
}

bool X11Hotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const auto it = grabs_.find({window, id});
  if (it == grabs_.end() || !x_) return false;
  Ungrab(it->second);
  // Released at once for other programs: the server has done the ungrab before this returns, as a
  // flush alone does not promise (another client's grab could be served first).
  std::free(xcb_get_input_focus_reply(x_->connection, xcb_get_input_focus(x_->connection), nullptr));
  grabs_.erase(it);
  return true;
}

// Moves every registration to the key that now types its letter. The keys given up are released
// before any is taken, so that two letters trading keys (Q and A between QWERTY and AZERTY) never
// meet, and other programs get them back at once.
void X11Hotkeys::FollowKeyboard(bool reloadKeymap) {
  const std::uint16_t oldNumLock = x_->numLock;
  if (reloadKeymap) LoadKeymap();
  const bool locksMoved = x_->numLock != oldNumLock;
  std::vector<std::pair<Grab*, std::uint8_t>> moves;
  for (auto& [key, grab] : grabs_) {
    const std::uint8_t target = KeyFor(grab.vk);
    if (target == grab.keycode && !locksMoved) continue;
    UngrabKey(x_->connection, x_->root, grab.keycode, grab.modifiers, oldNumLock);
    grab.keycode = 0;
    moves.emplace_back(&grab, target);
  }
  for (auto& [grab, target] : moves) {
    if (!target) continue;  // no group types the letter any more
    // A key another client holds stays theirs: the shortcut is silently not ours, as at arming.
    if (!HeldByUs(target, grab->modifiers) && TryGrab(target, grab->modifiers)) grab->keycode = target;
  }
  xcb_flush(x_->connection);
}

// One change of layout sends several notifications (a new keyboard, its map, the core mapping):
// they are answered once, when none has come for a moment, outside the event filter, so the keymap
// is read as the burst left it.
void X11Hotkeys::FollowKeyboardSoon(bool reloadKeymap) {
  reloadPending_ = reloadPending_ || reloadKeymap;
  if (!follow_) {
    follow_ = std::make_unique<QTimer>();
    follow_->setSingleShot(true);
    follow_->setInterval(kBurstMs);
    QObject::connect(follow_.get(), &QTimer::timeout, follow_.get(), [this] {
      const bool reload = reloadPending_;
      reloadPending_ = false;
      if (x_) FollowKeyboard(reload);
    });
  }
  follow_->start();  // again from now while the burst goes on
}

bool X11Hotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || !x_) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const std::uint8_t type = event->response_type & 0x7f;
  if (x_->xkbEvent && type == x_->xkbEvent) {
    // The first bytes of every XKB event: type, XKB type, sequence. Qt handles them too.
    const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
    if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY) {
      FollowKeyboardSoon(true);
    } else if (xkbType == XCB_XKB_STATE_NOTIFY) {
      const auto* state = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
      if (state->group != x_->group) {
        x_->group = state->group;
        FollowKeyboardSoon(false);
      }
    }
    return false;
  }
  if (type == XCB_MAPPING_NOTIFY) {
    const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
    if (mapping->request != XCB_MAPPING_POINTER) FollowKeyboardSoon(true);
    return false;
  }
  if (type != XCB_KEY_PRESS) return false;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  const auto relevant = static_cast<std::uint16_t>(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                                   XCB_MOD_MASK_4);
  const auto state = static_cast<std::uint16_t>(press->state & relevant);
  for (const auto& [key, grab] : grabs_) {
    if (grab.keycode != press->detail || grab.modifiers != state) continue;  // 0 is no key code
    Post(Msg{grab.window, kWmHotkey, static_cast<std::uintptr_t>(key.second),
             static_cast<std::intptr_t>(grab.winModifiers | (grab.vk << 16)), press->time, press->root_x,
             press->root_y});
    return true;
  }
  return false;
}

}  // namespace hush::platform::linux_backend
