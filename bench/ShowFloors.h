#pragma once
// The floors the show benchmark measures the launcher against, in the same run: the plainest
// code that puts the same window, columns, rows and images on the screen (a list view the
// plain and the lean way, menu bars the plain way), and menu bars the fair way (exactly the
// controls the launcher's design makes). They draw into the launcher's main window, with
// the launcher's settings record and its entries' icons.
#include <windows.h>
#include <commctrl.h>

enum { ENTRIES = 16, ROWS = ENTRIES + 2 };  // entries, Exit and Back

// The plain way: the same window, columns, rows and images, the icons asked for and
// converted once per row. The lean way: each distinct icon converted once.
struct PlainShow {
  LONG mode;
  bool lean;
  HWND window;
  HIMAGELIST small, large;
  HICON programSmall, programLarge, exitSmall, exitLarge, backSmall, backLarge;
};

void ReleasePlainShow(PlainShow *show);
// One show of the mode the record names, list view or menu bars; two of them.
void PlainShowRound(void *plainShow);
void PlainTwoShows(void *plainShow);
// The fair menu bars: prepared from the settings and entries shown, then one show or two.
void PrepareFairMenu();
void FairMenuShow(void *);
void FairTwoShows(void *);
// One of the launcher's own icons at that size.
HICON ResourceIcon(int id, int size);
