#include "platform/win32/win32_xp_runtime.h"

namespace hush::platform::win32::xp {
namespace {

using InitializeFn = void(WINAPI*)(ConditionVariable*);
using SleepFn = BOOL(WINAPI*)(ConditionVariable*, CRITICAL_SECTION*, DWORD);
using WakeFn = void(WINAPI*)(ConditionVariable*);
using ThreadIdFn = DWORD(WINAPI*)(HANDLE);

template <typename Fn>
Fn SystemOr(const char* name, Fn fallback) {
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  FARPROC found = kernel32 ? ::GetProcAddress(kernel32, name) : nullptr;
  return found ? reinterpret_cast<Fn>(reinterpret_cast<void*>(found)) : fallback;
}

void WINAPI FirstInitialize(ConditionVariable* variable);
BOOL WINAPI FirstSleep(ConditionVariable* variable, CRITICAL_SECTION* lock, DWORD milliseconds);
void WINAPI FirstWake(ConditionVariable* variable);
void WINAPI FirstWakeAll(ConditionVariable* variable);
DWORD WINAPI FirstGetThreadId(HANDLE thread);

}  // namespace
}  // namespace hush::platform::win32::xp

// The import slots under the names the runtime's objects look for (__imp_ + the function, decorated
// as the 32-bit stdcall convention decorates it there). The linker takes these before the system's
// import library, so the exe imports none of these functions.
#if defined(__i386__)
#define HUSH_IMPORT_SLOT(name, argument_bytes) __asm__("__imp__" #name "@" #argument_bytes)
#else
#define HUSH_IMPORT_SLOT(name, argument_bytes) __asm__("__imp_" #name)
#endif
namespace xp = hush::platform::win32::xp;
extern "C" {
xp::InitializeFn hush_slot_initialize HUSH_IMPORT_SLOT(InitializeConditionVariable, 4) = &xp::FirstInitialize;
xp::SleepFn hush_slot_sleep HUSH_IMPORT_SLOT(SleepConditionVariableCS, 12) = &xp::FirstSleep;
xp::WakeFn hush_slot_wake HUSH_IMPORT_SLOT(WakeConditionVariable, 4) = &xp::FirstWake;
xp::WakeFn hush_slot_wake_all HUSH_IMPORT_SLOT(WakeAllConditionVariable, 4) = &xp::FirstWakeAll;
xp::ThreadIdFn hush_slot_thread_id HUSH_IMPORT_SLOT(GetThreadId, 4) = &xp::FirstGetThreadId;
}

namespace hush::platform::win32::xp {
namespace {

// Two threads may fill a slot at once; both store the same pointer, a single aligned word.
void WINAPI FirstInitialize(ConditionVariable* variable) {
  hush_slot_initialize = SystemOr("InitializeConditionVariable", &FallbackInitializeConditionVariable);
  hush_slot_initialize(variable);
}
BOOL WINAPI FirstSleep(ConditionVariable* variable, CRITICAL_SECTION* lock, DWORD milliseconds) {
  hush_slot_sleep = SystemOr("SleepConditionVariableCS", &FallbackSleepConditionVariableCS);
  return hush_slot_sleep(variable, lock, milliseconds);
}
void WINAPI FirstWake(ConditionVariable* variable) {
  hush_slot_wake = SystemOr("WakeConditionVariable", &FallbackWakeConditionVariable);
  hush_slot_wake(variable);
}
void WINAPI FirstWakeAll(ConditionVariable* variable) {
  hush_slot_wake_all = SystemOr("WakeAllConditionVariable", &FallbackWakeConditionVariable);
  hush_slot_wake_all(variable);
}
DWORD WINAPI FirstGetThreadId(HANDLE thread) {
  hush_slot_thread_id = SystemOr("GetThreadId", &FallbackGetThreadId);
  return hush_slot_thread_id(thread);
}

}  // namespace

void WINAPI FallbackInitializeConditionVariable(ConditionVariable* variable) { *variable = nullptr; }

BOOL WINAPI FallbackSleepConditionVariableCS(ConditionVariable*, CRITICAL_SECTION* lock, DWORD milliseconds) {
  ::LeaveCriticalSection(lock);
  ::Sleep(milliseconds == 0 ? 0 : 1);
  ::EnterCriticalSection(lock);
  if (milliseconds == 0) {
    ::SetLastError(ERROR_TIMEOUT);
    return FALSE;
  }
  return TRUE;
}

void WINAPI FallbackWakeConditionVariable(ConditionVariable*) {}

DWORD WINAPI FallbackGetThreadId(HANDLE thread) {
  if (thread == ::GetCurrentThread()) return ::GetCurrentThreadId();
  struct BasicInformation {
    LONG exitStatus;
    PVOID teb;
    HANDLE process;
    HANDLE thread;
    ULONG_PTR affinity;
    LONG priority;
    LONG basePriority;
  } info{};
  using QueryFn = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  FARPROC found = ntdll ? ::GetProcAddress(ntdll, "NtQueryInformationThread") : nullptr;
  if (!found) return 0;
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(found));
  constexpr int kThreadBasicInformation = 0;
  if (query(thread, kThreadBasicInformation, &info, sizeof info, nullptr) < 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(info.thread));
}

Slots CurrentSlots() {
  return {reinterpret_cast<void*>(hush_slot_initialize), reinterpret_cast<void*>(hush_slot_sleep),
          reinterpret_cast<void*>(hush_slot_wake), reinterpret_cast<void*>(hush_slot_wake_all),
          reinterpret_cast<void*>(hush_slot_thread_id)};
}

DWORD UseSlots() {
  ConditionVariable variable;
  hush_slot_initialize(&variable);
  CRITICAL_SECTION lock;
  ::InitializeCriticalSection(&lock);
  ::EnterCriticalSection(&lock);
  hush_slot_sleep(&variable, &lock, 0);
  ::LeaveCriticalSection(&lock);
  ::DeleteCriticalSection(&lock);
  hush_slot_wake(&variable);
  hush_slot_wake_all(&variable);
  return hush_slot_thread_id(::GetCurrentThread());
}

}  // namespace hush::platform::win32::xp
