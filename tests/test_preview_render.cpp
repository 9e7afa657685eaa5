// Pictures of configurations as a device shows them: the launcher's own presentation in a
// window of the device's screen, captured and saved as PNG.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Common/StdInit.h"
#include "checker/PngWriter.h"
#include "checker/PreviewRender.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/regscript/RegistryScript.h"
#include "launcher/shell/Navigation.h"
#include "support/TestSupport.h"

namespace {

const COLORREF AREA = RGB(0x14, 0x28, 0x50);
const COLORREF ITEM = RGB(0xdc, 0xe6, 0xf0);
const COLORREF SELECTED = RGB(0x28, 0x5a, 0xa0);
const COLORREF SEPARATOR = RGB(0x8c, 0xa0, 0xb4);
const int ROW = 40;

const char kProfile[] =
    "REGEDIT4\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Default\\Settings]\r\n"
    "\"TitleBar\"=\"Depot\"\r\n"
    "\"TitleBarContext\"=dword:00000001\r\n"
    "\"MenuItemHeight\"=dword:00000028\r\n"
    "\"MenuItemIconWidth\"=dword:00000030\r\n"
    "\"UseProgramIcons\"=dword:00000001\r\n"
    "\"MenuAreaBackgroundColor\"=dword:00502814\r\n"
    "\"MenuItemBackgroundColor\"=dword:00f0e6dc\r\n"
    "\"SelectedMenuItemBackgroundColor\"=dword:00a05a28\r\n"
    "\"SeparatorColor\"=dword:00b4a08c\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Default\\Programs\\Prog1]\r\n"
    "\"Description\"=\"Scanner\"\r\n"
    "\"Name\"=\"\\\\Windows\\\\notepad.exe\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Default\\Programs\\Prog2]\r\n"
    "\"Description\"=\"Tools\"\r\n"
    "\"Call\"=\"Tools\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Tools\\Programs\\Prog1]\r\n"
    "\"Description\"=\"Registry editor\"\r\n"
    "\"Name\"=\"\\\\Windows\\\\regedit.exe\"\r\n";

class PreviewRender : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    g_app.instance = GetModuleHandleW(nullptr);
    g_app.mainWindow = nullptr;
    g_app.stackDepth = 0;
    g_app.backOnZero = 0;
    g_profile.keyLayout = 0;
    ZeroMemory(&g_entries, sizeof(g_entries));
    ClearWindowTitle();
  }
  void TearDown() override
  {
    ClearProgramEntries();
    test::ClearLauncherRegistry();
  }

  // Imports the profile, with extra lines for the Tools configuration's Settings key.
  void Import(const std::string &toolsSettings = "")
  {
    std::string script = kProfile;
    if (!toolsSettings.empty())
      script += "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Tools\\Settings]\r\n" +
                toolsSettings;
    std::wstring path = test::BuildDir() + L"preview-render.reg";
    test::WriteFileBytes(path, script);
    ASSERT_TRUE(LoadRegistryScript(path.c_str()));
    ASSERT_TRUE(SelectProfile(L"Preview"));
  }

  // Loads a configuration for display the way the launcher does: Default at start-up,
  // any other by entering it from Default.
  void Show(const wchar_t *name)
  {
    ClearProgramEntries();
    if (wcscmp(name, DEFAULT_CONFIGURATION) == 0) {
      ASSERT_TRUE(LoadConfiguration(g_profile.configurationKeyPath));
      ASSERT_TRUE(LoadEntryIcons());
    } else {
      ASSERT_TRUE(EnterConfiguration(name));
    }
  }

  preview::Picture Render(bool windowsMobile, bool fullScreen = false, int width = 240,
                          int height = 320, const std::wstring &fileFolder = L"",
                          DWORD statusStrip = 0)
  {
    preview::Screen screen;
    screen.statusStrip = statusStrip;
    screen.fileFolder = fileFolder;
    screen.width = width;
    screen.height = height;
    screen.windowsMobile = windowsMobile;
    screen.fullScreen = fullScreen;
    preview::Picture picture;
    EXPECT_TRUE(preview::RenderLoadedConfiguration(screen, &picture));
    return picture;
  }

  test::BoxAnswerer boxes_;
};

// First row (from the top) whose middle pixel has the colour; -1 when none.
int FirstRowOf(const preview::Picture &picture, COLORREF colour)
{
  for (int y = 0; y < picture.height; ++y)
    if (picture.At(picture.width / 2, y) == colour)
      return y;
  return -1;
}

