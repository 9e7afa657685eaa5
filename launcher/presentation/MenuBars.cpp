// The menu-bar presentation.
#include "launcher/presentation/MenuBars.h"

HWND CreateMenuBars(HWND parent) { return nullptr; }
void SelectMenuItem(int index) {}
void ScrollMenuTo(int index) {}
int GetMenuSelection() { return 0; }
void RefreshMenuRows() {}
void ReleaseMenuBars() {}
