// Loading configurations, the stack of configurations walked and the window title,
// against the prefix's registry and files.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/shell/Navigation.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Stock";

void AddConfiguration(const std::wstring &name, int programs)
{
  const std::wstring base = kProfile + L"\\" + name;
  test::SetString(HKEY_CURRENT_USER, base + L"\\Settings", L"Mode", L"Details");
  for (int i = 1; i <= programs; ++i) {
    std::wstring key = base + L"\\Programs\\Prog" + std::to_wstring(i);
    test::SetString(HKEY_CURRENT_USER, key, L"Description", name + L" " + std::to_wstring(i));
    test::SetString(HKEY_CURRENT_USER, key, L"Name", L"\\Windows\\notepad.exe");
  }
}

class Navigation : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    DeleteFileW(L"\\Default.reg");
    DeleteFileW(L"\\Windows\\Default.reg");
    g_app.instance = GetModuleHandleW(nullptr);
    g_app.stackDepth = 0;
    g_app.titleLimit = 200;
    ClearWindowTitle();
    ZeroMemory(&g_settings, sizeof(g_settings));
    ClearProgramEntries();
    window_ = CreateWindowExW(0, L"STATIC", L"start", WS_POPUP, 0, 0, 240, 320, nullptr,
                              nullptr, nullptr, nullptr);
    g_app.mainWindow = window_;
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    AddConfiguration(L"Default", 2);
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"TitleBar", L"Home");
    test::SetDword(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"TitleBarContext", 1);
    ASSERT_TRUE(SelectProfile(L"Stock"));
  }

  void TearDown() override
  {
    ClearProgramEntries();
    DestroyWindow(window_);
    g_app.mainWindow = nullptr;
    g_app.stackDepth = 0;
    DeleteFileW(L"\\Default.reg");
    DeleteFileW(L"\\Windows\\Default.reg");
    test::ClearLauncherRegistry();
  }

  std::wstring Title() const
  {
    wchar_t text[TEXT_CAPACITY] = {0};
    GetWindowTextW(window_, text, TEXT_CAPACITY);
    return text;
  }

  HWND window_ = nullptr;
  test::BoxAnswerer boxes;
};

const char kImportedHome[] =
    "REGEDIT4\r\n"
    "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Stock\\Default\\Settings]\r\n"
    "\"Mode\"=\"List\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Stock\\Default\\Programs\\Prog1]\r\n"
    "\"Description\"=\"Imported\"\r\n"
    "\"Name\"=\"\\\\Windows\\\\notepad.exe\"\r\n";

TEST_F(Navigation, MissingHomeConfigurationIsImportedFromTheDefaultScripts)
{
  test::DeleteTree(HKEY_CURRENT_USER, kProfile + L"\\Default");
  test::WriteFileBytes(L"\\Default.reg", kImportedHome);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath)) << boxes.Captions();
  EXPECT_EQ(1, g_entries.count);
  EXPECT_STREQ(L"Imported", g_entries.entries[0].description);
  EXPECT_EQ(MODE_LIST, g_settings.mode);

  // Without "\Default.reg" the copy in "\Windows" is used.
  test::DeleteTree(HKEY_CURRENT_USER, kProfile + L"\\Default");
  DeleteFileW(L"\\Default.reg");
  test::WriteFileBytes(L"\\Windows\\Default.reg", kImportedHome);
  ClearProgramEntries();
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath)) << boxes.Captions();
  EXPECT_STREQ(L"Imported", g_entries.entries[0].description);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(Navigation, NumberedListsHoldNineItemsAtMost)
{
  const std::wstring settings = kProfile + L"\\Big\\Settings";
  AddConfiguration(L"Big", 7);
  test::SetDword(HKEY_CURRENT_USER, settings, L"Number", 1);
  test::SetString(HKEY_CURRENT_USER, settings, L"About", L"About");
  test::SetString(HKEY_CURRENT_USER, settings, L"Exit", L"Exit");
  ASSERT_TRUE(SetCurrentConfiguration(L"Big"));
  EXPECT_FALSE(LoadConfiguration(g_profile.configurationKeyPath));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Too many items for numbered list ", boxes.Boxes()[0].text);

  // Six entries and the three added items make nine: accepted.
  boxes.Clear();
  test::DeleteTree(HKEY_CURRENT_USER, kProfile + L"\\Big\\Programs\\Prog7");
  ClearProgramEntries();
  EXPECT_TRUE(LoadConfiguration(g_profile.configurationKeyPath)) << boxes.Captions();
  EXPECT_EQ(6, g_entries.count);
  EXPECT_TRUE(g_settings.aboutShown && g_settings.exitShown && g_settings.returnShown);
  EXPECT_STREQ(L"Back", g_settings.returnText);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(Navigation, CalledConfigurationsShowBackButNotTheHomeAboutAndExit)
{
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"About", L"About");
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"Exit", L"Exit");
  AddConfiguration(L"Tools", 1);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  EXPECT_TRUE(g_settings.aboutShown && g_settings.exitShown);
  EXPECT_FALSE(g_settings.returnShown);

  ASSERT_TRUE(EnterConfiguration(L"Tools")) << boxes.Captions();
  EXPECT_FALSE(g_settings.aboutShown);
  EXPECT_FALSE(g_settings.exitShown);
  EXPECT_TRUE(g_settings.returnShown);
  EXPECT_STREQ(L"Back", g_settings.returnText);
  EXPECT_EQ(1, g_app.stackDepth);
  EXPECT_STREQ(L"Default", g_navigation.stack[0]);
}

