#pragma once
// The few pieces of the Windows CE core library that a desktop build does not have.
// Product code includes this header and calls them under their device names. The device
// build (_WIN32_WCE defined) leaves out the desktop mapping at the end.
#include <windows.h>
#include <shellapi.h>
#include "Common/NullPtr.h"
#include "cecompat/DeviceRecords.h"
#include "cecompat/IconDrawing.h"

// Sent by the device when memory runs low (its winuser.h); desktop headers lack it.
#ifndef WM_HIBERNATE
#define WM_HIBERNATE 0x03FF
#endif

#ifndef SPI_GETPLATFORMTYPE
#define SPI_GETPLATFORMTYPE 257
#endif

// The platform type a desktop run pretends to have ("PocketPC", "Smartphone", ...).
// Unset: the query fails, as it does on a desktop, and the run counts as plain Windows CE.
#define CE_PLATFORM_TYPE_VARIABLE L"FERROLT_PLATFORM_TYPE"
// Overrides the main battery flag that GetSystemPowerStatusEx reports (decimal, 0-255).
#define CE_BATTERY_FLAG_VARIABLE L"FERROLT_BATTERY_FLAG"
// Override the main battery's percentage (0-100, 255 unknown) and the external power
// (0 off, 1 on, 255 unknown) that both power status calls report (decimal).
#define CE_BATTERY_PERCENT_VARIABLE L"FERROLT_BATTERY_PERCENT"
#define CE_AC_LINE_VARIABLE L"FERROLT_AC_LINE"
// "0": the run has no battery component, as a device built without one: looking up
// GetSystemPowerStatusEx or GetSystemPowerStatusEx2 in the core library finds nothing.
#define CE_BATTERY_DRIVER_VARIABLE L"FERROLT_BATTERY_DRIVER"
// What the device's address table holds, for GetIpAddrTable looked up on a desktop:
// addresses separated by commas ("192.168.5.20,127.0.0.1"), "none" for an empty table,
// "unknown" for a device without the call; or "@" and a file whose first line says one of
// those (a missing or empty file: "none"), for a test in another process. Unset: the
// desktop's own table.
#define CE_NETWORK_VARIABLE L"FERROLT_NETWORK"
// What the device's NDIS user-mode I/O driver says of its one wireless adapter, for the
// driver opened (CreateFileW) and queried (DeviceIoControl) on a desktop and under ce-run: the
// name of the network joined ("Warehouse"); "none" for an adapter that has joined nothing,
// or "none:Warehouse" for one that still answers the name it last asked for, as the device's
// adapters do; "wired" for an adapter that is not wireless; "unknown" for a device without
// the driver. Unset: no driver, as on a desktop.
#define CE_WIRELESS_VARIABLE L"FERROLT_WIRELESS"
// A file to which a desktop run appends each restart of the device it is asked for
// ("SetSystemPowerState <flags> <options>"). Unset: the restart is refused.
#define CE_RESTART_RECORD_VARIABLE L"FERROLT_RESTART_RECORD"
// The path of the program file a desktop run answers for its own module, as a device names
// the installed launcher ("\Application\Ferrolt\Ferrolt.exe"): for a launcher that runs
// inside a test program. Unset: the real path.
#define CE_MODULE_PATH_VARIABLE L"FERROLT_MODULE_PATH"

// The device's core library, where functions of optional components are looked up.
#define CE_CORE_LIBRARY L"coredll.dll"

// Functions of the device's core library that desktop headers do not declare.
extern "C" {

// Reads a CE text shortcut ("<count>#<target>") into target; the target comes back as
// written, quotes and arguments included.
BOOL WINAPI SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int capacity);

// Loads a bitmap file as a DIB section.
HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR path);

typedef struct _SYSTEM_POWER_STATUS_EX {
  BYTE ACLineStatus;
  BYTE BatteryFlag;
  BYTE BatteryLifePercent;
  BYTE Reserved1;
  DWORD BatteryLifeTime;
  DWORD BatteryFullLifeTime;
  BYTE Reserved2;
  BYTE BackupBatteryFlag;
  BYTE BackupBatteryLifePercent;
  BYTE Reserved3;
  DWORD BackupBatteryLifeTime;
  DWORD BackupBatteryFullLifeTime;
} SYSTEM_POWER_STATUS_EX, *PSYSTEM_POWER_STATUS_EX;

