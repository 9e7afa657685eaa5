// Builds the presentation of the current configuration: the added items, then the list
// view or the menu bars.
#include "launcher/presentation/ListPresentation.h"

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/ShellLockdown.h"
#include "resource.h"

PresentationState g_presentation = {nullptr, nullptr, -1, -1, -1, false, 1};

bool IsMenuBarsMode()
{
  return g_settings.mode == MODE_MENU_BARS;
}

bool IsReturnNumberedZero()
{
  if (g_presentation.returnIndex < 0)
    return false;
  return g_app.backOnZero == 1 || (g_app.backOnZero == 2 && IsMenuBarsMode());
}

HWND GetListView()
{
  if (IsMenuBarsMode() || g_app.presentationWindow == nullptr)
    return nullptr;
  return g_app.presentationWindow;
}

static void ReadHighResolution()
{
  HDC screen = GetDC(nullptr);
  g_app.highResolution = screen != nullptr && GetDeviceCaps(screen, LOGPIXELSX) >= 192;
  if (screen != nullptr)
    ReleaseDC(nullptr, screen);
}

// Appends an item to the entry table; -1 when the table has no free slot. The item's
// icons stay with the settings record, so its slot holds none.
static int AppendAddedItem(const wchar_t *label)
{
  LONG index = g_entries.count;
  if (index < 0 || index >= ENTRY_TABLE_SLOTS)
    return -1;
  ProgramEntry &slot = g_entries.entries[index];
  slot.name[0] = L'\0';
  slot.command[0] = L'\0';
  slot.call[0] = L'\0';
  CopyText(slot.description, TEXT_CAPACITY, label);
  slot.isCall = 0;
  slot.hotKey = 0;
  slot.hotKeyModifiers = 0;
  slot.icon = 0;
  slot.smallIcon = nullptr;
  slot.largeIcon = nullptr;
  g_entries.count = index + 1;
  return static_cast<int>(index);
}

static void AppendAddedItems()
{
  if (g_entries.count < 0)
    g_entries.count = 0;
  if (g_entries.count > MAX_PROGRAM_ENTRIES)
    g_entries.count = MAX_PROGRAM_ENTRIES;
  g_entries.programCount = g_entries.count;
  g_presentation.aboutIndex = g_settings.aboutShown ? AppendAddedItem(g_settings.aboutText) : -1;
  g_presentation.exitIndex = g_settings.exitShown ? AppendAddedItem(g_settings.exitText) : -1;
  g_presentation.returnIndex =
      g_settings.returnShown ? AppendAddedItem(g_settings.returnText) : -1;
}

int BuildPresentation(HWND mainWindow)
{
  if (WantsHiddenBars())
    HideShellBars();
  ReadHighResolution();
  AppendAddedItems();
  g_presentation.returnNumberedZero = IsReturnNumberedZero();

  if (IsMenuBarsMode())
    g_app.presentationWindow = CreateMenuBars(mainWindow);
  else
    g_app.presentationWindow = CreateListView(mainWindow);
  if (g_app.presentationWindow == nullptr) {
    ShowLastError(TEXT_ID(IDS_CANNOT_CREATE_LIST_VIEW));
    return 0;
  }
  if (!IsMenuBarsMode()) {
    SelectListItem(-1);
    SetSelectionState(true);
  }
  MatchStatusStripColours();
  return 1;
}
