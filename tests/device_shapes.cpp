// The records the launcher and the setup extension exchange with the device, as the device
// build declares them, held against the device's own documented shapes (Windows CE 5.0,
// Embedded CE 6.0 and Compact 2013 agree on each): 32-bit ARM, 4-byte pointers and handles.
// The numbers are written from the documented member lists, never computed from a header,
// so a record declared with the desktop's shape stops the device build and names itself.
// Checked by compiling alone for both device sets, ARMv7 (clang) and ARMV4I (arm-none-eabi-gcc)
// (scripts/build-device.sh --shapes); nothing here runs.
// Only the members the product reads or writes, and the size where the size travels
// (cbSize members, sizeof given to the platform, records the platform fills or reads
// whole).
#include <stddef.h>

#include "cecompat/AygShell.h"
#include "cecompat/CePlatform.h"
#include "cecompat/cedb/CeDatabase.h"
#include <commctrl.h>
#include <wincrypt.h>

// C++03 has no static_assert: an array of negative size fails and its name tells which.
#define DEVICE_SHAPE(name, actual, expected) typedef char name[(actual) == (expected) ? 1 : -1]
#define SIZE_IS(type, bytes) DEVICE_SHAPE(type##_size_is_not_the_devices, sizeof(type), bytes)
#define AT(type, member, offset)                                                       \
  DEVICE_SHAPE(type##_##member##_offset_is_not_the_devices, offsetof(type, member), offset)

// File search (FindFirstFileW, FindNextFileW): no reserved words, no alternate name.
SIZE_IS(WIN32_FIND_DATAW, 560);
AT(WIN32_FIND_DATAW, dwFileAttributes, 0);
AT(WIN32_FIND_DATAW, ftCreationTime, 4);
AT(WIN32_FIND_DATAW, ftLastAccessTime, 12);
AT(WIN32_FIND_DATAW, ftLastWriteTime, 20);
AT(WIN32_FIND_DATAW, nFileSizeHigh, 28);
AT(WIN32_FIND_DATAW, nFileSizeLow, 32);
AT(WIN32_FIND_DATAW, cFileName, 40);

// GetFileAttributesExW (GetFileExInfoStandard).
SIZE_IS(WIN32_FILE_ATTRIBUTE_DATA, 36);
AT(WIN32_FILE_ATTRIBUTE_DATA, ftLastWriteTime, 20);
AT(WIN32_FILE_ATTRIBUTE_DATA, nFileSizeHigh, 28);
AT(WIN32_FILE_ATTRIBUTE_DATA, nFileSizeLow, 32);

// CreateProcessW.
SIZE_IS(PROCESS_INFORMATION, 16);
AT(PROCESS_INFORMATION, hProcess, 0);
AT(PROCESS_INFORMATION, hThread, 4);

// SHGetFileInfo (the size is passed).
SIZE_IS(SHFILEINFOW, 692);
AT(SHFILEINFOW, hIcon, 0);

// ShellExecuteEx (cbSize).
SIZE_IS(SHELLEXECUTEINFOW, 60);
AT(SHELLEXECUTEINFOW, fMask, 4);
AT(SHELLEXECUTEINFOW, hwnd, 8);
AT(SHELLEXECUTEINFOW, lpVerb, 12);
AT(SHELLEXECUTEINFOW, lpFile, 16);
AT(SHELLEXECUTEINFOW, lpParameters, 20);
AT(SHELLEXECUTEINFOW, lpDirectory, 24);
AT(SHELLEXECUTEINFOW, nShow, 28);
AT(SHELLEXECUTEINFOW, hProcess, 56);

// List view: LVM_INSERTITEMW, LVM_SETITEMTEXTW, LVM_SETITEMSTATE, LVN_GETDISPINFOW.
SIZE_IS(LVITEMW, 44);
AT(LVITEMW, mask, 0);
AT(LVITEMW, iItem, 4);
AT(LVITEMW, iSubItem, 8);
AT(LVITEMW, state, 12);
AT(LVITEMW, stateMask, 16);
AT(LVITEMW, pszText, 20);
AT(LVITEMW, iImage, 28);
AT(LVITEMW, lParam, 32);
SIZE_IS(LVCOLUMNW, 32);
AT(LVCOLUMNW, mask, 0);
AT(LVCOLUMNW, fmt, 4);
AT(LVCOLUMNW, cx, 8);
AT(LVCOLUMNW, pszText, 12);
AT(LVCOLUMNW, iSubItem, 20);
AT(LVCOLUMNW, iOrder, 28);
SIZE_IS(NMHDR, 12);
AT(NMHDR, idFrom, 4);
AT(NMHDR, code, 8);
SIZE_IS(NMLVDISPINFOW, 56);
AT(NMLVDISPINFOW, item, 12);
SIZE_IS(NMLVKEYDOWN, 20);
AT(NMLVKEYDOWN, wVKey, 12);
AT(NMLVKEYDOWN, flags, 16);

// Fonts and text.
SIZE_IS(LOGFONTW, 92);
AT(LOGFONTW, lfHeight, 0);
AT(LOGFONTW, lfWeight, 16);
AT(LOGFONTW, lfCharSet, 23);
AT(LOGFONTW, lfFaceName, 28);
AT(TEXTMETRICW, tmHeight, 0);

// Owner drawing, painting, messages, classes, bitmaps.
SIZE_IS(DRAWITEMSTRUCT, 48);
AT(DRAWITEMSTRUCT, CtlID, 4);
AT(DRAWITEMSTRUCT, hDC, 24);
SIZE_IS(PAINTSTRUCT, 64);
AT(PAINTSTRUCT, hdc, 0);
AT(PAINTSTRUCT, rcPaint, 8);
SIZE_IS(MSG, 28);
AT(MSG, message, 4);
AT(MSG, wParam, 8);
AT(MSG, lParam, 12);
SIZE_IS(WNDCLASSW, 40);
AT(WNDCLASSW, style, 0);
AT(WNDCLASSW, lpfnWndProc, 4);
AT(WNDCLASSW, hInstance, 16);
AT(WNDCLASSW, hbrBackground, 28);
AT(WNDCLASSW, lpszClassName, 36);
SIZE_IS(BITMAP, 24);
AT(BITMAP, bmWidth, 4);
AT(BITMAP, bmHeight, 8);
SIZE_IS(SYSTEMTIME, 16);
SIZE_IS(RECT, 16);
SIZE_IS(DLGTEMPLATE, 18);

// The Windows Mobile shell's menu bar (cbSize).
SIZE_IS(SHMENUBARINFO, 36);
AT(SHMENUBARINFO, hwndParent, 4);
AT(SHMENUBARINFO, dwFlags, 8);
AT(SHMENUBARINFO, nToolBarId, 12);
AT(SHMENUBARINFO, hInstRes, 16);
AT(SHMENUBARINFO, hwndMB, 28);

// Power (the length is passed to GetSystemPowerStatusEx2).
SIZE_IS(SYSTEM_POWER_STATUS_EX, 24);
AT(SYSTEM_POWER_STATUS_EX, BatteryFlag, 1);
SIZE_IS(SYSTEM_POWER_STATUS_EX2, 56);
AT(SYSTEM_POWER_STATUS_EX2, ACLineStatus, 0);
AT(SYSTEM_POWER_STATUS_EX2, BatteryFlag, 1);
AT(SYSTEM_POWER_STATUS_EX2, BatteryLifePercent, 2);
AT(SYSTEM_POWER_STATUS_EX2, BatteryLifeTime, 4);
AT(SYSTEM_POWER_STATUS_EX2, BatteryVoltage, 24);
AT(SYSTEM_POWER_STATUS_EX2, BatteryChemistry, 52);

// The software-management database (CeReadRecordPropsEx fills an array of these).
SIZE_IS(CEPROPVAL, 16);
AT(CEPROPVAL, propid, 0);
AT(CEPROPVAL, val, 8);
SIZE_IS(CEGUID, 16);

// The password's HMAC (CryptImportKey, CryptSetHashParam).
SIZE_IS(BLOBHEADER, 8);
AT(BLOBHEADER, aiKeyAlg, 4);
SIZE_IS(HMAC_INFO, 20);
AT(HMAC_INFO, HashAlgid, 0);

// The device's calling convention where the compiler decides it: enumerations are int
// sized, wchar_t is 16-bit unsigned, plain char is signed, and a 64-bit member (a double,
// a 64-bit integer) lies on an 8-byte boundary within a record, as in CEPROPVAL above.
enum DeviceEnumeration { DEVICE_ENUMERATION_SMALL = 1 };
DEVICE_SHAPE(enumerations_are_not_int_sized, sizeof(DeviceEnumeration), 4);
DEVICE_SHAPE(wchar_t_is_not_16_bits, sizeof(wchar_t), 2);
DEVICE_SHAPE(wchar_t_is_not_unsigned, static_cast<wchar_t>(-1) > 0, true);
DEVICE_SHAPE(char_is_not_signed, static_cast<char>(-1) < 0, true);
struct DeviceWordThenDouble {
  DWORD word;
  double value;
};
struct DeviceWordThenInteger {
  DWORD word;
  ULONGLONG value;
};
AT(DeviceWordThenDouble, value, 8);
AT(DeviceWordThenInteger, value, 8);
SIZE_IS(DeviceWordThenInteger, 16);
SIZE_IS(CEVALUNION, 8);
SIZE_IS(LARGE_INTEGER, 8);
SIZE_IS(FILETIME, 8);

// The NDIS user-mode I/O driver's queries (DeviceIoControl: the sizes are passed).
SIZE_IS(CE_NDISUIO_QUERY_BINDING, 20);
AT(CE_NDISUIO_QUERY_BINDING, DeviceNameOffset, 4);
AT(CE_NDISUIO_QUERY_BINDING, DeviceNameLength, 8);
SIZE_IS(CE_NDIS_802_11_SSID, 36);
AT(CE_NDIS_802_11_SSID, Ssid, 4);
SIZE_IS(CE_NDISUIO_QUERY_OID, 12);
AT(CE_NDISUIO_QUERY_OID, ptcDeviceName, 4);
AT(CE_NDISUIO_QUERY_OID, Data, 8);
SIZE_IS(CE_NDISUIO_QUERY_SSID, 44);
AT(CE_NDISUIO_QUERY_SSID, Ssid, 8);

// Values the device defines differently from the desktop.
DEVICE_SHAPE(COLOR_WINDOW_is_not_the_devices, COLOR_WINDOW, 0x40000005);
DEVICE_SHAPE(COLOR_BTNFACE_is_not_the_devices, COLOR_BTNFACE, 0x4000000F);
DEVICE_SHAPE(COLOR_BTNTEXT_is_not_the_devices, COLOR_BTNTEXT, 0x40000012);

// Calls whose arguments the device restricts go through the device build's own versions
// (cecompat/CePlatform.h), which pass what the device accepts.
#if !defined(CreateProcessW) || !defined(RegOpenKeyExW) || !defined(RegCreateKeyExW) || \
    !defined(LoadImageW) || !defined(FindFirstFileW) || !defined(FindNextFileW) || \
    !defined(DrawIconEx)
#error "a call reaches the device with the desktop's arguments"
#endif