// The battery component's calls. A device built without that component has neither, and
// refuses to load a program that imports them: product code looks them up by name in the
// core library (CoreLibraryModule) and never calls them directly.
BOOL WINAPI GetSystemPowerStatusEx(PSYSTEM_POWER_STATUS_EX status, BOOL update);
typedef BOOL(WINAPI *PowerStatusExFunction)(PSYSTEM_POWER_STATUS_EX status, BOOL update);

// The power manager's system states (pm.h) for SetSystemPowerState.
#define CE_POWER_STATE_RESET 0x00800000
#define CE_POWER_FORCE 0x00001000
// The device's SetSystemPowerState: a state by name or by its flags; ERROR_SUCCESS or an
// error code. The desktop's function of that name takes other arguments, so the product
// calls it under this name.
#ifdef _WIN32_WCE
DWORD WINAPI CeSetSystemPowerState(LPCWSTR state, DWORD flags, DWORD options)
    __asm__("SetSystemPowerState");
#else
DWORD WINAPI CeSetSystemPowerState(LPCWSTR state, DWORD flags, DWORD options);
#endif

typedef struct _SYSTEM_POWER_STATUS_EX2 {
  BYTE ACLineStatus;
  BYTE BatteryFlag;
  BYTE BatteryLifePercent;
  BYTE Reserved1;
  DWORD BatteryLifeTime;
  DWORD BatteryFullLifeTime;
  BYTE Reserved2;
  BYTE BackupBatteryFlag;
  BYTE BackupBatteryLifePercent;
  BYTE Reserved3;
  DWORD BackupBatteryLifeTime;
  DWORD BackupBatteryFullLifeTime;
  DWORD BatteryVoltage;
  DWORD BatteryCurrent;
  DWORD BatteryAverageCurrent;
  DWORD BatteryAverageInterval;
  DWORD BatterymAHourConsumed;
  DWORD BatteryTemperature;
  DWORD BackupBatteryVoltage;
  BYTE BatteryChemistry;
} SYSTEM_POWER_STATUS_EX2, *PSYSTEM_POWER_STATUS_EX2;

// Copies at most length bytes of the status; returns the bytes copied, 0 on failure.
DWORD WINAPI GetSystemPowerStatusEx2(PSYSTEM_POWER_STATUS_EX2 status, DWORD length, BOOL update);
typedef DWORD(WINAPI *PowerStatusEx2Function)(PSYSTEM_POWER_STATUS_EX2 status, DWORD length,
                                              BOOL update);

// Replaces destination by source's bytes and deletes source, all or nothing: both must
// exist. The device's file systems (the object store) do it in one step.
BOOL WINAPI DeleteAndRenameFile(LPCWSTR destination, LPCWSTR source);

}  // extern "C"

#ifdef _WIN32_WCE
// The device's own spellings. Its shell functions are wide under the plain name, its
// GetProcAddressW takes a wide name, and a loaded resource is already its address.
#include <shlobj.h>
#undef SHGetFileInfo
#undef SHGetSpecialFolderPath
#undef ShellExecuteEx
#undef SecureZeroMemory
extern "C" {
DWORD_PTR WINAPI SHGetFileInfo(LPCWSTR path, DWORD attributes, SHFILEINFOW *info, UINT infoSize,
                               UINT flags);
BOOL WINAPI SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);
BOOL WINAPI ShellExecuteEx(SHELLEXECUTEINFOW *info);
FARPROC WINAPI GetProcAddressW(HMODULE module, LPCWSTR name);
}
// The core library, where functions of optional components are looked up.
inline HMODULE CoreLibraryModule() { return GetModuleHandleW(CE_CORE_LIBRARY); }
#define LockResource(loaded) ((LPVOID)(loaded))

// The device's message queue has no hot keys and no raw input: its QS_ALLINPUT (winuser.h)
// is the input, posted, timer, paint and sent messages, 0x7F.
#undef QS_ALLINPUT
#define QS_ALLINPUT (QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE)

