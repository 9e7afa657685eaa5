// Settings and entry values as a broken configuration stores them: every wrong registry
// type, extreme numbers, and numbered lists at their limit in every mode. Each time the
// launcher starts or refuses with a message, shows only printable text, and ends with
// exit code 0 on WM_CLOSE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/LauncherRun.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Hostile";

std::wstring Settings(const std::wstring &configuration)
{
  return kProfile + L"\\" + configuration + L"\\Settings";
}

std::wstring Program(const std::wstring &configuration, int number)
{
  return kProfile + L"\\" + configuration + L"\\Programs\\Prog" + std::to_wstring(number);
}

const wchar_t *const kTextSettings[] = {L"Mode", L"TitleBar", L"Exit", L"Description", L"Name",
                                        L"Command", L"About", L"Return", L"BitmapFilePath",
                                        L"MenuItemFont"};
const wchar_t *const kNumberSettings[] = {
    L"QuitAfterLaunch", L"DescriptionWidth", L"NameWidth", L"CommandWidth", L"Headings",
    L"DetailColumns", L"UseProgramIcons", L"Number", L"ButtonColumns", L"BitmapHeight",
    L"MenuAreaBackgroundColor", L"MenuItemFontSize", L"MenuItemHeight", L"MenuItemIconWidth",
    L"MenuItemBackgroundColor", L"MenuItemTextColor", L"SelectedMenuItemBackgroundColor",
    L"SelectedMenuItemTextColor", L"SeparatorColor", L"TitleBarContext"};
const wchar_t *const kEntryValues[] = {L"Name", L"Description", L"Command", L"Call",
                                       L"Icon", L"HotKey", L"HotKeyModifier"};

std::string Utf16(const std::wstring &text, bool terminated)
{
  std::string bytes(reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t));
  if (terminated)
    bytes += std::string(2, '\0');
  return bytes;
}

class HostileSettings : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"TitleBar", L"Hostile");
    test::SetString(HKEY_CURRENT_USER, Settings(L"Called"), L"TitleBar", L"Called");
    test::SetString(HKEY_CURRENT_USER, Program(L"Called", 1), L"Description", L"Notes");
    test::SetString(HKEY_CURRENT_USER, Program(L"Called", 1), L"Name", L"\\Windows\\notepad.exe");
  }
  void TearDown() override { test::ClearLauncherRegistry(); }

  // Home: entry 1 is the one under test, entry 2 calls "Called".
  void AddCallEntry(int number)
  {
    test::SetString(HKEY_CURRENT_USER, Program(L"Default", number), L"Description", L"Go on");
    test::SetString(HKEY_CURRENT_USER, Program(L"Default", number), L"Call", L"Called");
  }
};

struct WrongValue {
  const char *what;
  DWORD type;
  std::string bytes;
  const wchar_t *returnLabel;  // the called screen's Return item, null when hidden
};

// Every setting of both configurations and every value of an entry stored with the same
// wrong type or size. A Return that cannot be read keeps the way back.
TEST_F(HostileSettings, ValuesOfEveryWrongTypeAndSize)
{
  const WrongValue rows[] = {
      {"binary", REG_BINARY, std::string("\x01\x02\x03", 3), L"Back"},
      {"multi-string", REG_MULTI_SZ, Utf16(L"Menu Bars", true) + Utf16(L"Details", true) + std::string(2, '\0'), L"Back"},
      {"expandable string", REG_EXPAND_SZ, Utf16(L"%TEMP%\\x", true), L"Back"},
      {"64-bit number", REG_QWORD, std::string("\x88\x77\x66\x55\x44\x33\x22\x11", 8), L"Back"},
      {"zero-length text", REG_SZ, "", nullptr},
      {"zero-length number", REG_DWORD, "", L"Back"},
      {"odd byte count", REG_SZ, std::string("A\0B", 3), L"A"},
      {"text without terminator", REG_SZ, Utf16(L"Details", false), L"Details"},
      {"short number", REG_DWORD, std::string("\x05\x00", 2), L"Back"},
      {"64 KB text", REG_SZ, Utf16(std::wstring(32767, L'x'), true), L"Back"},
      {"64 KB binary", REG_BINARY, std::string(65536, '\xC3'), L"Back"},
      {"300-character text", REG_SZ, Utf16(std::wstring(300, L'r'), true), L"Back"},
  };
  for (const WrongValue &row : rows) {
    SCOPED_TRACE(row.what);
    SetUp();
    for (const wchar_t *configuration : {L"Default", L"Called"}) {
      for (const wchar_t *name : kTextSettings)
        test::SetRawValue(Settings(configuration), name, row.type, row.bytes);
      for (const wchar_t *name : kNumberSettings)
        test::SetRawValue(Settings(configuration), name, row.type, row.bytes);
    }
    for (const wchar_t *name : kEntryValues)
      test::SetRawValue(Program(L"Default", 1), name, row.type, row.bytes);
    AddCallEntry(2);

    int stackDepth = -1;
    test::LauncherRun run = test::RunLauncherHere(
        L"Hostile", {[] { ActivateItem(1); }, [&] { stackDepth = g_app.stackDepth; }});
    EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
    ASSERT_EQ(3u, run.screens.size()) << run.Describe().c_str();
    EXPECT_EQ(1, stackDepth) << run.Describe().c_str();
    if (row.returnLabel != nullptr)
      EXPECT_TRUE(run.ScreenShows(1, row.returnLabel)) << run.Describe().c_str();
    else
      EXPECT_FALSE(run.ScreenShows(1, L"Back")) << run.Describe().c_str();
    // Only a Return that is there but cannot be read is reported.
    bool reported = row.returnLabel != nullptr && std::wstring(row.returnLabel) == L"Back";
    EXPECT_EQ(reported, run.BoxSaid(L"Return must be a text of at most 259 characters"))
        << run.Describe().c_str();
  }
}

