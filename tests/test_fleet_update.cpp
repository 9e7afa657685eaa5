// Configuration updates pushed into the update folders of a running launcher: applied and
// shown at once, rejected for every kind of bad input with nothing changed, undone after a
// reset, taken only once written, and written into the event log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/RegistrySnapshot.h"
#include "launcher/config/UpdateApply.h"
#include "launcher/config/UpdateFolder.h"
#include "launcher/config/UpdateScreen.h"
#include "launcher/config/UpdateSignature.h"
#include "launcher/regscript/RegistryScript.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/UpdateWatch.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/LauncherHarness.h"

namespace {

const wchar_t kLog[] = L"C:\\Application\\Ferrolt\\Ferrolt.log";
// A section line below the test's profile.
std::string Section(const std::string &below)
{
  return "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Kiosk" + below + "]\r\n";
}

class FleetUpdate : public test::LauncherTest {
protected:
  void SetUp() override
  {
    LauncherTest::SetUp();
    CreateDirectoryW(L"C:\\Application", nullptr);
    CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(L"C:\\Application\\Ferrolt\\Update", ignored);
    DeleteFileW(kLog);
    DeleteFileW(UPDATE_SNAPSHOT_PATH);
  }
  void TearDown() override
  {
    StopUpdateWatch();
    g_update.resetAt = UPDATE_RESET_NONE;
    g_update.applying = false;
    g_registrySnapshot.resetAfterRecords = 0;
    LauncherTest::TearDown();
  }
  void StartWatching()
  {
    Start();
    StartUpdateWatch(g_app.mainWindow, L"Kiosk");
  }
  // Drops a script into the internal folder and lets the launcher take it: one look sees
  // it, the next, once it has kept its size and time for longer than it takes, applies it.
  void Push(const std::string &bytes, const std::wstring &name = L"update.reg",
            const std::wstring &folder = UPDATE_FOLDER)
  {
    test::WriteFileBytes(folder + L"\\" + name, bytes);
    TakeUpdates();
    g_app.clockOffset += UPDATE_SETTLE_MS + 100;
    TakeUpdates();
    Pump(50);
  }
  void SetBinary(const std::wstring &path, const wchar_t *name, const char *bytes, DWORD size)
  {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE *>(bytes), size);
    RegCloseKey(key);
  }
  std::string Log() const { return test::ReadFileBytes(kLog); }
  std::wstring Product() const { return test::RegistryDump(HKEY_CURRENT_USER, kProduct); }
};

const std::string kGood = "REGEDIT4\r\n" + Section("\\Default\\Settings") +
                          "\"TitleBar\"=\"Updated\"\r\n" + Section("\\Default\\Programs\\Prog2") +
                          "\"Description\"=\"Scanner\"\r\n\"Name\"=\"\\\\Windows\\\\notepad.exe\"\r\n";

TEST_F(FleetUpdate, AGoodUpdateIsShownAtOnceAtHomeWithItsDialogClosedShelvedAndLogged)
{
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    SCOPED_TRACE(family ? "PocketPC" : "plain CE");
    SetUp();
    AddLevels(1);
    StartWatching();
    Descend(1);
    ASSERT_EQ(1, g_app.stackDepth);
    // The update comes while the About box runs its own loop.
    test::RunLater(100, [this] { Push(kGood); });
    SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_ABOUT, 0);
    PumpUntil([] { return g_app.openDialog == nullptr && g_app.stackDepth == 0; }, 4000);

    EXPECT_EQ(nullptr, g_app.openDialog) << "the About box was closed first";
    EXPECT_EQ(0, g_app.stackDepth) << "home";
    EXPECT_EQ(L"Updated", test::WindowText(g_app.mainWindow));
    EXPECT_EQ(2, g_entries.programCount) << "the new entry is shown";
    EXPECT_NE(nullptr, g_app.presentationWindow);
    EXPECT_NE(std::wstring::npos, test::FileNames(UPDATE_APPLIED_FOLDER L"\\*").find(L"_update.reg"));
    EXPECT_EQ(L"", test::FileNames(UPDATE_FOLDER L"\\*.reg"));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("UPDATE-APPLIED file=\"update.reg\" digest=\""))
        << log;
    EXPECT_EQ(0u, boxes.Count()) << "no message unless the administrator asks for one";
    Stop();
  }
}

struct BadUpdate {
  const char *what;
  std::string bytes;
  const char *reason;
};

