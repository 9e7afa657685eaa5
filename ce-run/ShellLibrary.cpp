// The Windows Mobile shell library (aygshell.dll) as a device image loads it by name: present
// only when the run is a Windows Mobile one (the platform type "PocketPC" or "Smartphone"),
// its SHFullScreen and SHCreateMenuBar served by the desktop stand-in's own functions
// (cecompat/aygshell), which record what they were asked. The menu bar record crosses in
// the device's 36-byte shape.
#include "ce-run/CeRun.h"

#include "cecompat/AygShell.h"
#include "cecompat/CePlatform.h"

extern "C" BOOL WINAPI SHFullScreen(HWND window, DWORD state);
extern "C" BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *info);

namespace cerun {

namespace {

struct DeviceMenuBarInfo {
  uint32_t cbSize, hwndParent, dwFlags, nToolBarId, hInstRes;
  int32_t nBmpId, cBmpImages;
  uint32_t hwndMB, clrBk;
};
static_assert(sizeof(DeviceMenuBarInfo) == 36, "the device's SHMENUBARINFO is 36 bytes");

char g_module;  // what the library's handle stands for

bool WindowsMobile()
{
  wchar_t type[32];
  if (!CeSystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof type, type, 0))
    return false;
  return lstrcmpiW(type, L"PocketPC") == 0 || lstrcmpiW(type, L"Smartphone") == 0;
}

uint64_t FullScreen(const Call &c, void *) { return static_cast<uint32_t>(SHFullScreen(HostOf<HWND>(c.r[0]), c.r[1])); }

uint64_t CreateMenuBar(const Call &c, void *)
{
  if (c.r[0] == 0)
    return static_cast<uint32_t>(SHCreateMenuBar(nullptr));
  if (!InRegion(c.r[0], sizeof(DeviceMenuBarInfo)))
    Fail("SHCreateMenuBar was given a record at 0x%08x, outside the device's memory", c.r[0]);
  DeviceMenuBarInfo *d = At<DeviceMenuBarInfo>(c.r[0]);
  SHMENUBARINFO info = {};
  // The device's size of the record is the host's; any other size stays wrong.
  info.cbSize = d->cbSize == sizeof(DeviceMenuBarInfo) ? sizeof(SHMENUBARINFO) : d->cbSize;
  info.hwndParent = HostOf<HWND>(d->hwndParent);
  info.dwFlags = d->dwFlags;
  info.nToolBarId = d->nToolBarId;
  info.hInstRes = HostOf<HINSTANCE>(d->hInstRes);
  info.nBmpId = d->nBmpId;
  info.cBmpImages = d->cBmpImages;
  info.clrBk = d->clrBk;
  BOOL made = SHCreateMenuBar(&info);
  if (made)
    d->hwndMB = NarrowHandle(reinterpret_cast<INT_PTR>(info.hwndMB), "a menu bar window");
  return static_cast<uint32_t>(made);
}

}  // namespace

uint32_t LoadShellLibrary(LPCWSTR name)
{
  LPCWSTR file = name;
  for (LPCWSTR p = name; *p != 0; ++p)
    if (*p == L'\\')
      file = p + 1;
  if ((lstrcmpiW(file, L"aygshell.dll") != 0 && lstrcmpiW(file, L"aygshell") != 0) || !WindowsMobile())
    return 0;
  return DeviceHandle(&g_module);
}

bool IsShellLibrary(uint32_t module) { return module != 0 && module == DeviceHandle(&g_module); }

Addr ShellLibraryEntry(LPCWSTR name)
{
  static Addr fullScreen = 0, createMenuBar = 0;
  if (reinterpret_cast<uintptr_t>(name) < 0x10000)  // an ordinal: the library has none
    return 0;
  if (lstrcmpW(name, L"SHFullScreen") == 0)
    return fullScreen != 0 ? fullScreen : (fullScreen = AddTrap("SHFullScreen", FullScreen, nullptr));
  if (lstrcmpW(name, L"SHCreateMenuBar") == 0)
    return createMenuBar != 0 ? createMenuBar : (createMenuBar = AddTrap("SHCreateMenuBar", CreateMenuBar, nullptr));
  SetLastError(ERROR_PROC_NOT_FOUND);
  return 0;
}

}  // namespace cerun
