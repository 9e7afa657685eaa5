// Texts given as text or string id, window titles, the platform type and the battery.
#include "Common/StdInit.h"

#include <wchar.h>

void LoadTextOrId(TextOrId value, wchar_t *buffer, int capacity)
{
  if (buffer == nullptr || capacity <= 0)
    return;
  buffer[0] = 0;
  if (value == nullptr)
    return;
  if (!IsTextId(value)) {
    CopyText(buffer, static_cast<size_t>(capacity), value);
    return;
  }
  UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(value));
  if (LoadStringW(g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr), id,
                  buffer, capacity) <= 0)
    _snwprintf(buffer, static_cast<size_t>(capacity), L"#%u", id);
  buffer[capacity - 1] = 0;
}

void SetDialogItemText(HWND dialog, int controlId, TextOrId text, HFONT font)
{
  if (controlId == 0)
    return;
  HWND control = GetDlgItem(dialog, controlId);
  if (control == nullptr)
    return;
  if (font != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  wchar_t buffer[TEXT_CAPACITY];
  LoadTextOrId(text, buffer, TEXT_CAPACITY);
  SetWindowTextW(control, buffer);
}

void SetWindowTitle(HWND window, TextOrId text)
{
  if (window == nullptr)
    return;
  wchar_t buffer[TEXT_CAPACITY] = {0};
  if (text == nullptr)
    GetWindowTextW(window, buffer, TEXT_CAPACITY);
  else
    LoadTextOrId(text, buffer, TEXT_CAPACITY);
  SetWindowTextW(window, buffer);
  UpdateWindow(window);
}

void FormatStringById(wchar_t *buffer, int capacity, TextOrId format, ULONG_PTR argument,
                      ULONG_PTR second)
{
  if (buffer == nullptr || capacity <= 0)
    return;
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(format, pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters; a larger scratch keeps it inside bounds.
  wchar_t scratch[1025];
  wsprintfW(scratch, pattern, argument, second);
  scratch[1024] = 0;
  CopyText(buffer, static_cast<size_t>(capacity), scratch);
}

void BringWindowToFront(HWND window)
{
  // The window may be another process's: the device refuses SetWindowLong on it and
  // SetFocus belongs to the window's own thread, so the rest is the window's own work.
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  PostMessageW(window, MSG_BROUGHT_TO_FRONT, 0, 0);
}

void OnBroughtToFront(HWND window)
{
  SetFocus(window);
  if (!IsPocketPC()) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    if ((style & WS_POPUP) == 0)
      SetWindowLongW(window, GWL_STYLE, style | WS_POPUP);
  }
}

bool IsPocketPC()
{
  wchar_t type[TEXT_CAPACITY] = {0};
  // The size is a count of characters, not bytes.
  if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, TEXT_CAPACITY, type, 0))
    return false;
  type[TEXT_CAPACITY - 1] = 0;
  return wcscmp(type, L"PocketPC") == 0;
}

int GetBatteryLevel()
{
  SYSTEM_POWER_STATUS_EX status;
  if (!ReadPowerStatusEx(&status))
    return 3;
  switch (status.BatteryFlag) {
  case BATTERY_FLAG_HIGH:
    return 0;
  case BATTERY_FLAG_LOW:
    return 1;
  case BATTERY_FLAG_CRITICAL:
    return 2;
  default:
    return 3;
  }
}
