#pragma once
// The few pieces of the Windows CE core library that a desktop build does not have.
// Product code includes this header and calls them under their device names. The device
// build (_WIN32_WCE defined) leaves out the desktop mapping at the end.
#include <windows.h>
#include <shellapi.h>
#include "Common/NullPtr.h"

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
// The path of the program file a desktop run answers for its own module, as a device names
// the installed launcher ("\Application\Ferrolt\Ferrolt.exe"): for a launcher that runs
// inside a test program. Unset: the real path.
#define CE_MODULE_PATH_VARIABLE L"FERROLT_MODULE_PATH"

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

BOOL WINAPI GetSystemPowerStatusEx(PSYSTEM_POWER_STATUS_EX status, BOOL update);

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
#define LockResource(loaded) ((LPVOID)(loaded))

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

// GetModuleFileNameW, whose answer for the program's own module (null) a test can set
// with CE_MODULE_PATH_VARIABLE; every other module goes to the desktop call.
DWORD CeGetModuleFileNameW(HMODULE module, LPWSTR path, DWORD capacity);
#define GetModuleFileNameW CeGetModuleFileNameW
#endif
