// Presses Ctrl+Shift+<letter> through SendInput, as a keyboard would: Hushdial's shortcuts are
// registered with the system, so the press reaches it from any program.
#include <windows.h>

#include <cctype>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2 || !std::isalpha(static_cast<unsigned char>(argv[1][0]))) {
    std::fprintf(stderr, "usage: send_shortcut LETTER\n");
    return 2;
  }
  const WORD letter = static_cast<WORD>(std::toupper(static_cast<unsigned char>(argv[1][0])));
  INPUT keys[6]{};
  const WORD order[6] = {VK_CONTROL, VK_SHIFT, letter, letter, VK_SHIFT, VK_CONTROL};
  for (int i = 0; i < 6; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = order[i];
    keys[i].ki.dwFlags = i >= 3 ? KEYEVENTF_KEYUP : 0;
  }
  // One key at a time, as fingers press them: the program with the focus sees each one before the next.
  for (INPUT& key : keys) {
    if (::SendInput(1, &key, sizeof(INPUT)) != 1) return 1;
    ::Sleep(40);
  }
  return 0;
}