TEST_F(PreviewRender, MenuBarsShowTheirColoursCaptionAndMenuBarSpaceOnEachPlatform)
{
  ASSERT_NO_FATAL_FAILURE(Import());
  struct Row {
    bool windowsMobile, fullScreen;
    bool caption;      // a caption bar above the bars
    int deviceBar;     // height of the menu bar strip at the bottom
  } rows[] = {
      {false, false, true, 0},
      {false, true, true, 0},
      {true, false, false, 26},
      {true, true, true, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << "Windows Mobile " << row.windowsMobile << ", full screen "
                                    << row.fullScreen);
    ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
    preview::Picture shot = Render(row.windowsMobile, row.fullScreen);
    ASSERT_EQ(240, shot.width);
    ASSERT_EQ(320, shot.height);
    EXPECT_EQ(L"Depot", shot.caption);
    int top = FirstRowOf(shot, SELECTED);
    EXPECT_EQ(row.caption, top > 10) << top;
    EXPECT_EQ(row.caption ? top : 0, top);
    EXPECT_EQ(SELECTED, shot.At(shot.width / 2, top + ROW - 2));
    EXPECT_EQ(SEPARATOR, shot.At(shot.width / 2, top + ROW - 1));
    EXPECT_EQ(ITEM, shot.At(shot.width / 2, top + ROW + 1));
    EXPECT_EQ(SEPARATOR, shot.At(shot.width / 2, top + 2 * ROW - 1));
    EXPECT_EQ(AREA, shot.At(shot.width / 2, top + 2 * ROW + 5));
    EXPECT_EQ(AREA, shot.At(shot.width / 2, shot.height - 5 - row.deviceBar));
    if (row.caption)
      EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), shot.At(4, top / 2));
    if (row.deviceBar != 0)
      EXPECT_EQ(GetSysColor(COLOR_BTNFACE), shot.At(shot.width / 2, shot.height - 1));
  }
}

TEST_F(PreviewRender, TheStatusStripIsDrawnTheSameWhateverTheBattery)
{
  ASSERT_NO_FATAL_FAILURE(Import());
  ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
  int plainTop = FirstRowOf(Render(false, true), SELECTED);
  preview::Picture full = Render(false, true, 240, 320, L"", 1);
  int top = FirstRowOf(full, SELECTED);
  EXPECT_GT(top, plainTop + 10) << "the bars start below the strip";
  EXPECT_EQ(AREA, full.At(full.width / 2, (plainTop + top) / 2)) << "the strip's background";
  test::ScopedEnv flag(L"FERROLT_BATTERY_FLAG", L"4");
  test::ScopedEnv percent(L"FERROLT_BATTERY_PERCENT", L"3");
  EXPECT_TRUE(full.pixels == Render(false, true, 240, 320, L"", 1).pixels);
}

TEST_F(PreviewRender, EveryListModeShowsTheFirstLabelSelectedAtTheTop)
{
  struct Row {
    const char *mode;
    bool windowsMobile;
    bool headings;  // a header row above the items
  } rows[] = {
      {"Details", false, false}, {"Details", false, true}, {"List", false, false},
      {"Small Icons", false, false}, {"Large Icons", false, false},
      {"Details", true, false}, {"Details", true, true}, {"List", true, false},
      {"Small Icons", true, false}, {"Large Icons", true, false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.mode);
    SCOPED_TRACE(row.windowsMobile ? "Windows Mobile" : "Windows CE");
    test::ClearLauncherRegistry();
    ASSERT_NO_FATAL_FAILURE(Import(std::string("\"Mode\"=\"") + row.mode + "\"\r\n\"Headings\"=dword:0000000" +
                                   (row.headings ? "1" : "0") + "\r\n"));
    ASSERT_NO_FATAL_FAILURE(Show(L"Tools"));
    preview::Picture shot = Render(row.windowsMobile);
    ASSERT_TRUE(shot.HasDetail());
    EXPECT_EQ(L"Depot - Tools", shot.caption);
    // The selected first item is the only highlighted area: find its box.
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    RECT box = {shot.width, shot.height, -1, -1};
    for (int y = 0; y < shot.height; ++y)
      for (int x = 0; x < shot.width; ++x)
        if (shot.At(x, y) == highlight) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x);
          box.bottom = std::max<LONG>(box.bottom, y);
        }
    ASSERT_GE(box.right, 0) << "no selected label";
    EXPECT_LT(box.top, 120);
    EXPECT_LT(box.left, shot.width / 2);
    EXPECT_GT(box.right - box.left, 10);
    // The header row's text lies between the caption, if any, and the first label.
    int listTop = 0;
    for (int y = 0; y < box.top; ++y)
      if (shot.At(4, y) == GetSysColor(COLOR_ACTIVECAPTION))
        listTop = y + 2;
    bool headerText = false;
    for (int y = listTop; y < box.top - 2; ++y)
      for (int x = 0; x < shot.width / 2; ++x)
        headerText = headerText || shot.At(x, y) == RGB(0, 0, 0);
    EXPECT_EQ(row.headings, headerText);
    // Windows Mobile keeps the bottom strip for its menu bar.
    if (row.windowsMobile)
      EXPECT_EQ(GetSysColor(COLOR_BTNFACE), shot.At(shot.width / 2, shot.height - 1));
    ClearWindowTitle();
    ReturnToPreviousConfiguration();
  }
}