// Every number setting and number entry value at the edges of 32 bits, in both kinds of
// presentation: corrected or refused, never a crash.
TEST_F(HostileSettings, NumberSettingsAtTheEdgesOf32Bits)
{
  const DWORD values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  for (const wchar_t *mode : {L"Details", L"Menu Bars"}) {
    for (DWORD value : values) {
      SCOPED_TRACE(std::to_string(value) + (mode[0] == L'D' ? " details" : " menu bars"));
      SetUp();
      for (const wchar_t *configuration : {L"Default", L"Called"}) {
        test::SetString(HKEY_CURRENT_USER, Settings(configuration), L"Mode", mode);
        for (const wchar_t *name : kNumberSettings)
          test::SetDword(HKEY_CURRENT_USER, Settings(configuration), name, value);
      }
      test::SetString(HKEY_CURRENT_USER, Program(L"Default", 1), L"Description", L"Notes");
      test::SetString(HKEY_CURRENT_USER, Program(L"Default", 1), L"Name", L"\\Windows\\notepad.exe");
      test::SetDword(HKEY_CURRENT_USER, Program(L"Default", 1), L"Icon", value);
      test::SetDword(HKEY_CURRENT_USER, Program(L"Default", 1), L"HotKey", value);
      test::SetString(HKEY_CURRENT_USER, Program(L"Default", 1), L"HotKeyModifier", L"A");
      AddCallEntry(2);

      test::LauncherRun run = test::RunLauncherHere(L"Hostile", {[] { ActivateItem(1); }});
      EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
      EXPECT_EQ(0, run.exitCode);
      EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
      EXPECT_TRUE(run.shown || !run.boxes.empty()) << run.Describe().c_str();
    }
  }
}

// Nine numbered items fit in every mode; a tenth refuses the home screen with a word, and
// the launcher ends.
TEST_F(HostileSettings, NumberedListsAtNineAndTenItemsInEveryMode)
{
  const wchar_t *const modes[] = {L"Details", L"List", L"Small Icons", L"Large Icons", L"Menu Bars"};
  for (const wchar_t *mode : modes) {
    for (int items : {9, 10}) {
      SCOPED_TRACE(std::to_string(items) + " items");
      SetUp();
      test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Mode", mode);
      test::SetDword(HKEY_CURRENT_USER, Settings(L"Default"), L"Number", 1);
      test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"About", L"About");
      test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
      for (int i = 1; i <= items - 2; ++i) {
        test::SetString(HKEY_CURRENT_USER, Program(L"Default", i), L"Description",
                        L"Entry " + std::to_wstring(i));
        test::SetString(HKEY_CURRENT_USER, Program(L"Default", i), L"Name", L"\\Windows\\notepad.exe");
      }
      test::LauncherRun run = test::RunLauncherHere(L"Hostile");
      EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
      EXPECT_EQ(0, run.exitCode);
      EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
      EXPECT_EQ(items == 9, run.shown) << run.Describe().c_str();
      EXPECT_EQ(items == 10, run.BoxSaid(L"Too many items for numbered list ")) << run.Describe().c_str();
      if (items == 9)
        EXPECT_TRUE(run.ScreenShows(0, L"9 - Exit")) << run.Describe().c_str();
    }
  }
}

}  // namespace
