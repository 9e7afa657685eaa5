// The 17 setting checks, their messages and the values that replace a failing setting.
#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/SettingReader.h"
#include "resources/resource.h"

enum {
  MENU_ITEM_HEIGHT_MAX = 120, MENU_ITEM_HEIGHT_MIN = 10, MENU_ITEM_HEIGHT_MIN_WITH_ICONS = 33,
  FONT_SIZE_MIN = 5, FONT_SIZE_MAX = 20, ICON_WIDTH_MIN = 30, ICON_WIDTH_MAX = 100,
  COLUMN_WIDTH_MAX = 100,
};

static bool IsFlag(DWORD value)
{
  return value == 0 || value == 1;
}

static bool InRange(DWORD value, DWORD lowest, DWORD highest)
{
  return value >= lowest && value <= highest;
}

struct CheckOutcome {
  bool applies;
  bool valid;
  int messageId;
  int low, high;  // numbers of the message, when it has them
};

static CheckOutcome Outcome(bool applies, bool valid, int messageId, int low, int high)
{
  CheckOutcome outcome = {applies, valid, messageId, low, high};
  return outcome;
}

static CheckOutcome EvaluateCheck(int check, const DisplaySettings *r)
{
  bool menuBars = r->mode == MODE_MENU_BARS;
  bool details = r->mode == MODE_DETAILS;
  switch (check) {
  case 0: return Outcome(true, r->mode >= MODE_DETAILS && r->mode <= MODE_MENU_BARS, IDS_BAD_MODE, 0, 0);
  case 1: return Outcome(true, IsFlag(r->useProgramIcons), IDS_BAD_USE_PROGRAM_ICONS, 0, 0);
  case 2: {
    LONG lowest = r->useProgramIcons != 0 ? MENU_ITEM_HEIGHT_MIN_WITH_ICONS : MENU_ITEM_HEIGHT_MIN;
    return Outcome(menuBars, r->menuItemHeight >= lowest && r->menuItemHeight <= MENU_ITEM_HEIGHT_MAX,
                   IDS_BAD_MENU_ITEM_HEIGHT, static_cast<int>(lowest), MENU_ITEM_HEIGHT_MAX);
  }
  case 3:
    return Outcome(menuBars, r->menuItemTextColor != r->menuItemBackgroundColor, IDS_SAME_COLOURS, 0, 0);
  case 4:
    return Outcome(menuBars, r->selectedMenuItemTextColor != r->selectedMenuItemBackgroundColor,
                   IDS_SAME_COLOURS, 0, 0);
  case 5:
    return Outcome(true, InRange(r->menuItemFontSize, FONT_SIZE_MIN, FONT_SIZE_MAX), IDS_BAD_FONT_SIZE,
                   FONT_SIZE_MIN, FONT_SIZE_MAX);
  case 6:
    return Outcome(menuBars, r->bitmapHeight <= BITMAP_HEIGHT_LIMIT, IDS_BAD_BITMAP_HEIGHT,
                   BITMAP_HEIGHT_LIMIT, 0);
  case 7: return Outcome(true, IsFlag(r->number), IDS_BAD_NUMBER, 0, 0);
  case 8: return Outcome(details, InRange(r->detailColumns, 1, 3), IDS_BAD_DETAIL_COLUMNS, 0, 0);
  case 10:
    return Outcome(menuBars && r->useProgramIcons != 0,
                   InRange(r->menuItemIconWidth, ICON_WIDTH_MIN, ICON_WIDTH_MAX), IDS_BAD_ICON_WIDTH,
                   ICON_WIDTH_MIN, ICON_WIDTH_MAX);
  case 11: return Outcome(true, IsFlag(r->quitAfterLaunch), IDS_BAD_QUIT_AFTER_LAUNCH, 0, 0);
  case 12:
    return Outcome(details, r->descriptionWidth <= COLUMN_WIDTH_MAX, IDS_BAD_DESCRIPTION_WIDTH, 0, 0);
  case 13: return Outcome(details, r->nameWidth <= COLUMN_WIDTH_MAX, IDS_BAD_NAME_WIDTH, 0, 0);
  case 14: return Outcome(details, r->commandWidth <= COLUMN_WIDTH_MAX, IDS_BAD_COMMAND_WIDTH, 0, 0);
  case 15: return Outcome(details, IsFlag(r->headings), IDS_BAD_HEADINGS, 0, 0);
  case 16: return Outcome(true, IsFlag(r->titleBarContext), IDS_BAD_TITLE_BAR_CONTEXT, 0, 0);
  default: return Outcome(false, true, 0, 0, 0);
  }
}

static void ShowCheckMessage(const CheckOutcome &outcome)
{
  wchar_t pattern[TEXT_CAPACITY];
  wchar_t message[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(outcome.messageId), pattern, TEXT_CAPACITY);
  // Every pattern of the table takes at most two numbers.
  _snwprintf(message, TEXT_CAPACITY, pattern, outcome.low, outcome.high);
  message[TEXT_CAPACITY - 1] = 0;
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Error ", MB_OK);
}

bool ValidateSetting(int check, bool showMessage, bool reset, DisplaySettings *record)
{
  if (record == nullptr)
    return false;
  CheckOutcome outcome = EvaluateCheck(check, record);
  if (!outcome.applies || outcome.valid)
    return true;
  if (showMessage)
    ShowCheckMessage(outcome);
  // An unknown mode is always replaced, so that the menu-bar checks apply to it.
  if (reset || outcome.messageId == IDS_BAD_MODE)
    ResetSetting(record, outcome.messageId);
  return true;
}

bool ResetSetting(DisplaySettings *record, int messageId)
{
  if (record == nullptr)
    return false;
  switch (messageId) {
  case IDS_BAD_MODE: record->mode = MODE_MENU_BARS; break;
  case IDS_BAD_USE_PROGRAM_ICONS: record->useProgramIcons = 0; break;
  case IDS_BAD_MENU_ITEM_HEIGHT: record->menuItemHeight = 50; break;
  case IDS_SAME_COLOURS:
    record->menuItemBackgroundColor = DEFAULT_ITEM_BACKGROUND;
    record->menuItemTextColor = DEFAULT_ITEM_TEXT;
    record->selectedMenuItemBackgroundColor = DEFAULT_SELECTED_BACKGROUND;
    record->selectedMenuItemTextColor = DEFAULT_SELECTED_TEXT;
    break;
  case IDS_BAD_FONT_SIZE: record->menuItemFontSize = 12; break;
  case IDS_BAD_BITMAP_HEIGHT: record->bitmapHeight = BITMAP_HEIGHT_FALLBACK; break;
  case IDS_BAD_NUMBER: record->number = 0; break;
  case IDS_BAD_DETAIL_COLUMNS: record->detailColumns = 1; break;
  case IDS_BAD_ICON_WIDTH: record->menuItemIconWidth = 50; break;
  case IDS_BAD_QUIT_AFTER_LAUNCH: record->quitAfterLaunch = 0; break;
  case IDS_BAD_DESCRIPTION_WIDTH: record->descriptionWidth = 0; break;
  case IDS_BAD_NAME_WIDTH: record->nameWidth = 0; break;
  case IDS_BAD_COMMAND_WIDTH: record->commandWidth = 0; break;
  case IDS_BAD_HEADINGS: record->headings = 0; break;
  case IDS_BAD_TITLE_BAR_CONTEXT: record->titleBarContext = 0; break;
  default: return false;
  }
  return true;
}
