#pragma once
// Full screen, the task bar and the Windows Mobile shell bars.
#include <windows.h>

#include "cecompat/AygShell.h"

enum { FORCE_SCREEN_NONE = 0, FORCE_SCREEN_VALID = 1, FORCE_SCREEN_INVALID = 2 };

// A forced window rectangle narrower than this is refused.
enum { FORCE_SCREEN_MINIMUM_WIDTH = 150 };

#define TASK_BAR_CLASS L"HHTaskBar"
#define ON_TOP_KEY L"Software\\Microsoft\\shell\\ontop"
#define SHELL_LIBRARY L"aygshell.dll"
// lParam of the WM_SETTINGCHANGE that makes the task bar reread its settings.
#define TASK_BAR_SETTINGS_CHANGED 5000

#define HIDE_SHELL_BARS (SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON)
#define SHOW_SHELL_BARS (SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON)

typedef SHFullScreenProc FullScreenProc;
typedef SHCreateMenuBarProc CreateMenuBarProc;

struct ShellState {
  bool plainCe;          // false on Windows Mobile
  DWORD fullScreen;      // the FullScreen value as read, or 1 for a forced rectangle
  int forceScreenState;
  int menuBarHeight;
  DWORD savedOnTop;      // the task bar's on-top value found on entering full screen
  bool onTopSaved;       // savedOnTop holds a value to give back on exit
  HMODULE shellLibrary;
  FullScreenProc fullScreenEntry;
  CreateMenuBarProc createMenuBarEntry;
};
extern ShellState g_shell;

// Asks the platform type only: true on Windows Mobile ("PocketPC").
bool IsWindowsMobilePlatform();
void ProbePlatform();
void LoadShellLibrary();
void FreeShellLibrary();
// Judges the profile's forced rectangle against a usable area and the height every
// configuration's menu needs; false when the profile gives no complete rectangle.
bool JudgeForceScreen(const RECT *usable, int *state);
bool CheckForceScreen();
bool ReadFullScreenSetting();
void EnterFullScreen();
void RestoreWorkArea();
void RestoreShell();
void HideShellBars();
void ShowShellBars();

// Conditions the rest of the program tests.
bool WantsHiddenBars();
bool WantsShownBars();
bool NeedsWorkAreaBeforeLaunch();
bool NeedsMenuBar();
bool CaptionAllowed();
