// Lock marks beside the labels of protected entries in a preview picture.
#include "checker/LockMarks.h"

#include <commctrl.h>

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"

namespace preview {
namespace {

// A padlock, 9 by 10: '#' edge and shackle, 'o' body.
const char *const kLock[] = {
    "..#####..", ".#.....#.", ".#.....#.", ".#.....#.", "#########",
    "#ooooooo#", "#ooo#ooo#", "#ooo#ooo#", "#ooooooo#", "#########",
};
enum { LOCK_WIDTH = 9, LOCK_HEIGHT = 10, LOCK_GAP = 4 };

bool IsProtected(int item)
{
  return item >= 0 && item < g_entries.programCount && item < MAX_PROGRAM_ENTRIES &&
         g_entries.entries[item].passwordState != PASSWORD_NONE;
}

// Paints the padlock with its left edge at x, centred on the height of the band from top
// to bottom; twice the size on a row tall enough for it, as on a 192-dpi screen.
void PaintLock(Picture *picture, int x, int top, int bottom)
{
  int scale = bottom - top >= 3 * LOCK_HEIGHT ? 2 : 1;
  int y = top + (bottom - top - LOCK_HEIGHT * scale) / 2;
  for (int row = 0; row < LOCK_HEIGHT * scale; ++row) {
    for (int column = 0; column < LOCK_WIDTH * scale; ++column) {
      char cell = kLock[row / scale][column / scale];
      int px = x + column, py = y + row;
      if (cell == '.' || px < 0 || py < 0 || px >= picture->width || py >= picture->height)
        continue;
      picture->pixels[static_cast<size_t>(py) * picture->width + px] =
          0xFF000000u | (cell == '#' ? LOCK_MARK_EDGE : LOCK_MARK_BODY);
    }
  }
}

// Where a label's text ends, in the picture: the mark follows it, kept inside the label.
int MarkLeft(const RECT &label, int textWidth, bool centred)
{
  int width = label.right - label.left;
  int end = centred ? label.left + (width + textWidth) / 2 : label.left + textWidth;
  int x = end + LOCK_GAP;
  if (x + LOCK_WIDTH > label.right)
    x = label.right - LOCK_WIDTH;
  return x;
}

void MarkList(HWND window, HWND list, const RECT &origin, Picture *picture)
{
  bool icons = (GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK) == LVS_ICON;
  int count = ListView_GetItemCount(list);
  for (int item = 0; item < count; ++item) {
    if (!IsProtected(item))
      continue;
    RECT label;
    if (!ListView_GetItemRect(list, item, &label, LVIR_LABEL))
      continue;
    wchar_t text[TEXT_CAPACITY] = {0};
    ListView_GetItemText(list, item, 0, text, TEXT_CAPACITY);
    int textWidth = ListView_GetStringWidth(list, text);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT *>(&label), 2);
    OffsetRect(&label, -origin.left, -origin.top);
    PaintLock(picture, MarkLeft(label, textWidth, icons), label.top, label.bottom);
  }
}

void MarkMenuBars(const RECT &origin, Picture *picture)
{
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr)
    return;
  HGDIOBJ previous = g_menuBars.itemFont != nullptr ? SelectObject(dc, g_menuBars.itemFont)
                                                     : nullptr;
  for (int row = 0; row < ENTRY_TABLE_SLOTS; ++row) {
    HWND labelWindow = g_menuBars.labelWindows[row];
    int item = g_menuBars.labelItems[row];
    if (labelWindow == nullptr || !IsWindowVisible(labelWindow) || !IsProtected(item) ||
        item >= ENTRY_TABLE_SLOTS)
      continue;
    RECT label;
    GetWindowRect(labelWindow, &label);
    OffsetRect(&label, -origin.left, -origin.top);
    const wchar_t *text = g_menuBars.labels[item];
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    PaintLock(picture, MarkLeft(label, extent.cx, false), label.top, label.bottom);
  }
  if (previous != nullptr)
    SelectObject(dc, previous);
  DeleteDC(dc);
}

}  // namespace

void MarkProtectedEntries(HWND window, Picture *picture)
{
  RECT origin;
  if (window == nullptr || !GetWindowRect(window, &origin) || picture->pixels.empty())
    return;
  if (IsMenuBarsMode()) {
    MarkMenuBars(origin, picture);
    return;
  }
  HWND list = g_app.presentationWindow;
  if (list != nullptr)
    MarkList(window, list, origin, picture);
}

}  // namespace preview
