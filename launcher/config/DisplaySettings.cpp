// The settings record of a configuration: reading a Settings key with its fallback and
// built-in defaults.
#include "launcher/config/DisplaySettings.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/KeyValueSnapshot.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/Profile.h"
#include "launcher/config/SettingReader.h"
#include "launcher/presentation/IconCache.h"
#include "resources/resource.h"

DisplaySettings g_settings;
DisplaySettings g_checkSettings;

const SettingValue g_settingValues[SETTING_VALUE_COUNT] = {
    {SET_MODE, L"Mode", REG_SZ},
    {SET_TITLE_BAR, L"TitleBar", REG_SZ},
    {SET_EXIT, L"Exit", REG_SZ},
    {SET_QUIT_AFTER_LAUNCH, L"QuitAfterLaunch", REG_DWORD},
    {SET_DESCRIPTION_WIDTH, L"DescriptionWidth", REG_DWORD},
    {SET_NAME_WIDTH, L"NameWidth", REG_DWORD},
    {SET_COMMAND_WIDTH, L"CommandWidth", REG_DWORD},
    {SET_DESCRIPTION, L"Description", REG_SZ},
    {SET_NAME, L"Name", REG_SZ},
    {SET_COMMAND, L"Command", REG_SZ},
    {SET_HEADINGS, L"Headings", REG_DWORD},
    {SET_DETAIL_COLUMNS, L"DetailColumns", REG_DWORD},
    {SET_USE_PROGRAM_ICONS, L"UseProgramIcons", REG_DWORD},
    {SET_NUMBER, L"Number", REG_DWORD},
    {SET_BUTTON_COLUMNS, L"ButtonColumns", REG_DWORD},
    {SET_ABOUT, L"About", REG_SZ},
    {SET_RETURN, L"Return", REG_SZ},
    {SET_BITMAP_HEIGHT, L"BitmapHeight", REG_DWORD},
    {SET_BITMAP_FILE_PATH, L"BitmapFilePath", REG_SZ},
    {SET_MENU_AREA_BACKGROUND, L"MenuAreaBackgroundColor", REG_DWORD},
    {SET_MENU_ITEM_FONT, L"MenuItemFont", REG_SZ},
    {SET_MENU_ITEM_FONT_SIZE, L"MenuItemFontSize", REG_DWORD},
    {SET_MENU_ITEM_HEIGHT, L"MenuItemHeight", REG_DWORD},
    {SET_MENU_ITEM_ICON_WIDTH, L"MenuItemIconWidth", REG_DWORD},
    {SET_MENU_ITEM_BACKGROUND, L"MenuItemBackgroundColor", REG_DWORD},
    {SET_MENU_ITEM_TEXT, L"MenuItemTextColor", REG_DWORD},
    {SET_SELECTED_BACKGROUND, L"SelectedMenuItemBackgroundColor", REG_DWORD},
    {SET_SELECTED_TEXT, L"SelectedMenuItemTextColor", REG_DWORD},
    {SET_SEPARATOR, L"SeparatorColor", REG_DWORD},
    {SET_TITLE_BAR_CONTEXT, L"TitleBarContext", REG_DWORD},
};

static bool IsDefaultSettingsPath(const wchar_t *path)
{
  wchar_t expected[TEXT_CAPACITY];
  if (!CopyText(expected, TEXT_CAPACITY, g_profile.profileKeyPath) ||
      !AppendText(expected, TEXT_CAPACITY, L"\\" DEFAULT_CONFIGURATION L"\\Settings"))
    return false;
  return wcscmp(path, expected) == 0;
}

