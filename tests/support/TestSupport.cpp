#include "tests/support/TestSupport.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>

namespace test {

BoxAnswerer *BoxAnswerer::current_ = nullptr;

BoxAnswerer::BoxAnswerer()
{
  current_ = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

BoxAnswerer::~BoxAnswerer()
{
  if (hook_ != nullptr)
    UnhookWindowsHookEx(hook_);
  current_ = nullptr;
}

std::wstring BoxAnswerer::Captions() const
{
  std::wstring all;
  for (const Box &box : boxes_)
    all += L"[" + box.caption + L"] " + box.text + L"\n";
  return all;
}

LRESULT CALLBACK BoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HCBT_ACTIVATE && current_ != nullptr) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t className[64] = {0};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, L"#32770") == 0 && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0) {
      Box box;
      wchar_t buffer[1024] = {0};
      GetWindowTextW(window, buffer, 1024);
      box.caption = buffer;
      buffer[0] = 0;
      HWND text = GetDlgItem(window, 0xFFFF);
      if (text != nullptr)
        GetWindowTextW(text, buffer, 1024);
      box.text = buffer;
      current_->boxes_.push_back(box);
      int button = IDOK;
      if (!current_->answers_.empty()) {
        button = current_->answers_.front();
        current_->answers_.pop_front();
      }
      if (button != 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<DWORD> BitmapPixels(HBITMAP bitmap, int *width, int *height)
{
  BITMAP shape = {};
  GetObjectW(bitmap, sizeof shape, &shape);
  if (width != nullptr)
    *width = shape.bmWidth;
  if (height != nullptr)
    *height = shape.bmHeight;
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = shape.bmWidth;
  format.bmiHeader.biHeight = -shape.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(shape.bmWidth) * shape.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, shape.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void DeleteTree(HKEY root, const std::wstring &path)
{
  RegDeleteTreeW(root, path.c_str());
  RegDeleteKeyW(root, path.c_str());
}

bool KeyPresent(HKEY root, const std::wstring &path)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

static HKEY CreateKey(HKEY root, const std::wstring &path)
{
  HKEY key = nullptr;
  RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

void SetString(HKEY root, const std::wstring &path, const std::wstring &name,
               const std::wstring &value)
{
  HKEY key = CreateKey(root, path);
  RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE *>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void SetUnterminatedString(HKEY root, const std::wstring &path, const std::wstring &name,
                           const std::wstring &value)
{
  // The platform counts a terminator the caller left out when one follows the data, so
  // something else must follow it.
  std::wstring followed = value + L"#";
  HKEY key = CreateKey(root, path);
  RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE *>(followed.data()),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

void SetDword(HKEY root, const std::wstring &path, const std::wstring &name, DWORD value)
{
  HKEY key = CreateKey(root, path);
  RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                 reinterpret_cast<const BYTE *>(&value), sizeof(value));
  RegCloseKey(key);
}

void SetMultiString(HKEY root, const std::wstring &path, const std::wstring &name,
                    const std::vector<std::wstring> &lines)
{
  std::wstring data;
  for (const std::wstring &line : lines)
    data += line + L'\0';
  data += L'\0';
  HKEY key = CreateKey(root, path);
  RegSetValueExW(key, name.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                 static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

bool GetString(HKEY root, const std::wstring &path, const std::wstring &name,
               std::wstring *value)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                 nullptr, &size);
  if (result == ERROR_SUCCESS && type == REG_SZ) {
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    result = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE *>(&buffer[0]), &size);
    buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
    *value = buffer;
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ;
}

bool GetDword(HKEY root, const std::wstring &path, const std::wstring &name, DWORD *value)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = sizeof(DWORD);
  LONG result = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE *>(value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD;
}

void ClearLauncherRegistry()
{
  DeleteTree(HKEY_CURRENT_USER, L"Software\\OrvantLLC");
  DeleteTree(HKEY_CURRENT_USER, L"Software\\Kelvane");
  DeleteTree(HKEY_CURRENT_USER, L"Software\\Orvant");
}

void PumpMessages(DWORD milliseconds)
{
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(1);
  } while (GetTickCount() - start < milliseconds);
}

std::wstring FromUnixPath(const std::string &path)
{
  std::wstring out = L"Z:";
  for (char c : path)
    out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

static std::wstring DirFromVariable(const char *name)
{
  const char *value = getenv(name);
  if (value == nullptr || value[0] == 0)
    return L"";
  std::wstring dir = value[0] == '/' ? FromUnixPath(value) : std::wstring(value, value + strlen(value));
  if (dir.back() != L'\\')
    dir += L'\\';
  return dir;
}

std::wstring BuildDir() { return DirFromVariable("FERROLT_BIN"); }
std::wstring SourceDir() { return DirFromVariable("FERROLT_SOURCE"); }

std::wstring RegistryDump(HKEY root, const std::wstring &path)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"(none)";
  std::wstring out = L"[" + path + L"]\n";
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    BYTE data[4096];
    DWORD nameLength = 256, size = sizeof(data), type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    out += std::wstring(name) + L"=" + std::to_wstring(type) + L":" +
           std::wstring(reinterpret_cast<wchar_t *>(data), size / sizeof(wchar_t)) + L"\n";
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    out += RegistryDump(root, path + L"\\" + name);
  }
  RegCloseKey(key);
  return out;
}

std::wstring FileNames(const std::wstring &pattern)
{
  std::wstring names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do
    names += std::wstring(found.cFileName) + L" ";
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

void WriteFileBytes(const std::wstring &path, const std::string &bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFileBytes(const std::wstring &path)
{
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool RunProcess(const std::wstring &commandLine, DWORD timeoutMs, DWORD *exitCode,
                const std::wstring &environmentName, const std::wstring &environmentValue)
{
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring oldValue;
  bool hadOld = false;
  if (!environmentName.empty()) {
    wchar_t buffer[1024];
    hadOld = GetEnvironmentVariableW(environmentName.c_str(), buffer, 1024) > 0;
    if (hadOld)
      oldValue = buffer;
    SetEnvironmentVariableW(environmentName.c_str(), environmentValue.c_str());
  }
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process);
  if (!environmentName.empty())
    SetEnvironmentVariableW(environmentName.c_str(), hadOld ? oldValue.c_str() : nullptr);
  if (!started)
    return false;
  CloseHandle(process.hThread);
  DWORD waited = WaitForSingleObject(process.hProcess, timeoutMs);
  if (waited != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  if (exitCode != nullptr)
    *exitCode = code;
  return true;
}

ScopedEnv::ScopedEnv(const wchar_t *name, const wchar_t *value) : name_(name)
{
  wchar_t buffer[1024];
  had_ = GetEnvironmentVariableW(name, buffer, 1024) > 0;
  if (had_)
    old_ = buffer;
  SetEnvironmentVariableW(name, value);
}

ScopedEnv::~ScopedEnv()
{
  SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr);
}

}  // namespace test

namespace test {

ChildProcess::~ChildProcess()
{
  if (process_ != nullptr) {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
}

bool ChildProcess::Start(const std::wstring &commandLine)
{
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD *exitCode)
{
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
    return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (exitCode != nullptr)
    *exitCode = code;
  return true;
}

bool ChildProcess::WaitPumping(DWORD timeoutMs, DWORD *exitCode)
{
  DWORD start = GetTickCount();
  for (DWORD elapsed = 0; process_ != nullptr && elapsed < timeoutMs;
       elapsed = GetTickCount() - start) {
    DWORD waited = MsgWaitForMultipleObjects(1, &process_, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (waited == WAIT_OBJECT_0)
      return Wait(0, exitCode);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return Wait(0, exitCode);
}

struct WindowSearch {
  const wchar_t *className;
  DWORD processId;
  HWND found;
  int count;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
  WindowSearch *search = reinterpret_cast<WindowSearch *>(parameter);
  wchar_t className[128] = {0};
  GetClassNameW(window, className, 128);
  if (lstrcmpW(className, search->className) != 0)
    return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (search->processId != 0 && owner != search->processId)
    return TRUE;
  ++search->count;
  if (search->found == nullptr)
    search->found = window;
  return TRUE;
}

HWND WaitForWindow(const wchar_t *className, DWORD processId, DWORD timeoutMs)
{
  DWORD start = GetTickCount();
  do {
    WindowSearch search = {className, processId, nullptr, 0};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr)
      return search.found;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

int CountWindows(const wchar_t *className)
{
  WindowSearch search = {className, 0, nullptr, 0};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

bool AnswerBoxOf(DWORD processId, DWORD timeoutMs, Box *box, int button)
{
  DWORD start = GetTickCount();
  HWND dialog = WaitForWindow(L"#32770", processId, timeoutMs);
  if (dialog == nullptr)
    return false;
  // The box is found while it is being built: wait until it is shown with its text.
  while (!IsWindowVisible(dialog) && GetTickCount() - start < timeoutMs)
    Sleep(20);
  Sleep(50);
  wchar_t buffer[1024] = {0};
  GetWindowTextW(dialog, buffer, 1024);
  box->caption = buffer;
  buffer[0] = 0;
  HWND text = GetDlgItem(dialog, 0xFFFF);
  if (text != nullptr)
    GetWindowTextW(text, buffer, 1024);
  box->text = buffer;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  return true;
}

}  // namespace test
