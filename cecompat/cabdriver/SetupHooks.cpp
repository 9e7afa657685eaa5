// The setup extension's hooks, loaded or run in the emulator (SetupHooks.h).
#include "cecompat/cabdriver/SetupHooks.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

bool LoadHooks(const wchar_t *library, Hooks *hooks)
{
  HMODULE module = LoadLibraryW(library);
  if (module == nullptr) {
    fwprintf(stderr, L"CabDriver: cannot load %ls (error %lu)\n", library, GetLastError());
    return false;
  }
  hooks->module = module;
  hooks->installInit = reinterpret_cast<pfnINSTALL_INIT>(GetProcAddress(module, INSTALL_INIT_NAME));
  hooks->installExit = reinterpret_cast<pfnINSTALL_EXIT>(GetProcAddress(module, INSTALL_EXIT_NAME));
  hooks->uninstallInit = reinterpret_cast<pfnUNINSTALL_INIT>(GetProcAddress(module, UNINSTALL_INIT_NAME));
  hooks->uninstallExit = reinterpret_cast<pfnUNINSTALL_EXIT>(GetProcAddress(module, UNINSTALL_EXIT_NAME));
  if (hooks->installInit == nullptr || hooks->installExit == nullptr || hooks->uninstallInit == nullptr ||
      hooks->uninstallExit == nullptr) {
    fwprintf(stderr, L"CabDriver: %ls lacks one of the setup hooks\n", library);
    FreeLibrary(module);
    hooks->module = nullptr;
    return false;
  }
  return true;
}

// The device image's hooks, called in ce-run: one request a line, one answer a line.
struct Emulated {
  HANDLE process, requests, answers;
} g_emulated = {nullptr, nullptr, nullptr};

DWORD AskEmulator(const std::wstring &request)
{
  std::string line;
  for (wchar_t c : request)
    line += c < 0x80 ? static_cast<char>(c) : '?';
  line += '\n';
  DWORD written = 0;
  if (!WriteFile(g_emulated.requests, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size()) {
    fwprintf(stderr, L"CabDriver: the emulator no longer listens\n");
    ExitProcess(3);
  }
  std::string answer;
  char c;
  DWORD got = 0;
  while (ReadFile(g_emulated.answers, &c, 1, &got, nullptr) && got == 1 && c != '\n')
    answer += c;
  if (answer.empty() || answer.find_first_not_of("0123456789") != std::string::npos) {
    fwprintf(stderr, L"CabDriver: the emulator gave no answer to %ls\n", request.c_str());
    ExitProcess(3);
  }
  return static_cast<DWORD>(strtoul(answer.c_str(), nullptr, 10));
}

codeINSTALL_INIT EmulatedInstallInit(HWND, BOOL firstCall, BOOL previous, LPCTSTR folder)
{
  return static_cast<codeINSTALL_INIT>(AskEmulator(L"Install_Init " + std::to_wstring(firstCall ? 1 : 0) + L" " +
                                                    std::to_wstring(previous ? 1 : 0) + L" " + folder));
}

codeINSTALL_EXIT EmulatedInstallExit(HWND, LPCTSTR folder, WORD dirs, WORD files, WORD keys, WORD values,
                                     WORD shortcuts)
{
  return static_cast<codeINSTALL_EXIT>(AskEmulator(L"Install_Exit " + std::wstring(folder) + L" " +
                                                    std::to_wstring(dirs) + L" " + std::to_wstring(files) + L" " +
                                                    std::to_wstring(keys) + L" " + std::to_wstring(values) + L" " +
                                                    std::to_wstring(shortcuts)));
}

codeUNINSTALL_INIT EmulatedUninstallInit(HWND, LPCTSTR folder)
{
  return static_cast<codeUNINSTALL_INIT>(AskEmulator(L"Uninstall_Init " + std::wstring(folder)));
}

codeUNINSTALL_EXIT EmulatedUninstallExit(HWND)
{
  return static_cast<codeUNINSTALL_EXIT>(AskEmulator(L"Uninstall_Exit"));
}

bool StartEmulator(const wchar_t *emulator, const wchar_t *library, Hooks *hooks)
{
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childIn = nullptr, childOut = nullptr;
  if (!CreatePipe(&childIn, &g_emulated.requests, &inherit, 0) ||
      !CreatePipe(&g_emulated.answers, &childOut, &inherit, 0))
    return false;
  SetHandleInformation(g_emulated.requests, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(g_emulated.answers, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = childIn;
  si.hStdOutput = childOut;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring line = L"\"" + std::wstring(emulator) + L"\" --setup \"" + library + L"\"";
  PROCESS_INFORMATION pi = {};
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(childIn);
  CloseHandle(childOut);
  if (!started) {
    fwprintf(stderr, L"CabDriver: cannot start %ls (error %lu)\n", emulator, GetLastError());
    return false;
  }
  CloseHandle(pi.hThread);
  g_emulated.process = pi.hProcess;
  *hooks = {nullptr, EmulatedInstallInit, EmulatedInstallExit, EmulatedUninstallInit, EmulatedUninstallExit};
  return true;
}

}  // namespace

bool OpenHooks(const wchar_t *emulator, const wchar_t *library, Hooks *hooks)
{
  if (emulator != nullptr)
    return StartEmulator(emulator, library, hooks);
  return LoadHooks(library, hooks);
}

bool StopEmulator()
{
  if (g_emulated.process == nullptr)
    return true;
  CloseHandle(g_emulated.requests);
  DWORD code = 1;
  bool ended = WaitForSingleObject(g_emulated.process, 60000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(g_emulated.process, &code) && code == 0;
  if (!ended)
    fwprintf(stderr, L"CabDriver: the emulator ended with %lu\n", code);
  CloseHandle(g_emulated.answers);
  CloseHandle(g_emulated.process);
  g_emulated.process = nullptr;
  return ended;
}

void CloseHooks(const Hooks &hooks)
{
  if (hooks.module != nullptr)
    FreeLibrary(hooks.module);
}
