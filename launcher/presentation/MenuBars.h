#pragma once
// The menu-bar presentation: a column of coloured bars in a container of its own class.
#include <windows.h>

#include "launcher/config/ProgramEntries.h"

#define MENU_BAR_CLASS L"FRTMAINWINDOW"

enum {
  MENU_LABEL_CAPACITY = 256,  // a label, terminator included; longer texts are cut
  LABEL_ID_FIRST = 401,       // label window j has the control id 401 + j
};

// What one build of the menu bars made and where the view stands. One instance; every
// CreateMenuBars starts it afresh and ReleaseMenuBars ends it.
struct MenuBarState {
  HWND container;
  int selection;
  int firstVisible;
  int previousFirst;  // first visible item before the last one-step scroll
  int visibleRows;
  int headerHeight;   // BitmapHeight, or 0 when no header bitmap is shown
  wchar_t labels[ENTRY_TABLE_SLOTS][MENU_LABEL_CAPACITY];
  HICON itemIcons[ENTRY_TABLE_SLOTS];   // borrowed from the entry table and the settings
  HWND labelWindows[ENTRY_TABLE_SLOTS];
  int labelItems[ENTRY_TABLE_SLOTS];    // the item whose label each label window shows
  HWND rowWindows[ENTRY_TABLE_SLOTS];
  HWND iconWindows[ENTRY_TABLE_SLOTS];
  HWND headerWindow;
  HWND upArrow, downArrow;
  HICON upArrowIcon, downArrowIcon;
  HBRUSH areaBrush, itemBrush, selectedBrush;
  HFONT itemFont;
  // Shown and not drawn since: the container and every control in it are still wholly to
  // be painted, so asking for a repaint changes nothing. The first paint clears it.
  bool unpainted;
};
extern MenuBarState g_menuBars;

HWND CreateMenuBars(HWND parent);
LRESULT CALLBACK MenuBarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SelectMenuItem(int index);
void ScrollMenuTo(int index);
int GetMenuSelection();
void RefreshMenuRows();
// Builds the labels again and shows them (an entry's network mark came or went).
void RefreshMenuLabels();
HFONT CreateItemFont();
void SetMenuLabel(int index, const wchar_t *text, HICON largeIcon, HICON smallIcon);
void RepaintMenuRow(int row);
void DrawMenuSeparators();
// Releases what the last build made (brushes, font, labels, arrow icons).
void ReleaseMenuBars();

// Shared by the units of the menu bars.
int MenuItemCount();   // the entry count, within the table's slots
int MenuRowHeight();   // MenuItemHeight, at least 1
int ShownRows();       // rows that hold an item: min(visible rows, item count)
// Visible rows for the current usable client rectangle.
int RowsThatFit();