// Queries one value of the expected kind, in one call to the registry. A value of another
// type counts as missing, so a number is never taken for a text or a text for a number. A
// text longer than its buffer is cut inside the buffer, or counts as missing when
// longTextMissing is set.
static bool QuerySetting(HKEY key, const wchar_t *name, DWORD kind, bool longTextMissing,
                         wchar_t *text, DWORD *number)
{
  if (key == nullptr)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  if (kind == REG_DWORD) {
    *number = 0;
    size = sizeof(DWORD);
    return QueryKeyValue(key, name, &type, reinterpret_cast<BYTE *>(number), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
  }

  ZeroMemory(text, TEXT_CAPACITY * sizeof(wchar_t));
  size = TEXT_CAPACITY * sizeof(wchar_t);
  LONG result = QueryKeyValue(key, name, &type, reinterpret_cast<BYTE *>(text), &size);
  if (type != REG_SZ)
    return false;
  if (result == ERROR_MORE_DATA) {
    // What the platform left in the buffer is used as read, but ends inside it.
    text[TEXT_CAPACITY - 1] = 0;
    return !longTextMissing;
  }
  if (result != ERROR_SUCCESS)
    return false;
  DWORD used = size / sizeof(wchar_t);
  if (used >= TEXT_CAPACITY) {
    // Exactly 260 characters with no terminator: one more than fits.
    bool tooLong = text[TEXT_CAPACITY - 1] != 0;
    text[TEXT_CAPACITY - 1] = 0;
    return !(tooLong && longTextMissing);
  }
  text[used] = 0;
  return true;
}

static LONG ModeFromText(const wchar_t *text)
{
  if (wcscmp(text, L"Details") == 0 || wcscmp(text, L"Report") == 0)
    return MODE_DETAILS;
  if (wcscmp(text, L"List") == 0)
    return MODE_LIST;
  if (wcscmp(text, L"Small Icons") == 0)
    return MODE_SMALL_ICONS;
  if (wcscmp(text, L"Large Icons") == 0)
    return MODE_LARGE_ICONS;
  if (wcscmp(text, L"Menu Bars") == 0)
    return MODE_MENU_BARS;
  return MODE_UNKNOWN;
}

// An added item is shown under a non-empty text; the live record also gets its icons.
static void StoreItemText(const SettingTarget &target, const wchar_t *text, DWORD *shown,
                          wchar_t *label, int iconId, HICON *smallIcon, HICON *largeIcon)
{
  CopyText(label, TEXT_CAPACITY, text);
  *shown = text[0] != 0 ? 1 : 0;
  if (*shown && !target.checkRecord)
    LoadItemIcons(iconId, smallIcon, largeIcon);
}

// A column heading left empty keeps its own name in the live record.
static void StoreHeading(const SettingTarget &target, wchar_t *heading, const wchar_t *text,
                         const wchar_t *fallback)
{
  CopyText(heading, TEXT_CAPACITY, text[0] == 0 && !target.checkRecord ? fallback : text);
}

static void StoreSetting(const SettingTarget &target, int number, const wchar_t *text,
                         DWORD value)
{
  DisplaySettings *r = target.record;
  switch (number) {
  case SET_MODE: r->mode = ModeFromText(text); break;
  case SET_TITLE_BAR:
    CopyText(r->titleText, TEXT_CAPACITY, text);
    r->titleShown = text[0] != 0 ? 1 : 0;
    break;
  case SET_EXIT:
    StoreItemText(target, text, &r->exitShown, r->exitText, ICON_EXIT, &r->exitSmallIcon,
                  &r->exitLargeIcon);
    break;
  case SET_QUIT_AFTER_LAUNCH: r->quitAfterLaunch = value; break;
  case SET_DESCRIPTION_WIDTH: r->descriptionWidth = value; break;
  case SET_NAME_WIDTH: r->nameWidth = value; break;
  case SET_COMMAND_WIDTH: r->commandWidth = value; break;
  case SET_DESCRIPTION: StoreHeading(target, r->descriptionHeading, text, L"Description"); break;
  case SET_NAME: StoreHeading(target, r->nameHeading, text, L"Name"); break;
  case SET_COMMAND: StoreHeading(target, r->commandHeading, text, L"Command"); break;
  case SET_HEADINGS: r->headings = value; break;
  case SET_DETAIL_COLUMNS: r->detailColumns = value; break;
  case SET_USE_PROGRAM_ICONS: r->useProgramIcons = value; break;
  case SET_NUMBER: r->number = value; break;
  case SET_BUTTON_COLUMNS: r->buttonColumns = value; break;
  case SET_ABOUT:
    StoreItemText(target, text, &r->aboutShown, r->aboutText, ICON_ABOUT, &r->aboutSmallIcon,
                  &r->aboutLargeIcon);
    break;
  case SET_RETURN:
    if (target.defaultCase) {
      // The home configuration has nothing to return to.
      CopyText(r->returnText, TEXT_CAPACITY, text);
      r->returnShown = 0;
    } else {
      StoreItemText(target, text, &r->returnShown, r->returnText, ICON_RETURN,
                    &r->returnSmallIcon, &r->returnLargeIcon);
    }
    break;
  case SET_BITMAP_HEIGHT:
    r->bitmapHeight = !target.checkRecord && value > BITMAP_HEIGHT_LIMIT ? DWORD(BITMAP_HEIGHT_FALLBACK)
                                                                         : value;
    break;
  case SET_BITMAP_FILE_PATH:
    if (!target.checkRecord)
      LoadHeaderBitmap(r, text);
    break;
  case SET_MENU_AREA_BACKGROUND: r->menuAreaBackgroundColor = value; break;
  case SET_MENU_ITEM_FONT: CopyText(r->menuItemFont, TEXT_CAPACITY, text); break;
  case SET_MENU_ITEM_FONT_SIZE: r->menuItemFontSize = value; break;
  case SET_MENU_ITEM_HEIGHT: r->menuItemHeight = static_cast<LONG>(value); break;
  case SET_MENU_ITEM_ICON_WIDTH: r->menuItemIconWidth = value; break;
  case SET_MENU_ITEM_BACKGROUND: r->menuItemBackgroundColor = value; break;
  case SET_MENU_ITEM_TEXT: r->menuItemTextColor = value; break;
  case SET_SELECTED_BACKGROUND: r->selectedMenuItemBackgroundColor = value; break;
  case SET_SELECTED_TEXT: r->selectedMenuItemTextColor = value; break;
  case SET_SEPARATOR: r->separatorColor = value; break;
  case SET_TITLE_BAR_CONTEXT: r->titleBarContext = value; break;
  default: break;
  }
}

static void HideItem(wchar_t *label, DWORD *shown)
{
  CopyText(label, TEXT_CAPACITY, L" ");
  *shown = 0;
}

void ApplySettingDefault(const SettingTarget &target, int number)
{
  DisplaySettings *r = target.record;
  switch (number) {
  case SET_MODE: r->mode = MODE_MENU_BARS; break;
  case SET_TITLE_BAR: HideItem(r->titleText, &r->titleShown); break;
  case SET_EXIT: HideItem(r->exitText, &r->exitShown); break;
  case SET_QUIT_AFTER_LAUNCH: r->quitAfterLaunch = 0; break;
  case SET_DESCRIPTION_WIDTH: r->descriptionWidth = 0; break;
  case SET_NAME_WIDTH: r->nameWidth = 0; break;
  case SET_COMMAND_WIDTH: r->commandWidth = 0; break;
  case SET_DESCRIPTION: CopyText(r->descriptionHeading, TEXT_CAPACITY, L"Description"); break;
  case SET_NAME: CopyText(r->nameHeading, TEXT_CAPACITY, L"Name"); break;
  case SET_COMMAND: CopyText(r->commandHeading, TEXT_CAPACITY, L"Command"); break;
  case SET_HEADINGS: r->headings = 0; break;
  case SET_DETAIL_COLUMNS: r->detailColumns = 1; break;
  case SET_USE_PROGRAM_ICONS: r->useProgramIcons = 0; break;
  case SET_NUMBER: r->number = 0; break;
  case SET_BUTTON_COLUMNS: r->buttonColumns = target.checkRecord ? 3 : 1; break;
  case SET_ABOUT: HideItem(r->aboutText, &r->aboutShown); break;
  case SET_RETURN: HideItem(r->returnText, &r->returnShown); break;
  case SET_BITMAP_HEIGHT: r->bitmapHeight = target.checkRecord ? BITMAP_HEIGHT_FALLBACK : 0; break;
  case SET_BITMAP_FILE_PATH:
    ReleaseHeaderBitmap(r);
    r->bitmapHeight = 0;
    break;
  case SET_MENU_AREA_BACKGROUND: r->menuAreaBackgroundColor = DEFAULT_MENU_AREA_BACKGROUND; break;
  case SET_MENU_ITEM_FONT: CopyText(r->menuItemFont, TEXT_CAPACITY, L"Arial"); break;
  case SET_MENU_ITEM_FONT_SIZE: r->menuItemFontSize = 12; break;
  case SET_MENU_ITEM_HEIGHT: r->menuItemHeight = 50; break;
  case SET_MENU_ITEM_ICON_WIDTH: r->menuItemIconWidth = 50; break;
  case SET_MENU_ITEM_BACKGROUND: r->menuItemBackgroundColor = DEFAULT_ITEM_BACKGROUND; break;
  case SET_MENU_ITEM_TEXT: r->menuItemTextColor = DEFAULT_ITEM_TEXT; break;
  case SET_SELECTED_BACKGROUND: r->selectedMenuItemBackgroundColor = DEFAULT_SELECTED_BACKGROUND; break;
  case SET_SELECTED_TEXT: r->selectedMenuItemTextColor = DEFAULT_SELECTED_TEXT; break;
  case SET_SEPARATOR: r->separatorColor = DEFAULT_SEPARATOR; break;
  case SET_TITLE_BAR_CONTEXT: r->titleBarContext = 0; break;
  default: break;
  }
}

void ReadSettingFrom(HKEY key, const SettingTarget &target, int number,
                     const wchar_t *valueName, DWORD kind)
{
  wchar_t text[TEXT_CAPACITY];
  DWORD value = 0;
  // A Return text too long to read must not take the way back away: it counts as missing,
  // so a called configuration keeps "Back".
  bool longTextMissing = target.checkRecord || number == SET_RETURN;
  if (!QuerySetting(key, valueName, kind, longTextMissing, text, &value)) {
    if (target.defaultCase)
      ApplySettingDefault(target, number);
    return;
  }
  if (kind == REG_DWORD)
    text[0] = 0;
  StoreSetting(target, number, text, value);
}

void ReadSettingsFrom(HKEY key, const SettingTarget &target)
{
  // Thirty names, of which a key usually sets a few: one pass over what is there.
  bool held = HoldKeyValues(key);
  for (int i = 0; i < SETTING_VALUE_COUNT; i++) {
    const SettingValue &setting = g_settingValues[i];
    ReadSettingFrom(key, target, setting.number, setting.name, setting.kind);
  }
  if (held)
    ForgetKeyValues(key);
}

static HKEY OpenSettings(const wchar_t *settingsKeyPath)
{
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

void ReadSetting(const wchar_t *settingsKeyPath, int number, const wchar_t *valueName,
                 DWORD kind)
{
  SettingTarget target = {&g_settings, IsDefaultSettingsPath(settingsKeyPath), false};
  HKEY key = OpenSettings(settingsKeyPath);
  ReadSettingFrom(key, target, number, valueName, kind);
  if (key != nullptr)
    RegCloseKey(key);
}

void ApplyBuiltInDefault(int number)
{
  SettingTarget target = {&g_settings, true, false};
  ApplySettingDefault(target, number);
}

bool LoadDisplaySettings(const wchar_t *configurationKeyPath)
{
  wchar_t path[TEXT_CAPACITY];
  bool fits = CopyText(path, TEXT_CAPACITY, configurationKeyPath) &&
              AppendText(path, TEXT_CAPACITY, L"\\Settings");
  HKEY key = fits ? OpenSettings(path) : nullptr;
  if (key == nullptr) {
    wchar_t message[TEXT_CAPACITY];
    FormatStringById(message, TEXT_CAPACITY, TEXT_ID(IDS_KEY_NOT_FOUND),
                     reinterpret_cast<ULONG_PTR>(path));
    ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Error ", MB_OK);
    return false;
  }
  SettingTarget target = {&g_settings, IsDefaultSettingsPath(path), false};
  ReadSettingsFrom(key, target);
  RegCloseKey(key);
  for (int check = 0; check <= 16; ++check)
    ValidateSetting(check, false, true, &g_settings);
  return true;
}

void LoadItemIcons(int iconId, HICON *smallIcon, HICON *largeIcon)
{
  // The launcher's own icons are shared: the record holds them without owning them,
  // except one loaded when no place for sharing was left.
  if (*smallIcon != nullptr && !IsKeptIcon(*smallIcon))
    DestroyIcon(*smallIcon);
  if (*largeIcon != nullptr && !IsKeptIcon(*largeIcon))
    DestroyIcon(*largeIcon);
  *smallIcon = LoadLauncherIcon(iconId, SmallIconSize());
  *largeIcon = LoadLauncherIcon(iconId, LargeIconSize());
}