TEST_F(FleetUpdate, EveryKindOfBadUpdateIsRejectedWithItsReasonAndNothingChanges)
{
  const BadUpdate rows[] = {
      {"not REGEDIT4", "Windows Registry Editor Version 5.00\r\n", "not a REGEDIT4 script"},
      {"cut", kGood.substr(0, kGood.size() - 6), "The script is cut"},
      {"too large", "REGEDIT4\r\n;" + std::string(UPDATE_SIZE_LIMIT, 'x') + "\r\n",
       "larger than 256 KB"},
      {"outside the product key", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"A\"=\"B\"\r\n",
       "Line 2 writes outside the launcher's key"},
      {"deletes the active profile",
       "REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Kiosk]\r\n",
       "Line 2 deletes the active profile"},
      {"names a missing ActiveProfile",
       "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]\r\n\"ActiveProfile\"=\"Gone\"\r\n",
       "ActiveProfile names the profile Gone, which does not exist"},
      {"a line the loader refuses", kGood + "\"Mode\"=dwird:1\r\n", "Line 7: Bad DWORD"},
      {"calls a missing configuration",
       "REGEDIT4\r\n" + Section("\\Default\\Programs\\Prog2") +
           "\"Description\"=\"Lost\"\r\n\"Call\"=\"Nowhere\"\r\n",
       "An entry calls Nowhere, which does not exist"},
      {"while another is applied", kGood, "Another update was being applied"},
  };
  StartWatching();
  std::wstring before = Product();
  std::wstring title = test::WindowText(g_app.mainWindow);
  for (const BadUpdate &row : rows) {
    SCOPED_TRACE(row.what);
    g_update.applying = std::string(row.what) == "while another is applied";
    Push(row.bytes, L"bad.reg");
    EXPECT_EQ(before, Product()) << "the registry is as it was";
    EXPECT_EQ(title, test::WindowText(g_app.mainWindow));
    EXPECT_EQ(1, g_entries.programCount) << "the screen's records are the old ones";
    std::wstring shelved = test::FileNames(UPDATE_REJECTED_FOLDER L"\\*bad.reg.txt");
    ASSERT_NE(L"", shelved);
    std::string findings = test::ReadFileBytes(std::wstring(UPDATE_REJECTED_FOLDER) + L"\\" +
                                               shelved.substr(0, shelved.find(L' ')));
    EXPECT_NE(std::string::npos, findings.find(std::string("bad.reg:"))) << findings;
    EXPECT_NE(std::string::npos, findings.find(row.reason)) << findings;
    EXPECT_NE(std::string::npos,
              Log().find(std::string("UPDATE-REJECTED file=\"bad.reg\" digest=\"")))
        << Log();
    std::error_code ignored;
    std::filesystem::remove_all(UPDATE_REJECTED_FOLDER, ignored);
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(FleetUpdate, AResetAfterTheImportOrDuringTheRollbackIsUndoneAtTheNextStart)
{
  StartWatching();
  std::wstring before = Product();
  // Reset between the import and the check: the registry holds the update.
  g_update.resetAt = UPDATE_RESET_AFTER_IMPORT;
  Push(kGood);
  ASSERT_NE(before, Product());
  g_update.resetAt = UPDATE_RESET_NONE;
  EXPECT_TRUE(FinishInterruptedUpdate());
  EXPECT_EQ(before, Product());
  EXPECT_NE(std::string::npos, Log().find("The device reset while this update was applied"));
  EXPECT_NE(L"", test::FileNames(UPDATE_REJECTED_FOLDER L"\\*_update.reg"));

  // Reset while a refused update is being rolled back: half the keys are back.
  g_registrySnapshot.resetAfterRecords = 3;
  Push(kGood + "\"Mode\"=dwird:1\r\n", L"second.reg");
  ASSERT_NE(before, Product());
  g_registrySnapshot.resetAfterRecords = 0;
  EXPECT_TRUE(FinishInterruptedUpdate());
  EXPECT_EQ(before, Product());
  EXPECT_FALSE(FinishInterruptedUpdate()) << "nothing is left to finish";

  // A saved registry put there by someone else, naming another key and another file, is
  // thrown away: nothing is deleted, nothing is moved.
  test::SetString(HKEY_CURRENT_USER, L"Software\\Other", L"Kept", L"yes");
  test::WriteFileBytes(L"C:\\Application\\other.reg", kGood);
  ASSERT_TRUE(SaveRegistrySnapshot(UPDATE_SNAPSHOT_PATH, L"Software\\Other",
                                   L"\\Application\\other.reg"));
  test::DeleteTree(HKEY_CURRENT_USER, L"Software\\Other");
  test::SetString(HKEY_CURRENT_USER, L"Software\\Other", L"Now", L"here");
  EXPECT_FALSE(FinishInterruptedUpdate());
  std::wstring now;
  EXPECT_TRUE(test::GetString(HKEY_CURRENT_USER, L"Software\\Other", L"Now", &now));
  EXPECT_NE(L"", test::FileNames(L"C:\\Application\\other.reg"));
  EXPECT_EQ(L"", test::FileNames(UPDATE_SNAPSHOT_PATH));
  test::DeleteTree(HKEY_CURRENT_USER, L"Software\\Other");
}

TEST_F(FleetUpdate, AScriptStillBeingWrittenIsTakenOnlyOnceItKeptItsSizeForTwoSeconds)
{
  StartWatching();
  std::wstring path = std::wstring(UPDATE_FOLDER) + L"\\slow.reg";
  test::WriteFileBytes(path, kGood.substr(0, 40));
  TakeUpdates();
  g_app.clockOffset += 1500;
  test::WriteFileBytes(path, kGood.substr(0, 80));
  TakeUpdates();
  g_app.clockOffset += 1500;
  TakeUpdates();
  EXPECT_NE(L"", test::FileNames(path)) << "grew 1.5 s ago: not taken";
  // A writer that holds the file keeps it back even when it has settled.
  test::WriteFileBytes(path, kGood);
  HANDLE held = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  TakeUpdates();
  g_app.clockOffset += UPDATE_SETTLE_MS + 100;
  TakeUpdates();
  EXPECT_NE(L"", test::FileNames(path)) << "held by its writer";
  CloseHandle(held);
  TakeUpdates();
  Pump(50);
  EXPECT_EQ(L"", test::FileNames(path));
  EXPECT_EQ(L"Updated", test::WindowText(g_app.mainWindow));
}

}  // namespace

namespace {

// A storage card's folder is watched only where UpdateKey is set, and every update, the
// internal folder's too, is then taken only with its signature under that key.
TEST_F(FleetUpdate, WithAnUpdateKeyAStorageCardFolderTakesSignedUpdatesOnly)
{
  const std::wstring card = L"C:\\Storage Card\\Updates";
  std::error_code ignored;
  std::filesystem::remove_all(L"C:\\Storage Card", ignored);
  std::filesystem::create_directories(card);
  test::SetString(HKEY_CURRENT_USER, kProduct, L"UpdateFolders", L"\\Storage Card\\Updates\\");
  StartWatching();
  Push(kGood, L"card.reg", card);
  EXPECT_NE(L"", test::FileNames(card + L"\\card.reg")) << "no UpdateKey: the card is not watched";
  Stop();

  PasswordHash key;
  ASSERT_TRUE(CreatePasswordHash(L"fleet passphrase", PASSWORD_MIN_ITERATIONS, &key));
  wchar_t keyText[PASSWORD_HASH_TEXT_CAPACITY];
  ASSERT_TRUE(FormatPasswordHash(&key, keyText, PASSWORD_HASH_TEXT_CAPACITY));
  test::SetString(HKEY_CURRENT_USER, kProduct, L"UpdateKey", keyText);
  StartWatching();
  std::wstring before = Product();
  wchar_t signature[41];
  ASSERT_TRUE(SignUpdateBytes(reinterpret_cast<const BYTE *>(kGood.data()),
                              static_cast<DWORD>(kGood.size()), &key, signature));
  std::string good(signature, signature + 40);
  std::string wrong = good;
  wrong[7] = wrong[7] == '0' ? '1' : '0';
  struct {
    const char *what;
    std::string signature;  // empty: no signature file
    const char *reason;
  } rows[] = {
      {"unsigned", "", "The update is not signed"},
      {"wrongly signed", wrong + "\r\n", "signature does not match"},
  };
  std::filesystem::remove(card + L"\\card.reg");
  for (const auto &row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.signature.empty())
      test::WriteFileBytes(card + L"\\card.reg.sig", row.signature);
    Push(kGood, L"card.reg", card);
    EXPECT_EQ(L"", test::FileNames(card + L"\\card.reg*")) << "taken from the card";
    EXPECT_EQ(before, Product());
    EXPECT_NE(std::string::npos, Log().find(row.reason)) << Log();
  }
  Push(kGood, L"internal.reg");
  EXPECT_EQ(before, Product()) << "the internal folder asks for a signature too";
  test::WriteFileBytes(card + L"\\card.reg.sig", good + "\r\n");
  Push(kGood, L"card.reg", card);
  EXPECT_EQ(L"Updated", test::WindowText(g_app.mainWindow)) << Log();
  EXPECT_NE(L"", test::FileNames(UPDATE_APPLIED_FOLDER L"\\*_card.reg.sig")) << "kept beside it";
}

}  // namespace

