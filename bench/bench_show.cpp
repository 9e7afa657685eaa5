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
enum { ENTRIES = 16, ROWS = ENTRIES + 2 };  // entries, Exit and Back

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

// The plain way: the same window, columns, rows and images, the icons asked for and
// converted once per row. The lean way: each distinct icon converted once.
struct PlainShow {
  LONG mode;
  bool lean;
  HWND window;
  HIMAGELIST small, large;
  HICON programSmall, programLarge, exitSmall, exitLarge, backSmall, backLarge;
};

static void ReleasePlainShow(PlainShow *show)
{
  if (show->window != nullptr)
    DestroyWindow(show->window);
  if (show->small != nullptr)
    ImageList_Destroy(show->small);
  if (show->large != nullptr)
    ImageList_Destroy(show->large);
  show->window = nullptr;
  show->small = show->large = nullptr;
}

static HICON RowIcon(const PlainShow &show, int row, bool small)
{
  if (row == ENTRIES)
    return small ? show.exitSmall : show.exitLarge;
  if (row == ENTRIES + 1)
    return small ? show.backSmall : show.backLarge;
  return small ? show.programSmall : show.programLarge;
}

static int RowImage(const PlainShow &show, int row)
{
  if (!show.lean)
    return row;
  return row < ENTRIES ? 0 : row - ENTRIES + 1;
}

static void PlainListShow(PlainShow *show)
{
  ReleasePlainShow(show);
  RECT area;
  GetClientRect(g_app.mainWindow, &area);
  DWORD view = show->mode == MODE_LIST          ? LVS_LIST
               : show->mode == MODE_SMALL_ICONS ? LVS_SMALLICON
               : show->mode == MODE_LARGE_ICONS ? LVS_ICON
                                                : LVS_REPORT;
  show->window = CreateWindowExW(0, WC_LISTVIEWW, L"Bench",
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_SINGLESEL |
                                     LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | view,
                                 0, 0, area.right, area.bottom, g_app.mainWindow, nullptr,
                                 g_app.instance, nullptr);
  show->small = ImageList_Create(16, 16, ILC_MASK, ROWS, 0);
  show->large = ImageList_Create(32, 32, ILC_MASK, ROWS, 0);
  int images = show->lean ? 3 : ROWS;
  for (int i = 0; i < images; ++i) {
    int row = show->lean ? (i == 0 ? 0 : ENTRIES + i - 1) : i;
    ImageList_ReplaceIcon(show->small, -1, RowIcon(*show, row, true));
    ImageList_ReplaceIcon(show->large, -1, RowIcon(*show, row, false));
  }
  SendMessageW(show->window, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(show->small));
  SendMessageW(show->window, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(show->large));
  static const wchar_t *headings[] = {L"Description", L"Name", L"Command"};
  int columns = show->mode == MODE_DETAILS ? 3 : show->mode == MODE_LIST ? 1 : 0;
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.cx = area.right / 3;
    column.pszText = const_cast<wchar_t *>(headings[c]);
    column.iSubItem = c;
    SendMessageW(show->window, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(show->window, WM_SETREDRAW, FALSE, 0);
  for (int row = 0; row < ROWS; ++row) {
    wchar_t text[32];
    swprintf(text, 32, L"Program %d", row + 1);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iImage = RowImage(*show, row);
    item.pszText = text;
    SendMessageW(show->window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < columns; ++c)
      SendMessageW(show->window, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(show->window, WM_SETREDRAW, TRUE, 0);
  LVITEMW selected = {};
  selected.stateMask = selected.state = LVIS_SELECTED;
  SendMessageW(show->window, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
  UpdateWindow(show->window);
  PumpPending();
}

// Menu bars the plain way: a container and, per row that fits, a label with the item
// font and the item's icon beside it.
static void PlainMenuShow(PlainShow *show)
{
  ReleasePlainShow(show);
  RECT area;
  GetClientRect(g_app.mainWindow, &area);
  show->window = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 0, 0, area.right, area.bottom, g_app.mainWindow, nullptr,
                                 g_app.instance, nullptr);
  LOGFONTW font = {};
  font.lfHeight = -16;
  font.lfWeight = 600;
  wcscpy(font.lfFaceName, L"Arial");
  HFONT itemFont = CreateFontIndirectW(&font);
  int rows = area.bottom / 50;
  for (int row = 0; row < rows && row < ROWS; ++row) {
    wchar_t text[32];
    swprintf(text, 32, L"Program %d", row + 1);
    HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP,
                                 60, row * 50 + 15, area.right - 100, 20, show->window, nullptr,
                                 g_app.instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), FALSE);
    HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON,
                                   10, row * 50 + 9, 32, 32, show->window, nullptr,
                                   g_app.instance, nullptr);
    SendMessageW(picture, STM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(RowIcon(*show, row, false)));
  }
  UpdateWindow(show->window);
  PumpPending();
  DestroyWindow(show->window);
  show->window = nullptr;
  DeleteObject(itemFont);
}

static void PlainShowRound(void *context)
{
  PlainShow *show = static_cast<PlainShow *>(context);
  if (show->mode == MODE_MENU_BARS)
    PlainMenuShow(show);
  else
    PlainListShow(show);
}

static void PlainTwoShows(void *context)
{
  PlainShowRound(context);
  PlainShowRound(context);
}

static HICON ResourceIcon(int id, int size)
{
  return static_cast<HICON>(
      LoadImageW(g_app.instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

// The steps of one show, each on its own, for the breakdown.
static void StepLoad(void *)
{
  ClearProgramEntries();
  LoadConfiguration(g_profile.configurationKeyPath);
}
static void StepIcons(void *) { LoadEntryIcons(); }
static void StepHotKeys(void *) { RegisterEntryHotKeys(); }
static void StepCheck(void *context)
{
  CheckConfiguration(static_cast<const Mode *>(context)->configuration);
}
static void StepBuildAndTearDown(void *)
{
  LONG count = g_entries.programCount;
  g_entries.count = count;  // the build appends the added items again
  BuildPresentation(g_app.mainWindow);
  UpdateWindow(g_app.presentationWindow);
  PumpPending();
  TearDownPresentation();
  g_entries.count = count;
}

static void PrintBreakdown(const Mode &mode, int rounds)
{
  Mode current = mode;
  ShowConfiguration(mode.configuration);
  TearDownPresentation();
  const struct {
    const char *what;
    void (*step)(void *);
  } steps[] = {{"  load configuration", StepLoad},
               {"  hot keys", StepHotKeys},
               {"  entry icons", StepIcons},
               {"  build, paint, tear down", StepBuildAndTearDown},
               {"  check before entering", StepCheck}};
  Figure none = {0, 0};
  for (const auto &step : steps) {
    Figure figure = MeasureRounds(step.step, &current, rounds);
    PrintFigure(step.what, figure, none);
  }
  UnregisterEntryHotKeys();
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
  if (!SelectProfile(L"Bench") || !RegisterMainClass(g_app.instance, IDS_CLASS_NAME) ||
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
  }

  PrintHeader("Where a show goes (no floor)");
  for (const Mode &mode : kModes) {
    if (mode.mode != MODE_DETAILS && mode.mode != MODE_MENU_BARS)
      continue;
    printf("  %ls\n", mode.modeText);
    PrintBreakdown(mode, rounds);
  }

  DestroyWindow(g_app.mainWindow);
  RegDeleteTreeW(HKEY_CURRENT_USER, kProfile);
  return 0;
}
