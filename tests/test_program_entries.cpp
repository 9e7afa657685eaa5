// The entry table read from the prefix's registry: numbered keys, entry kinds, hot-key
// modifiers, and the warnings about faulty entries.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/Profile.h"
#include "launcher/presentation/ListPresentation.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Test";
const std::wstring kDefault = kProfile + L"\\Default";
const std::wstring kPrograms = kDefault + L"\\Programs";

std::wstring Prog(int n)
{
  return kPrograms + L"\\Prog" + std::to_wstring(n);
}

void AddEntry(int n, const wchar_t *description, const wchar_t *name = L"\\Windows\\tool.exe")
{
  if (description != nullptr)
    test::SetString(HKEY_CURRENT_USER, Prog(n), L"Description", description);
  if (name != nullptr)
    test::SetString(HKEY_CURRENT_USER, Prog(n), L"Name", name);
  if (description == nullptr && name == nullptr)
    test::SetDword(HKEY_CURRENT_USER, Prog(n), L"Icon", 0);
}

class ProgramEntriesTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    g_app.mainWindow = nullptr;
    g_presentation.aboutIndex = g_presentation.exitIndex = g_presentation.returnIndex = -1;
    ZeroMemory(&g_profile, sizeof(g_profile));
    g_profile.keyLayout = 1;
    CopyText(g_profile.profileKeyPath, TEXT_CAPACITY, kProfile.c_str());
    CopyText(g_profile.configurationKeyPath, TEXT_CAPACITY, kDefault.c_str());
    ClearProgramEntries();
  }
  void TearDown() override
  {
    g_presentation.aboutIndex = g_presentation.exitIndex = g_presentation.returnIndex = -1;
    ClearProgramEntries();
    test::ClearLauncherRegistry();
  }

  // Find and read, answering every box; returns the boxes seen.
  static std::vector<test::Box> Load(bool expectFound = true)
  {
    test::BoxAnswerer boxes;
    ClearProgramEntries();
    bool found = FindProgramKeys(kDefault.c_str());
    EXPECT_EQ(expectFound, found);
    if (found)
      EXPECT_TRUE(LoadProgramEntries(kDefault.c_str()));
    return boxes.Boxes();
  }

  static std::vector<test::Box> Warnings()
  {
    test::BoxAnswerer boxes;
    CheckProgramEntries();
    WarnSequenceGap();
    return boxes.Boxes();
  }
};

TEST_F(ProgramEntriesTest, AHoleInTheNumberingIsClosedAndWarnedOnce)
{
  AddEntry(1, L"One");
  AddEntry(2, L"Two");
  AddEntry(4, nullptr);  // no description
  EXPECT_TRUE(Load().empty());
  ASSERT_EQ(3, g_entries.count);
  EXPECT_EQ(3, g_entries.programCount);
  EXPECT_STREQ(L"Prog1", g_entries.keyNames[0]);
  EXPECT_STREQ(L"Prog2", g_entries.keyNames[1]);
  EXPECT_STREQ(L"Prog4", g_entries.keyNames[2]);
  EXPECT_STREQ(L"Two", g_entries.entries[1].description);
  EXPECT_NE(0, g_entries.gapFlag);

  std::vector<test::Box> boxes = Warnings();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(L"Ferrolt Warning", boxes[0].caption);
  EXPECT_EQ(L"Program Key  3 - Either Description key is empty or exceeds limit ", boxes[0].text);
  EXPECT_EQ(L"Ferrolt Warning", boxes[1].caption);
  EXPECT_EQ(L"Sequence is missing in Prog keys in Registry", boxes[1].text);
}