// CE_PLANTED_DESKTOP_FIND_DATA leaves the desktop's record in place: a deliberately faulty
// build that ce-run's tests must catch (scripts/build-device.sh, FERROLT_DEVICE_PLANT).
#ifndef CE_PLANTED_DESKTOP_FIND_DATA
// The device's file search record (cecompat/DeviceRecords.h).
inline HANDLE CeFindFirstFileW(LPCWSTR pattern, CE_WIN32_FIND_DATAW *found)
{
  return FindFirstFileW(pattern, reinterpret_cast<LPWIN32_FIND_DATAW>(found));
}
inline BOOL CeFindNextFileW(HANDLE search, CE_WIN32_FIND_DATAW *found)
{
  return FindNextFileW(search, reinterpret_cast<LPWIN32_FIND_DATAW>(found));
}
#undef WIN32_FIND_DATA
#undef FindFirstFile
#undef FindNextFile
#define WIN32_FIND_DATAW CE_WIN32_FIND_DATAW
#define WIN32_FIND_DATA CE_WIN32_FIND_DATAW
#define FindFirstFileW CeFindFirstFileW
#define FindFirstFile CeFindFirstFileW
#define FindNextFileW CeFindNextFileW
#define FindNextFile CeFindNextFileW
#endif

// The device's CreateProcess takes no security attributes, inheritance, environment,
// current folder or start-up record: each must be NULL (FALSE). The caller's record is
// dropped here.
inline BOOL CeCreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                             LPSECURITY_ATTRIBUTES, BOOL, DWORD flags, LPVOID, LPCWSTR,
                             LPSTARTUPINFOW, LPPROCESS_INFORMATION process)
{
  return CreateProcessW(application, commandLine, NULL, NULL, FALSE, flags, NULL, NULL, NULL,
                        process);
}
#undef CreateProcess
#define CreateProcessW CeCreateProcessW
#define CreateProcess CeCreateProcessW

// The device's list-view records (cecompat/DeviceRecords.h): the item ends after iGroupId
// (44 bytes), the column after iOrder (32 bytes), and the key notification is not packed
// (20 bytes). The members the messages use sit where the desktop has them.
#include <commctrl.h>
#undef LVITEM
#undef LVCOLUMN
#undef NMLVDISPINFO
#undef NMLVKEYDOWN
#undef LPNMLVKEYDOWN
#define LVITEMW CE_LVITEMW
#define LVITEM CE_LVITEMW
#define LVCOLUMNW CE_LVCOLUMNW
#define LVCOLUMN CE_LVCOLUMNW
#define NMLVDISPINFOW CE_NMLVDISPINFOW
#define NMLVDISPINFO CE_NMLVDISPINFOW
#define NMLVKEYDOWN CE_NMLVKEYDOWN

// The device's registry has no access rights: the access mask and the options must be 0,
// and a created key takes no class and no security attributes.
inline LONG CeRegOpenKeyExW(HKEY root, LPCWSTR path, DWORD, REGSAM, PHKEY key)
{
  return RegOpenKeyExW(root, path, 0, 0, key);
}
inline LONG CeRegCreateKeyExW(HKEY root, LPCWSTR path, DWORD, LPWSTR, DWORD, REGSAM,
                              LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD disposition)
{
  return RegCreateKeyExW(root, path, 0, NULL, 0, 0, NULL, key, disposition);
}
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#define RegOpenKeyExW CeRegOpenKeyExW
#define RegOpenKeyEx CeRegOpenKeyExW
#define RegCreateKeyExW CeRegCreateKeyExW
#define RegCreateKeyEx CeRegCreateKeyExW

// The device's LoadImage takes no load flags (0): it loads in the default colours and the
// size asked, and what it returns belongs to the caller. A shared icon on the desktop is
// one the caller keeps to the end; on the device that icon is simply never destroyed.
inline HANDLE CeLoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height,
                           UINT)
{
  return LoadImageW(instance, name, type, width, height, 0);
}
#undef LoadImage
#define LoadImageW CeLoadImageW
#define LoadImage CeLoadImageW

