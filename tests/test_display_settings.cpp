// Display settings read from the prefix's registry: fallback, defaults, silent corrections,
// the header bitmap and the icons of the added items.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Test";
const std::wstring kDefault = kProfile + L"\\Default";
const std::wstring kTools = kProfile + L"\\Tools";
const std::wstring kDefaultSettings = kDefault + L"\\Settings";
const std::wstring kToolsSettings = kTools + L"\\Settings";
const DWORD KEEP = 0xDEADBEEF;  // the value stays as it was read

void ForgetHandles(DisplaySettings *record)
{
  HICON *icons[] = {&record->exitSmallIcon, &record->exitLargeIcon, &record->aboutSmallIcon,
                    &record->aboutLargeIcon, &record->returnSmallIcon, &record->returnLargeIcon};
  for (HICON *icon : icons) {
    if (*icon != nullptr)
      DestroyIcon(*icon);
    *icon = nullptr;
  }
  if (record->headerBitmap != nullptr)
    DeleteObject(record->headerBitmap);
  record->headerBitmap = nullptr;
}

class DisplaySettingsTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    g_app.mainWindow = nullptr;
    g_app.highResolution = false;
    g_shell.forceScreenState = FORCE_SCREEN_NONE;
    ZeroMemory(&g_profile, sizeof(g_profile));
    g_profile.keyLayout = 1;
    CopyText(g_profile.profileKeyPath, TEXT_CAPACITY, kProfile.c_str());
    CopyText(g_profile.configurationName, TEXT_CAPACITY, L"Default");
    CopyText(g_profile.configurationKeyPath, TEXT_CAPACITY, kDefault.c_str());
    ForgetHandles(&g_settings);
    FillMemory(&g_settings, sizeof(g_settings), 0x5A);  // stale values from an earlier load
    g_settings.headerBitmap = nullptr;
    HICON *icons[] = {&g_settings.exitSmallIcon, &g_settings.exitLargeIcon,
                      &g_settings.aboutSmallIcon, &g_settings.aboutLargeIcon,
                      &g_settings.returnSmallIcon, &g_settings.returnLargeIcon};
    for (HICON *icon : icons)
      *icon = nullptr;
  }
  void TearDown() override
  {
    ForgetHandles(&g_settings);
    g_shell.forceScreenState = FORCE_SCREEN_NONE;
    SetForcedWindowArea(nullptr);
    test::ClearLauncherRegistry();
  }

  // The steps the loader takes between the Default settings and a called configuration's.
  static void PrepareCalledConfiguration()
  {
    g_settings.aboutShown = 0;
    g_settings.exitShown = 0;
    g_settings.returnShown = 1;
    CopyText(g_settings.returnText, TEXT_CAPACITY, L"Back");
  }
};

TEST_F(DisplaySettingsTest, EmptyDefaultSettingsTakeEveryBuiltInDefault)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Unrelated", L"x");
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  const DisplaySettings &s = g_settings;
  EXPECT_EQ(MODE_MENU_BARS, s.mode);
  EXPECT_STREQ(L" ", s.titleText);
  EXPECT_EQ(0u, s.titleShown);
  EXPECT_STREQ(L" ", s.exitText);
  EXPECT_EQ(0u, s.exitShown);
  EXPECT_STREQ(L" ", s.aboutText);
  EXPECT_EQ(0u, s.aboutShown);
  EXPECT_STREQ(L" ", s.returnText);
  EXPECT_EQ(0u, s.returnShown);
  EXPECT_EQ(0u, s.quitAfterLaunch);
  EXPECT_EQ(0u, s.descriptionWidth);
  EXPECT_EQ(0u, s.nameWidth);
  EXPECT_EQ(0u, s.commandWidth);
  EXPECT_STREQ(L"Description", s.descriptionHeading);
  EXPECT_STREQ(L"Name", s.nameHeading);
  EXPECT_STREQ(L"Command", s.commandHeading);
  EXPECT_EQ(0u, s.headings);
  EXPECT_EQ(1u, s.detailColumns);
  EXPECT_EQ(0u, s.useProgramIcons);
  EXPECT_EQ(0u, s.number);
  EXPECT_EQ(1u, s.buttonColumns);
  EXPECT_EQ(0u, s.bitmapHeight);
  EXPECT_EQ(nullptr, s.headerBitmap);
  EXPECT_EQ(0x00FFFFFFu, s.menuAreaBackgroundColor);
  EXPECT_STREQ(L"Arial", s.menuItemFont);
  EXPECT_EQ(12u, s.menuItemFontSize);
  EXPECT_EQ(50, s.menuItemHeight);
  EXPECT_EQ(50u, s.menuItemIconWidth);
  EXPECT_EQ(0x00FFFFFFu, s.menuItemBackgroundColor);
  EXPECT_EQ(0x00000000u, s.menuItemTextColor);
  EXPECT_EQ(0x00DFAD00u, s.selectedMenuItemBackgroundColor);
  EXPECT_EQ(0x00FFFFFFu, s.selectedMenuItemTextColor);
  EXPECT_EQ(0x00000000u, s.separatorColor);
  EXPECT_EQ(0u, s.titleBarContext);
}

