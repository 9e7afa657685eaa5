#include "tests/support/ShellHarness.h"

#include <stdio.h>

#include "Common/StdInit.h"
#include "cecompat/CePlatform.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/ShellLockdown.h"
#include "tests/support/TestSupport.h"

#undef SystemParametersInfoW

namespace test {

static const wchar_t kOnTopKey[] = L"Software\\Microsoft\\shell\\ontop";
static int g_settingChanges = 0;
static bool g_everHidden = false;
static bool g_everDisabled = false;

static LRESULT CALLBACK TaskBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_SETTINGCHANGE && lParam == 5000)
    ++g_settingChanges;
  if (message == WM_SHOWWINDOW && !wParam)
    g_everHidden = true;
  if (message == WM_ENABLE && !wParam)
    g_everDisabled = true;
  return DefWindowProcW(window, message, wParam, lParam);
}

TaskBarWindow::TaskBarWindow(int height)
{
  WNDCLASSW description = {};
  description.lpfnWndProc = TaskBarProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = L"HHTaskBar";
  RegisterClassW(&description);
  g_settingChanges = 0;
  g_everHidden = g_everDisabled = false;
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"HHTaskBar", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                            GetSystemMetrics(SM_CXSCREEN), height, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
}

TaskBarWindow::~TaskBarWindow()
{
  DestroyWindow(window_);
}

int TaskBarWindow::SettingChanges() const
{
  return g_settingChanges;
}

bool TaskBarWindow::EverHidden() const
{
  return g_everHidden;
}

bool TaskBarWindow::EverDisabled() const
{
  return g_everDisabled;
}

static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_DESTROY && g_app.mainWindow == window)
    g_app.mainWindow = nullptr;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateTestMainWindow(const RECT &r)
{
  WNDCLASSW description = {};
  description.lpfnWndProc = MainProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = L"ShellTestMainWindow";
  RegisterClassW(&description);
  return CreateWindowExW(0, L"ShellTestMainWindow", L"Ferrolt", WS_POPUP | WS_VISIBLE, r.left,
                         r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

ShellLibraryStandIn::ShellLibraryStandIn()
{
  std::wstring folder = BuildDir() + L"standins";
  SetDllDirectoryW(folder.c_str());
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  log_ = std::wstring(temp) + L"aygshell-calls-" + std::to_wstring(GetCurrentProcessId()) + L".log";
  DeleteFileW(log_.c_str());
  SetEnvironmentVariableW(L"FERROLT_AYGSHELL_LOG", log_.c_str());
}

ShellLibraryStandIn::~ShellLibraryStandIn()
{
  SetDllDirectoryW(nullptr);
  SetEnvironmentVariableW(L"FERROLT_AYGSHELL_LOG", nullptr);
  DeleteFileW(log_.c_str());
}

std::vector<std::string> ShellLibraryStandIn::Calls() const
{
  std::vector<std::string> lines;
  std::string all = ReadFileBytes(log_);
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find("\r\n", start);
    if (end == std::string::npos)
      end = all.size();
    lines.push_back(all.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void ShellLibraryStandIn::ClearCalls() const
{
  DeleteFileW(log_.c_str());
}

bool ReadOnTopValue(DWORD *value)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOnTopKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = sizeof(*value), type = 0;
  LONG result = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(value),
                                 &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value);
}

void WriteOnTopValue(DWORD value)
{
  SetDword(HKEY_LOCAL_MACHINE, kOnTopKey, L"", value);
}

void CreateOnTopKey()
{
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kOnTopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

void RemoveOnTopKey()
{
  DeleteTree(HKEY_LOCAL_MACHINE, kOnTopKey);
}

SavedOnTopKey::SavedOnTopKey()
{
  present_ = KeyPresent(HKEY_LOCAL_MACHINE, kOnTopKey);
  value_ = 0;
  hasValue_ = ReadOnTopValue(&value_);
}

SavedOnTopKey::~SavedOnTopKey()
{
  RemoveOnTopKey();
  if (hasValue_)
    WriteOnTopValue(value_);
  else if (present_)
    CreateOnTopKey();
}

RECT CurrentWorkArea()
{
  RECT area = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

void SetWorkArea(const RECT &area)
{
  RECT copy = area;
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &copy, 0);
}

SavedWorkArea::SavedWorkArea() : area_(CurrentWorkArea()) {}

SavedWorkArea::~SavedWorkArea()
{
  SetWorkArea(area_);
}

void ResetShellState()
{
  FreeShellLibrary();
  g_shell = ShellState{};
  g_shell.plainCe = true;
  g_shell.forceScreenState = FORCE_SCREEN_NONE;
  SetForcedWindowArea(nullptr);
  SetReservedBands(0, 0);
}

std::wstring UseShellTestProfile()
{
  g_profile.keyLayout = 0;
  std::wstring path = std::wstring(PROFILES_PREFIX_SECOND) + L"ShellTest";
  CopyText(g_profile.profileKeyPath, TEXT_CAPACITY, path.c_str());
  CopyText(g_profile.profileName, TEXT_CAPACITY, L"ShellTest");
  SetDword(HKEY_CURRENT_USER, path + L"\\Default\\Settings", L"MenuItemHeight", 50);
  return path;
}

std::string HandleText(const void *handle)
{
  char text[32];
  snprintf(text, sizeof(text), "%llX",
           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
  return text;
}

void ShellTest::SetUp()
{
  ClearLauncherRegistry();
  ResetShellState();
  profile_ = UseShellTestProfile();
  g_app.instance = GetModuleHandleW(nullptr);
  g_app.mainWindow = nullptr;
}

void ShellTest::TearDown()
{
  if (g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow))
    DestroyWindow(g_app.mainWindow);
  g_app.mainWindow = nullptr;
  ResetShellState();
  ClearLauncherRegistry();
}

void ShellTest::StartUp()
{
  ProbePlatform();
  if (ReadFullScreenSetting())
    EnterFullScreen();
  else
    RestoreWorkArea();
}

void ShellTest::SetProfileValue(const wchar_t *name, DWORD value)
{
  SetDword(HKEY_CURRENT_USER, profile_, name, value);
}

}  // namespace test
