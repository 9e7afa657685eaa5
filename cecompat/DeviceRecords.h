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

// The NDIS user-mode I/O driver, which answers queries of the network adapters' NDIS
// objects (nuiouser.h, ntddndis.h): its device name, its two query controls (device type
// network, buffered, any access) and the objects the launcher asks for.
#define CE_NDISUIO_DEVICE_NAME L"UIO1:"
#define CE_IOCTL_NDISUIO_QUERY_OID_VALUE 0x00120804
#define CE_IOCTL_NDISUIO_QUERY_BINDING 0x0012080C
#define CE_OID_GEN_MEDIA_CONNECT_STATUS 0x00010114
#define CE_OID_802_11_SSID 0x0D010102
#define CE_NDIS_MEDIA_STATE_CONNECTED 0
#define CE_NDIS_802_11_SSID_CAPACITY 32

// One adapter the driver is bound to, asked for by its 0-based index: the driver writes
// the adapter's name and description (UTF-16) after the record, each at its offset from the
// record's start with its length in bytes. 20 bytes.
typedef struct _CE_NDISUIO_QUERY_BINDING {
  ULONG BindingIndex;
  ULONG DeviceNameOffset;
  ULONG DeviceNameLength;
  ULONG DeviceDescrOffset;
  ULONG DeviceDescrLength;
} CE_NDISUIO_QUERY_BINDING;

// A wireless network's name: up to 32 bytes, not terminated. 36 bytes.
typedef struct _CE_NDIS_802_11_SSID {
  ULONG SsidLength;
  UCHAR Ssid[CE_NDIS_802_11_SSID_CAPACITY];
} CE_NDIS_802_11_SSID;

// A query of one object of the adapter the name points at (a terminated UTF-16 text in the
// caller's memory); the answer replaces the data in place. With a four-byte answer
// (OID_GEN_MEDIA_CONNECT_STATUS): 12 bytes, the data at 8.
typedef struct _CE_NDISUIO_QUERY_OID {
  ULONG Oid;
  CE_DEVICE_POINTER(WCHAR *) ptcDeviceName;
  UCHAR Data[sizeof(ULONG)];
} CE_NDISUIO_QUERY_OID;

// The same query with the SSID record as its data (OID_802_11_SSID): 44 bytes.
typedef struct _CE_NDISUIO_QUERY_SSID {
  ULONG Oid;
  CE_DEVICE_POINTER(WCHAR *) ptcDeviceName;
  CE_NDIS_802_11_SSID Ssid;
} CE_NDISUIO_QUERY_SSID;