TEST_F(DisplaySettingsTest, ValuesOfDefaultAreStoredAsRead)
{
  const std::wstring &k = kDefaultSettings;
  test::SetString(HKEY_CURRENT_USER, k, L"Mode", L"Details");
  test::SetString(HKEY_CURRENT_USER, k, L"TitleBar", L"Home");
  test::SetString(HKEY_CURRENT_USER, k, L"Exit", L"Quit");
  test::SetDword(HKEY_CURRENT_USER, k, L"QuitAfterLaunch", 1);
  test::SetDword(HKEY_CURRENT_USER, k, L"DescriptionWidth", 40);
  test::SetDword(HKEY_CURRENT_USER, k, L"NameWidth", 30);
  test::SetDword(HKEY_CURRENT_USER, k, L"CommandWidth", 30);
  test::SetString(HKEY_CURRENT_USER, k, L"Description", L"What");
  test::SetString(HKEY_CURRENT_USER, k, L"Name", L"");
  test::SetString(HKEY_CURRENT_USER, k, L"Command", L"Args");
  test::SetDword(HKEY_CURRENT_USER, k, L"Headings", 1);
  test::SetDword(HKEY_CURRENT_USER, k, L"DetailColumns", 3);
  test::SetDword(HKEY_CURRENT_USER, k, L"UseProgramIcons", 1);
  test::SetDword(HKEY_CURRENT_USER, k, L"Number", 1);
  test::SetDword(HKEY_CURRENT_USER, k, L"ButtonColumns", 7);
  test::SetString(HKEY_CURRENT_USER, k, L"About", L"");
  test::SetString(HKEY_CURRENT_USER, k, L"Return", L"Home");
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuAreaBackgroundColor", 0x00102030);
  test::SetString(HKEY_CURRENT_USER, k, L"MenuItemFont", L"Tahoma");
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuItemFontSize", 9);
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuItemHeight", 40);
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuItemIconWidth", 35);
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuItemBackgroundColor", 0x00010101);
  test::SetDword(HKEY_CURRENT_USER, k, L"MenuItemTextColor", 0x00020202);
  test::SetDword(HKEY_CURRENT_USER, k, L"SelectedMenuItemBackgroundColor", 0x00030303);
  test::SetDword(HKEY_CURRENT_USER, k, L"SelectedMenuItemTextColor", 0x00040404);
  test::SetDword(HKEY_CURRENT_USER, k, L"SeparatorColor", 0x00050505);
  test::SetDword(HKEY_CURRENT_USER, k, L"TitleBarContext", 1);

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  const DisplaySettings &s = g_settings;
  EXPECT_EQ(MODE_DETAILS, s.mode);
  EXPECT_STREQ(L"Home", s.titleText);
  EXPECT_EQ(1u, s.titleShown);
  EXPECT_STREQ(L"Quit", s.exitText);
  EXPECT_EQ(1u, s.exitShown);
  EXPECT_NE(nullptr, s.exitSmallIcon);
  EXPECT_NE(nullptr, s.exitLargeIcon);
  EXPECT_EQ(1u, s.quitAfterLaunch);
  EXPECT_EQ(40u, s.descriptionWidth);
  EXPECT_EQ(30u, s.nameWidth);
  EXPECT_EQ(30u, s.commandWidth);
  EXPECT_STREQ(L"What", s.descriptionHeading);
  EXPECT_STREQ(L"Name", s.nameHeading);  // an empty heading keeps its own name
  EXPECT_STREQ(L"Args", s.commandHeading);
  EXPECT_EQ(1u, s.headings);
  EXPECT_EQ(3u, s.detailColumns);
  EXPECT_EQ(1u, s.useProgramIcons);
  EXPECT_EQ(1u, s.number);
  EXPECT_EQ(7u, s.buttonColumns);
  EXPECT_EQ(0u, s.aboutShown);
  EXPECT_STREQ(L"Home", s.returnText);
  EXPECT_EQ(0u, s.returnShown);  // the home configuration never shows Return
  EXPECT_EQ(0x00102030u, s.menuAreaBackgroundColor);
  EXPECT_STREQ(L"Tahoma", s.menuItemFont);
  EXPECT_EQ(9u, s.menuItemFontSize);
  EXPECT_EQ(40, s.menuItemHeight);
  EXPECT_EQ(35u, s.menuItemIconWidth);
  EXPECT_EQ(0x00010101u, s.menuItemBackgroundColor);
  EXPECT_EQ(0x00020202u, s.menuItemTextColor);
  EXPECT_EQ(0x00030303u, s.selectedMenuItemBackgroundColor);
  EXPECT_EQ(0x00040404u, s.selectedMenuItemTextColor);
  EXPECT_EQ(0x00050505u, s.separatorColor);
  EXPECT_EQ(1u, s.titleBarContext);
}

