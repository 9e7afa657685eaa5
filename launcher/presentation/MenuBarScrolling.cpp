// Moving the menu-bar view and its selection, and repainting the rows that changed.
#include "launcher/presentation/MenuBars.h"

#include "launcher/config/DisplaySettings.h"

static void ShowArrow(HWND arrow, bool shown)
{
  if (arrow != nullptr)
    ShowWindow(arrow, shown ? SW_SHOW : SW_HIDE);
}

static void UpdateArrows()
{
  int rows = g_menuBars.visibleRows;
  int count = MenuItemCount();
  int first = g_menuBars.firstVisible;
  int previous = g_menuBars.previousFirst;
  if (rows > 1) {
    ShowArrow(g_menuBars.upArrow, first > 0);
    ShowArrow(g_menuBars.downArrow, first + rows < count);
  } else if (previous < first || first == 0) {
    ShowArrow(g_menuBars.upArrow, false);
    ShowArrow(g_menuBars.downArrow, first + rows < count);
  } else if (previous > first || (previous == first && first == count - 1)) {
    ShowArrow(g_menuBars.upArrow, first > 0);
    ShowArrow(g_menuBars.downArrow, false);
  }
}

void RefreshMenuRows()
{
  if (g_menuBars.container == nullptr)
    return;
  for (int j = 0; j < ShownRows(); ++j) {
    int item = g_menuBars.firstVisible + j;
    if (item < 0 || item >= MenuItemCount())
      continue;
    // A label that shows the item already keeps its text: setting it again costs a trip
    // to the window server and changes nothing.
    if (g_menuBars.labelWindows[j] != nullptr && g_menuBars.labelItems[j] != item) {
      SetWindowTextW(g_menuBars.labelWindows[j], g_menuBars.labels[item]);
      g_menuBars.labelItems[j] = item;
    }
    RepaintMenuRow(j);
  }
  UpdateArrows();
  if (!g_menuBars.unpainted)
    InvalidateRect(g_menuBars.container, nullptr, TRUE);
  UpdateWindow(g_menuBars.container);
}

void RepaintMenuRow(int row)
{
  if (row < 0 || row >= ShownRows() || g_menuBars.unpainted)
    return;
  if (g_menuBars.rowWindows[row] != nullptr)
    InvalidateRect(g_menuBars.rowWindows[row], nullptr, TRUE);
  if (g_settings.useProgramIcons == 1 && g_menuBars.iconWindows[row] != nullptr) {
    InvalidateRect(g_menuBars.iconWindows[row], nullptr, TRUE);
    UpdateWindow(g_menuBars.iconWindows[row]);
  }
  if (g_menuBars.labelWindows[row] != nullptr)
    InvalidateRect(g_menuBars.labelWindows[row], nullptr, TRUE);
  if (row == 0 && g_menuBars.upArrow != nullptr)
    InvalidateRect(g_menuBars.upArrow, nullptr, TRUE);
  if (row == g_menuBars.visibleRows - 1 && g_menuBars.downArrow != nullptr)
    InvalidateRect(g_menuBars.downArrow, nullptr, TRUE);
}

void ScrollMenuTo(int index)
{
  int count = MenuItemCount();
  int rows = g_menuBars.visibleRows;
  if (index < 0 || index >= count)
    return;
  if (index < g_menuBars.firstVisible) {
    g_menuBars.firstVisible = index;
  } else if (index < g_menuBars.firstVisible + rows) {
    return;
  } else {
    int first = index + rows > count ? count - rows : index;
    g_menuBars.firstVisible = first > 0 ? first : 0;
  }
  RefreshMenuRows();
}

void SelectMenuItem(int index)
{
  if (index == g_menuBars.selection || index < 0 || index >= MenuItemCount())
    return;
  ScrollMenuTo(index);
  int old = g_menuBars.selection;
  g_menuBars.selection = index;
  RepaintMenuRow(old - g_menuBars.firstVisible);
  RepaintMenuRow(index - g_menuBars.firstVisible);
  if (g_menuBars.container != nullptr)
    InvalidateRect(g_menuBars.container, nullptr, FALSE);
}

int GetMenuSelection() { return g_menuBars.selection; }
