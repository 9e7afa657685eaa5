#pragma once
// The Windows Mobile shell library's declarations that a desktop build lacks. The launcher
// loads the library by name and looks these entry points up itself.
#include <windows.h>

// SHFullScreen state bits.
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

// SHCreateMenuBar flags.
#define SHCMBF_EMPTYBAR 0x0001

// On the 32-bit device this record is 36 bytes. A 64-bit desktop build keeps the same
// fields with their real types, so it is larger there; cbSize always carries sizeof.
typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

typedef BOOL(WINAPI *SHFullScreenProc)(HWND window, DWORD state);
typedef BOOL(WINAPI *SHCreateMenuBarProc)(SHMENUBARINFO *info);
