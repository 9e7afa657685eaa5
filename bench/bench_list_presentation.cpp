// Times showing a 16-entry configuration as a list view: entry icons, presentation build,
// and the tear-down that the next show needs. Prints the time per show.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/ShellLockdown.h"

static LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_NOTIFY)
    return HandleListNotify(window, message, wParam, reinterpret_cast<NMHDR *>(lParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

static void FillEntries(int count)
{
  ZeroMemory(&g_entries, sizeof g_entries);
  for (int i = 0; i < count; ++i) {
    ProgramEntry &entry = g_entries.entries[i];
    swprintf(entry.description, TEXT_CAPACITY, L"Program %d", i + 1);
    swprintf(entry.name, TEXT_CAPACITY, L"\\Windows\\missing%d.exe", i + 1);
    swprintf(entry.command, COMMAND_CAPACITY, L"-arg%d", i + 1);
  }
  g_entries.count = count;
}

static void ReleaseEntries()
{
  ClearProgramEntries();  // gives back what the entries own, and only that
}

static void TearDown()
{
  if (g_presentation.smallImages != nullptr)
    ImageList_Destroy(g_presentation.smallImages);
  if (g_presentation.largeImages != nullptr)
    ImageList_Destroy(g_presentation.largeImages);
  g_presentation.smallImages = g_presentation.largeImages = nullptr;
  UnregisterEntryHotKeys();
  if (g_app.presentationWindow != nullptr)
    DestroyWindow(g_app.presentationWindow);
  g_app.presentationWindow = nullptr;
}

static void PumpPending()
{
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

struct ShowTimes {
  double icons, build, tearDown;  // milliseconds per show
};

static double Milliseconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to)
{
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

static bool RunShows(LONG mode, int shows, int entries, ShowTimes *times)
{
  g_settings.mode = mode;
  *times = {0, 0, 0};
  for (int i = 0; i < shows; ++i) {
    LARGE_INTEGER start, loaded, built, done;
    FillEntries(entries);
    QueryPerformanceCounter(&start);
    RegisterEntryHotKeys();
    LoadEntryIcons();
    QueryPerformanceCounter(&loaded);
    if (!BuildPresentation(g_app.mainWindow)) {
      fwprintf(stderr, L"build failed\n");
      return false;
    }
    UpdateWindow(g_app.presentationWindow);
    PumpPending();
    QueryPerformanceCounter(&built);
    TearDown();
    ReleaseEntries();
    QueryPerformanceCounter(&done);
    times->icons += Milliseconds(start, loaded);
    times->build += Milliseconds(loaded, built);
    times->tearDown += Milliseconds(built, done);
  }
  times->icons /= shows;
  times->build /= shows;
  times->tearDown /= shows;
  return true;
}

// The platform's own floor: a bare list view with the same number of plain text items.
static double BareListView(int shows, int items)
{
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < shows; ++i) {
    HWND listView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0,
                                    0, 240, 320, g_app.mainWindow, nullptr, g_app.instance,
                                    nullptr);
    for (int item = 0; item < items; ++item) {
      LVITEMW row = {};
      row.mask = LVIF_TEXT;
      row.iItem = item;
      row.pszText = const_cast<wchar_t *>(L"Program");
      SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    }
    UpdateWindow(listView);
    PumpPending();
    DestroyWindow(listView);
  }
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end) / shows;
}

int wmain(int argc, wchar_t **argv)
{
  int shows = argc > 1 ? _wtoi(argv[1]) : 300;
  if (shows <= 0)
    shows = 300;
  const int entries = MAX_PROGRAM_ENTRIES;
  InitCommonControls();
  g_app.instance = GetModuleHandleW(nullptr);
  g_shell.plainCe = true;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = BenchWindowProc;
  windowClass.hInstance = g_app.instance;
  windowClass.lpszClassName = L"FerroltBench";
  RegisterClassW(&windowClass);
  g_app.mainWindow = CreateWindowExW(0, L"FerroltBench", L"bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                     240, 320, nullptr, nullptr, g_app.instance, nullptr);
  if (g_app.mainWindow == nullptr)
    return 1;

  ZeroMemory(&g_settings, sizeof g_settings);
  g_settings.detailColumns = 3;
  g_settings.headings = 1;
  g_settings.number = 0;
  g_settings.menuItemFontSize = 12;
  CopyText(g_settings.titleText, TEXT_CAPACITY, L"Ferrolt");
  CopyText(g_settings.descriptionHeading, TEXT_CAPACITY, L"Description");
  CopyText(g_settings.nameHeading, TEXT_CAPACITY, L"Name");
  CopyText(g_settings.commandHeading, TEXT_CAPACITY, L"Command");
  g_settings.exitShown = 1;
  CopyText(g_settings.exitText, TEXT_CAPACITY, L"Exit");

  const struct {
    LONG mode;
    const wchar_t *name;
  } modes[] = {{MODE_DETAILS, L"Details"}, {MODE_LIST, L"List"},
               {MODE_SMALL_ICONS, L"Small Icons"}, {MODE_LARGE_ICONS, L"Large Icons"}};
  ShowTimes times;
  RunShows(MODE_DETAILS, 5, entries, &times);  // warm-up: first loads of icons and classes
  wprintf(L"list presentation, %d entries + Exit item, %d shows per mode (ms per show)\n",
          entries, shows);
  wprintf(L"  %-12ls %9ls %9ls %9ls %9ls\n", L"mode", L"icons", L"build", L"tear-down",
          L"total");
  for (const auto &m : modes) {
    if (!RunShows(m.mode, shows, entries, &times))
      return 1;
    wprintf(L"  %-12ls %9.3f %9.3f %9.3f %9.3f\n", m.name, times.icons, times.build,
            times.tearDown, times.icons + times.build + times.tearDown);
  }
  wprintf(L"  bare list view with %d text items, no images: %.3f ms per show\n", entries + 1,
          BareListView(shows, entries + 1));
  DestroyWindow(g_app.mainWindow);
  return 0;
}