TEST_F(DisplaySettingsTest, ModeTextsAreMatchedCaseSensitively)
{
  const struct {
    const wchar_t *text;
    LONG read, loaded;
  } cases[] = {
      {L"Details", 0, 0},          {L"Report", 0, 0},
      {L"List", 1, 1},             {L"Small Icons", 2, 2},
      {L"Large Icons", 3, 3},      {L"Menu Bars", 4, 4},
      {L"menu bars", -1, 4},       {L"details", -1, 4},
      {L"Menu Bars ", -1, 4},      {L"", -1, 4},
  };
  for (const auto &c : cases) {
    test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", c.text);
    ReadSetting(kDefaultSettings.c_str(), SET_MODE, L"Mode", REG_SZ);
    EXPECT_EQ(c.read, g_settings.mode) << c.text;
    test::BoxAnswerer boxes;
    ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
    EXPECT_EQ(c.loaded, g_settings.mode) << c.text;
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  }
}

TEST_F(DisplaySettingsTest, CalledConfigurationFallsBackToDefaultThenToBuiltInValues)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"TitleBar", L"Home");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Exit", L"Quit");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"About", L"Info");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemFontSize", 14);
  test::SetDword(HKEY_CURRENT_USER, kToolsSettings, L"MenuItemHeight", 60);

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(1u, g_settings.exitShown);
  PrepareCalledConfiguration();
  ASSERT_TRUE(LoadDisplaySettings(kTools.c_str()));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  EXPECT_EQ(60, g_settings.menuItemHeight);        // its own value
  EXPECT_EQ(14u, g_settings.menuItemFontSize);     // what Default gave
  EXPECT_EQ(50u, g_settings.menuItemIconWidth);    // missing in both: built-in
  EXPECT_STREQ(L"Home", g_settings.titleText);
  EXPECT_EQ(0u, g_settings.exitShown);             // Exit not named by the called one
  EXPECT_EQ(0u, g_settings.aboutShown);
  EXPECT_EQ(1u, g_settings.returnShown);           // Return missing: "Back" stays
  EXPECT_STREQ(L"Back", g_settings.returnText);

  // Its own Return relabels the item, an empty one hides it.
  test::SetString(HKEY_CURRENT_USER, kToolsSettings, L"Return", L"Up");
  test::SetString(HKEY_CURRENT_USER, kToolsSettings, L"Exit", L"Leave");
  PrepareCalledConfiguration();
  ASSERT_TRUE(LoadDisplaySettings(kTools.c_str()));
  EXPECT_EQ(1u, g_settings.returnShown);
  EXPECT_STREQ(L"Up", g_settings.returnText);
  EXPECT_NE(nullptr, g_settings.returnSmallIcon);
  EXPECT_EQ(1u, g_settings.exitShown);
  EXPECT_STREQ(L"Leave", g_settings.exitText);

  test::SetString(HKEY_CURRENT_USER, kToolsSettings, L"Return", L"");
  PrepareCalledConfiguration();
  ASSERT_TRUE(LoadDisplaySettings(kTools.c_str()));
  EXPECT_EQ(0u, g_settings.returnShown);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(DisplaySettingsTest, MissingSettingsKeyIsReportedAndLeavesTheRecord)
{
  test::SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog1", L"Name", L"x");
  g_settings.menuItemHeight = 77;
  test::BoxAnswerer boxes;
  EXPECT_FALSE(LoadDisplaySettings(kTools.c_str()));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Unable to find registry key " + kToolsSettings, boxes.Boxes()[0].text);
  EXPECT_EQ(77, g_settings.menuItemHeight);
}

struct RangeCase {
  const wchar_t *mode;
  const wchar_t *extraName;  // a second value the case needs, or null
  DWORD extraValue;
  const wchar_t *name;
  DWORD value;
  DWORD (*field)(const DisplaySettings &);
  DWORD expected;  // KEEP: the value read stays
};