namespace {

// After a good update the kept script in \Application holds the whole configuration: a
// cold boot that loses the registry and merges it gets the same keys and values back. The
// device user hears of it where UpdateMessage asks.
TEST_F(FleetUpdate, AfterAGoodUpdateTheKeptScriptBringsTheSameConfigurationBackAfterAColdBoot)
{
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    const wchar_t *kept = family ? L"C:\\Application\\WM_Ferrolt.reg"
                                 : L"C:\\Application\\CE_Ferrolt.reg";
    SCOPED_TRACE(family ? "PocketPC" : "plain CE");
    SetUp();
    test::WriteFileBytes(kept, "REGEDIT4\r\n; the shipped sample\r\n");
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"ForceScreenTop", 0x1A);
    SetBinary(kProfile + L"\\Default\\Settings", L"Colour", "\x01\xff\x10", 3);
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"Quoted",
                    L"say \"hi\" \\Windows\\x.exe \xe9");
    test::SetDword(HKEY_CURRENT_USER, kProduct, L"UpdateMessage", 1);
    StartWatching();
    Push(kGood);
    std::wstring updated = Product();
    ASSERT_NE(std::wstring::npos, updated.find(L"Scanner"));
    ASSERT_EQ(1u, boxes.Count()) << "UpdateMessage asks for the user's message";
    EXPECT_EQ(L"The launcher's configuration was updated.", boxes.Boxes()[0].text);
    Stop();

    test::DeleteTree(HKEY_CURRENT_USER, kProduct);  // the cold boot
    ASSERT_TRUE(LoadRegistryScript(kept));
    EXPECT_FALSE(g_script.failed);
    EXPECT_EQ(updated, Product());
    EXPECT_EQ(L"", test::FileNames(std::wstring(kept) + L".new") + test::FileNames(std::wstring(kept) + L".old"))
        << "nothing left beside it";
    EXPECT_NE(std::string::npos, Log().find("KEPT-SCRIPT file=")) << Log();
  }
}

}  // namespace

