#pragma once
// The settings record of a configuration, its reading with fallback and defaults, and
// the 17 setting checks.
#include <windows.h>

#include "Common/StdFuncs.h"

enum DisplayMode {
  MODE_UNKNOWN = -1,
  MODE_DETAILS = 0,
  MODE_LIST = 1,
  MODE_SMALL_ICONS = 2,
  MODE_LARGE_ICONS = 3,
  MODE_MENU_BARS = 4,
};

struct DisplaySettings {
  LONG mode;
  DWORD useProgramIcons;
  DWORD number;
  DWORD detailColumns;
  DWORD buttonColumns;
  DWORD titleShown;
  wchar_t titleText[TEXT_CAPACITY];
  DWORD exitShown;
  wchar_t exitText[TEXT_CAPACITY];
  HICON exitSmallIcon, exitLargeIcon;
  DWORD aboutShown;
  wchar_t aboutText[TEXT_CAPACITY];
  HICON aboutSmallIcon, aboutLargeIcon;
  DWORD returnShown;
  wchar_t returnText[TEXT_CAPACITY];
  HICON returnSmallIcon, returnLargeIcon;
  DWORD quitAfterLaunch;
  DWORD headings;
  wchar_t descriptionHeading[TEXT_CAPACITY];
  DWORD descriptionWidth;
  wchar_t nameHeading[TEXT_CAPACITY];
  DWORD nameWidth;
  wchar_t commandHeading[TEXT_CAPACITY];
  DWORD commandWidth;
  DWORD bitmapHeight;
  HBITMAP headerBitmap;
  COLORREF menuAreaBackgroundColor;
  wchar_t menuItemFont[TEXT_CAPACITY];
  DWORD menuItemFontSize;
  LONG menuItemHeight;
  DWORD menuItemIconWidth;
  COLORREF menuItemBackgroundColor;
  COLORREF menuItemTextColor;
  COLORREF selectedMenuItemBackgroundColor;
  COLORREF selectedMenuItemTextColor;
  COLORREF separatorColor;
  DWORD titleBarContext;
};

extern DisplaySettings g_settings;       // the live record
extern DisplaySettings g_checkSettings;  // the check record (configuration check only)

// Setting numbers, in reading order (13 and 15 are not assigned).
enum SettingNumber {
  SET_MODE = 0, SET_TITLE_BAR = 1, SET_EXIT = 2, SET_QUIT_AFTER_LAUNCH = 3,
  SET_DESCRIPTION_WIDTH = 4, SET_NAME_WIDTH = 5, SET_COMMAND_WIDTH = 6,
  SET_DESCRIPTION = 7, SET_NAME = 8, SET_COMMAND = 9, SET_HEADINGS = 10,
  SET_DETAIL_COLUMNS = 11, SET_USE_PROGRAM_ICONS = 12, SET_NUMBER = 14,
  SET_BUTTON_COLUMNS = 16, SET_ABOUT = 17, SET_RETURN = 18, SET_BITMAP_HEIGHT = 19,
  SET_BITMAP_FILE_PATH = 20, SET_MENU_AREA_BACKGROUND = 21, SET_MENU_ITEM_FONT = 22,
  SET_MENU_ITEM_FONT_SIZE = 23, SET_MENU_ITEM_HEIGHT = 24, SET_MENU_ITEM_ICON_WIDTH = 25,
  SET_MENU_ITEM_BACKGROUND = 26, SET_MENU_ITEM_TEXT = 27, SET_SELECTED_BACKGROUND = 28,
  SET_SELECTED_TEXT = 29, SET_SEPARATOR = 30, SET_TITLE_BAR_CONTEXT = 31,
};

bool LoadDisplaySettings(const wchar_t *configurationKeyPath);
void ReadSetting(const wchar_t *settingsKeyPath, int number, const wchar_t *valueName,
                 DWORD kind);
void ApplyBuiltInDefault(int number);
bool ValidateSetting(int check, bool showMessage, bool reset, DisplaySettings *record);
bool ResetSetting(DisplaySettings *record, int messageId);
HBITMAP CropBitmap(HBITMAP source, int sourceX, int sourceY, int largestWidth,
                   int largestHeight);
// Loads the small and large icons of an added item (About, Exit, Return) into handles;
// they are the launcher's shared icons.
void LoadItemIcons(int iconId, HICON *smallIcon, HICON *largeIcon);
