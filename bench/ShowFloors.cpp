// The show benchmark's floors (ShowFloors.h).
#include "bench/ShowFloors.h"

#include <shellapi.h>

#include <wchar.h>

#include "Common/StdInit.h"
#include "bench/support/BenchSupport.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "resources/resource.h"

void ReleasePlainShow(PlainShow *show)
{
  if (show->window != nullptr)
    DestroyWindow(show->window);
  if (show->small != nullptr)
    ImageList_Destroy(show->small);
  if (show->large != nullptr)
    ImageList_Destroy(show->large);
  show->window = nullptr;
  show->small = show->large = nullptr;
}

static HICON RowIcon(const PlainShow &show, int row, bool small)
{
  if (row == ENTRIES)
    return small ? show.exitSmall : show.exitLarge;
  if (row == ENTRIES + 1)
    return small ? show.backSmall : show.backLarge;
  return small ? show.programSmall : show.programLarge;
}

static int RowImage(const PlainShow &show, int row)
{
  if (!show.lean)
    return row;
  return row < ENTRIES ? 0 : row - ENTRIES + 1;
}

static void PlainListShow(PlainShow *show)
{
  ReleasePlainShow(show);
  RECT area;
  GetClientRect(g_app.mainWindow, &area);
  DWORD view = show->mode == MODE_LIST          ? LVS_LIST
               : show->mode == MODE_SMALL_ICONS ? LVS_SMALLICON
               : show->mode == MODE_LARGE_ICONS ? LVS_ICON
                                                : LVS_REPORT;
  show->window = CreateWindowExW(0, WC_LISTVIEWW, L"Bench",
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_SINGLESEL |
                                     LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | view,
                                 0, 0, area.right, area.bottom, g_app.mainWindow, nullptr,
                                 g_app.instance, nullptr);
  show->small = ImageList_Create(16, 16, ILC_MASK, ROWS, 0);
  show->large = ImageList_Create(32, 32, ILC_MASK, ROWS, 0);
  int images = show->lean ? 3 : ROWS;
  for (int i = 0; i < images; ++i) {
    int row = show->lean ? (i == 0 ? 0 : ENTRIES + i - 1) : i;
    ImageList_ReplaceIcon(show->small, -1, RowIcon(*show, row, true));
    ImageList_ReplaceIcon(show->large, -1, RowIcon(*show, row, false));
  }
  SendMessageW(show->window, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(show->small));
  SendMessageW(show->window, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(show->large));
  static const wchar_t *headings[] = {L"Description", L"Name", L"Command"};
  int columns = show->mode == MODE_DETAILS ? 3 : show->mode == MODE_LIST ? 1 : 0;
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.cx = area.right / 3;
    column.pszText = const_cast<wchar_t *>(headings[c]);
    column.iSubItem = c;
    SendMessageW(show->window, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(show->window, WM_SETREDRAW, FALSE, 0);
  for (int row = 0; row < ROWS; ++row) {
    wchar_t text[32];
    swprintf(text, 32, L"Program %d", row + 1);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iImage = RowImage(*show, row);
    item.pszText = text;
    SendMessageW(show->window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < columns; ++c)
      SendMessageW(show->window, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(show->window, WM_SETREDRAW, TRUE, 0);
  LVITEMW selected = {};
  selected.stateMask = selected.state = LVIS_SELECTED;
  SendMessageW(show->window, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
  UpdateWindow(show->window);
  PumpPending();
}

HICON ResourceIcon(int id, int size)
{
  return static_cast<HICON>(
      LoadImageW(g_app.instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

// Menu bars the plain way: a container and, per row that fits, a label with the item
// font and the item's icon beside it.
static void PlainMenuShow(PlainShow *show)
{
  ReleasePlainShow(show);
  RECT area;
  GetClientRect(g_app.mainWindow, &area);
  show->window = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 0, 0, area.right, area.bottom, g_app.mainWindow, nullptr,
                                 g_app.instance, nullptr);
  LOGFONTW font = {};
  font.lfHeight = -16;
  font.lfWeight = 600;
  wcscpy(font.lfFaceName, L"Arial");
  HFONT itemFont = CreateFontIndirectW(&font);
  int rows = area.bottom / 50;
  for (int row = 0; row < rows && row < ROWS; ++row) {
    wchar_t text[32];
    swprintf(text, 32, L"Program %d", row + 1);
    HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP,
                                 60, row * 50 + 15, area.right - 100, 20, show->window, nullptr,
                                 g_app.instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), FALSE);
    HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON,
                                   10, row * 50 + 9, 32, 32, show->window, nullptr,
                                   g_app.instance, nullptr);
    SendMessageW(picture, STM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(RowIcon(*show, row, false)));
  }
  UpdateWindow(show->window);
  PumpPending();
  DestroyWindow(show->window);
  show->window = nullptr;
  DeleteObject(itemFont);
}

// Menu bars the fair way: exactly the controls the design makes (per visible row the bar,
// its label and its icon; the header picture when there is one; the two arrows), with the
// same font, brushes, colours and icons, painted once and torn down; no registry, no
// checks, no state kept between two shows. Geometry and colours come from the launcher's
// settings record, read before the rounds.
struct FairMenu {
  DisplaySettings settings;
  RECT area;
  LONG fontHeight;
  int shownRows;
  int arrowWidth;
  HBRUSH areaBrush, itemBrush, selectedBrush;
  HWND container;
  HWND icons[ROWS];
  HICON itemIcons[ROWS];
};
static FairMenu s_fair;
static const wchar_t kFairClass[] = L"BenchFairMenu";

static LRESULT CALLBACK FairMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  const DisplaySettings &settings = s_fair.settings;
  if (message == WM_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    // Row 0 holds the selection after a show; its controls have ids 1 to 3.
    bool selected = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != 0;
    SetTextColor(dc, selected ? settings.selectedMenuItemTextColor : settings.menuItemTextColor);
    SetBkColor(dc, selected ? settings.selectedMenuItemBackgroundColor
                            : settings.menuItemBackgroundColor);
    return reinterpret_cast<LRESULT>(selected ? s_fair.selectedBrush : s_fair.itemBrush);
  }
  if (message != WM_PAINT)
    return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  int rowHeight = settings.menuItemHeight;
  int iconWidth = static_cast<int>(settings.menuItemIconWidth);
  int size = 2 * (iconWidth < rowHeight ? iconWidth : rowHeight) / 3;
  for (int j = 0; j < s_fair.shownRows; ++j) {
    HDC iconDc = GetDC(s_fair.icons[j]);
    DrawIconEx(iconDc, (iconWidth - size) / 2, (rowHeight - size) / 2, s_fair.itemIcons[j], size,
               size, 0, nullptr, DI_NORMAL);
    ReleaseDC(s_fair.icons[j], iconDc);
    ValidateRect(s_fair.icons[j], nullptr);
  }
  HDC dc = GetDC(window);
  FillRect(dc, &s_fair.area, s_fair.areaBrush);
  ValidateRect(window, nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, settings.separatorColor);
  HGDIOBJ previous = SelectObject(dc, pen);
  for (int j = 0; j < s_fair.shownRows; ++j) {
    int y = (settings.headerBitmap != nullptr ? static_cast<int>(settings.bitmapHeight) : 0) +
            rowHeight * (j + 1) - 1;
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, s_fair.area.right, y);
  }
  SelectObject(dc, previous);
  DeleteObject(pen);
  ReleaseDC(window, dc);
  EndPaint(window, &paint);
  return 1;
}

// Takes the geometry and colours of the menu bars the launcher shows now.
void PrepareFairMenu()
{
  s_fair.settings = g_settings;
  GetUsableArea(&s_fair.area);
  HDC dc = GetDC(g_app.mainWindow);
  s_fair.fontHeight = -GetDeviceCaps(dc, LOGPIXELSY) * static_cast<LONG>(g_settings.menuItemFontSize) / 72;
  ReleaseDC(g_app.mainWindow, dc);
  int top = g_settings.headerBitmap != nullptr ? static_cast<int>(g_settings.bitmapHeight) : 0;
  int rows = (s_fair.area.bottom - s_fair.area.top - top) / g_settings.menuItemHeight;
  s_fair.shownRows = rows < ROWS ? rows : ROWS;
  s_fair.arrowWidth = g_app.highResolution ? 64 : 32;
  for (int j = 0; j < ROWS; ++j)
    s_fair.itemIcons[j] = j < ENTRIES ? g_entries.entries[j].largeIcon : nullptr;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = FairMenuProc;
  windowClass.hInstance = g_app.instance;
  windowClass.lpszClassName = kFairClass;
  RegisterClassW(&windowClass);
}

static HWND FairStatic(DWORD style, const wchar_t *text, int id, int x, int y, int width,
                       int height)
{
  return CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_CLIPSIBLINGS | style, x, y, width,
                         height, s_fair.container, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         g_app.instance, nullptr);
}

