#pragma once
// Class registration, window creation, the message loop and the screen rectangles.
#include <windows.h>
#include <commctrl.h>

#include "Common/StdFuncs.h"

// Process-wide application state; one instance for the whole run.
struct AppState {
  HINSTANCE instance;
  HWND mainWindow;
  wchar_t className[TEXT_CAPACITY];
  wchar_t windowText[TEXT_CAPACITY];
  bool highResolution;      // LOGPIXELSX of the screen is 192 or more
  bool focusFlag;           // selecting an item also focuses the presentation window
  int stackDepth;           // configuration stack depth
  int titleLimit;           // longest window title before it is shortened
  int windowTop;            // main window top after creation
  int bottomGap;            // screen height minus main window bottom after creation
  int exitOnEsc;
  int backOnZero;
  HACCEL currentAccelerators;
  HWND openDialog;          // the framework dialog on top, if any
  HWND presentationWindow;  // the list view or the menu-bar container, if any
  DWORD clockOffset;        // added to the tick count; lets tests move the clock forward
  DWORD lastInputTime;      // LauncherTime() of the last key, tap or scroll bar use
  // What the program tells this layer about its screen (SetForcedWindowArea,
  // SetReservedBands): a forced window rectangle, and the client rows its own bars take.
  bool forcedArea;
  RECT forcedRect;
  int reservedTop;
  int reservedBottom;
};
extern AppState g_app;

// Brings a launcher that already runs to the front; true when there is one.
bool FindRunningLauncher(HINSTANCE instance, UINT classNameId);
bool RegisterMainClass(HINSTANCE instance, UINT classNameId, WNDPROC procedure);
bool CreateMainWindow(HINSTANCE instance, int showCommand, DWORD style, UINT classNameId,
                      UINT windowTextId);
int RunMessageLoop(UINT acceleratorId);
// Offers one message to the open framework dialog and the current accelerator table, in
// the order every loop of the program uses; false when the caller must dispatch it.
bool PreTranslateLoopMessage(MSG *message);
// A window's own scroll bar was used (message is what the window received; others are
// ignored): user input, which the loops never see because a scroll bar sends it.
void NoteScrollBarInput(UINT message);
// One message through those rules, then translated and dispatched when nobody took it.
void DispatchLoopMessage(MSG *message);

// Milliseconds on the launcher's clock: the tick count plus the clock offset.
DWORD LauncherTime();

// The screen rectangles every layout uses. The work area is the platform's, or the
// forced window rectangle the program has handed over; the client area is the main
// window's; the usable area is the client area less the reserved bands.
void GetWorkArea(RECT *area);
void GetClientArea(RECT *area);
void GetUsableArea(RECT *area);
// The window rectangle the program was told to keep to; null: the platform's work area.
void SetForcedWindowArea(const RECT *area);
// Rows at the top and the bottom of the client area that the program's own bars take
// (a status strip, a menu bar): the presentation and the dialogs keep off them.
void SetReservedBands(int top, int bottom);
void ComputeTitleLimit();
void RecordWindowGeometry();

// Small and large icon sizes in pixels for the current resolution.
inline int SmallIconSize() { return g_app.highResolution ? 32 : 16; }
inline int LargeIconSize() { return g_app.highResolution ? 64 : 32; }