DWORD MenuItemHeight(const DisplaySettings &s) { return static_cast<DWORD>(s.menuItemHeight); }
DWORD FontSize(const DisplaySettings &s) { return s.menuItemFontSize; }
DWORD IconWidth(const DisplaySettings &s) { return s.menuItemIconWidth; }
DWORD UseIcons(const DisplaySettings &s) { return s.useProgramIcons; }
DWORD Number(const DisplaySettings &s) { return s.number; }
DWORD DetailColumns(const DisplaySettings &s) { return s.detailColumns; }
DWORD QuitAfter(const DisplaySettings &s) { return s.quitAfterLaunch; }
DWORD DescriptionWidth(const DisplaySettings &s) { return s.descriptionWidth; }
DWORD NameWidth(const DisplaySettings &s) { return s.nameWidth; }
DWORD CommandWidth(const DisplaySettings &s) { return s.commandWidth; }
DWORD Headings(const DisplaySettings &s) { return s.headings; }
DWORD TitleContext(const DisplaySettings &s) { return s.titleBarContext; }
DWORD ButtonColumns(const DisplaySettings &s) { return s.buttonColumns; }
DWORD AreaColour(const DisplaySettings &s) { return s.menuAreaBackgroundColor; }
DWORD Separator(const DisplaySettings &s) { return s.separatorColor; }
DWORD SelectedText(const DisplaySettings &s) { return s.selectedMenuItemTextColor; }

TEST_F(DisplaySettingsTest, OutOfRangeValuesAreReplacedSilentlyDuringALoad)
{
  const wchar_t *bars = L"Menu Bars";
  const wchar_t *details = L"Details";
  const RangeCase cases[] = {
      {bars, nullptr, 0, L"MenuItemHeight", 9, MenuItemHeight, 50},
      {bars, nullptr, 0, L"MenuItemHeight", 10, MenuItemHeight, KEEP},
      {bars, nullptr, 0, L"MenuItemHeight", 120, MenuItemHeight, KEEP},
      {bars, nullptr, 0, L"MenuItemHeight", 121, MenuItemHeight, 50},
      {bars, L"UseProgramIcons", 1, L"MenuItemHeight", 20, MenuItemHeight, 50},
      {bars, L"UseProgramIcons", 1, L"MenuItemHeight", 33, MenuItemHeight, KEEP},
      {details, L"UseProgramIcons", 1, L"MenuItemHeight", 20, MenuItemHeight, KEEP},
      {details, nullptr, 0, L"MenuItemFontSize", 4, FontSize, 12},
      {details, nullptr, 0, L"MenuItemFontSize", 5, FontSize, KEEP},
      {bars, nullptr, 0, L"MenuItemFontSize", 20, FontSize, KEEP},
      {bars, nullptr, 0, L"MenuItemFontSize", 21, FontSize, 12},
      {bars, L"UseProgramIcons", 1, L"MenuItemIconWidth", 29, IconWidth, 50},
      {bars, L"UseProgramIcons", 1, L"MenuItemIconWidth", 100, IconWidth, KEEP},
      {bars, L"UseProgramIcons", 1, L"MenuItemIconWidth", 101, IconWidth, 50},
      {bars, nullptr, 0, L"MenuItemIconWidth", 200, IconWidth, KEEP},
      {bars, nullptr, 0, L"UseProgramIcons", 2, UseIcons, 0},
      {details, nullptr, 0, L"Number", 2, Number, 0},
      {details, nullptr, 0, L"DetailColumns", 0, DetailColumns, 1},
      {details, nullptr, 0, L"DetailColumns", 3, DetailColumns, KEEP},
      {details, nullptr, 0, L"DetailColumns", 4, DetailColumns, 1},
      {L"List", nullptr, 0, L"DetailColumns", 5, DetailColumns, KEEP},
      {details, nullptr, 0, L"QuitAfterLaunch", 2, QuitAfter, 0},
      {details, nullptr, 0, L"DescriptionWidth", 100, DescriptionWidth, KEEP},
      {details, nullptr, 0, L"DescriptionWidth", 101, DescriptionWidth, 0},
      {L"Large Icons", nullptr, 0, L"DescriptionWidth", 120, DescriptionWidth, KEEP},
      {details, nullptr, 0, L"NameWidth", 101, NameWidth, 0},
      {details, nullptr, 0, L"CommandWidth", 120, CommandWidth, 0},
      {details, nullptr, 0, L"Headings", 2, Headings, 0},
      {bars, nullptr, 0, L"Headings", 2, Headings, KEEP},
      {bars, nullptr, 0, L"TitleBarContext", 2, TitleContext, 0},
  };
  for (const RangeCase &c : cases) {
    test::DeleteTree(HKEY_CURRENT_USER, kDefaultSettings);
    test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", c.mode);
    if (c.extraName != nullptr)
      test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, c.extraName, c.extraValue);
    test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, c.name, c.value);
    test::BoxAnswerer boxes;
    ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
    DWORD expected = c.expected == KEEP ? c.value : c.expected;
    EXPECT_EQ(expected, c.field(g_settings)) << c.mode << L" " << c.name << L" " << c.value;
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  }
}

