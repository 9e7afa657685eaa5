// Which profile and configuration the launcher reads, against the prefix's registry.
#include <gtest/gtest.h>

#include <string>

#include "launcher/config/Profile.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kFirst = L"Software\\OrvantLLC\\Ferrolt";
const std::wstring kSecond = L"Software\\Kelvane\\Ferrolt";
const std::wstring kFirstProfiles = kFirst + L"\\Profiles\\";
const std::wstring kSecondProfiles = kSecond + L"\\Profiles\\";
const std::wstring kLauncher = L"Software\\Orvant\\Launcher";

class ProfileSelection : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    ZeroMemory(&g_profile, sizeof(g_profile));
  }
  void TearDown() override { test::ClearLauncherRegistry(); }

  // Runs the selection the way start-up does, answering any box.
  bool Select(const wchar_t *commandLine)
  {
    g_profile.keyLayout = 0;
    return SelectProfile(commandLine);
  }

  static void MakeProfile(const std::wstring &prefix, const std::wstring &name)
  {
    test::SetDword(HKEY_CURRENT_USER, prefix + name, L"FullScreen", 0);
  }

  test::BoxAnswerer boxes;
};

TEST_F(ProfileSelection, CommandLineNamesTheProfileWhateverActiveProfileSays)
{
  MakeProfile(kFirstProfiles, L"Stock");
  MakeProfile(kFirstProfiles, L"Other");
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", L"Other");

  ASSERT_TRUE(Select(L"Stock"));
  EXPECT_EQ(1, g_profile.keyLayout);
  EXPECT_STREQ(L"Stock", g_profile.profileName);
  EXPECT_EQ(kFirstProfiles + L"Stock", g_profile.profileKeyPath);
  EXPECT_STREQ(L"Default", g_profile.configurationName);
  EXPECT_EQ(kFirstProfiles + L"Stock\\Default", g_profile.configurationKeyPath);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProfileSelection, NamedProfileThatIsMissingIsNeverReplacedByAFallback)
{
  MakeProfile(kFirstProfiles, L"Other");
  MakeProfile(kFirstProfiles, L"DefaultProf");
  test::SetDword(HKEY_CURRENT_USER, kLauncher, L"FontHeight", 0);
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", L"Other");

  EXPECT_FALSE(Select(L"Stock"));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Ferrolt Error", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Unable to find Profile", boxes.Boxes()[0].text);

  // The same holds for a name given by ActiveProfile.
  boxes.Clear();
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", L"Missing");
  EXPECT_FALSE(Select(L""));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Unable to find Profile", boxes.Boxes()[0].text);
}

TEST_F(ProfileSelection, CommandLinesThatDoNotStartWithALetterLeaveItToActiveProfile)
{
  MakeProfile(kFirstProfiles, L"Active");
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", L"Active");
  for (const wchar_t *line : {L"", L" Stock", L"2nd", L"\\Stock", L"\\"}) {
    ZeroMemory(&g_profile, sizeof(g_profile));
    ASSERT_TRUE(Select(line)) << line;
    EXPECT_STREQ(L"Active", g_profile.profileName) << line;
  }
  ASSERT_TRUE(Select(nullptr));
  EXPECT_STREQ(L"Active", g_profile.profileName);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProfileSelection, TheWholeCommandLineIsTheNameTheBaseNameOnlyTheTest)
{
  MakeProfile(kFirstProfiles, L"Stock.old");
  ASSERT_TRUE(Select(L"Stock.old"));
  EXPECT_STREQ(L"Stock.old", g_profile.profileName);
  EXPECT_EQ(kFirstProfiles + L"Stock.old", g_profile.profileKeyPath);

  // ".old" has no base name: not a profile name, so the fallbacks decide.
  MakeProfile(kFirstProfiles, L"DefaultProf");
  ASSERT_TRUE(Select(L".old"));
  EXPECT_EQ(kFirstProfiles + L"DefaultProf", g_profile.profileKeyPath);
}

TEST_F(ProfileSelection, WithoutAUsableActiveProfileTheLauncherKeyThenDefaultProfAreUsed)
{
  test::SetDword(HKEY_CURRENT_USER, kFirst, L"ExitOnESC", 0);
  MakeProfile(kFirstProfiles, L"DefaultProf");
  const wchar_t *actives[] = {nullptr, L"", L"9Lives"};
  for (const wchar_t *active : actives) {
    if (active == nullptr)
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kFirst.c_str(), L"ActiveProfile");
    else
      test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", active);

    test::SetDword(HKEY_CURRENT_USER, kLauncher, L"FullScreen", 0);
    ASSERT_TRUE(Select(L""));
    EXPECT_EQ(kLauncher, g_profile.profileKeyPath);
    EXPECT_EQ(kLauncher + L"\\Default", g_profile.configurationKeyPath);

    test::DeleteTree(HKEY_CURRENT_USER, kLauncher);
    ASSERT_TRUE(Select(L""));
    EXPECT_EQ(kFirstProfiles + L"DefaultProf", g_profile.profileKeyPath);
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProfileSelection, NoProfileAtAllSaysThereIsNoDefaultConfiguration)
{
  test::SetDword(HKEY_CURRENT_USER, kFirst, L"ExitOnESC", 0);
  EXPECT_FALSE(Select(L""));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Ferrolt Error", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"no default configuration to load", boxes.Boxes()[0].text);
}

