// The device's core library (coredll.dll) and common controls (commctrl.dll) as the image
// sees them: which function of the host or of ce-run serves each import. Functions whose
// arguments are numbers, handles and pointers to plain data run the host's function as they
// are; the units named in ImportCalls.h serve the others, converting their structures,
// giving handles that are host pointers a 32-bit stand-in, and handing device procedures
// host procedures of their own. The CE-only functions behave as the desktop stand-ins in
// cecompat/ do. An import not listed ends the run with its name when the image is loaded.
// This unit serves the image's modules itself.
#include "ce-run/ImportCalls.h"

#include <string.h>

#include <map>
#include <string>

#include "cecompat/CePlatform.h"

#undef GetProcAddressW

namespace cerun {

Addr FindImport(const char *name);

namespace {

Image g_main;
wchar_t g_mainPath[MAX_PATH];  // the image's file, as this machine names it

// ---- modules ----
// The device's core library, for the functions a program looks up in it by name: those
// ce-run serves as imports. Its handle stands for no module of the host's.
char g_coreLibrary;

bool IsCoreLibraryName(LPCWSTR name)
{
  LPCWSTR file = name;
  for (LPCWSTR p = name; *p != 0; ++p)
    if (*p == L'\\')
      file = p + 1;
  return lstrcmpiW(file, L"coredll.dll") == 0 || lstrcmpiW(file, L"coredll") == 0;
}

bool IsCoreLibrary(uint32_t module) { return module != 0 && module == DeviceHandle(&g_coreLibrary); }

uint64_t GetModuleHandleW_(const Call &c, void *)
{
  if (c.Arg(0) == 0)
    return g_main.base;
  if (IsCoreLibraryName(P<LPCWSTR>(c, 0)))
    return DeviceHandle(&g_coreLibrary);
  return RHandle(GetModuleHandleW(P<LPCWSTR>(c, 0)));
}

// The host's own call, not the launcher's desktop stand-in for it.
#undef GetModuleFileNameW
// The image's own file: the path it has on the device where FERROLT_MODULE_PATH names it, as
// the desktop stand-in answers, else the image's file here.
uint64_t GetModuleFileNameW_(const Call &c, void *)
{
  LPWSTR path = P<LPWSTR>(c, 1);
  DWORD capacity = static_cast<DWORD>(c.Arg(2));
  if (c.Arg(0) != 0 && c.Arg(0) != g_main.base)
    return R(GetModuleFileNameW(static_cast<HMODULE>(HostHandle(c.Arg(0))), path, capacity));
  if (path == nullptr || capacity == 0)
    return 0;
  DWORD length = GetEnvironmentVariableW(L"FERROLT_MODULE_PATH", path, capacity);
  if (length == 0 || length >= capacity) {
    lstrcpynW(path, g_mainPath, static_cast<int>(capacity));
    length = lstrlenW(path);
  }
  return length;
}

uint64_t LoadLibraryW_(const Call &c, void *)
{
  if (c.Arg(0) != 0) {
    if (uint32_t shell = LoadShellLibrary(P<LPCWSTR>(c, 0)))
      return shell;
    if (IsCoreLibraryName(P<LPCWSTR>(c, 0)))
      return DeviceHandle(&g_coreLibrary);
  }
  return RHandle(LoadLibraryW(P<LPCWSTR>(c, 0)));
}

uint64_t FreeLibrary_(const Call &c, void *)
{
  if (IsShellLibrary(c.Arg(0)) || IsCoreLibrary(c.Arg(0)))
    return TRUE;
  BOOL r = FreeLibrary(static_cast<HMODULE>(HostHandle(c.Arg(0))));
  if (r)
    ForgetHandle(c.Arg(0));
  return R(r);
}

// An entry point of the core library by name: what ce-run serves as the import of that name,
// or nothing. The battery component's calls are found only where the run has that
// component, as the desktop stand-in's lookup answers for them.
Addr CoreLibraryEntry(LPCWSTR wide)
{
  if (reinterpret_cast<uintptr_t>(wide) < 0x10000)  // an ordinal: not served by number
    return 0;
  char name[128];
  int i = 0;
  for (; wide[i] != 0; ++i) {
    if (i == static_cast<int>(sizeof name) - 1 || wide[i] > 0x7F)
      return 0;
    name[i] = static_cast<char>(wide[i]);
  }
  name[i] = 0;
  if (strncmp(name, "GetSystemPowerStatusEx", 22) == 0 && CeGetProcAddressW(GetModuleHandleW(nullptr), wide) == nullptr)
    return 0;
  return FindImport(name);
}

uint64_t GetProcAddressW_(const Call &c, void *)
{
  if (IsShellLibrary(c.Arg(0)))
    return ShellLibraryEntry(P<LPCWSTR>(c, 1));
  if (IsCoreLibrary(c.Arg(0)))
    return CoreLibraryEntry(P<LPCWSTR>(c, 1));
  HMODULE module = static_cast<HMODULE>(HostHandle(c.Arg(0)));
  FARPROC f = CeGetProcAddressW(module, P<LPCWSTR>(c, 1));
  if (f == nullptr)
    return 0;
  // Device code cannot call host code: an entry point of a host library needs a trap.
  // Those whose records hold no pointers or handles (the IP helper's address table: numbers
  // only, the same on both) take their arguments as they are.
  char name[128];
  WideCharToMultiByte(CP_ACP, 0, P<LPCWSTR>(c, 1), -1, name, sizeof name, nullptr, nullptr);
  // One trap each, however often the image looks it up.
  static const char *const plainEntries[] = {"GetIpAddrTable"};
  static Addr traps[sizeof plainEntries / sizeof plainEntries[0]];
  static void *hosts[sizeof plainEntries / sizeof plainEntries[0]];
  for (size_t i = 0; i < sizeof plainEntries / sizeof plainEntries[0]; ++i)
    if (strcmp(plainEntries[i], name) == 0) {
      if (traps[i] == 0 || hosts[i] != reinterpret_cast<void *>(f)) {
        traps[i] = GuardedTrap(plainEntries[i], Pass, reinterpret_cast<void *>(f));
        hosts[i] = reinterpret_cast<void *>(f);
      }
      return traps[i];
    }
  Fail("GetProcAddressW(%s) of a host library: device code cannot call it", name);
}

const ImportRow kModuleRows[] = {
    {"GetModuleHandleW", GetModuleHandleW_, false},
    {"GetModuleFileNameW", GetModuleFileNameW_, false},
    {"LoadLibraryW", LoadLibraryW_, false},
    {"FreeLibrary", FreeLibrary_, false},
    {"GetProcAddressW", GetProcAddressW_, false},
    {"EnumWindows", EnumWindows_, false},
    {"MsgWaitForMultipleObjectsEx", MsgWaitForMultipleObjectsEx_, false},
};
const ImportTable kModuleImports = CERUN_IMPORT_TABLE(kModuleRows);

const ImportTable *const kTables[] = {&kModuleImports, &kWindowImports, &kShellAndFileImports, &kStoreImports,
                                      &kRuntimeImports, &kTimerImports};

// Device functions a desktop lacks, run as the stand-ins of cecompat/ run them.
const struct {
  const char *name;
  void *function;
} kStandIns[] = {
    {"DeleteAndRenameFile", reinterpret_cast<void *>(&DeleteAndRenameFile)},
    {"SetSystemPowerState", reinterpret_cast<void *>(&CeSetSystemPowerState)},
    // The device's NDIS user-mode I/O driver as the stand-in answers it (FERROLT_WIRELESS);
    // every other file and handle goes to the host's calls. Their records hold numbers and
    // device pointers, which this process reads at the same addresses.
    {"CreateFileW", reinterpret_cast<void *>(&CeCreateFileW)},
    {"DeviceIoControl", reinterpret_cast<void *>(&CeDeviceIoControl)},
    // A record of bytes and numbers only.
    {"GetSystemPowerStatusEx", reinterpret_cast<void *>(&GetSystemPowerStatusEx)},
};

// Functions that run as the host's: numbers, handles the host keeps small, pointers to
// plain data or to device memory.
const char *const kPlain[] = {
    "BitBlt", "CloseHandle", "CreateBitmap", "CreateCompatibleBitmap", "CreateCompatibleDC",
    "CreateFontIndirectW", "CreatePen", "CreateSolidBrush", "DeleteDC", "DeleteObject", "DestroyIcon",
    "DestroyWindow", "DrawIconEx", "DrawTextW", "EnableWindow", "FindClose", "FindResourceW",
    "FindWindowW", "GetCapture", "GetClientRect", "GetDC", "GetDeviceCaps", "GetDlgItem", "GetExitCodeProcess",
    "GetFileAttributesExW", "GetFileSize", "GetPixel", "GetForegroundWindow", "GetLastError", "GetLocalTime", "GetStockObject",
    "GetSystemMetrics", "GetTextMetricsW", "GetTickCount", "GetTimeFormatW", "GetWindow",
    "GetWindowRect", "GetClassNameW", "SetEndOfFile", "SetRectEmpty", "GetWindowTextLengthW", "GetWindowTextW", "GetWindowThreadProcessId", "InSendMessage",
    "InvalidateRect", "IsWindow", "IsWindowVisible", "LineTo", "LoadAcceleratorsW", "LoadCursorW",
    "LoadImageW", "LoadResource", "LoadStringW", "MapWindowPoints", "MessageBoxW", "MoveToEx",
    "MultiByteToWideChar", "PatBlt", "Polygon", "PostQuitMessage", "ReadFile", "Rectangle", "RegCloseKey",
    "RegEnumKeyExW", "RegEnumValueW", "RegQueryValueExW", "RegSetValueExW", "RegisterHotKey", "ReleaseDC",
    "SelectObject", "SetBkColor", "SetBkMode", "SetCursor", "SetFocus", "SetForegroundWindow", "SetLastError",
    "SetRect", "SetTextColor", "SetWindowPos", "SetWindowTextW", "ShowWindow", "Sleep", "UnregisterHotKey",
    "UpdateWindow", "ValidateRect", "WaitForSingleObject", "WideCharToMultiByte", "CopyFileW", "DeleteFileW",
    "RemoveDirectoryW", "CreateDirectoryW", "GetFileAttributesW", "SizeofResource", "InitCommonControls",
    "WriteFile", "SetFilePointer", "FlushFileBuffers", "MoveFileW", "GetTempPathW",
    "CompareFileTime", "FindFirstChangeNotificationW", "FindNextChangeNotification",
    "FindCloseChangeNotification", "GetDlgItemTextW", "RegDeleteValueW", "RegFlushKey", "memchr",
    // The C library: 32-bit sizes and plain text; the host's are Microsoft's.
    "_snwprintf", "wsprintfW", "_wcsicmp", "_wcsnicmp", "_wtol", "_wtoi", "iswctype", "memcmp", "memcpy",
    "memmove", "memset", "wcschr", "wcscmp", "wcslen", "wcsncmp", "wcsncpy", "wcspbrk", "wcsrchr", "wcsstr",
    "wcscpy", "wcscat", "towlower", "towupper",
};

void *HostFunction(const char *name)
{
  static const wchar_t *const libraries[] = {L"user32.dll", L"gdi32.dll", L"kernel32.dll", L"advapi32.dll",
                                             L"comctl32.dll", L"shell32.dll", L"msvcrt.dll"};
  for (const wchar_t *library : libraries) {
    HMODULE module = LoadLibraryW(library);
    if (module == nullptr)
      continue;
    if (FARPROC f = GetProcAddress(module, name))
      return reinterpret_cast<void *>(f);
  }
  return nullptr;
}

}  // namespace

uint64_t Pass(const Call &c, void *host)
{
  HostFn f = reinterpret_cast<HostFn>(host);
  return R(f(A(c, 0), A(c, 1), A(c, 2), A(c, 3), A(c, 4), A(c, 5), A(c, 6), A(c, 7), A(c, 8), A(c, 9), A(c, 10),
             A(c, 11)));
}

void SetMainImage(const Image &image, const wchar_t *path)
{
  g_main = image;
  if (GetFullPathNameW(path, MAX_PATH, g_mainPath, nullptr) >= MAX_PATH)
    g_mainPath[0] = 0;
}
Addr MainImageBase() { return g_main.base; }

// The trap serving the import of that name, made when first asked for; 0 when ce-run does
// not serve it.
Addr FindImport(const char *name)
{
  static std::map<std::string, Addr> bound;
  auto found = bound.find(name);
  if (found != bound.end())
    return found->second;
  Addr trap = 0;
  for (const ImportTable *table : kTables)
    for (size_t i = 0; trap == 0 && i < table->count; ++i) {
      const ImportRow &row = table->rows[i];
      if (strcmp(row.name, name) != 0)
        continue;
      void *host = nullptr;
      if (row.runsHostFunction && (host = HostFunction(name)) == nullptr)
        Fail("the host has no %s", name);
      trap = GuardedTrap(row.name, row.handler, host);
    }
  for (const auto &standIn : kStandIns)
    if (trap == 0 && strcmp(standIn.name, name) == 0)
      trap = GuardedTrap(standIn.name, Pass, standIn.function);
  for (const char *plain : kPlain)
    if (trap == 0 && strcmp(plain, name) == 0) {
      void *host = HostFunction(name);
      if (host == nullptr)
        Fail("the host has no %s", name);
      trap = GuardedTrap(plain, Pass, host);
    }
  if (trap != 0)
    bound[name] = trap;
  return trap;
}

Addr BindImport(const char *dll, const char *name)
{
  if (lstrcmpiA(dll, "coredll.dll") != 0 && lstrcmpiA(dll, "commctrl.dll") != 0)
    Fail("the image imports %s from %s, which is not a library of the device", name, dll);
  Addr trap = FindImport(name);
  if (trap == 0)
    Fail("the image imports %s from %s, which ce-run does not know", name, dll);
  return trap;
}

}  // namespace cerun