TEST_F(Navigation, TenNestedConfigurationsFitTheEleventhDoesNot)
{
  for (int i = 1; i <= 11; ++i)
    AddConfiguration(L"Level" + std::to_wstring(i), 1);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  for (int i = 1; i <= 10; ++i)
    ASSERT_TRUE(EnterConfiguration((L"Level" + std::to_wstring(i)).c_str())) << i;
  EXPECT_EQ(10, g_app.stackDepth);
  std::wstring title = Title();
  EXPECT_FALSE(EnterConfiguration(L"Level11"));
  EXPECT_EQ(10, g_app.stackDepth);
  EXPECT_EQ(title, Title());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  // All the way back home, one level at a time.
  for (int i = 9; i >= 0; --i) {
    ASSERT_TRUE(ReturnToPreviousConfiguration());
    EXPECT_EQ(i, g_app.stackDepth);
  }
  EXPECT_STREQ(L"Default", g_profile.configurationName);
  EXPECT_EQ(L"Home", Title());
  EXPECT_FALSE(ReturnToPreviousConfiguration());
}

TEST_F(Navigation, CallingAConfigurationOnTheWayIsARepeat)
{
  AddConfiguration(L"A", 1);
  AddConfiguration(L"B", 1);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  ASSERT_TRUE(EnterConfiguration(L"A"));
  ASSERT_TRUE(EnterConfiguration(L"B"));
  std::wstring title = Title();

  for (const wchar_t *repeat : {L"A", L"B", L"Default"}) {
    boxes.Clear();
    EXPECT_FALSE(EnterConfiguration(repeat)) << repeat;
    ASSERT_EQ(1u, boxes.Count()) << repeat;
    EXPECT_EQ(L"Error", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"Repeating configuration", boxes.Boxes()[0].text);
    EXPECT_EQ(title, Title());
    // The main window then goes back, which undoes the push and only that.
    ASSERT_TRUE(ReturnToPreviousConfiguration());
    EXPECT_STREQ(L"B", g_profile.configurationName);
    EXPECT_EQ(title, Title()) << repeat;
  }
}

TEST_F(Navigation, TitleNamesThePathWalked)
{
  AddConfiguration(L"A", 1);
  AddConfiguration(L"Pick-Up", 1);
  AddConfiguration(L"C", 1);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  ASSERT_TRUE(EnterConfiguration(L"A"));
  EXPECT_EQ(L"Home - A", Title());
  ASSERT_TRUE(EnterConfiguration(L"Pick-Up"));
  ASSERT_TRUE(EnterConfiguration(L"C"));
  EXPECT_EQ(L"Home - A - Pick-Up - C", Title());

  ASSERT_TRUE(ReturnToPreviousConfiguration());
  EXPECT_EQ(L"Home - A - Pick-Up", Title());
  // A dash inside a name leaves no remainder of it behind.
  ASSERT_TRUE(ReturnToPreviousConfiguration());
  EXPECT_EQ(L"Home - A", Title());

  // A call that cannot be loaded leaves the title as it was.
  EXPECT_FALSE(EnterConfiguration(L"Nowhere"));
  EXPECT_EQ(L"Home - A", Title());
  ASSERT_TRUE(ReturnToPreviousConfiguration());
  EXPECT_STREQ(L"A", g_profile.configurationName);
  EXPECT_EQ(L"Home - A", Title());
}

TEST_F(Navigation, LongTitlesAreShortenedFromTheLeft)
{
  AddConfiguration(L"Inventory", 1);
  AddConfiguration(L"Stocktake", 1);
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  g_app.titleLimit = 20;
  ASSERT_TRUE(EnterConfiguration(L"Inventory"));
  ASSERT_TRUE(EnterConfiguration(L"Stocktake"));
  // "Home - Inventory - Stocktake" is 28 characters: "..." and the last 17.
  std::wstring full = L"Home - Inventory - Stocktake";
  EXPECT_EQ(L"..." + full.substr(full.size() - 17), Title());
  EXPECT_EQ(20u, Title().size());

  // Without TitleBarContext only the TitleBar text is shown.
  test::SetDword(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"TitleBarContext", 0);
  ASSERT_TRUE(ReturnToPreviousConfiguration());
  EXPECT_EQ(L"Home", Title());
}

TEST_F(Navigation, WithoutATitleTheWindowTextStaysAsItWas)
{
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"TitleBar", L"");
  AddConfiguration(L"Quiet", 1);
  SetWindowTextW(window_, L"Previous");
  ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
  ASSERT_TRUE(EnterConfiguration(L"Quiet"));
  EXPECT_EQ(L"Previous", Title());
}

}  // namespace