TEST_F(ProfileSelection, FirstLayoutWinsWhenBothProductKeysExist)
{
  MakeProfile(kSecondProfiles, L"Stock");
  test::SetDword(HKEY_CURRENT_USER, kFirst, L"ExitOnESC", 0);
  EXPECT_FALSE(Select(L"Stock"));
  EXPECT_EQ(1, g_profile.keyLayout);
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Unable to find Profile", boxes.Boxes()[0].text);

  // Without the first product key the second layout is read.
  boxes.Clear();
  test::DeleteTree(HKEY_CURRENT_USER, L"Software\\OrvantLLC");
  ASSERT_TRUE(Select(L"Stock"));
  EXPECT_EQ(0, g_profile.keyLayout);
  EXPECT_EQ(kSecondProfiles + L"Stock", g_profile.profileKeyPath);
  EXPECT_STREQ(PRODUCT_KEY_SECOND, ProductKeyPath());
}

TEST_F(ProfileSelection, NamesAtTheBufferLimits)
{
  // ActiveProfile of 259 characters fits the name but not the key path: not found.
  std::wstring name259(259, L'p');
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", name259);
  EXPECT_FALSE(Select(L""));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Unable to find Profile", boxes.Boxes()[0].text);
  EXPECT_EQ(259u, wcslen(g_profile.profileName));

  // 260 characters do not fit: no name, so the fallbacks decide.
  boxes.Clear();
  test::SetString(HKEY_CURRENT_USER, kFirst, L"ActiveProfile", std::wstring(260, L'p'));
  MakeProfile(kFirstProfiles, L"DefaultProf");
  ASSERT_TRUE(Select(L""));
  EXPECT_EQ(kFirstProfiles + L"DefaultProf", g_profile.profileKeyPath);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProfileSelection, ConfigurationPathMustFitTooButSaysNothing)
{
  // Profile key path of 251 characters: "\Default" brings it to exactly 259.
  std::wstring fits(251 - kFirstProfiles.size(), L'f');
  MakeProfile(kFirstProfiles, fits);
  ASSERT_TRUE(Select(fits.c_str()));
  EXPECT_EQ(259u, wcslen(g_profile.configurationKeyPath));

  std::wstring tooLong(252 - kFirstProfiles.size(), L'g');
  MakeProfile(kFirstProfiles, tooLong);
  EXPECT_FALSE(Select(tooLong.c_str()));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProfileSelection, AVeryLongCommandLineIsRefusedNotOverrun)
{
  MakeProfile(kFirstProfiles, L"DefaultProf");
  std::wstring line = L"Stock" + std::wstring(4000, L'x');
  EXPECT_FALSE(Select(line.c_str()));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Unable to find Profile", boxes.Boxes()[0].text);
  EXPECT_LT(wcslen(g_profile.profileName), static_cast<size_t>(TEXT_CAPACITY));
}

TEST_F(ProfileSelection, CurrentConfigurationTakesTheBaseNameOfACallText)
{
  MakeProfile(kFirstProfiles, L"Stock");
  ASSERT_TRUE(Select(L"Stock"));
  const struct {
    const wchar_t *call, *name;
  } cases[] = {
      {L"Menu2", L"Menu2"},
      {L"\\Temp\\Menu2.reg", L"Menu2"},
      {L"2nd", L"Default"},
      {L"", L"Default"},
      {L"  Tools", L"Tools"},
  };
  for (const auto &c : cases) {
    EXPECT_TRUE(SetCurrentConfiguration(c.call)) << c.call;
    EXPECT_STREQ(c.name, g_profile.configurationName) << c.call;
    EXPECT_EQ(kFirstProfiles + L"Stock\\" + c.name, g_profile.configurationKeyPath) << c.call;
  }
  // A name that makes the path too long keeps the previous key path.
  std::wstring before = g_profile.configurationKeyPath;
  EXPECT_FALSE(SetCurrentConfiguration(std::wstring(240, L'x').c_str()));
  EXPECT_EQ(before, g_profile.configurationKeyPath);
}

TEST_F(ProfileSelection, ReadProfileValueEmptiesWhatIsMissingOrTooLong)
{
  const std::wstring key = kFirstProfiles + L"Stock\\Default\\Programs\\Prog1";
  test::SetString(HKEY_CURRENT_USER, key, L"Name", L"\\Windows\\notes.exe");
  test::SetString(HKEY_CURRENT_USER, key, L"Description", std::wstring(300, L'd'));
  test::SetDword(HKEY_CURRENT_USER, key, L"HotKey", 0x41);

  wchar_t text[TEXT_CAPACITY];
  ReadProfileValue(key.c_str(), L"Name", text, sizeof(text), REG_SZ);
  EXPECT_STREQ(L"\\Windows\\notes.exe", text);
  wcscpy(text, L"junk");
  ReadProfileValue(key.c_str(), L"Description", text, sizeof(text), REG_SZ);
  EXPECT_STREQ(L"", text);
  wcscpy(text, L"junk");
  ReadProfileValue(key.c_str(), L"Missing", text, sizeof(text), REG_SZ);
  EXPECT_STREQ(L"", text);

  DWORD number = 7;
  ReadProfileValue(key.c_str(), L"HotKey", &number, sizeof(number), REG_DWORD);
  EXPECT_EQ(0x41u, number);
  ReadProfileValue(key.c_str(), L"Icon", &number, sizeof(number), REG_DWORD);
  EXPECT_EQ(0u, number);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  // A key that cannot be opened is reported with its path.
  number = 9;
  ReadProfileValue((key + L"x").c_str(), L"HotKey", &number, sizeof(number), REG_DWORD);
  EXPECT_EQ(0u, number);
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Cannot open sub key", boxes.Boxes()[0].caption);
  EXPECT_EQ(key + L"x", boxes.Boxes()[0].text);

  EXPECT_TRUE(KeyExists(key.c_str()));
  EXPECT_FALSE(KeyExists((key + L"x").c_str()));
}

}  // namespace