// Negative numbers and 0xFFFFFFFF in every numeric setting, in both kinds of mode.
TEST_F(DisplaySettingsTest, HugeAndNegativeNumbersEndInResetValuesOrStayHarmless)
{
  const struct {
    const wchar_t *name;
    DWORD (*field)(const DisplaySettings &);
    DWORD details, bars;
  } cases[] = {
      {L"QuitAfterLaunch", QuitAfter, 0, 0},
      {L"DescriptionWidth", DescriptionWidth, 0, KEEP},
      {L"NameWidth", NameWidth, 0, KEEP},
      {L"CommandWidth", CommandWidth, 0, KEEP},
      {L"Headings", Headings, 0, KEEP},
      {L"DetailColumns", DetailColumns, 1, KEEP},
      {L"UseProgramIcons", UseIcons, 0, 0},
      {L"Number", Number, 0, 0},
      {L"ButtonColumns", ButtonColumns, KEEP, KEEP},
      {L"MenuAreaBackgroundColor", AreaColour, KEEP, KEEP},
      {L"MenuItemFontSize", FontSize, 12, 12},
      {L"MenuItemHeight", MenuItemHeight, KEEP, 50},
      {L"MenuItemIconWidth", IconWidth, KEEP, KEEP},
      {L"SelectedMenuItemTextColor", SelectedText, KEEP, KEEP},
      {L"SeparatorColor", Separator, KEEP, KEEP},
      {L"TitleBarContext", TitleContext, 0, 0},
  };
  const DWORD values[] = {0xFFFFFFFF, 0x80000000, 0xFFFFFF9C /* -100 */};
  for (const wchar_t *mode : {L"Details", L"Menu Bars"}) {
    bool bars = mode[0] == L'M';
    for (DWORD value : values) {
      for (const auto &c : cases) {
        test::DeleteTree(HKEY_CURRENT_USER, kDefaultSettings);
        test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", mode);
        test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, c.name, value);
        test::BoxAnswerer boxes;
        ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
        DWORD expected = bars ? c.bars : c.details;
        if (expected == KEEP)
          expected = value;
        EXPECT_EQ(expected, c.field(g_settings)) << mode << L" " << c.name << L" " << value;
        EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      }
    }
  }
  // With icons on, the icon width is checked too.
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"UseProgramIcons", 1);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemIconWidth", 0xFFFFFFFF);
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(50u, g_settings.menuItemIconWidth);
}

TEST_F(DisplaySettingsTest, EqualItemColoursInMenuBarsRestoreAllFourDefaults)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemBackgroundColor", 0x00123456);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemTextColor", 0x00123456);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"SelectedMenuItemBackgroundColor", 0x000000FF);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"SelectedMenuItemTextColor", 0x0000FF00);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"SeparatorColor", 0x00ABCDEF);
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(0x00FFFFFFu, g_settings.menuItemBackgroundColor);
  EXPECT_EQ(0x00000000u, g_settings.menuItemTextColor);
  EXPECT_EQ(0x00DFAD00u, g_settings.selectedMenuItemBackgroundColor);
  EXPECT_EQ(0x00FFFFFFu, g_settings.selectedMenuItemTextColor);
  EXPECT_EQ(0x00ABCDEFu, g_settings.separatorColor);

  // The selected pair alike does the same; in a list mode nothing is compared.
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"SelectedMenuItemTextColor", 0x000000FF);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemTextColor", 0x00000001);
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(0x00000000u, g_settings.menuItemTextColor);
  EXPECT_EQ(0x00FFFFFFu, g_settings.selectedMenuItemTextColor);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"List");
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(0x000000FFu, g_settings.selectedMenuItemTextColor);
  EXPECT_EQ(0x000000FFu, g_settings.selectedMenuItemBackgroundColor);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

void SetRaw(const std::wstring &path, const wchar_t *name, DWORD type, const void *data,
            DWORD size)
{
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE *>(data), size);
  RegCloseKey(key);
}