// The device's DrawIconEx draws an icon only at its own size (width and height 0, or the
// icon's own), with no animation step and no flicker-free brush. Another size is drawn from
// the icon's bitmaps (cecompat/IconDrawing.h); GetIconInfo and StretchBlt are looked up in
// the core library, and a core library without them draws the icon at its own size.
inline BOOL CeDrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, HBRUSH,
                         UINT flags)
{
  if (width == 0 && height == 0)
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, NULL, flags);
  HMODULE core = CoreLibraryModule();
  if (core == NULL)
    return DrawIconStretched(dc, x, y, icon, width, height, NULL, NULL);
  return DrawIconStretched(
      dc, x, y, icon, width, height,
      reinterpret_cast<IconInfoFunction>(GetProcAddressW(core, L"GetIconInfo")),
      reinterpret_cast<StretchFunction>(GetProcAddressW(core, L"StretchBlt")));
}
#define DrawIconEx CeDrawIconEx

// The device's SetClassLong takes only offsets into the extra class memory and the cursor;
// no other field is passed to it, and the call answers as failed.
inline ULONG_PTR CeSetClassLongPtrW(HWND window, int index, LONG_PTR value)
{
  if (index < 0 && index != GCL_HCURSOR) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return SetClassLongW(window, index, static_cast<LONG>(value));
}
#undef SetClassLongPtrW
#undef SetClassLongPtr
#define SetClassLongPtrW CeSetClassLongPtrW
#define SetClassLongPtr CeSetClassLongPtrW

// The device's system colour indexes carry a flag, so that COLOR_x + 1 given as a class
// brush names the system colour and not a brush handle.
#ifndef SYS_COLOR_INDEX_FLAG
#define SYS_COLOR_INDEX_FLAG 0x40000000
#endif
#undef COLOR_SCROLLBAR
#undef COLOR_BACKGROUND
#undef COLOR_ACTIVECAPTION
#undef COLOR_INACTIVECAPTION
#undef COLOR_MENU
#undef COLOR_WINDOW
#undef COLOR_WINDOWFRAME
#undef COLOR_MENUTEXT
#undef COLOR_WINDOWTEXT
#undef COLOR_CAPTIONTEXT
#undef COLOR_ACTIVEBORDER
#undef COLOR_INACTIVEBORDER
#undef COLOR_APPWORKSPACE
#undef COLOR_HIGHLIGHT
#undef COLOR_HIGHLIGHTTEXT
#undef COLOR_BTNFACE
#undef COLOR_BTNSHADOW
#undef COLOR_GRAYTEXT
#undef COLOR_BTNTEXT
#undef COLOR_INACTIVECAPTIONTEXT
#undef COLOR_BTNHIGHLIGHT
#undef COLOR_3DDKSHADOW
#undef COLOR_3DLIGHT
#undef COLOR_INFOTEXT
#undef COLOR_INFOBK
#undef COLOR_DESKTOP
#undef COLOR_3DFACE
#undef COLOR_3DSHADOW
#undef COLOR_3DHIGHLIGHT
#undef COLOR_3DHILIGHT
#undef COLOR_BTNHILIGHT
#define COLOR_SCROLLBAR (0 | SYS_COLOR_INDEX_FLAG)
#define COLOR_BACKGROUND (1 | SYS_COLOR_INDEX_FLAG)
#define COLOR_ACTIVECAPTION (2 | SYS_COLOR_INDEX_FLAG)
#define COLOR_INACTIVECAPTION (3 | SYS_COLOR_INDEX_FLAG)
#define COLOR_MENU (4 | SYS_COLOR_INDEX_FLAG)
#define COLOR_WINDOW (5 | SYS_COLOR_INDEX_FLAG)
#define COLOR_WINDOWFRAME (6 | SYS_COLOR_INDEX_FLAG)
#define COLOR_MENUTEXT (7 | SYS_COLOR_INDEX_FLAG)
#define COLOR_WINDOWTEXT (8 | SYS_COLOR_INDEX_FLAG)
#define COLOR_CAPTIONTEXT (9 | SYS_COLOR_INDEX_FLAG)
#define COLOR_ACTIVEBORDER (10 | SYS_COLOR_INDEX_FLAG)
#define COLOR_INACTIVEBORDER (11 | SYS_COLOR_INDEX_FLAG)
#define COLOR_APPWORKSPACE (12 | SYS_COLOR_INDEX_FLAG)
#define COLOR_HIGHLIGHT (13 | SYS_COLOR_INDEX_FLAG)
#define COLOR_HIGHLIGHTTEXT (14 | SYS_COLOR_INDEX_FLAG)
#define COLOR_BTNFACE (15 | SYS_COLOR_INDEX_FLAG)
#define COLOR_BTNSHADOW (16 | SYS_COLOR_INDEX_FLAG)
#define COLOR_GRAYTEXT (17 | SYS_COLOR_INDEX_FLAG)
#define COLOR_BTNTEXT (18 | SYS_COLOR_INDEX_FLAG)
#define COLOR_INACTIVECAPTIONTEXT (19 | SYS_COLOR_INDEX_FLAG)
#define COLOR_BTNHIGHLIGHT (20 | SYS_COLOR_INDEX_FLAG)
#define COLOR_3DDKSHADOW (21 | SYS_COLOR_INDEX_FLAG)
#define COLOR_3DLIGHT (22 | SYS_COLOR_INDEX_FLAG)
#define COLOR_INFOTEXT (23 | SYS_COLOR_INDEX_FLAG)
#define COLOR_INFOBK (24 | SYS_COLOR_INDEX_FLAG)
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT

// The core library has no RtlSecureZeroMemory: volatile writes the compiler keeps.
inline void *CeSecureZeroMemory(void *memory, size_t length)
{
  volatile BYTE *byte = static_cast<volatile BYTE *>(memory);
  while (length-- > 0)
    *byte++ = 0;
  return memory;
}
#define SecureZeroMemory CeSecureZeroMemory

#else
// The desktop mapping: device calls a desktop does not answer as a device would.

// SystemParametersInfoW with SPI_GETPLATFORMTYPE answered as a device would; every other
// action goes to the desktop call.
BOOL CeSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni);
#define SystemParametersInfoW CeSystemParametersInfoW

// RegDeleteKeyW as the device has it: the key goes with all its sub-keys.
LONG CeRegDeleteKeyW(HKEY root, LPCWSTR path);
#define RegDeleteKeyW CeRegDeleteKeyW

// CreateWindowExW as the device does it: a top-level window created without caption bits
// has neither caption nor border and its client area is the whole window. Desktop Win32
// gives such a window (style WS_OVERLAPPED) a caption all the same, so it becomes a pop-up.
HWND CeCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                       int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                       LPVOID parameter);
#define CreateWindowExW CeCreateWindowExW

// SHGetFileInfoW for a device path. On the device a path from the root ("\\Windows\\...")
// names the object store; on a desktop it names the current drive, and the desktop shell
// answers such a path only with the drive letter in front.
DWORD_PTR CeSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info, UINT infoSize,
                           UINT flags);
#define SHGetFileInfoW CeSHGetFileInfoW

// GetProcAddressW as the device has it: the entry point's name is wide.
FARPROC CeGetProcAddressW(HMODULE module, LPCWSTR name);
#define GetProcAddressW CeGetProcAddressW

// The module that stands in for the core library: the program's own, where GetProcAddressW
// finds the stand-ins of the core library's optional functions under their device names.
HMODULE CoreLibraryModule();

// GetModuleFileNameW, whose answer for the program's own module (null) a test can set
// with CE_MODULE_PATH_VARIABLE; every other module goes to the desktop call.
DWORD CeGetModuleFileNameW(HMODULE module, LPWSTR path, DWORD capacity);
#define GetModuleFileNameW CeGetModuleFileNameW

// CreateFileW, which opens the device's NDIS user-mode I/O driver by its device name
// (CE_NDISUIO_DEVICE_NAME) while CE_WIRELESS_VARIABLE gives the device one, as a real
// handle the caller closes as usual; every other name goes to the desktop call.
extern "C" HANDLE WINAPI CeCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                       LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                       DWORD flags, HANDLE templateFile);
#undef CreateFile
#define CreateFileW CeCreateFileW
#define CreateFile CeCreateFileW
// DeviceIoControl, which answers for that driver while its handle is the one CeCreateFileW
// gave; every other handle goes to the desktop call.
extern "C" BOOL WINAPI CeDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize,
                                         LPVOID out, DWORD outSize, LPDWORD returned,
                                         LPOVERLAPPED overlapped);
#define DeviceIoControl CeDeviceIoControl
#endif
