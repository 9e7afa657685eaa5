// What the user waits for on the real main window, each figure beside the plainest code
// that puts the same window, columns, rows and images on the screen in the same run:
// one show per mode, and entering a called configuration and going back in each
// presentation. Figures are Wine server round trips and milliseconds per round.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "Common/StdInit.h"
#include "bench/ShowFloors.h"
#include "bench/support/BenchSupport.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

static const wchar_t kProfile[] = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Bench";
static const wchar_t kProgram[] = L"\\Windows\\notepad.exe";

struct Mode {
  const wchar_t *configuration;
  const wchar_t *modeText;
  LONG mode;
};
static const Mode kModes[] = {
    {L"Details", L"Details", MODE_DETAILS},
    {L"List", L"List", MODE_LIST},
    {L"SmallIcons", L"Small Icons", MODE_SMALL_ICONS},
    {L"LargeIcons", L"Large Icons", MODE_LARGE_ICONS},
    {L"MenuBars", L"Menu Bars", MODE_MENU_BARS},
};

// A configuration of 16 program entries with three columns, headings and an Exit item;
// when call is given, the first entry enters that configuration instead.
static void WriteConfiguration(const wchar_t *name, const wchar_t *mode, const wchar_t *call)
{
  wchar_t path[512];
  swprintf(path, 512, L"%ls\\%ls\\Settings", kProfile, name);
  BenchSetText(path, L"Mode", mode);
  BenchSetText(path, L"TitleBar", L"Bench");
  BenchSetText(path, L"Exit", L"Exit");
  BenchSetNumber(path, L"DetailColumns", 3);
  BenchSetNumber(path, L"Headings", 1);
  BenchSetNumber(path, L"UseProgramIcons", 1);
  for (int i = 1; i <= ENTRIES; ++i) {
    swprintf(path, 512, L"%ls\\%ls\\Programs\\Prog%d", kProfile, name, i);
    wchar_t text[64];
    swprintf(text, 64, L"Program %d", i);
    BenchSetText(path, L"Description", text);
    swprintf(text, 64, L"-file %d", i);
    if (i == 1 && call != nullptr) {
      BenchSetText(path, L"Call", call);
    } else {
      BenchSetText(path, L"Name", kProgram);
      BenchSetText(path, L"Command", text);
    }
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

static void ShowConfiguration(const wchar_t *name)
{
  g_app.stackDepth = 0;
  SetCurrentConfiguration(name);
  TearDownPresentation();
  OnShowConfiguration(g_app.mainWindow);
  DropPosted();
}

static void LauncherShow(void *context)
{
  ShowConfiguration(static_cast<const Mode *>(context)->configuration);
}

static void LauncherEnterAndBack(void *)
{
  OnEnterConfiguration(g_app.mainWindow, reinterpret_cast<LPARAM>(g_entries.entries[0].call));
  DropPosted();
  OnShowConfiguration(g_app.mainWindow);
  OnBack(g_app.mainWindow);
  DropPosted();
  OnShowConfiguration(g_app.mainWindow);
  DropPosted();
}

// The steps of one show, each on its own, for the breakdown.
static void StepLoad(void *)
{
  ClearProgramEntries();
  LoadConfiguration(g_profile.configurationKeyPath);
}
static void StepHotKeys(void *) { RegisterEntryHotKeys(); }
static void StepIcons(void *) { LoadEntryIcons(); }
static void StepBuild(void *)
{
  BuildPresentation(g_app.mainWindow);
  ShowEntryWarnings();
}
static void StepPaint(void *)
{
  InvalidateRect(g_app.presentationWindow, nullptr, TRUE);
  UpdateWindow(g_app.presentationWindow);
  PumpPending();
}
static void StepTearDown(void *) { TearDownPresentation(); }
static void StepCheck(void *context)
{
  CheckConfiguration(static_cast<const Mode *>(context)->configuration);
}

static void PrintBreakdown(const Mode &mode, int rounds)
{
  Mode current = mode;
  ShowConfiguration(mode.configuration);
  TearDownPresentation();
  static const char *const names[] = {"  load configuration", "  hot keys", "  entry icons",
                                      "  build", "  paint", "  tear down"};
  static void (*const steps[])(void *) = {StepLoad,  StepHotKeys, StepIcons,
                                          StepBuild, StepPaint,   StepTearDown};
  const int count = sizeof steps / sizeof steps[0];
  Figure figures[count];
  MeasurePhases(steps, count, &current, rounds, figures);
  Figure none = {0, 0};
  for (int i = 0; i < count; ++i)
    PrintFigure(names[i], figures[i], none);
  PrintFigure("  check before entering", MeasureRounds(StepCheck, &current, rounds), none);
}

int wmain(int argc, wchar_t **argv)
{
  int rounds = argc > 1 ? _wtoi(argv[1]) : 40;
  if (rounds <= 0)
    rounds = 40;
  ULONGLONG probe = 0;
  if (!ReadServerRoundTrips(&probe))
    printf("(round trips unavailable: run through bench/run.sh)\n");

  RegDeleteTreeW(HKEY_CURRENT_USER, kProfile);
  WriteConfiguration(L"Default", L"Details", L"Details");
  for (const Mode &mode : kModes)
    WriteConfiguration(mode.configuration, mode.modeText, nullptr);
  WriteConfiguration(L"MenuHome", L"Menu Bars", L"MenuBars");

  g_app.instance = GetModuleHandleW(nullptr);
  g_app.focusFlag = true;
  g_shell.plainCe = true;
  g_app.titleLimit = 60;
  if (!SelectProfile(L"Bench") || !RegisterMainClass(g_app.instance, IDS_CLASS_NAME, MainWindowProc) ||
      !CreateMainWindow(g_app.instance, SW_SHOW, WS_CAPTION, IDS_CLASS_NAME, IDS_WINDOW_TEXT)) {
    printf("could not start the main window\n");
    return 1;
  }
  DropPosted();

  PlainShow plain = {};
  wchar_t program[MAX_PATH];
  GetFullPathNameW(kProgram, MAX_PATH, program, nullptr);
  plain.programSmall = BenchShellIcon(program, SHGFI_SMALLICON);
  plain.programLarge = BenchShellIcon(program, 0);
  plain.exitSmall = ResourceIcon(427, 16);
  plain.exitLarge = ResourceIcon(427, 32);
  plain.backSmall = ResourceIcon(424, 16);
  plain.backLarge = ResourceIcon(424, 32);

  char title[160];
  snprintf(title, sizeof title,
           "One show: %d entries, Exit and Back, 3 columns with headings; %d rounds each; "
           "floor = plain list (lean list)",
           ENTRIES, rounds);
  PrintHeader(title);
  for (const Mode &mode : kModes) {
    Mode current = mode;
    LauncherShow(&current);  // warm-up: classes, fonts, the first icons
    if (g_app.presentationWindow == nullptr) {
      printf("the configuration %ls could not be shown\n", mode.configuration);
      return 1;
    }
    Figure launcher = MeasureRounds(LauncherShow, &current, rounds);
    TearDownPresentation();
    plain.mode = mode.mode;
    plain.lean = false;
    PlainShowRound(&plain);
    Figure plainFloor = MeasureRounds(PlainShowRound, &plain, rounds);
    plain.lean = true;
    Figure leanFloor = MeasureRounds(PlainShowRound, &plain, rounds);
    ReleasePlainShow(&plain);
    char what[64];
    snprintf(what, sizeof what, "show %ls", mode.modeText);
    PrintFigure(what, launcher, plainFloor);
    if (mode.mode != MODE_MENU_BARS) {
      snprintf(what, sizeof what, "  against the lean list");
      PrintFigure(what, launcher, leanFloor);
    } else {
      LauncherShow(&current);
      PrepareFairMenu();
      TearDownPresentation();
      FairMenuShow(nullptr);
      Figure fairFloor = MeasureRounds(FairMenuShow, nullptr, rounds);
      PrintFigure("  against the fair menu bars", launcher, fairFloor);
    }
  }

  PrintHeader("Enter a called configuration and go back (floor: two plain shows)");
  const struct {
    const wchar_t *home;
    LONG mode;
    const char *what;
  } walks[] = {{L"Default", MODE_DETAILS, "enter and back, list view"},
               {L"MenuHome", MODE_MENU_BARS, "enter and back, menu bars"}};
  for (const auto &walk : walks) {
    ShowConfiguration(walk.home);
    LauncherEnterAndBack(nullptr);
    Figure launcher = MeasureRounds(LauncherEnterAndBack, nullptr, rounds / 2);
    TearDownPresentation();
    plain.mode = walk.mode;
    plain.lean = false;
    Figure floor = MeasureRounds(PlainTwoShows, &plain, rounds / 2);
    ReleasePlainShow(&plain);
    PrintFigure(walk.what, launcher, floor);
    if (walk.mode == MODE_MENU_BARS)
      PrintFigure("  against two fair menu bars", launcher,
                  MeasureRounds(FairTwoShows, nullptr, rounds / 2));
  }

  PrintHeader("Where a show goes (no floor)");
  for (const Mode &mode : kModes) {
    printf("  %ls\n", mode.modeText);
    PrintBreakdown(mode, rounds);
  }

  DestroyWindow(g_app.mainWindow);
  RegDeleteTreeW(HKEY_CURRENT_USER, kProfile);
  return 0;
}
