/* Presses keys on KWin through its fake-input protocol, as a keyboard would:
 *   kwin-keys ctrl+shift+q [ctrl+shift+a ...]   each pressed and released
 *   kwin-keys --hold MS ctrl+shift+q           held MS milliseconds (KWin repeats it)
 * Modifiers ctrl, shift, alt, super; the key a letter, a digit or return. Needs WAYLAND_DISPLAY and KWin's
 * permission for fake input (KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 in the test's KWin). */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "key_codes.h"

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input* input;

static void Global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  (void)data;
  if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
    input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}
static void GlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}
static const struct wl_registry_listener kRegistry = {Global, GlobalRemove};

static int Code(const char* name) {
  if (strcmp(name, "ctrl") == 0) return KEY_LEFTCTRL;
  if (strcmp(name, "shift") == 0) return KEY_LEFTSHIFT;
  if (strcmp(name, "alt") == 0) return KEY_LEFTALT;
  if (strcmp(name, "super") == 0) return KEY_LEFTMETA;
  if (strcmp(name, "return") == 0) return KEY_ENTER;
  return LetterCode(name);
}

static void Sleep(long ms) {
  struct timespec wait = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&wait, NULL);
}

/* Presses the chord's keys in order, holds, releases them in reverse. */
static int Chord(struct wl_display* display, const char* chord, long holdMs) {
  int codes[8], count = 0;
  char copy[64];
  snprintf(copy, sizeof copy, "%s", chord);
  for (char* part = strtok(copy, "+"); part && count < 8; part = strtok(NULL, "+")) {
    const int code = Code(part);
    if (code < 0) {
      fprintf(stderr, "kwin-keys: unknown key %s\n", part);
      return 1;
    }
    codes[count++] = code;
  }
  for (int i = 0; i < count; ++i) {
    org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)codes[i], WL_KEYBOARD_KEY_STATE_PRESSED);
    wl_display_roundtrip(display);
    Sleep(20);
  }
  Sleep(holdMs);
  for (int i = count - 1; i >= 0; --i) {
    org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)codes[i], WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_display_roundtrip(display);
    Sleep(20);
  }
  return 0;
}

int main(int argc, char** argv) {
  long hold = 30;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "--hold") == 0) {
    hold = atol(argv[2]);
    first = 3;
  }
  struct wl_display* display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "kwin-keys: no Wayland display\n");
    return 1;
  }
  struct wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, NULL);
  wl_display_roundtrip(display);
  if (!input) {
    fprintf(stderr, "kwin-keys: the compositor offers no fake input (version 4)\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(input, "hushdial tests", "presses shortcuts");
  int status = 0;
  for (int i = first; i < argc; ++i) status |= Chord(display, argv[i], hold);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return status;
}