TEST_F(ProgramEntriesTest, NumberingThatStartsLateIsAHoleToo)
{
  AddEntry(2, L"Two");
  AddEntry(3, L"Three");
  EXPECT_TRUE(Load().empty());
  EXPECT_EQ(2, g_entries.count);
  EXPECT_NE(0, g_entries.gapFlag);

  // Missing keys only at the end are no hole.
  ClearProgramEntries();
  test::ClearLauncherRegistry();
  AddEntry(1, L"One");
  AddEntry(2, L"Two");
  EXPECT_TRUE(Load().empty());
  EXPECT_EQ(0, g_entries.gapFlag);
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(ProgramEntriesTest, OnlySixteenNumberedKeysCount)
{
  for (int n = 1; n <= 17; ++n)
    AddEntry(n, (L"Entry " + std::to_wstring(n)).c_str());
  test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\Prog0", L"Description", L"zero");
  test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\Other", L"Description", L"other");
  EXPECT_TRUE(Load().empty());
  ASSERT_EQ(16, g_entries.count);
  EXPECT_STREQ(L"Prog16", g_entries.keyNames[15]);
  EXPECT_STREQ(L"Entry 16", g_entries.entries[15].description);
  EXPECT_STREQ(L"Entry 1", g_entries.entries[0].description);
  EXPECT_EQ(0, g_entries.gapFlag);
  EXPECT_TRUE(Warnings().empty());

  // Finding again without clearing never runs past the table.
  test::BoxAnswerer boxes;
  EXPECT_TRUE(FindProgramKeys(kDefault.c_str()));
  EXPECT_EQ(16, g_entries.count);
}

TEST_F(ProgramEntriesTest, MissingProgramsKeyOrNoNumberedKeyFailsWithItsMessage)
{
  test::SetString(HKEY_CURRENT_USER, kDefault + L"\\Settings", L"Mode", L"List");
  std::vector<test::Box> boxes = Load(false);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Ferrolt Error ", boxes[0].caption);
  EXPECT_EQ(L"Unable to find registry key " + kPrograms, boxes[0].text);

  test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\Prog17", L"Description", L"late");
  test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\Program1", L"Description", L"odd");
  boxes = Load(false);
  ASSERT_EQ(1u, boxes.size());
  // The error service shows the text as caption and the Programs path as its detail.
  EXPECT_EQ(L"No program keys found", boxes[0].caption);
  EXPECT_EQ(kPrograms, boxes[0].text);
  EXPECT_EQ(0, g_entries.count);
}

TEST_F(ProgramEntriesTest, EntriesAreProgramsOrCallsByTheirValues)
{
  // Name and Call: a program; Call is not read.
  test::SetString(HKEY_CURRENT_USER, Prog(1), L"Name", L"\\Windows\\notes.exe");
  test::SetString(HKEY_CURRENT_USER, Prog(1), L"Call", L"Menu2");
  test::SetString(HKEY_CURRENT_USER, Prog(1), L"Command", L"-a b");
  test::SetString(HKEY_CURRENT_USER, Prog(1), L"Description", L"Notes");
  // Empty Name, a Call and no Icon: a call with the call icon; Command ignored.
  test::SetString(HKEY_CURRENT_USER, Prog(2), L"Name", L"");
  test::SetString(HKEY_CURRENT_USER, Prog(2), L"Call", L"Menu2");
  test::SetString(HKEY_CURRENT_USER, Prog(2), L"Command", L"ignored");
  test::SetString(HKEY_CURRENT_USER, Prog(2), L"Description", L"More");
  // A call with its own icon keeps it.
  test::SetString(HKEY_CURRENT_USER, Prog(3), L"Call", L"Tools");
  test::SetDword(HKEY_CURRENT_USER, Prog(3), L"Icon", 423);
  test::SetString(HKEY_CURRENT_USER, Prog(3), L"Description", L"Tools");
  // Command holds 519 characters; one more does not fit and reads as empty.
  std::wstring longest(519, L'c');
  test::SetString(HKEY_CURRENT_USER, Prog(4), L"Name", L"a.exe");
  test::SetString(HKEY_CURRENT_USER, Prog(4), L"Command", longest);
  test::SetString(HKEY_CURRENT_USER, Prog(4), L"Description", L"Long");
  test::SetString(HKEY_CURRENT_USER, Prog(5), L"Name", L"b.exe");
  test::SetString(HKEY_CURRENT_USER, Prog(5), L"Command", longest + L"c");
  test::SetString(HKEY_CURRENT_USER, Prog(5), L"Description", L"Too long");
  test::SetDword(HKEY_CURRENT_USER, Prog(5), L"Icon", 417);

  EXPECT_TRUE(Load().empty());
  ASSERT_EQ(5, g_entries.count);
  const ProgramEntry *e = g_entries.entries;
  EXPECT_EQ(0, e[0].isCall);
  EXPECT_STREQ(L"", e[0].call);
  EXPECT_STREQ(L"-a b", e[0].command);
  EXPECT_EQ(0, e[0].icon);
  EXPECT_EQ(1, e[1].isCall);
  EXPECT_STREQ(L"Menu2", e[1].call);
  EXPECT_STREQ(L"", e[1].command);
  EXPECT_EQ(425, e[1].icon);
  EXPECT_EQ(1, e[2].isCall);
  EXPECT_EQ(423, e[2].icon);
  EXPECT_EQ(longest, e[3].command);
  EXPECT_STREQ(L"", e[4].command);
  EXPECT_EQ(417, e[4].icon);
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(ProgramEntriesTest, OnlyAnUpperCaseFirstLetterGivesAHotKeyModifier)
{
  const struct {
    const wchar_t *modifier;
    LONG expected;
  } cases[] = {
      {L"Ctrl", MOD_CONTROL}, {L"ctrl", 0},          {L"Alt", MOD_ALT}, {L"Shift", MOD_SHIFT},
      {L"S", MOD_SHIFT},      {L"Windows", 0},       {L"", 0},          {nullptr, 0},
  };
  int n = 1;
  for (const auto &c : cases) {
    AddEntry(n, L"Entry");
    test::SetDword(HKEY_CURRENT_USER, Prog(n), L"HotKey", 0x40 + n);
    if (c.modifier != nullptr)
      test::SetString(HKEY_CURRENT_USER, Prog(n), L"HotKeyModifier", c.modifier);
    ++n;
  }
  EXPECT_TRUE(Load().empty());
  for (int i = 0; i < n - 1; ++i) {
    EXPECT_EQ(cases[i].expected, g_entries.entries[i].hotKeyModifiers)
        << (cases[i].modifier ? cases[i].modifier : L"(none)");
    EXPECT_EQ(0x41 + i, g_entries.entries[i].hotKey);
  }
}

TEST_F(ProgramEntriesTest, FaultyEntriesDrawOneWarningEachWithTheirPosition)
{
  AddEntry(1, L"Fine");
  AddEntry(2, nullptr, nullptr);                        // nothing at all
  AddEntry(3, L"No target", nullptr);                   // no name, no call
  AddEntry(5, std::wstring(300, L'd').c_str());         // description too long
  test::SetString(HKEY_CURRENT_USER, Prog(6), L"Call", L"Menu2");  // call, no description
  AddEntry(7, L"Fine too");
  EXPECT_TRUE(Load().empty());
  ASSERT_EQ(6, g_entries.count);
  EXPECT_STREQ(L"", g_entries.entries[3].description);

  std::vector<test::Box> boxes = Warnings();
  ASSERT_EQ(5u, boxes.size());
  const wchar_t *expected[] = {
      L"Program Key  2 - No Description and Name or Call found ",
      L"Program Key  3 - No Name or Call found ",
      L"Program Key  4 - Either Description key is empty or exceeds limit ",
      L"Program Key  5 - Either Description key is empty or exceeds limit ",
      L"Sequence is missing in Prog keys in Registry",
  };
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(L"Ferrolt Warning", boxes[i].caption);
    EXPECT_EQ(expected[i], boxes[i].text);
  }
  EXPECT_EQ(6, g_entries.count);  // faulty entries stay
}

TEST_F(ProgramEntriesTest, TextsStoredWithoutTerminatorThatFillTheirBufferAreTooLong)
{
  const struct {
    int number;
    const wchar_t *value;
    size_t length;  // characters stored, no terminator
  } cases[] = {
      {1, L"Description", 260}, {2, L"Name", 260}, {3, L"Call", 260},
      {4, L"Command", 520},     {5, L"Description", 259},
  };
  for (const auto &c : cases) {
    test::SetString(HKEY_CURRENT_USER, Prog(c.number), L"Description", L"Entry");
    test::SetUnterminatedString(HKEY_CURRENT_USER, Prog(c.number), c.value,
                                std::wstring(c.length, L'x'));
  }
  for (int n : {1, 4, 5})
    test::SetString(HKEY_CURRENT_USER, Prog(n), L"Name", L"\\Windows\\tool.exe");
  EXPECT_TRUE(Load().empty());
  ASSERT_EQ(5, g_entries.count);
  EXPECT_STREQ(L"", g_entries.entries[0].description);
  EXPECT_STREQ(L"", g_entries.entries[1].name);
  EXPECT_STREQ(L"", g_entries.entries[2].call);
  EXPECT_EQ(0, g_entries.entries[2].isCall);
  EXPECT_STREQ(L"", g_entries.entries[3].command);
  EXPECT_EQ(std::wstring(259, L'x'), g_entries.entries[4].description) << "one short still fits";

  std::vector<test::Box> boxes = Warnings();
  ASSERT_EQ(3u, boxes.size());
  EXPECT_EQ(L"Program Key  1 - Either Description key is empty or exceeds limit ", boxes[0].text);
  EXPECT_EQ(L"Program Key  2 - No Name or Call found ", boxes[1].text);
  EXPECT_EQ(L"Program Key  3 - No Name or Call found ", boxes[2].text);
}

TEST_F(ProgramEntriesTest, AddedItemsAreNotCheckedAsEntries)
{
  AddEntry(1, L"One");
  AddEntry(2, L"Two");
  EXPECT_TRUE(Load().empty());
  // The presentation appends About, Exit and Return with their labels only.
  const wchar_t *labels[] = {L"About", L"Exit", L""};
  for (int i = 0; i < 3; ++i) {
    CopyText(g_entries.entries[2 + i].description, TEXT_CAPACITY, labels[i]);
  }
  g_entries.count = 5;
  g_presentation.aboutIndex = 2;
  g_presentation.exitIndex = 3;
  g_presentation.returnIndex = 4;
  EXPECT_TRUE(Warnings().empty());

  // Without recorded positions the same records would be faulty.
  g_presentation.aboutIndex = g_presentation.exitIndex = g_presentation.returnIndex = -1;
  EXPECT_EQ(3u, Warnings().size());
}

TEST_F(ProgramEntriesTest, ClearingReleasesEntryIconsButNotTheItemIcons)
{
  AddEntry(1, L"One");
  AddEntry(2, L"Two");
  EXPECT_TRUE(Load().empty());
  HICON own = CopyIcon(LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
  HICON item = CopyIcon(LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
  ASSERT_NE(nullptr, own);
  g_entries.entries[0].smallIcon = own;
  g_entries.entries[1].largeIcon = item;  // shared with the settings record
  HICON savedExit = g_settings.exitSmallIcon;
  g_settings.exitSmallIcon = item;
  ClearProgramEntries();
  ICONINFO info = {};
  EXPECT_FALSE(GetIconInfo(own, &info));
  EXPECT_TRUE(GetIconInfo(item, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_EQ(0, g_entries.count);
  EXPECT_EQ(nullptr, g_entries.entries[0].smallIcon);
  EXPECT_STREQ(L"", g_entries.entries[0].description);
  EXPECT_STREQ(L"", g_entries.keyNames[0]);
  g_settings.exitSmallIcon = savedExit;
  DestroyIcon(item);
}

TEST_F(ProgramEntriesTest, AKeyThatVanishesBeforeReadingGivesAnEmptyEntry)
{
  AddEntry(1, L"One");
  AddEntry(2, L"Two");
  {
    test::BoxAnswerer boxes;
    ClearProgramEntries();
    ASSERT_TRUE(FindProgramKeys(kDefault.c_str()));
  }
  test::DeleteTree(HKEY_CURRENT_USER, Prog(2));
  test::BoxAnswerer boxes;
  EXPECT_TRUE(LoadProgramEntries(kDefault.c_str()));
  ASSERT_GE(boxes.Count(), 1u);
  for (const test::Box &box : boxes.Boxes()) {
    EXPECT_EQ(L"Cannot open sub key", box.caption);
    EXPECT_EQ(Prog(2), box.text);
  }
  EXPECT_STREQ(L"One", g_entries.entries[0].description);
  EXPECT_STREQ(L"", g_entries.entries[1].description);
  EXPECT_STREQ(L"", g_entries.entries[1].name);
  EXPECT_EQ(0, g_entries.entries[1].isCall);
}

// Values and sub-keys the launcher does not read, and names in another case, change
// nothing: a crowded key reads as a plain one.
TEST_F(ProgramEntriesTest, CrowdedKeysReadAsPlainOnes)
{
  enum Crowd { PLAIN, MANY_VALUES, BIG_VALUE, NEARLY_FULL, ODD_NAME, MANY_KEYS };
  const std::wstring description(200, L'd');
  for (Crowd crowd : {PLAIN, MANY_VALUES, BIG_VALUE, NEARLY_FULL, ODD_NAME, MANY_KEYS}) {
    SCOPED_TRACE(crowd);
    test::ClearLauncherRegistry();
    for (int n = 1; n <= 3; ++n) {
      // Every crowd sorts before the values read.
      for (int v = 0; crowd == MANY_VALUES && v < 45; ++v)
        test::SetDword(HKEY_CURRENT_USER, Prog(n), L"A" + std::to_wstring(100 + v), v);
      if (crowd == BIG_VALUE || crowd == NEARLY_FULL)
        test::SetString(HKEY_CURRENT_USER, Prog(n), L"A",
                        std::wstring(crowd == BIG_VALUE ? 6000 : 4000, L'b'));
      if (crowd == ODD_NAME)
        test::SetString(HKEY_CURRENT_USER, Prog(n), L"\u00C0\u0131", L"x");
    }
    for (int k = 0; crowd == MANY_KEYS && k < 70; ++k)
      test::SetDword(HKEY_CURRENT_USER, kPrograms + L"\\A" + std::to_wstring(100 + k), L"X", 1);
    test::SetString(HKEY_CURRENT_USER, Prog(1), L"name", L"\\Windows\\tool.exe");
    test::SetString(HKEY_CURRENT_USER, Prog(1), L"DESCRIPTION", description);
    test::SetString(HKEY_CURRENT_USER, Prog(1), L"Command", L"-x");
    test::SetDword(HKEY_CURRENT_USER, Prog(1), L"hotkey", 0x70);
    test::SetString(HKEY_CURRENT_USER, Prog(1), L"HotKeyModifier", L"Ctrl");
    test::SetString(HKEY_CURRENT_USER, Prog(2), L"Call", L"Tools");
    test::SetString(HKEY_CURRENT_USER, Prog(2), L"Description", L"Tools");
    test::SetDword(HKEY_CURRENT_USER, Prog(2), L"AutoStart", 1);
    test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\prog3", L"Description", L"Three");
    test::SetString(HKEY_CURRENT_USER, kPrograms + L"\\Prog04", L"Description", L"not four");

    EXPECT_TRUE(Load().empty());
    ASSERT_EQ(3, g_entries.count);
    const ProgramEntry *e = g_entries.entries;
    EXPECT_STREQ(L"\\Windows\\tool.exe", e[0].name);
    EXPECT_EQ(description, e[0].description);
    EXPECT_STREQ(L"-x", e[0].command);
    EXPECT_EQ(0x70, e[0].hotKey);
    EXPECT_EQ(MOD_CONTROL, e[0].hotKeyModifiers);
    EXPECT_EQ(1, e[1].isCall);
    EXPECT_STREQ(L"Tools", e[1].call);
    EXPECT_EQ(1, e[1].autoStart);
    EXPECT_STREQ(L"Prog3", g_entries.keyNames[2]);
    EXPECT_STREQ(L"Three", e[2].description);
    EXPECT_EQ(0, g_entries.gapFlag);
  }
}

}  // namespace
