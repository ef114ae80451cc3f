/* The evdev code of the key that carries a letter or digit on a US keyboard ("q", "7"); -1 for
 * anything else. Shared by the tests' key clients (kwin_keys.c, layout_keys.c). */
#pragma once
#include <linux/input-event-codes.h>
#include <string.h>

static int LetterCode(const char* name) {
  static const char* const kLetters = "qwertyuiopasdfghjklzxcvbnm";
  static const int kLetterCodes[] = {KEY_Q, KEY_W, KEY_E, KEY_R, KEY_T, KEY_Y, KEY_U, KEY_I, KEY_O,
                                     KEY_P, KEY_A, KEY_S, KEY_D, KEY_F, KEY_G, KEY_H, KEY_J, KEY_K,
                                     KEY_L, KEY_Z, KEY_X, KEY_C, KEY_V, KEY_B, KEY_N, KEY_M};
  if (strlen(name) != 1) return -1;
  if (name[0] >= '1' && name[0] <= '9') return KEY_1 + (name[0] - '1');
  if (name[0] == '0') return KEY_0;
  const char* at = strchr(kLetters, name[0]);
  return at && name[0] ? kLetterCodes[at - kLetters] : -1;
}
