// The runtime's import slots for what Windows XP lacks: the system's functions where Windows has them
// (Wine has), and fallbacks that keep a waiter going and name a thread on XP.
#include <gtest/gtest.h>

#if defined(__MINGW32__)
#include <windows.h>

#include "platform/win32/win32_xp_runtime.h"
#include "tests/win32/win32_thread.h"

namespace hush {
namespace {

using namespace platform::win32::xp;

void* Kernel32(const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name));
}

TEST(XpRuntime, SlotsTakeTheSystemsFunctionsOnFirstUseWhereWindowsHasThem) {
  EXPECT_EQ(UseSlots(), ::GetCurrentThreadId());
  const Slots slots = CurrentSlots();
  ASSERT_NE(Kernel32("InitializeConditionVariable"), nullptr);
  EXPECT_EQ(slots.initializeConditionVariable, Kernel32("InitializeConditionVariable"));
  EXPECT_EQ(slots.sleepConditionVariableCS, Kernel32("SleepConditionVariableCS"));
  EXPECT_EQ(slots.wakeConditionVariable, Kernel32("WakeConditionVariable"));
  EXPECT_EQ(slots.wakeAllConditionVariable, Kernel32("WakeAllConditionVariable"));
  EXPECT_EQ(slots.getThreadId, Kernel32("GetThreadId"));
}

struct Guarded {
  Guarded() {
    ::InitializeCriticalSection(&lock);
    FallbackInitializeConditionVariable(&variable);
  }
  ~Guarded() { ::DeleteCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  ConditionVariable variable = reinterpret_cast<ConditionVariable>(1);
  bool ready = false;
};

TEST(XpRuntime, AFallbackWaiterSeesTheConditionAnotherThreadSets) {
  Guarded g;
  EXPECT_EQ(g.variable, nullptr);
  HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  int wakeups = 0;
  bool waiting = false;
  bool allTrue = true;
  test::Win32Thread waiter([&] {
    ::EnterCriticalSection(&g.lock);
    waiting = true;
    while (!g.ready) {
      allTrue = FallbackSleepConditionVariableCS(&g.variable, &g.lock, INFINITE) && allTrue;
      ++wakeups;
    }
    ::LeaveCriticalSection(&g.lock);
    ::SetEvent(done);
  });
  // The lock with "waiting" set: the waiter holds it only outside its waits, so it is in one now.
  for (;;) {
    ::EnterCriticalSection(&g.lock);
    if (waiting) break;
    ::LeaveCriticalSection(&g.lock);
    ::Sleep(1);
  }
  g.ready = true;
  FallbackWakeConditionVariable(&g.variable);
  ::LeaveCriticalSection(&g.lock);
  EXPECT_EQ(::WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
  waiter.join();
  EXPECT_GE(wakeups, 1);
  EXPECT_TRUE(allTrue) << "a wait without a time limit returned FALSE";
  ::CloseHandle(done);
}

TEST(XpRuntime, AFallbackWaitOfNoTimeTimesOutAndKeepsTheLock) {
  Guarded g;
  ::EnterCriticalSection(&g.lock);
  ::SetLastError(0);
  EXPECT_FALSE(FallbackSleepConditionVariableCS(&g.variable, &g.lock, 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  bool taken = true;
  test::Win32Thread other([&] { taken = ::TryEnterCriticalSection(&g.lock) != 0; });
  other.join();
  EXPECT_FALSE(taken) << "the lock must be held again when the wait returns";
  ::LeaveCriticalSection(&g.lock);
}

DWORD WINAPI WaitFor(void* event) { return ::WaitForSingleObject(static_cast<HANDLE>(event), 10000); }

TEST(XpRuntime, TheFallbackNamesAThreadFromItsHandle) {
  EXPECT_EQ(FallbackGetThreadId(::GetCurrentThread()), ::GetCurrentThreadId());
  HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, &WaitFor, release, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(FallbackGetThreadId(thread), id);
  ::SetEvent(release);
  ::WaitForSingleObject(thread, 10000);
  ::CloseHandle(thread);
  ::CloseHandle(release);
  EXPECT_EQ(FallbackGetThreadId(nullptr), 0u);
}

}  // namespace
}  // namespace hush
#endif
