// Entry point of every test program. Output is unbuffered so that nothing is lost if the
// program dies, an unhandled exception is reported with its code and address, and a mark
// file tells the Wine wrapper that the program really started (Wine now and then fails to
// start a program at all, which the wrapper retries; a program that started is never
// retried).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS *info)
{
  const EXCEPTION_RECORD *record = info != nullptr ? info->ExceptionRecord : nullptr;
  if (record != nullptr)
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(record->ExceptionCode), record->ExceptionAddress);
  else
    std::fprintf(stderr, "unhandled exception\n");
  std::fflush(stderr);
  return EXCEPTION_CONTINUE_SEARCH;
}

void MarkStarted()
{
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"FERROLT_STARTED_MARK", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
}

}  // namespace

int main(int argc, char **argv)
{
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  SetUnhandledExceptionFilter(ReportUnhandledException);
  MarkStarted();
  // A launcher run inside a test program keeps its files (the event log) where the
  // installed launcher keeps them, in the test's own prefix, never beside the test
  // programs, which every test shares.
  SetEnvironmentVariableW(L"FERROLT_MODULE_PATH", L"\\Application\\Ferrolt\\Ferrolt.exe");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
