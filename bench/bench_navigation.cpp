// Times what the user waits for on the real main window: showing a 16-entry configuration
// from the registry, and entering a called configuration and going back. Prints figures.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

static const wchar_t kProfile[] = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Bench";

static void SetText(const wchar_t *path, const wchar_t *name, const wchar_t *text)
{
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

static void WriteConfiguration(const wchar_t *name, const wchar_t *mode, const wchar_t *call)
{
  wchar_t path[512];
  swprintf(path, 512, L"%ls\\%ls\\Settings", kProfile, name);
  SetText(path, L"Mode", mode);
  SetText(path, L"TitleBar", L"Bench");
  for (int i = 1; i <= 16; ++i) {
    swprintf(path, 512, L"%ls\\%ls\\Programs\\Prog%d", kProfile, name, i);
    wchar_t description[64];
    swprintf(description, 64, L"Program %d", i);
    SetText(path, L"Description", description);
    if (i == 1 && call != nullptr)
      SetText(path, L"Call", call);
    else
      SetText(path, L"Name", L"\\Windows\\notepad.exe");
  }
}

// Drops the navigation messages the handlers post: the benchmark calls the handlers itself.
static void DropPosted()
{
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message < WM_USER)
      DispatchMessageW(&message);
}

static double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end, LARGE_INTEGER frequency)
{
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

static void Measure(const char *what, HWND window, int rounds, bool walk)
{
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) {
    if (walk) {
      OnEnterConfiguration(window, reinterpret_cast<LPARAM>(g_entries.entries[0].call));
      DropPosted();
      OnShowConfiguration(window);
      OnBack(window);
      DropPosted();
      OnShowConfiguration(window);
    } else {
      TearDownPresentation();
      OnShowConfiguration(window);
    }
    DropPosted();
  }
  QueryPerformanceCounter(&end);
  printf("%-40s %8.2f ms each (%d rounds)\n", what, Milliseconds(start, end, frequency) / rounds,
         rounds);
}

int wmain(int argc, wchar_t **argv)
{
  int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
  if (rounds <= 0)
    rounds = 200;
  RegDeleteTreeW(HKEY_CURRENT_USER, kProfile);
  WriteConfiguration(L"Default", L"Details", L"Tools");
  WriteConfiguration(L"Tools", L"Menu Bars", nullptr);

  g_app.instance = GetModuleHandleW(nullptr);
  g_app.focusFlag = true;
  g_shell.plainCe = true;
  g_app.titleLimit = 60;
  if (!SelectProfile(L"Bench") || !RegisterMainClass(g_app.instance, IDS_CLASS_NAME) ||
      !CreateMainWindow(g_app.instance, SW_SHOW, WS_CAPTION, IDS_CLASS_NAME, IDS_WINDOW_TEXT)) {
    printf("could not start the main window\n");
    return 1;
  }
  DropPosted();
  OnShowConfiguration(g_app.mainWindow);
  DropPosted();
  if (g_app.presentationWindow == nullptr) {
    printf("the configuration could not be shown\n");
    return 1;
  }
  Measure("show a 16-entry configuration", g_app.mainWindow, rounds, false);
  Measure("enter a called configuration and go back", g_app.mainWindow, rounds / 2, true);

  DestroyWindow(g_app.mainWindow);
  RegDeleteTreeW(HKEY_CURRENT_USER, kProfile);
  return 0;
}
