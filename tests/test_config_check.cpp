// The check of a configuration before it is entered, and the values of the whole profile
// and product, against the prefix's registry.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Test";
const std::wstring kDefaultSettings = kProfile + L"\\Default\\Settings";

std::wstring SettingsOf(const std::wstring &configuration)
{
  return kProfile + L"\\" + configuration + L"\\Settings";
}

class ConfigCheckTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    g_app.mainWindow = nullptr;
    ZeroMemory(&g_profile, sizeof(g_profile));
    g_profile.keyLayout = 1;
    CopyText(g_profile.profileKeyPath, TEXT_CAPACITY, kProfile.c_str());
    ZeroMemory(&g_checkSettings, sizeof(g_checkSettings));
  }
  void TearDown() override { test::ClearLauncherRegistry(); }

  static std::vector<test::Box> Check(const wchar_t *name, bool expected = true)
  {
    test::BoxAnswerer boxes;
    EXPECT_EQ(expected, CheckConfiguration(name)) << name;
    for (const test::Box &box : boxes.Boxes())
      EXPECT_EQ(L"Ferrolt Error ", box.caption);
    return boxes.Boxes();
  }

  static std::vector<std::wstring> Texts(const std::vector<test::Box> &boxes)
  {
    std::vector<std::wstring> texts;
    for (const test::Box &box : boxes)
      texts.push_back(box.text);
    return texts;
  }
};

TEST_F(ConfigCheckTest, AnUnknownModeIsReportedAndThenCheckedAsMenuBars)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"menu bars");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemHeight", 5);
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemFontSize", 0xFFFFFFFF);
  std::vector<std::wstring> expected = {L"Not a valid Mode",
                                        L"MenuItemHeight must be between 10 and 120 ",
                                        L"Font size must be between 5 and 20"};
  EXPECT_EQ(expected, Texts(Check(L"Default")));
  EXPECT_EQ(MODE_MENU_BARS, g_checkSettings.mode);
  EXPECT_EQ(5, g_checkSettings.menuItemHeight);  // shown, not corrected
}

TEST_F(ConfigCheckTest, DetailColumnsAreReportedAtTheCheckAndCorrectedSilentlyOnLoad)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Report");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"DetailColumns", 5);
  std::vector<std::wstring> expected = {L"DetailColumns must be between 1 and 3"};
  EXPECT_EQ(expected, Texts(Check(L"Default")));
  EXPECT_EQ(5u, g_checkSettings.detailColumns);

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadDisplaySettings((kProfile + L"\\Default").c_str()));
  EXPECT_EQ(1u, g_settings.detailColumns);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  if (g_settings.headerBitmap != nullptr)
    DeleteObject(g_settings.headerBitmap);
  g_settings.headerBitmap = nullptr;
}

TEST_F(ConfigCheckTest, ACalledConfigurationIsCheckedOverTheDefaultValues)
{
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemFontSize", 30);
  test::SetDword(HKEY_CURRENT_USER, SettingsOf(L"Menu2"), L"MenuItemFontSize", 10);
  EXPECT_TRUE(Check(L"Menu2").empty());
  std::vector<std::wstring> expected = {L"Font size must be between 5 and 20"};
  EXPECT_EQ(expected, Texts(Check(L"Default")));
  EXPECT_TRUE(Check(L"Menu2").empty());
}

TEST_F(ConfigCheckTest, AMissingConfigurationKeyIsReportedByTheNameGiven)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"List");
  std::vector<std::wstring> expected = {L"Unable to find registry key Nowhere"};
  EXPECT_EQ(expected, Texts(Check(L"Nowhere", false)));
  expected = {L"Unable to find registry key \\Temp\\Menu2.reg"};
  test::SetString(HKEY_CURRENT_USER, SettingsOf(L"Menu2"), L"Mode", L"List");
  EXPECT_EQ(expected, Texts(Check(L"\\Temp\\Menu2.reg", false)));
}

TEST_F(ConfigCheckTest, MissingSettingsAreReportedOnlyForDefault)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"List");
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Menu2\\Programs\\Prog1", L"Name", L"x");
  EXPECT_TRUE(Check(L"Menu2").empty());

  test::DeleteTree(HKEY_CURRENT_USER, kDefaultSettings);
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Programs\\Prog1", L"Name", L"x");
  std::vector<std::wstring> expected = {L"Unable to find registry key Default or Default/Settings"};
  EXPECT_EQ(expected, Texts(Check(L"Menu2", false)));
  EXPECT_EQ(expected, Texts(Check(L"Default", false)));

  // No profile key at all: nothing to say.
  test::ClearLauncherRegistry();
  EXPECT_TRUE(Check(L"Default", false).empty());
}

