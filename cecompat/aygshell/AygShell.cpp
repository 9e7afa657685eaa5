// Stand-in for the Windows Mobile shell library. Every call appends one line to the file
// named by FERROLT_AYGSHELL_LOG (when set), so a test or a person previewing a device can
// see what the launcher asked for; a call the device would refuse says so at its end. FERROLT_AYGSHELL_MENUBAR_ERROR=<code> makes
// SHCreateMenuBar fail with that last error.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "cecompat/AygShell.h"

#define LOG_VARIABLE L"FERROLT_AYGSHELL_LOG"
#define MENU_BAR_ERROR_VARIABLE L"FERROLT_AYGSHELL_MENUBAR_ERROR"

enum { MENU_BAR_BUTTONS = 3, LINE_CAPACITY = 256, PATH_CAPACITY = 260 };

static void RecordCall(const char *line)
{
  wchar_t path[PATH_CAPACITY];
  DWORD length = GetEnvironmentVariableW(LOG_VARIABLE, path, PATH_CAPACITY);
  if (length == 0 || length >= PATH_CAPACITY)
    return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
  CloseHandle(file);
}

// The error a test asked SHCreateMenuBar to fail with, or 0.
static DWORD RequestedMenuBarError()
{
  wchar_t text[32];
  DWORD length = GetEnvironmentVariableW(MENU_BAR_ERROR_VARIABLE, text, 32);
  if (length == 0 || length >= 32)
    return 0;
  return wcstoul(text, nullptr, 10);
}

static unsigned long long HandleValue(const void *handle)
{
  return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle));
}

extern "C" BOOL WINAPI SHFullScreen(HWND window, DWORD state)
{
  bool live = IsWindow(window) != FALSE;
  char line[LINE_CAPACITY];
  snprintf(line, sizeof(line), "SHFullScreen window=%llX state=0x%lX%s\r\n", HandleValue(window),
           static_cast<unsigned long>(state), live ? "" : " refused: no such window");
  RecordCall(line);
  if (!live) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// A tool bar along the bottom of the parent with a few buttons, as the device's menu bar
// has before the launcher empties it.
static HWND CreateBottomBar(HWND parent, HINSTANCE instance)
{
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM |
                             TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0, 0, 0, parent, nullptr,
                             instance, nullptr);
  if (bar == nullptr)
    return nullptr;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  static const wchar_t *const labels[MENU_BAR_BUTTONS] = {L"Menu", L"Edit", L"View"};
  TBBUTTON buttons[MENU_BAR_BUTTONS] = {};
  for (int i = 0; i < MENU_BAR_BUTTONS; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = 100 + i;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    buttons[i].iString = reinterpret_cast<INT_PTR>(labels[i]);
  }
  SendMessageW(bar, TB_ADDBUTTONSW, MENU_BAR_BUTTONS, reinterpret_cast<LPARAM>(buttons));
  SendMessageW(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

extern "C" BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *info)
{
  if (info == nullptr) {
    RecordCall("SHCreateMenuBar info=null\r\n");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char line[LINE_CAPACITY];
  snprintf(line, sizeof(line),
           "SHCreateMenuBar size=%lu parent=%llX flags=0x%lX toolbar=%u instance=%llX bitmap=%d "
           "images=%d background=%lu\r\n",
           static_cast<unsigned long>(info->cbSize), HandleValue(info->hwndParent),
           static_cast<unsigned long>(info->dwFlags), info->nToolBarId,
           HandleValue(info->hInstRes), info->nBmpId, info->cBmpImages,
           static_cast<unsigned long>(info->clrBk));
  RecordCall(line);

  DWORD requested = RequestedMenuBarError();
  if (requested != 0) {
    SetLastError(requested);
    return FALSE;
  }
  if (info->cbSize != sizeof(SHMENUBARINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsWindow(info->hwndParent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  HWND bar = CreateBottomBar(info->hwndParent, info->hInstRes);
  if (bar == nullptr)
    return FALSE;
  info->hwndMB = bar;
  return TRUE;
}
