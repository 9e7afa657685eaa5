#pragma once
// The records the device's core library and common controls exchange, in the device's own
// shapes (32-bit ARM: 4-byte pointers and handles, natural alignment). One definition
// serves both sides: the device build names them through cecompat/CePlatform.h, and
// ce-run, which runs the device's code on a 64-bit host, reads and writes device memory
// through them with CE_DEVICE_RECORDS_AS_NUMBERS defined, where each pointer or handle
// member is the 32-bit number the device holds. tests/device_shapes.cpp holds the device
// build to the documented sizes and offsets; ce-run holds its view to the same sizes.
#include <windows.h>

#ifdef CE_DEVICE_RECORDS_AS_NUMBERS
#define CE_DEVICE_POINTER(type) DWORD
#else
#define CE_DEVICE_POINTER(type) type
#endif

// The device's notification header: window, control id and code, 12 bytes.
typedef struct _CE_NMHDR {
  CE_DEVICE_POINTER(HWND) hwndFrom;
  CE_DEVICE_POINTER(UINT_PTR) idFrom;
  UINT code;
} CE_NMHDR;

// The device's list-view item ends after iGroupId: 44 bytes (the desktop's 60 or more).
typedef struct _CE_LVITEMW {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  CE_DEVICE_POINTER(LPWSTR) pszText;
  int cchTextMax;
  int iImage;
  CE_DEVICE_POINTER(LPARAM) lParam;
  int iIndent;
  int iGroupId;
} CE_LVITEMW;

// The device's list-view column ends after iOrder: 32 bytes.
typedef struct _CE_LVCOLUMNW {
  UINT mask;
  int fmt;
  int cx;
  CE_DEVICE_POINTER(LPWSTR) pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
} CE_LVCOLUMNW;

// LVN_GETDISPINFOW: the header and the item, 56 bytes.
typedef struct _CE_NMLVDISPINFOW {
#ifdef CE_DEVICE_RECORDS_AS_NUMBERS
  CE_NMHDR hdr;
#else
  NMHDR hdr;
#endif
  CE_LVITEMW item;
} CE_NMLVDISPINFOW;

// LVN_KEYDOWN: the device's headers do not pack it, so flags lies at 16 and the record is
// 20 bytes (the desktop's packed one is 18).
typedef struct _CE_NMLVKEYDOWN {
#ifdef CE_DEVICE_RECORDS_AS_NUMBERS
  CE_NMHDR hdr;
#else
  NMHDR hdr;
#endif
  WORD wVKey;
  UINT flags;
} CE_NMLVKEYDOWN;

// File search: no reserved words and no alternate name, so the name starts at offset 40
// (the desktop's at 44) and the record is 560 bytes, not 592.
typedef struct _CE_WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
} CE_WIN32_FIND_DATAW;