TEST_F(ConfigCheckTest, TheCheckRecordHasItsOwnDefaultsAndLeavesTheLiveRecordAlone)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", L"\\none.bmp");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Name", L"");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"TitleBar", std::wstring(300, L't'));
  g_settings.mode = MODE_LIST;
  g_settings.bitmapHeight = 33;
  EXPECT_TRUE(Check(L"Default").empty());
  EXPECT_EQ(70u, g_checkSettings.bitmapHeight);
  EXPECT_EQ(3u, g_checkSettings.buttonColumns);
  EXPECT_STREQ(L"", g_checkSettings.nameHeading);
  EXPECT_STREQ(L"Description", g_checkSettings.descriptionHeading);
  EXPECT_STREQ(L" ", g_checkSettings.titleText);  // too long: missing
  EXPECT_EQ(0u, g_checkSettings.titleShown);
  EXPECT_EQ(nullptr, g_checkSettings.headerBitmap);
  EXPECT_EQ(MODE_LIST, g_settings.mode);
  EXPECT_EQ(33u, g_settings.bitmapHeight);

  // Without a picture path the height is 0; above 100 it is reported as read.
  test::DeleteTree(HKEY_CURRENT_USER, kDefaultSettings);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", 150);
  EXPECT_TRUE(Check(L"Default").empty());
  EXPECT_EQ(0u, g_checkSettings.bitmapHeight);
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", L"\\none.bmp");
  std::vector<std::wstring> expected = {L"Bitmap height must be between 0 and  100"};
  EXPECT_EQ(expected, Texts(Check(L"Default")));
  EXPECT_EQ(150u, g_checkSettings.bitmapHeight);
  // The limit itself is allowed; one more is reported.
  for (DWORD height : {100u, 101u}) {
    test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapHeight", height);
    EXPECT_EQ(height == 100u ? std::vector<std::wstring>() : expected, Texts(Check(L"Default")))
        << height;
  }
}

TEST_F(ConfigCheckTest, EveryFailingSettingOfACalledConfigurationShowsItsOwnBox)
{
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"Mode", L"Menu Bars");
  test::SetString(HKEY_CURRENT_USER, kDefaultSettings, L"BitmapFilePath", L"\\none.bmp");
  const std::wstring tools = SettingsOf(L"Tools");
  test::SetDword(HKEY_CURRENT_USER, tools, L"UseProgramIcons", 1);
  test::SetDword(HKEY_CURRENT_USER, tools, L"MenuItemHeight", 20);
  test::SetDword(HKEY_CURRENT_USER, tools, L"MenuItemTextColor", 0x00FFFFFF);  // = background
  test::SetDword(HKEY_CURRENT_USER, tools, L"SelectedMenuItemTextColor", 0x00DFAD00);
  test::SetDword(HKEY_CURRENT_USER, tools, L"BitmapHeight", 0xFFFFFFFF);
  test::SetDword(HKEY_CURRENT_USER, tools, L"Number", 0x80000000);
  test::SetDword(HKEY_CURRENT_USER, tools, L"MenuItemIconWidth", 0);
  test::SetDword(HKEY_CURRENT_USER, tools, L"QuitAfterLaunch", 7);
  test::SetDword(HKEY_CURRENT_USER, tools, L"TitleBarContext", 0xFFFFFFFF);
  test::SetDword(HKEY_CURRENT_USER, tools, L"DescriptionWidth", 500);  // not Details: no check
  std::vector<std::wstring> expected = {
      L"MenuItemHeight must be between 33 and 120 ",
      L"Font color and Background color must be different",
      L"Font color and Background color must be different",
      L"Bitmap height must be between 0 and  100",
      L"Number must be 1 or 0",
      L"MenuItemIconWidth must be between 30 and 100 ",
      L"QuitAfterLaunch must be 1 or 0",
      L"TitleBarContext must be 1 or 0",
  };
  EXPECT_EQ(expected, Texts(Check(L"Tools")));
}

