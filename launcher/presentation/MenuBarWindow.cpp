// The menu-bar container's window procedure: focus, painting, the colours of its child
// controls, keys and taps.
#include "launcher/presentation/MenuBars.h"

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/ShellLockdown.h"

enum { MAX_CONTAINER_CHILDREN = 3 * ENTRY_TABLE_SLOTS + 3 };

static bool IconsShown() { return g_settings.useProgramIcons == 1; }

// Draws the item icons centred in the icon windows: on dc in the container's coordinates,
// or, when dc is null, on each icon window's own context.
static void DrawItemIcons(HDC dc)
{
  if (!IconsShown())
    return;
  int iconWidth = static_cast<int>(g_settings.menuItemIconWidth);
  int rowHeight = MenuRowHeight();
  int size = 2 * (iconWidth < rowHeight ? iconWidth : rowHeight) / 3;
  for (int j = 0; j < ShownRows(); ++j) {
    HWND iconWindow = g_menuBars.iconWindows[j];
    int item = g_menuBars.firstVisible + j;
    if (iconWindow == nullptr || item < 0 || item >= MenuItemCount())
      continue;
    HICON icon = g_menuBars.itemIcons[item];
    int x = (iconWidth - size) / 2;
    int y = (rowHeight - size) / 2;
    if (dc == nullptr) {
      HDC windowDc = GetDC(iconWindow);
      if (windowDc != nullptr) {
        if (icon != nullptr)
          DrawIconEx(windowDc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
        ReleaseDC(iconWindow, windowDc);
      }
      ValidateRect(iconWindow, nullptr);  // the static would paint over the icon
    } else if (icon != nullptr) {
      RECT place;
      GetWindowRect(iconWindow, &place);
      MapWindowPoints(nullptr, g_menuBars.container, reinterpret_cast<POINT *>(&place), 2);
      DrawIconEx(dc, place.left + x, place.top + y, icon, size, size, 0,
                 nullptr, DI_NORMAL);
    }
  }
}

static void FillMenuArea(HDC dc)
{
  RECT usable;
  GetUsableArea(&usable);
  if (usable.bottom > 0 && g_menuBars.areaBrush != nullptr) {
    RECT area = {0, 0, usable.right, usable.bottom};
    FillRect(dc, &area, g_menuBars.areaBrush);
  }
}

// One line in the one-pixel gap under each row that holds an item.
static void DrawSeparatorLines(HDC dc, int width)
{
  HPEN pen = CreatePen(PS_SOLID, 1, g_settings.separatorColor);
  if (pen == nullptr)
    return;
  HGDIOBJ previousPen = SelectObject(dc, pen);
  int rows = RowsThatFit();
  int count = MenuItemCount();
  for (int i = 0; i < rows && i < count; ++i) {
    int y = g_menuBars.headerHeight + MenuRowHeight() * (i + 1) - 1;
    if (MoveToEx(dc, 0, y, nullptr))
      LineTo(dc, width, y);
  }
  SelectObject(dc, previousPen);
  DeleteObject(pen);
}

void DrawMenuSeparators()
{
  HWND container = g_menuBars.container;
  HDC dc = GetDC(container);
  if (dc == nullptr)
    return;
  RECT window;
  FillMenuArea(dc);
  if (GetWindowRect(container, &window) && ValidateRect(container, &window))
    DrawSeparatorLines(dc, window.right - window.left);
  ReleaseDC(container, dc);
  if (WantsHiddenBars())
    HideShellBars();
}

static LRESULT OnPaint(HWND window)
{
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  DrawItemIcons(nullptr);
  DrawMenuSeparators();
  EndPaint(window, &paint);
  return 1;
}

// Each control paints on a surface of its own size, which is then put in its place.
static void PrintChild(HDC dc, HWND window, HWND child)
{
  RECT place;
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&place), 2);
  int width = place.right - place.left;
  int height = place.bottom - place.top;
  HDC surfaceDc = CreateCompatibleDC(dc);
  HBITMAP surface = CreateCompatibleBitmap(dc, width, height);
  if (surfaceDc != nullptr && surface != nullptr) {
    HGDIOBJ previous = SelectObject(surfaceDc, surface);
    BitBlt(surfaceDc, 0, 0, width, height, dc, place.left, place.top, SRCCOPY);
    SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surfaceDc), PRF_CLIENT);
    BitBlt(dc, place.left, place.top, width, height, surfaceDc, 0, 0, SRCCOPY);
    SelectObject(surfaceDc, previous);
  }
  if (surface != nullptr)
    DeleteObject(surface);
  if (surfaceDc != nullptr)
    DeleteDC(surfaceDc);
}