void FairMenuShow(void *)
{
  const DisplaySettings &settings = s_fair.settings;
  s_fair.areaBrush = CreateSolidBrush(settings.menuAreaBackgroundColor);
  s_fair.itemBrush = CreateSolidBrush(settings.menuItemBackgroundColor);
  s_fair.selectedBrush = CreateSolidBrush(settings.selectedMenuItemBackgroundColor);
  LOGFONTW font = {};
  font.lfHeight = s_fair.fontHeight;
  font.lfWeight = 600;
  wcsncpy(font.lfFaceName, settings.menuItemFont, LF_FACESIZE - 1);
  HFONT itemFont = CreateFontIndirectW(&font);
  HICON up = ResourceIcon(IDI_ARROW_UP, 16);
  HICON down = ResourceIcon(IDI_ARROW_DOWN, 16);
  int width = s_fair.area.right - s_fair.area.left;
  s_fair.container = CreateWindowExW(0, kFairClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                     0, 0, width, s_fair.area.bottom - s_fair.area.top,
                                     g_app.mainWindow, nullptr, g_app.instance, nullptr);
  int top = settings.headerBitmap != nullptr ? static_cast<int>(settings.bitmapHeight) : 0;
  int rowHeight = settings.menuItemHeight;
  // A new control goes beneath those made before it: the arrows first, then the header,
  // then per row the icon, the label and the bar beneath them.
  HWND downArrow = FairStatic(WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, nullptr, 0,
                              width - s_fair.arrowWidth, top + rowHeight * (s_fair.shownRows - 1),
                              s_fair.arrowWidth, rowHeight - 4);
  SendMessageW(downArrow, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(down));
  HWND upArrow = FairStatic(SS_ICON | SS_CENTERIMAGE, nullptr, 0, width - s_fair.arrowWidth,
                            top + 2, s_fair.arrowWidth, rowHeight - 4);
  SendMessageW(upArrow, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(up));
  if (top != 0) {
    HWND header = FairStatic(WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, nullptr, 0, 0, 0, width, top);
    SendMessageW(header, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(settings.headerBitmap));
  }
  int iconWidth = static_cast<int>(settings.menuItemIconWidth);
  int textHeight = 4 - s_fair.fontHeight;
  for (int j = 0; j < s_fair.shownRows; ++j) {
    int y = top + rowHeight * j;
    int id = j == 0 ? 1 : 0;
    s_fair.icons[j] = FairStatic(WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, nullptr, id, 0, y,
                                 iconWidth, rowHeight - 1);
    wchar_t text[32];
    swprintf(text, 32, L"Program %d", j + 1);
    HWND label = FairStatic(WS_VISIBLE | SS_LEFTNOWORDWRAP, text, id, iconWidth,
                            y + (rowHeight - textHeight) / 2, width - iconWidth, textHeight);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), FALSE);
    FairStatic(WS_VISIBLE, nullptr, id, 0, y, width, rowHeight - 1);
  }
  UpdateWindow(s_fair.container);
  PumpPending();
  DestroyWindow(s_fair.container);
  DeleteObject(s_fair.areaBrush);
  DeleteObject(s_fair.itemBrush);
  DeleteObject(s_fair.selectedBrush);
  DeleteObject(itemFont);
  DestroyIcon(up);
  DestroyIcon(down);
}

void FairTwoShows(void *)
{
  FairMenuShow(nullptr);
  FairMenuShow(nullptr);
}

void PlainShowRound(void *context)
{
  PlainShow *show = static_cast<PlainShow *>(context);
  if (show->mode == MODE_MENU_BARS)
    PlainMenuShow(show);
  else
    PlainListShow(show);
}

void PlainTwoShows(void *context)
{
  PlainShowRound(context);
  PlainShowRound(context);
}

