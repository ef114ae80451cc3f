// Test entry point. Under Wine an unhandled crash may otherwise exit with status 0 or hang in a dialog.
#include <gtest/gtest.h>

#include "tests/support/skips.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

static LONG WINAPI FailOnCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "unhandled exception 0x%08lx\n", info->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  SetUnhandledExceptionFilter(FailOnCrash);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return hush::test::RunAllTests();
}