// Draws the whole menu, child controls included, onto dc, as the screen shows it; a
// capture of the container (PrintWindow) then shows what the user sees.
static LRESULT OnPrintClient(HWND window, HDC dc)
{
  RECT client;
  GetClientRect(window, &client);
  FillMenuArea(dc);

  HWND children[MAX_CONTAINER_CHILDREN];
  int childCount = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && childCount < MAX_CONTAINER_CHILDREN;
       child = GetWindow(child, GW_HWNDNEXT))
    children[childCount++] = child;
  // Bottom of the z-order first, so that what lies above is drawn last.
  for (int i = childCount - 1; i >= 0; --i) {
    if (!IsWindowVisible(children[i]))
      continue;
    PrintChild(dc, window, children[i]);
  }
  DrawItemIcons(dc);
  DrawSeparatorLines(dc, client.right);
  return 0;
}

static bool IsSelectedRowPart(HWND child)
{
  int row = g_menuBars.selection - g_menuBars.firstVisible;
  if (row >= 0 && row < ShownRows()) {
    if (child == g_menuBars.labelWindows[row] || child == g_menuBars.rowWindows[row])
      return true;
    if (IconsShown() && child == g_menuBars.iconWindows[row])
      return true;
  }
  if (child == g_menuBars.upArrow && row == 0 && g_menuBars.selection > 0)
    return true;
  return child == g_menuBars.downArrow && row == g_menuBars.visibleRows - 1;
}

static LRESULT OnControlColour(HDC dc, HWND child)
{
  COLORREF text = g_settings.menuItemTextColor;
  COLORREF background = g_settings.menuItemBackgroundColor;
  HBRUSH brush = g_menuBars.itemBrush;
  if (child != nullptr && IsSelectedRowPart(child)) {
    text = g_settings.selectedMenuItemTextColor;
    background = g_settings.selectedMenuItemBackgroundColor;
    brush = g_menuBars.selectedBrush;
  } else if (child != nullptr && child == g_menuBars.headerWindow) {
    text = background = g_settings.menuAreaBackgroundColor;
    brush = g_menuBars.areaBrush;
  }
  SetTextColor(dc, text);
  SetBkColor(dc, background);
  return reinterpret_cast<LRESULT>(brush);
}

static void ShowSelectionMove(int oldSelection)
{
  RepaintMenuRow(oldSelection - g_menuBars.firstVisible);
  RepaintMenuRow(g_menuBars.selection - g_menuBars.firstVisible);
  InvalidateRect(g_menuBars.container, nullptr, FALSE);
}

static void MoveSelectionUp()
{
  if (g_menuBars.selection <= 0)
    return;
  int old = g_menuBars.selection--;
  if (g_menuBars.selection < g_menuBars.firstVisible) {
    int first = --g_menuBars.firstVisible;
    g_menuBars.previousFirst = first == 0 ? 0 : first + 1;
    RefreshMenuRows();
  } else {
    ShowSelectionMove(old);
  }
}

static void MoveSelectionDown()
{
  int count = MenuItemCount();
  if (g_menuBars.selection >= count - 1)
    return;
  int old = g_menuBars.selection++;
  if (g_menuBars.selection == g_menuBars.firstVisible + g_menuBars.visibleRows) {
    int oldFirst = g_menuBars.firstVisible++;
    g_menuBars.previousFirst =
        g_menuBars.firstVisible == count - 1 ? g_menuBars.firstVisible : oldFirst;
    RefreshMenuRows();
  } else {
    ShowSelectionMove(old);
  }
}

static LRESULT OnKeyDown(WPARAM key)
{
  switch (key) {
  case VK_ESCAPE:
    ConfirmExit();
    break;
  case VK_RETURN:
    if (g_menuBars.selection >= 0 && g_menuBars.selection < MenuItemCount())
      ActivateItem(g_menuBars.selection);
    break;
  case VK_UP:
  case VK_LEFT:
    MoveSelectionUp();
    break;
  case VK_DOWN:
  case VK_RIGHT:
    MoveSelectionDown();
    break;
  default:
    break;
  }
  return 0;
}