TEST_F(DisplaySettingsTest, ValuesOfTheWrongTypeCountAsMissing)
{
  // "A" with its terminator is four bytes: exactly the size of a number.
  const wchar_t letter[] = L"A";
  DWORD number = 0x41;
  SetRaw(kDefaultSettings, L"MenuItemHeight", REG_SZ, letter, sizeof(letter));
  SetRaw(kDefaultSettings, L"MenuItemFontSize", REG_SZ, L"14", 6);
  SetRaw(kDefaultSettings, L"TitleBar", REG_DWORD, &number, sizeof(number));
  SetRaw(kDefaultSettings, L"Mode", REG_DWORD, &number, sizeof(number));
  SetRaw(kDefaultSettings, L"MenuItemFont", REG_EXPAND_SZ, L"Tahoma", 14);
  SetRaw(kDefaultSettings, L"Number", REG_BINARY, "\x01\x00\x00\x00", 4);
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(50, g_settings.menuItemHeight);
  EXPECT_EQ(12u, g_settings.menuItemFontSize);
  EXPECT_STREQ(L" ", g_settings.titleText);
  EXPECT_EQ(0u, g_settings.titleShown);
  EXPECT_EQ(MODE_MENU_BARS, g_settings.mode);
  EXPECT_STREQ(L"Arial", g_settings.menuItemFont);
  EXPECT_EQ(0u, g_settings.number);

  // In a called configuration the Default values stay.
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemHeight", 44);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"TitleBar", L"Home");
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  SetRaw(kToolsSettings, L"MenuItemHeight", REG_SZ, letter, sizeof(letter));
  SetRaw(kToolsSettings, L"TitleBar", REG_DWORD, &number, sizeof(number));
  PrepareCalledConfiguration();
  ASSERT_TRUE(LoadDisplaySettings(kTools.c_str()));
  EXPECT_EQ(44, g_settings.menuItemHeight);
  EXPECT_STREQ(L"Home", g_settings.titleText);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(DisplaySettingsTest, OverlongTextsAreCutInsideTheirBuffers)
{
  std::wstring fits(259, L'f');
  std::wstring tooLong(300, L'x');
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"TitleBar", fits);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemFont", tooLong);
  // 260 characters stored without a terminator fill the buffer exactly.
  std::wstring unterminated(260, L'u');
  SetRaw(kDefaultSettings, L"Exit", REG_SZ, unterminated.data(), 520);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", std::wstring(400, L'M'));

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(fits, g_settings.titleText);
  size_t exitLength = wcsnlen(g_settings.exitText, TEXT_CAPACITY);
  EXPECT_LT(exitLength, static_cast<size_t>(TEXT_CAPACITY));
  EXPECT_EQ(std::wstring(exitLength, L'u'), g_settings.exitText);
  EXPECT_EQ(exitLength > 0 ? 1u : 0u, g_settings.exitShown);
  size_t fontLength = wcsnlen(g_settings.menuItemFont, TEXT_CAPACITY);
  EXPECT_LT(fontLength, static_cast<size_t>(TEXT_CAPACITY));
  // Whatever the platform left is part of the value, never anything else.
  EXPECT_EQ(std::wstring(fontLength, L'x'), g_settings.menuItemFont);
  EXPECT_EQ(MODE_MENU_BARS, g_settings.mode);
  EXPECT_EQ(12u, g_settings.menuItemFontSize);  // the field after the font is untouched
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(DisplaySettingsTest, AddedItemsGetIconsAtBothSizes)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Exit", L"Quit");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"About", L"Info");
  for (bool high : {false, true}) {
    g_app.highResolution = high;
    ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
    const struct {
      HICON icon;
      int size;
    } icons[] = {
        {g_settings.exitSmallIcon, high ? 32 : 16}, {g_settings.exitLargeIcon, high ? 64 : 32},
        {g_settings.aboutSmallIcon, high ? 32 : 16}, {g_settings.aboutLargeIcon, high ? 64 : 32},
    };
    for (const auto &i : icons) {
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(i.icon, &info));
      BITMAP bitmap = {};
      GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
      EXPECT_EQ(i.size, bitmap.bmWidth) << high;
      if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
  }
  EXPECT_EQ(nullptr, g_settings.returnSmallIcon);
}

// A 24-bit bottom-up BMP whose pixel (x, y) is red y, green x / 2, blue 7.
std::string MakeBitmapFile(int width, int height)
{
  int stride = (width * 3 + 3) & ~3;
  int imageSize = stride * height;
  std::string bytes(54 + imageSize, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, static_cast<uint32_t>(imageSize));
  for (int y = 0; y < height; ++y) {
    size_t row = 54 + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      bytes[row + x * 3 + 0] = 7;
      bytes[row + x * 3 + 1] = static_cast<char>(x / 2);
      bytes[row + x * 3 + 2] = static_cast<char>(y);
    }
  }
  return bytes;
}

// The pixel (x, y) of a bitmap as 0x00RRGGBB.
DWORD PixelAt(HBITMAP bitmap, int x, int y)
{
  BITMAP info = {};
  GetObjectW(bitmap, sizeof(info), &info);
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof(header.bmiHeader);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::string pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight * 4, '\0');
  HDC dc = GetDC(nullptr);
  int rows = GetDIBits(dc, bitmap, 0, info.bmHeight, &pixels[0], &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != info.bmHeight)
    return 0xFFFFFFFF;
  const DWORD *p = reinterpret_cast<const DWORD *>(pixels.data());
  return p[static_cast<size_t>(y) * info.bmWidth + x] & 0x00FFFFFF;
}

