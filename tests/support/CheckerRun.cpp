#include "tests/support/CheckerRun.h"

#include "tests/support/TestSupport.h"

namespace test {

const char kUnsignedWarning[] =
    ": warning: (profile): Updates are unsigned: without an UpdateKey the device takes any script "
    "put into \\Application\\Ferrolt\\Update";

static void ReadAvailable(HANDLE pipe, std::string *output)
{
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char buffer[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) || got == 0)
      return;
    output->append(buffer, got);
  }
}

// A pipe whose reading end the child inherits, filled with input and closed.
static HANDLE InputPipe(const std::string &input)
{
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    return nullptr;
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  DWORD written = 0;
  if (!input.empty())
    WriteFile(writeEnd, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  CloseHandle(writeEnd);
  return readEnd;
}

CheckerRun RunChecker(const std::wstring &arguments, DWORD timeoutMs, const std::string &input)
{
  CheckerRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  HANDLE inputPipe = input.empty() ? nullptr : InputPipe(input);
  startup.hStdInput = inputPipe != nullptr ? inputPipe : GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line = L"\"" + BuildDir() + L"FerroltCheck.exe\" " + arguments;
  PROCESS_INFORMATION process = {};
  // Wine now and then fails to start a process at all on a busy machine: tried three times.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0)
      Sleep(200);
    started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process);
  }
  CloseHandle(writeEnd);
  if (inputPipe != nullptr)
    CloseHandle(inputPipe);
  if (!started) {
    CloseHandle(readEnd);
    return run;
  }
  CloseHandle(process.hThread);
  DWORD start = GetTickCount();
  for (;;) {
    ReadAvailable(readEnd, &run.output);
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
      break;
    if (GetTickCount() - start > timeoutMs) {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
      CloseHandle(process.hProcess);
      CloseHandle(readEnd);
      return run;
    }
  }
  ReadAvailable(readEnd, &run.output);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(readEnd);
  run.finished = true;
  return run;
}

std::wstring WriteScript(const std::wstring &fileName, const std::string &bytes)
{
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"checker_scripts";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring path = folder + L"\\" + fileName;
  WriteFileBytes(path, bytes);
  return path;
}

std::vector<std::string> Lines(const std::string &text)
{
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace test
