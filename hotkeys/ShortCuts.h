#pragma once
#include <cstdint>
#include <functional>

#include "platform/platform.h"

namespace hush::ShortCuts {

// Set by the key-choice handlers; the pump returns at the top of its next pass.
extern bool StopProcessing;
extern std::int32_t IncreaseHotkeyId;
extern std::int32_t DecreaseHotkeyId;

inline constexpr const char* kIncreaseAtom = "A00F1";
inline constexpr const char* kDecreaseAtom = "A00F2";
inline constexpr std::uint32_t kModifiers = platform::kModControl | platform::kModShift;
inline constexpr const char* kKeyPrefix = "Ctrl+Shift+";

// The key code of a key-list text: the character after "Ctrl+Shift+"; a failure when there is none.
std::uint32_t KeyCode(const std::string& keyText);

// The hotkey pump: one hotkey message and one volume step per pass, until StopProcessing.
// mainWindow is read afresh on every pass.
void ProcessMessages(platform::Platform& platform, const std::function<platform::WindowHandle()>& mainWindow);

}  // namespace hush::ShortCuts
