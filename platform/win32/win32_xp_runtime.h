// Windows XP has no condition variables and no GetThreadId. The C++ runtime of MinGW-w64 from GCC 13
// on calls them for thread-safe statics, so an exe that imported them would not start on XP (the
// loader stops at the missing entry point). win32_xp_runtime.cpp gives the runtime import slots of
// the program's own instead: filled on first use with the system's function where Windows has it,
// else with the fallback below.
#pragma once

#include <windows.h>

namespace hush::platform::win32::xp {

// A condition variable as a single pointer, as Windows lays one out.
using ConditionVariable = PVOID;

// Waiters poll: a wait gives the lock up, yields for at most a millisecond and takes the lock again,
// which its caller sees as a spurious wake-up and answers by checking its condition again, as every
// caller of a condition variable must. Waking is then nothing to do. A wait of 0 ms times out.
void WINAPI FallbackInitializeConditionVariable(ConditionVariable* variable);
BOOL WINAPI FallbackSleepConditionVariableCS(ConditionVariable* variable, CRITICAL_SECTION* lock, DWORD milliseconds);
void WINAPI FallbackWakeConditionVariable(ConditionVariable* variable);
// The id of a thread from a handle to it, through the native API that XP has.
DWORD WINAPI FallbackGetThreadId(HANDLE thread);

// The functions the program's slots hold now: a slot is filled on its first call.
struct Slots {
  void* initializeConditionVariable;
  void* sleepConditionVariableCS;
  void* wakeConditionVariable;
  void* wakeAllConditionVariable;
  void* getThreadId;
};
Slots CurrentSlots();
// Calls each slot once, as the runtime would (a 0 ms wait on a fresh variable, both wakes, the
// current thread's id), and returns that id.
DWORD UseSlots();

}  // namespace hush::platform::win32::xp
