/* Presses keys on a wlroots compositor (sway) through a virtual keyboard that has a real XKB keymap,
 * so that the compositor sees the keys a user's keyboard sends under a layout of theirs:
 *   layout-keys LAYOUTS GROUP ctrl+shift+q [...]   e.g. layout-keys us,ru 1 ctrl+shift+q
 * LAYOUTS is the keymap's layout list, GROUP the one active (0 the first). Modifiers ctrl, shift,
 * alt, super; the key a letter or digit, named by where it sits on a US keyboard. Needs
 * WAYLAND_DISPLAY. The protocol (zwp_virtual_keyboard_v1) is described here by hand: it is four
 * requests and no events. */
#define _GNU_SOURCE
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "key_codes.h"
#include <xkbcommon/xkbcommon.h>

extern const struct wl_interface zwp_virtual_keyboard_v1_interface;
static const struct wl_interface* kCreateTypes[] = {&wl_seat_interface, &zwp_virtual_keyboard_v1_interface};
static const struct wl_interface* kNoTypes[] = {NULL, NULL, NULL, NULL};
static const struct wl_message kManagerRequests[] = {{"create_virtual_keyboard", "on", kCreateTypes}};
static const struct wl_interface kManagerInterface = {"zwp_virtual_keyboard_manager_v1", 1, 1, kManagerRequests, 0, NULL};
static const struct wl_message kKeyboardRequests[] = {
    {"keymap", "uhu", kNoTypes}, {"key", "uuu", kNoTypes}, {"modifiers", "uuuu", kNoTypes}, {"destroy", "", kNoTypes}};
const struct wl_interface zwp_virtual_keyboard_v1_interface = {"zwp_virtual_keyboard_v1", 1, 4, kKeyboardRequests, 0, NULL};
enum { kKeymap, kKey, kModifiers, kDestroy };

static struct wl_proxy* manager;
static struct wl_seat* seat;

static void Global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  (void)data;
  (void)version;
  if (strcmp(interface, kManagerInterface.name) == 0) manager = wl_registry_bind(registry, name, &kManagerInterface, 1);
  if (strcmp(interface, "wl_seat") == 0 && !seat) seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}
static void GlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}
static const struct wl_registry_listener kRegistry = {Global, GlobalRemove};


static uint32_t Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: layout-keys LAYOUTS GROUP CHORD...\n");
    return 2;
  }
  const uint32_t group = (uint32_t)atoi(argv[2]);
  struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const struct xkb_rule_names names = {"evdev", "pc105", argv[1], "", ""};
  struct xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
  if (!keymap) {
    fprintf(stderr, "layout-keys: no keymap for %s\n", argv[1]);
    return 1;
  }
  struct wl_display* display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "layout-keys: no Wayland display\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, NULL);
  wl_display_roundtrip(display);
  if (!manager || !seat) {
    fprintf(stderr, "layout-keys: the compositor offers no virtual keyboard\n");
    return 1;
  }
  struct wl_proxy* keyboard =
      wl_proxy_marshal_constructor(manager, 0, &zwp_virtual_keyboard_v1_interface, seat, NULL);

  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  const size_t size = strlen(text) + 1;
  const int fd = memfd_create("layout-keys", MFD_CLOEXEC);
  if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
    fprintf(stderr, "layout-keys: cannot hand the keymap over\n");
    return 1;
  }
  wl_proxy_marshal(keyboard, kKeymap, (uint32_t)XKB_KEYMAP_FORMAT_TEXT_V1, fd, (uint32_t)size);
  wl_proxy_marshal(keyboard, kModifiers, 0u, 0u, 0u, group);
  wl_display_roundtrip(display);

  int status = 0;
  for (int i = 3; i < argc; ++i) {
    uint32_t mods = 0;
    int key = -1;
    char copy[64];
    snprintf(copy, sizeof copy, "%s", argv[i]);
    for (char* part = strtok(copy, "+"); part; part = strtok(NULL, "+")) {
      const char* mod = strcmp(part, "ctrl") == 0    ? XKB_MOD_NAME_CTRL
                        : strcmp(part, "shift") == 0 ? XKB_MOD_NAME_SHIFT
                        : strcmp(part, "alt") == 0   ? XKB_MOD_NAME_ALT
                        : strcmp(part, "super") == 0 ? XKB_MOD_NAME_LOGO
                                                     : NULL;
      if (mod) mods |= 1u << xkb_keymap_mod_get_index(keymap, mod);
      else key = LetterCode(part);
    }
    if (key < 0) {
      fprintf(stderr, "layout-keys: no key in %s\n", argv[i]);
      status = 2;
      continue;
    }
    // The modifiers as the keyboard reports them, held around the key; the layout stays locked.
    wl_proxy_marshal(keyboard, kModifiers, mods, 0u, 0u, group);
    wl_proxy_marshal(keyboard, kKey, Now(), (uint32_t)key, (uint32_t)WL_KEYBOARD_KEY_STATE_PRESSED);
    wl_display_roundtrip(display);
    wl_proxy_marshal(keyboard, kKey, Now(), (uint32_t)key, (uint32_t)WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_proxy_marshal(keyboard, kModifiers, 0u, 0u, 0u, group);
    wl_display_roundtrip(display);
  }
  wl_proxy_marshal(keyboard, kDestroy);
  wl_proxy_destroy(keyboard);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  free(text);
  close(fd);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return status;
}
