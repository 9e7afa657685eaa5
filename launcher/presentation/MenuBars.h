#pragma once
// The menu-bar presentation: a column of coloured bars in a container of its own class.
#include <windows.h>

#define MENU_BAR_CLASS L"FRTMAINWINDOW"

HWND CreateMenuBars(HWND parent);
LRESULT CALLBACK MenuBarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SelectMenuItem(int index);
void ScrollMenuTo(int index);
int GetMenuSelection();
void RefreshMenuRows();
HFONT CreateItemFont();
void SetMenuLabel(int index, const wchar_t *text, HICON largeIcon, HICON smallIcon);
void RepaintMenuRow(int row);
void DrawMenuSeparators();
// Releases what the last build made (brushes, font, labels, arrow icons).
void ReleaseMenuBars();
