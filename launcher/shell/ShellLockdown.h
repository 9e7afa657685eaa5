#pragma once
// Full screen, the task bar and the Windows Mobile shell bars.
#include <windows.h>

enum { FORCE_SCREEN_NONE = 0, FORCE_SCREEN_VALID = 1, FORCE_SCREEN_INVALID = 2 };

#define TASK_BAR_CLASS L"HHTaskBar"
#define ON_TOP_KEY L"Software\\Microsoft\\shell\\ontop"
#define SHELL_LIBRARY L"aygshell.dll"

typedef BOOL(WINAPI *FullScreenProc)(HWND window, DWORD state);
typedef BOOL(WINAPI *CreateMenuBarProc)(void *info);

struct ShellState {
  bool plainCe;          // false on Windows Mobile
  DWORD fullScreen;
  int forceScreenState;
  int menuBarHeight;
  DWORD savedOnTop;
  HMODULE shellLibrary;
  FullScreenProc fullScreenEntry;
  CreateMenuBarProc createMenuBarEntry;
};
extern ShellState g_shell;

void ProbePlatform();
void LoadShellLibrary();
void FreeShellLibrary();
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