namespace {

// A platform message box runs its own loop, which waits on no folder: an update dropped
// while it is open stays where it is, and the launcher's loop takes it once the box is closed.
TEST_F(FleetUpdate, AnUpdateArrivingUnderAPlatformMessageBoxIsTakenOnceTheBoxIsClosed)
{
  StartWatching();
  const std::wstring title = test::WindowText(g_app.mainWindow);
  std::wstring shownUnderTheBox, leftUnderTheBox;
  boxes.Answer(0);  // the box stays open until the timer below closes it
  test::RunLater(100, [] { test::WriteFileBytes(UPDATE_FOLDER L"\\boxed.reg", kGood); });
  test::RunLater(100 + UPDATE_SETTLE_MS + 500, [&] {
    shownUnderTheBox = test::WindowText(g_app.mainWindow);
    leftUnderTheBox = test::FileNames(UPDATE_FOLDER L"\\*.reg");
    HWND box = FindWindowW(L"#32770", L"Platform box");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  MessageBoxW(g_app.mainWindow, L"Open while the update arrives", L"Platform box", MB_OK);
  EXPECT_EQ(title, shownUnderTheBox);
  EXPECT_EQ(L"boxed.reg ", leftUnderTheBox) << "taken while the box was open";

  // The launcher's loop, with the clock moved on past each look's settling time.
  for (DWORD start = GetTickCount();
       test::WindowText(g_app.mainWindow) != L"Updated" && GetTickCount() - start < 5000;
       g_app.clockOffset += UPDATE_SETTLE_MS / 2) {
    if (WaitForLoopMessage())
      Pump(10);
  }
  EXPECT_EQ(L"Updated", test::WindowText(g_app.mainWindow)) << Log();
  EXPECT_NE(L"", test::FileNames(UPDATE_APPLIED_FOLDER L"\\*_boxed.reg"));
}

}  // namespace