// Whatever network the desktop has, an entry that needs one is drawn as on a device
// without it: its label carries the mark, in the list and in the menu bars.
TEST_F(PreviewRender, AnEntryThatNeedsTheNetworkShowsItsMark)
{
  for (const char *mode : {"Details", "Menu Bars"}) {
    SCOPED_TRACE(mode);
    preview::Picture shots[2];
    for (int needs = 0; needs < 2; ++needs) {
      test::ClearLauncherRegistry();
      ASSERT_NO_FATAL_FAILURE(
          Import(std::string("\"Mode\"=\"") + mode + "\"\r\n" +
                 "[HKEY_CURRENT_USER\\Software\\Kelvane\\Ferrolt\\Profiles\\Preview\\Tools\\"
                 "Programs\\Prog1]\r\n\"NeedsNetwork\"=dword:0000000" + std::to_string(needs) +
                 "\r\n"));
      ASSERT_NO_FATAL_FAILURE(Show(L"Tools"));
      shots[needs] = Render(false);
      ClearWindowTitle();
      ReturnToPreviousConfiguration();
    }
    // The mark follows the label: the pictures differ only right of the label's start.
    ASSERT_EQ(shots[0].width, shots[1].width);
    int differing = 0, leftmost = shots[0].width;
    for (int y = 0; y < shots[0].height; ++y)
      for (int x = 0; x < shots[0].width; ++x)
        if (shots[0].At(x, y) != shots[1].At(x, y)) {
          ++differing;
          leftmost = std::min(leftmost, x);
        }
    EXPECT_GT(differing, 30);
    EXPECT_GT(leftmost, 40) << "\"Registry editor\" stays where it was";
  }
}

TEST_F(PreviewRender, AForcedRectangleShowsTheLauncherOnlyThereOnTheScreen)
{
  ASSERT_NO_FATAL_FAILURE(Import());
  ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
  preview::Screen screen;
  screen.windowsMobile = true;
  screen.forced = true;
  SetRect(&screen.forcedRect, 20, 40, 220, 300);
  preview::Picture shot;
  ASSERT_TRUE(preview::RenderLoadedConfiguration(screen, &shot));
  ASSERT_EQ(240, shot.width);
  ASSERT_EQ(320, shot.height);
  const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
  for (POINT outside : {POINT{5, 5}, POINT{10, 200}, POINT{230, 200}, POINT{120, 310}})
    EXPECT_EQ(desktop, shot.At(outside.x, outside.y)) << outside.x << "," << outside.y;
  // Full screen on Windows Mobile: a caption, no menu bar; the bars start below the caption.
  int top = FirstRowOf(shot, SELECTED);
  EXPECT_GT(top, 40 + 10);
  EXPECT_EQ(SELECTED, shot.At(22 + 4, top + 5));
  EXPECT_EQ(AREA, shot.At(120, 295));
}

// The shipped samples name their header picture by its device path; the preview takes it
// from beside the script, as the package installs it there.
TEST_F(PreviewRender, ShippedSamplesShowTheirHeaderPictureAboveTheBars)
{
  const COLORREF sampleSelected = RGB(0x28, 0x5a, 0xa0);
  std::wstring package = test::SourceDir() + L"setup\\package";
  for (const wchar_t *sample : {L"CE_Ferrolt.reg", L"WM_Ferrolt.reg"}) {
    SCOPED_TRACE(testing::Message() << sample);
    test::ClearLauncherRegistry();
    ASSERT_TRUE(LoadRegistryScript((package + L"\\" + sample).c_str()));
    ASSERT_TRUE(SelectProfile(nullptr));
    ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
    bool windowsMobile = sample[0] == L'W';
    preview::Picture shot = Render(windowsMobile, windowsMobile, 240, 320, package);
    EXPECT_EQ(L"Warehouse", shot.caption);
    int firstBar = FirstRowOf(shot, sampleSelected);
    ASSERT_GT(firstBar, 60);
    // The header band: the picture's own colours, not the menu area's.
    std::set<COLORREF> header;
    for (int y = firstBar - 60; y < firstBar; ++y)
      for (int x = 0; x < shot.width; ++x)
        header.insert(shot.At(x, y));
    EXPECT_GT(header.size(), 3u);
    EXPECT_EQ(0u, header.count(sampleSelected));
    // Without the file the device shows no header and the bars start at the top.
    ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
    preview::Picture bare = Render(windowsMobile, windowsMobile);
    EXPECT_EQ(firstBar - 60, FirstRowOf(bare, sampleSelected));
  }
}

TEST_F(PreviewRender, PicturesSurviveThePngFile)
{
  ASSERT_NO_FATAL_FAILURE(Import());
  ASSERT_NO_FATAL_FAILURE(Show(DEFAULT_CONFIGURATION));
  preview::Picture shot = Render(false, false, 200, 150);
  std::wstring path = test::BuildDir() + L"preview-render.png";
  ASSERT_TRUE(preview::WritePng(path, shot));
  EXPECT_EQ("\x89PNG", test::ReadFileBytes(path).substr(0, 4));
  preview::Picture read;
  ASSERT_TRUE(preview::ReadPng(path, &read));
  EXPECT_EQ(shot.width, read.width);
  EXPECT_EQ(shot.height, read.height);
  EXPECT_TRUE(shot.pixels == read.pixels);
  EXPECT_FALSE(preview::WritePng(test::BuildDir() + L"no-such-folder\\x.png", shot));
}

}  // namespace