TEST_F(ConfigCheckTest, MinimumMenuHeightCoversEveryConfigurationOfTheProfile)
{
  test::SetDword(HKEY_CURRENT_USER, kDefaultSettings, L"MenuItemHeight", 40);
  test::SetDword(HKEY_CURRENT_USER, SettingsOf(L"Tools"), L"BitmapHeight", 20);
  DWORD height = 1;
  ASSERT_TRUE(GetMinimumMenuHeight(&height));
  EXPECT_EQ(150u, height);  // max(70 + 80, 20 + 80)

  test::SetDword(HKEY_CURRENT_USER, SettingsOf(L"Big"), L"MenuItemHeight", 100);
  ASSERT_TRUE(GetMinimumMenuHeight(&height));
  EXPECT_EQ(270u, height);

  // A huge value does not wrap round to a small height.
  test::SetDword(HKEY_CURRENT_USER, SettingsOf(L"Big"), L"MenuItemHeight", 0x80000000);
  ASSERT_TRUE(GetMinimumMenuHeight(&height));
  EXPECT_EQ(0xFFFFFFFFu, height);

  // Without Default\Settings every configuration counts 70 + 2 x 50.
  test::ClearLauncherRegistry();
  test::SetDword(HKEY_CURRENT_USER, SettingsOf(L"Tools"), L"BitmapHeight", 0);
  ASSERT_TRUE(GetMinimumMenuHeight(&height));
  EXPECT_EQ(170u, height);

  test::ClearLauncherRegistry();
  EXPECT_FALSE(GetMinimumMenuHeight(&height));
  EXPECT_EQ(0u, height);
}

TEST_F(ConfigCheckTest, ForceScreenRectangleNeedsAllFourValues)
{
  DWORD l = 9, t = 9, r = 9, b = 9;
  EXPECT_FALSE(ReadForceScreenRect(&l, &t, &r, &b));  // no profile key
  EXPECT_EQ(0u, l + t + r + b);

  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenLeft", 10);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenTop", 20);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenRight", 250);
  EXPECT_FALSE(ReadForceScreenRect(&l, &t, &r, &b));
  EXPECT_EQ(10u, l);
  EXPECT_EQ(20u, t);
  EXPECT_EQ(250u, r);
  EXPECT_EQ(0u, b);

  test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenBottom", 340);
  EXPECT_TRUE(ReadForceScreenRect(&l, &t, &r, &b));
  EXPECT_EQ(340u, b);

  // A missing value stops the reading: the later ones stay 0.
  test::SetString(HKEY_CURRENT_USER, kProfile, L"ForceScreenTop", L"20");
  EXPECT_FALSE(ReadForceScreenRect(&l, &t, &r, &b));
  EXPECT_EQ(10u, l);
  EXPECT_EQ(0u, t + r + b);
}

TEST_F(ConfigCheckTest, KeyboardOptionsOutsideTheirRangeAreReportedAndOff)
{
  const struct {
    const wchar_t *name;
    int (*read)();
    const wchar_t *message;
  } options[] = {
      {L"ExitOnESC", ReadExitOnEsc, L"ExitOnESC must be 1, 2 or 0"},
      {L"BackOnZero", ReadBackOnZero, L"BackOnZero must be 1,2 or 0"},
  };
  const struct {
    DWORD value;
    int expected;
    bool message;
  } cases[] = {{0, 0, false}, {1, 1, false}, {2, 2, false}, {3, 0, true},
               {0xFFFFFFFF, 0, true}, {0x80000000, 0, true}};
  for (int layout : {1, 0}) {
    g_profile.keyLayout = layout;
    const std::wstring product = layout == 1 ? L"Software\\OrvantLLC\\Ferrolt"
                                             : L"Software\\Kelvane\\Ferrolt";
    for (const auto &option : options) {
      test::ClearLauncherRegistry();
      test::BoxAnswerer boxes;
      EXPECT_EQ(0, option.read());  // no product key
      test::SetString(HKEY_CURRENT_USER, product, L"ActiveProfile", L"Test");
      EXPECT_EQ(0, option.read());  // value missing
      test::SetString(HKEY_CURRENT_USER, product, option.name, L"1");
      EXPECT_EQ(0, option.read());  // a text is no number
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      for (const auto &c : cases) {
        test::SetDword(HKEY_CURRENT_USER, product, option.name, c.value);
        boxes.Clear();
        EXPECT_EQ(c.expected, option.read()) << option.name << L" " << c.value;
        ASSERT_EQ(c.message ? 1u : 0u, boxes.Count()) << option.name << L" " << c.value;
        if (c.message) {
          EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
          EXPECT_EQ(option.message, boxes.Boxes()[0].text);
        }
      }
    }
  }
}

}  // namespace
