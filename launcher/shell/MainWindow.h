#pragma once
// The main window procedure, its private messages and the item activation.
#include <windows.h>

#include "Common/StdFuncs.h"

enum {
  MSG_START_UP = WM_USER + 0x100,
  MSG_DROP_VIEW = WM_USER + 0x101,
  MSG_RELAYOUT = WM_USER + 0x102,
  MSG_ENTER_CONFIGURATION = WM_USER + 0x200,
  MSG_BACK = WM_USER + 0x201,
  MSG_SHOW_CONFIGURATION = WM_USER + 0x202,
};

enum {
  CMD_DIGIT_1 = 401, CMD_DIGIT_9 = 409, CMD_DIGIT_0 = 410, CMD_QUIT = 411, CMD_ABOUT = 412,
};

struct MainWindowState {
  wchar_t calledConfiguration[TEXT_CAPACITY];
  int lastPresentationWidth, lastPresentationHeight;
  int lastLayoutWidth, lastLayoutHeight;
  bool resizeGuard;
};
extern MainWindowState g_mainWindow;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void HandleCommand(HWND window, int commandId);
void ActivateItem(int index);
void ConfirmExit();
void TearDownPresentation();
// The warnings about the entries of a configuration just shown: faulty entries, a gap in
// the numbering, hot keys that could not be registered.
void ShowEntryWarnings();
bool CloseApplication();

// Selects an item in whichever presentation is shown, before it is activated.
void SelectItemForActivation(int index);

// Handlers of the private messages.
void OnStartUp(HWND window);
void OnEnterConfiguration(HWND window, LPARAM name);
void OnBack(HWND window);
void OnShowConfiguration(HWND window);
void OnRelayout(HWND window);
// Memory runs low (WM_HIBERNATE): what can be made again is given back, and the screen
// shown is built again at once.
void OnLowMemory(HWND window);