DWORD Expected(int x, int y)
{
  return (static_cast<DWORD>(y) << 16) | (static_cast<DWORD>(x / 2) << 8) | 7;
}

TEST_F(DisplaySettingsTest, HeaderBitmapIsCutToTheMiddleBandAndTheUsableWidth)
{
  // A device-sized work area: 240 pixels across.
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenLeft", 0);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenTop", 0);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenRight", 240);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenBottom", 320);
  g_shell.forceScreenState = FORCE_SCREEN_VALID;
  const RECT forced = {0, 0, 240, 320};
  SetForcedWindowArea(&forced);
  test::WriteFileBytes(L"C:\\header.bmp", MakeBitmapFile(300, 120));
  test::WriteFileBytes(L"C:\\narrow.bmp", MakeBitmapFile(100, 30));

  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", 40);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", L"\\header.bmp");
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  ASSERT_NE(nullptr, g_settings.headerBitmap);
  BITMAP info = {};
  GetObjectW(g_settings.headerBitmap, sizeof(info), &info);
  EXPECT_EQ(240, info.bmWidth);
  EXPECT_EQ(40, info.bmHeight);
  EXPECT_EQ(40u, g_settings.bitmapHeight);
  // Rows 40 to 79 of the picture: (120 - 40) / 2 = 40.
  EXPECT_EQ(Expected(0, 40), PixelAt(g_settings.headerBitmap, 0, 0));
  EXPECT_EQ(Expected(239, 79), PixelAt(g_settings.headerBitmap, 239, 39));
  EXPECT_EQ(Expected(120, 60), PixelAt(g_settings.headerBitmap, 120, 20));

  // 150 is out of range: the band becomes 70 rows from (120 - 70) / 2 = 25, no message.
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", 150);
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  EXPECT_EQ(70u, g_settings.bitmapHeight);
  GetObjectW(g_settings.headerBitmap, sizeof(info), &info);
  EXPECT_EQ(70, info.bmHeight);
  EXPECT_EQ(Expected(3, 25), PixelAt(g_settings.headerBitmap, 3, 0));
  EXPECT_EQ(Expected(200, 94), PixelAt(g_settings.headerBitmap, 200, 69));

  // A picture smaller than the area is kept whole, from row 0.
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", 80);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", L"\\narrow.bmp");
  ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
  GetObjectW(g_settings.headerBitmap, sizeof(info), &info);
  EXPECT_EQ(100, info.bmWidth);
  EXPECT_EQ(30, info.bmHeight);
  EXPECT_EQ(80u, g_settings.bitmapHeight);
  EXPECT_EQ(Expected(99, 0), PixelAt(g_settings.headerBitmap, 99, 0));
  EXPECT_EQ(Expected(0, 29), PixelAt(g_settings.headerBitmap, 0, 29));

  // Clearing the entry table releases the bitmap.
  HBITMAP old = g_settings.headerBitmap;
  ClearProgramEntries();
  EXPECT_EQ(nullptr, g_settings.headerBitmap);
  EXPECT_EQ(0u, static_cast<unsigned>(GetObjectType(old)));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  DeleteFileW(L"C:\\header.bmp");
  DeleteFileW(L"C:\\narrow.bmp");
}

