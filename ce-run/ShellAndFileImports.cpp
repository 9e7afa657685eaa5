// The device's shell, processes and file searches as the image sees them, with their
// records in the device's shapes.
#include "ce-run/ImportCalls.h"

#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

#include "cecompat/CePlatform.h"

#undef SystemParametersInfoW
#undef SHGetFileInfoW

namespace cerun {

namespace {

// ---- shell ----
struct DevSHFILEINFOW {
  uint32_t hIcon;
  int32_t iIcon;
  uint32_t dwAttributes;
  WCHAR szDisplayName[MAX_PATH];
  WCHAR szTypeName[80];
};

uint64_t SHGetFileInfo_(const Call &c, void *)
{
  SHFILEINFOW info;
  memset(&info, 0, sizeof info);
  UINT flags = c.Arg(4);
  DevSHFILEINFOW *d = At<DevSHFILEINFOW>(c.Arg(2));
  if (d != nullptr && c.Arg(3) < sizeof(DevSHFILEINFOW))
    return 0;
  DWORD_PTR r = CeSHGetFileInfoW(P<LPCWSTR>(c, 0), c.Arg(1), d != nullptr ? &info : nullptr,
                                 d != nullptr ? sizeof info : 0, flags);
  if (d != nullptr) {
    d->hIcon = NarrowHandle(reinterpret_cast<INT_PTR>(info.hIcon), "icon");
    d->iIcon = info.iIcon;
    d->dwAttributes = info.dwAttributes;
    memcpy(d->szDisplayName, info.szDisplayName, sizeof d->szDisplayName);
    memcpy(d->szTypeName, info.szTypeName, sizeof d->szTypeName);
  }
  if ((flags & SHGFI_SYSICONINDEX) && r != 0)
    return RHandle(reinterpret_cast<void *>(r));
  return R(static_cast<INT_PTR>(r));
}

struct DevSHELLEXECUTEINFOW {
  uint32_t cbSize, fMask, hwnd, lpVerb, lpFile, lpParameters, lpDirectory;
  int32_t nShow;
  uint32_t hInstApp, lpIDList, lpClass, hkeyClass, dwHotKey, hIcon, hProcess;
};
static_assert(sizeof(DevSHELLEXECUTEINFOW) == 60, "SHELLEXECUTEINFOW");

uint64_t ShellExecuteEx_(const Call &c, void *)
{
  DevSHELLEXECUTEINFOW *d = At<DevSHELLEXECUTEINFOW>(c.Arg(0));
  if (d->cbSize != sizeof *d)
    return 0;
  SHELLEXECUTEINFOW info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = d->fMask;
  info.hwnd = HostOf<HWND>(d->hwnd);
  info.lpVerb = HostOf<LPCWSTR>(d->lpVerb);
  info.lpFile = HostOf<LPCWSTR>(d->lpFile);
  info.lpParameters = HostOf<LPCWSTR>(d->lpParameters);
  info.lpDirectory = HostOf<LPCWSTR>(d->lpDirectory);
  info.nShow = d->nShow;
  info.lpIDList = HostOf<void *>(d->lpIDList);
  info.lpClass = HostOf<LPCWSTR>(d->lpClass);
  info.hkeyClass = HostOf<HKEY>(d->hkeyClass);
  info.dwHotKey = d->dwHotKey;
  info.hIcon = HostOf<HANDLE>(d->hIcon);
  BOOL r = ShellExecuteExW(&info);
  d->hInstApp = static_cast<uint32_t>(reinterpret_cast<INT_PTR>(info.hInstApp));
  d->hProcess = r && info.hProcess != nullptr ? NarrowHandle(reinterpret_cast<INT_PTR>(info.hProcess), "process") : 0;
  return R(r);
}

uint64_t SHGetShortcutTarget_(const Call &c, void *)
{
  return R(SHGetShortcutTarget(P<LPCWSTR>(c, 0), P<LPWSTR>(c, 1), static_cast<int32_t>(c.Arg(2))));
}

uint64_t SHLoadDIBitmap_(const Call &c, void *)
{
  return R(reinterpret_cast<INT_PTR>(SHLoadDIBitmap(P<LPCWSTR>(c, 0))));
}

uint64_t SHGetSpecialFolderPath_(const Call &c, void *)
{
  return R(SHGetSpecialFolderPathW(P<HWND>(c, 0), P<LPWSTR>(c, 1), static_cast<int32_t>(c.Arg(2)), c.Arg(3)));
}

uint64_t SystemParametersInfoW_(const Call &c, void *)
{
  // As the device does, with the platform type the desktop stand-in gives.
  return R(CeSystemParametersInfoW(c.Arg(0), c.Arg(1), P<PVOID>(c, 2), c.Arg(3)));
}

uint64_t GetSystemPowerStatusEx2_(const Call &c, void *)
{
  return R(GetSystemPowerStatusEx2(P<PSYSTEM_POWER_STATUS_EX2>(c, 0), c.Arg(1), c.Arg(2)));
}

// ---- processes ----
struct DevSTARTUPINFOW {
  uint32_t cb, lpReserved, lpDesktop, lpTitle, dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars,
      dwFillAttribute, dwFlags;
  uint16_t wShowWindow, cbReserved2;
  uint32_t lpReserved2, hStdInput, hStdOutput, hStdError;
};
static_assert(sizeof(DevSTARTUPINFOW) == 68, "STARTUPINFOW");

uint64_t CreateProcessW_(const Call &c, void *)
{
  STARTUPINFOW si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  if (c.Arg(8) != 0) {
    const DevSTARTUPINFOW *d = At<DevSTARTUPINFOW>(c.Arg(8));
    si.dwFlags = d->dwFlags;
    si.wShowWindow = d->wShowWindow;
  }
  PROCESS_INFORMATION pi;
  memset(&pi, 0, sizeof pi);
  BOOL r = CreateProcessW(P<LPCWSTR>(c, 0), P<LPWSTR>(c, 1), nullptr, nullptr, c.Arg(4), c.Arg(5), P<LPVOID>(c, 6),
                          P<LPCWSTR>(c, 7), &si, &pi);
  if (r && c.Arg(9) != 0) {
    Put32(c.Arg(9), NarrowHandle(reinterpret_cast<INT_PTR>(pi.hProcess), "process"));
    Put32(c.Arg(9) + 4, NarrowHandle(reinterpret_cast<INT_PTR>(pi.hThread), "thread"));
    Put32(c.Arg(9) + 8, pi.dwProcessId);
    Put32(c.Arg(9) + 12, pi.dwThreadId);
  }
  return R(r);
}

// ---- files: the device's WIN32_FIND_DATAW has dwOID and its name at offset 40 ----
struct DevWIN32_FIND_DATAW {
  uint32_t dwFileAttributes;
  FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
  uint32_t nFileSizeHigh, nFileSizeLow, dwOID;
  WCHAR cFileName[MAX_PATH];
};
static_assert(sizeof(DevWIN32_FIND_DATAW) == 560, "WIN32_FIND_DATAW");

void ToDeviceFindData(const WIN32_FIND_DATAW &f, Addr at)
{
  DevWIN32_FIND_DATAW *d = At<DevWIN32_FIND_DATAW>(at);
  d->dwFileAttributes = f.dwFileAttributes;
  d->ftCreationTime = f.ftCreationTime;
  d->ftLastAccessTime = f.ftLastAccessTime;
  d->ftLastWriteTime = f.ftLastWriteTime;
  d->nFileSizeHigh = f.nFileSizeHigh;
  d->nFileSizeLow = f.nFileSizeLow;
  d->dwOID = 0;
  memcpy(d->cFileName, f.cFileName, sizeof d->cFileName);
}

uint64_t FindFirstFileW_(const Call &c, void *)
{
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW(P<LPCWSTR>(c, 0), &f);
  if (h != INVALID_HANDLE_VALUE)
    ToDeviceFindData(f, c.Arg(1));
  return R(reinterpret_cast<INT_PTR>(h));
}

uint64_t FindNextFileW_(const Call &c, void *)
{
  WIN32_FIND_DATAW f;
  BOOL r = FindNextFileW(P<HANDLE>(c, 0), &f);
  if (r)
    ToDeviceFindData(f, c.Arg(1));
  return R(r);
}

const ImportRow kRows[] = {
    {"SHGetFileInfo", SHGetFileInfo_, false},
    {"ShellExecuteEx", ShellExecuteEx_, false},
    {"SHGetShortcutTarget", SHGetShortcutTarget_, false},
    {"SHLoadDIBitmap", SHLoadDIBitmap_, false},
    {"SHGetSpecialFolderPath", SHGetSpecialFolderPath_, false},
    {"SystemParametersInfoW", SystemParametersInfoW_, false},
    {"GetSystemPowerStatusEx2", GetSystemPowerStatusEx2_, false},
    {"CreateProcessW", CreateProcessW_, false},
    {"FindFirstFileW", FindFirstFileW_, false},
    {"FindNextFileW", FindNextFileW_, false},
};

}  // namespace

const ImportTable kShellAndFileImports = CERUN_IMPORT_TABLE(kRows);

}  // namespace cerun