static void TapBar(int y, int rows)
{
  int row = (y - g_menuBars.headerHeight) / MenuRowHeight();
  int item = g_menuBars.firstVisible + row;
  if (row >= rows || item >= MenuItemCount())
    return;
  int old = g_menuBars.selection;
  g_menuBars.selection = item;
  if (old != item)
    ShowSelectionMove(old);
  ActivateItem(item);
}

// With one row the strip walks down to the last item and back up to the first.
static void WalkOneRow()
{
  int count = MenuItemCount();
  int &first = g_menuBars.firstVisible;
  int &previous = g_menuBars.previousFirst;
  if (previous < first || first == 0) {
    if (first < count - 1) {  // one row shows one item: never past the last one
      int oldFirst = first++;
      previous = first == count - 1 ? first : oldFirst;
    }
  } else if (previous > first || (previous == first && first == count - 1)) {
    if (first > 0) {
      --first;
      previous = first == 0 ? 0 : first + 1;
    }
  }
  g_menuBars.selection = first;
  RefreshMenuRows();
}

static void TapArrowStrip(int y, int rows)
{
  int top = g_menuBars.headerHeight;
  int rowHeight = MenuRowHeight();
  int count = MenuItemCount();
  if (rows <= 1) {
    if (y < top + rowHeight && count > 0)
      WalkOneRow();
    return;
  }
  if (y < top + rowHeight) {
    if (g_menuBars.firstVisible <= 0)
      return;
    --g_menuBars.firstVisible;
    if (g_menuBars.selection - g_menuBars.firstVisible >= rows)
      --g_menuBars.selection;
    RefreshMenuRows();
  } else if (y > top + rowHeight * (rows - 1)) {
    if (g_menuBars.firstVisible >= count - rows)
      return;
    ++g_menuBars.firstVisible;
    if (g_menuBars.selection < g_menuBars.firstVisible)
      ++g_menuBars.selection;
    RefreshMenuRows();
  }
}

static LRESULT OnTap(LPARAM position)
{
  int x = LOWORD(position);
  int y = HIWORD(position);
  if (y <= g_menuBars.headerHeight)
    return 0;
  RECT usable;
  GetUsableArea(&usable);
  int rows = RowsThatFit();
  if (x < usable.right - usable.left - MenuRowHeight() + 2)
    TapBar(y, rows);
  else
    TapArrowStrip(y, rows);
  return 0;
}

static LRESULT OnSetFocus()
{
  g_app.focusFlag = true;
  RefreshMenuRows();
  return 0;
}

// The class outlives every build, and its background is the brush of the build whose
// container stands: it is given when the container is made and taken back when the
// container goes, before the build's release deletes the brush.
static void SetClassBrush(HWND window, HBRUSH brush)
{
  SetClassLongPtrW(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
}

// The container erases its own background with its build's brush: a device keeps no
// class brush given after the class is registered.
static LRESULT OnEraseBackground(HWND window, HDC dc)
{
  if (g_menuBars.areaBrush == nullptr || dc == nullptr)
    return DefWindowProcW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, g_menuBars.areaBrush);
  return 1;
}

LRESULT CALLBACK MenuBarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  // Drawing has begun: the container's own paint, or a control asking for its colours.
  if (message == WM_PAINT || message == WM_ERASEBKGND || message == WM_CTLCOLORSTATIC ||
      message == WM_PRINTCLIENT)
    g_menuBars.unpainted = false;
  switch (message) {
  case WM_CREATE:
    SetClassBrush(window, g_menuBars.areaBrush);
    return 0;
  case WM_DESTROY:
    // The device sends no WM_NCDESTROY: the handle is forgotten here.
    SetClassBrush(window, nullptr);
    if (window == g_menuBars.container)
      g_menuBars.container = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  case WM_SETFOCUS:
    return OnSetFocus();
  case WM_ERASEBKGND:
    return OnEraseBackground(window, reinterpret_cast<HDC>(wParam));
  case WM_PAINT:
    return OnPaint(window);
  case WM_PRINTCLIENT:
    return OnPrintClient(window, reinterpret_cast<HDC>(wParam));
  case WM_KEYDOWN:
    return OnKeyDown(wParam);
  case WM_CTLCOLORSTATIC:
    return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  case WM_LBUTTONDOWN:
    return OnTap(lParam);
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}