TEST_F(DisplaySettingsTest, NoPictureMeansNoHeaderAndHeightZero)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", 80);
  test::BoxAnswerer boxes;
  const wchar_t *paths[] = {nullptr, L"", L"\\missing.bmp"};
  for (const wchar_t *path : paths) {
    if (path != nullptr)
      test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", path);
    ASSERT_TRUE(LoadDisplaySettings(kDefault.c_str()));
    EXPECT_EQ(0u, g_settings.bitmapHeight) << (path ? path : L"(none)");
    EXPECT_EQ(nullptr, g_settings.headerBitmap);
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(DisplaySettingsTest, SettingChecksShowTheirMessagesOrResetTheirValues)
{
  struct CheckCase {
    int check;
    void (*spoil)(DisplaySettings *);
    const wchar_t *message;
    DWORD (*field)(const DisplaySettings &);
    DWORD resetValue;
  };
  const CheckCase cases[] = {
      {1, [](DisplaySettings *s) { s->useProgramIcons = 2; }, L"UseProgramIcons must be 1 or 0", UseIcons, 0},
      {2, [](DisplaySettings *s) { s->menuItemHeight = 5; }, L"MenuItemHeight must be between 10 and 120 ", MenuItemHeight, 50},
      {2, [](DisplaySettings *s) { s->useProgramIcons = 1; s->menuItemHeight = 32; }, L"MenuItemHeight must be between 33 and 120 ", MenuItemHeight, 50},
      {3, [](DisplaySettings *s) { s->menuItemTextColor = s->menuItemBackgroundColor = 5; }, L"Font color and Background color must be different", [](const DisplaySettings &s) { return s.menuItemTextColor; }, 0},
      {4, [](DisplaySettings *s) { s->selectedMenuItemTextColor = s->selectedMenuItemBackgroundColor = 5; }, L"Font color and Background color must be different", SelectedText, 0x00FFFFFF},
      {5, [](DisplaySettings *s) { s->menuItemFontSize = 30; }, L"Font size must be between 5 and 20", FontSize, 12},
      {6, [](DisplaySettings *s) { s->bitmapHeight = 101; }, L"Bitmap height must be between 0 and  100", [](const DisplaySettings &s) { return s.bitmapHeight; }, 70},
      {7, [](DisplaySettings *s) { s->number = 3; }, L"Number must be 1 or 0", Number, 0},
      {8, [](DisplaySettings *s) { s->mode = MODE_DETAILS; s->detailColumns = 5; }, L"DetailColumns must be between 1 and 3", DetailColumns, 1},
      {10, [](DisplaySettings *s) { s->useProgramIcons = 1; s->menuItemIconWidth = 10; }, L"MenuItemIconWidth must be between 30 and 100 ", IconWidth, 50},
      {11, [](DisplaySettings *s) { s->quitAfterLaunch = 9; }, L"QuitAfterLaunch must be 1 or 0", QuitAfter, 0},
      {12, [](DisplaySettings *s) { s->mode = MODE_DETAILS; s->descriptionWidth = 101; }, L"Description width must be between 0 and 100", DescriptionWidth, 0},
      {13, [](DisplaySettings *s) { s->mode = MODE_DETAILS; s->nameWidth = 101; }, L"Name width must be between 0 and 100", NameWidth, 0},
      {14, [](DisplaySettings *s) { s->mode = MODE_DETAILS; s->commandWidth = 101; }, L"Command width must be between 0 and 100", CommandWidth, 0},
      {15, [](DisplaySettings *s) { s->mode = MODE_DETAILS; s->headings = 2; }, L"Headings must be 0 and 1", Headings, 0},
      {16, [](DisplaySettings *s) { s->titleBarContext = 2; }, L"TitleBarContext must be 1 or 0", TitleContext, 0},
  };
  auto fresh = []() {
    DisplaySettings s = {};
    s.mode = MODE_MENU_BARS;
    s.detailColumns = 1;
    s.menuItemFontSize = 12;
    s.menuItemHeight = 50;
    s.menuItemIconWidth = 50;
    s.menuItemBackgroundColor = 0x00FFFFFF;
    s.selectedMenuItemBackgroundColor = 0x00DFAD00;
    s.selectedMenuItemTextColor = 0x00FFFFFF;
    return s;
  };
  for (const CheckCase &c : cases) {
    DisplaySettings record = fresh();
    for (int check = 0; check <= 16; ++check) {
      test::BoxAnswerer quiet;
      EXPECT_TRUE(ValidateSetting(check, true, false, &record));
      EXPECT_EQ(0u, quiet.Count()) << "check " << check << " on sound values";
    }
    c.spoil(&record);
    DWORD spoilt = c.field(record);
    {
      test::BoxAnswerer boxes;
      EXPECT_TRUE(ValidateSetting(c.check, true, false, &record));
      ASSERT_EQ(1u, boxes.Count()) << "check " << c.check;
      EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
      EXPECT_EQ(c.message, boxes.Boxes()[0].text);
      EXPECT_EQ(spoilt, c.field(record)) << "shown only, not reset: check " << c.check;
    }
    {
      test::BoxAnswerer boxes;
      EXPECT_TRUE(ValidateSetting(c.check, false, true, &record));
      EXPECT_EQ(0u, boxes.Count());
      EXPECT_EQ(c.resetValue, c.field(record)) << "check " << c.check;
    }
  }

  // An unknown mode is replaced even when only shown.
  DisplaySettings record = fresh();
  record.mode = MODE_UNKNOWN;
  test::BoxAnswerer boxes;
  EXPECT_TRUE(ValidateSetting(0, true, false, &record));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Not a valid Mode", boxes.Boxes()[0].text);
  EXPECT_EQ(MODE_MENU_BARS, record.mode);
  EXPECT_TRUE(ValidateSetting(9, true, true, &record));
  EXPECT_FALSE(ValidateSetting(1, true, true, nullptr));
  EXPECT_FALSE(ResetSetting(&record, IDS_KEY_NOT_FOUND));
  EXPECT_EQ(1u, boxes.Count());
}

}  // namespace
