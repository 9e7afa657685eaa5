// The plainest program that shows what the launcher shows at start-up: a full-screen
// window with a list view of 16 programs and an Exit item, three columns with headings,
// each row's icon converted once. It reads no configuration. Closes on WM_CLOSE.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <wchar.h>

#include "bench/support/BenchSupport.h"

enum { ENTRIES = 16, ROWS = ENTRIES + 1, LIST_ID = 1000 };

static LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static void FillList(HWND list, HINSTANCE instance)
{
  HIMAGELIST small = ImageList_Create(16, 16, ILC_MASK, ROWS, 0);
  HIMAGELIST large = ImageList_Create(32, 32, ILC_MASK, ROWS, 0);
  wchar_t program[MAX_PATH];
  GetFullPathNameW(L"\\Windows\\notepad.exe", MAX_PATH, program, nullptr);
  HICON programSmall = BenchShellIcon(program, SHGFI_SMALLICON);
  HICON programLarge = BenchShellIcon(program, 0);
  HICON exitSmall = LoadIconW(instance, MAKEINTRESOURCEW(427));
  for (int row = 0; row < ROWS; ++row) {
    ImageList_ReplaceIcon(small, -1, row < ENTRIES ? programSmall : exitSmall);
    ImageList_ReplaceIcon(large, -1, row < ENTRIES ? programLarge : exitSmall);
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
  static const wchar_t *headings[] = {L"Description", L"Name", L"Command"};
  RECT area;
  GetClientRect(list, &area);
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.cx = area.right / 3;
    column.pszText = const_cast<wchar_t *>(headings[c]);
    column.iSubItem = c;
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int row = 0; row < ROWS; ++row) {
    wchar_t text[32];
    swprintf(text, 32, row < ENTRIES ? L"Program %d" : L"Exit", row + 1);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iImage = row;
    item.pszText = text;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = program;
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    swprintf(text, 32, L"-file %d", row + 1);
    item.iSubItem = 2;
    item.pszText = text;
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
  InitCommonControls();
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"PlainListClass";
  RegisterClassW(&windowClass);
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  HWND window = CreateWindowExW(0, L"PlainListClass", L"Plain", WS_POPUP | WS_VISIBLE, area.left,
                                area.top, area.right - area.left, area.bottom - area.top,
                                nullptr, nullptr, instance, nullptr);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT,
                              0, 0, area.right - area.left, area.bottom - area.top, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(LIST_ID)), instance,
                              nullptr);
  FillList(list, instance);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
