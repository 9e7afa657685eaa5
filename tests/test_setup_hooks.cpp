// The setup extension's hooks, played on the prefix's real files and registry: by loading
// Ostrel.dll and calling the hooks (where message boxes must be answered), and through the
// installer driver for whole installations, removals and reinstallations.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "cecompat/CeSetup.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t INSTALL_FOLDER[] = L"\\Application\\Ferrolt";
const wchar_t PROGRAM[] = L"\\Application\\Ferrolt\\Ferrolt.exe";
const wchar_t CE_SHORTCUT[] = L"\\Windows\\Programs\\Ferrolt.lnk";
const wchar_t WM_SHORTCUT[] = L"\\Windows\\Start Menu\\Programs\\Ferrolt.lnk";
const wchar_t PRODUCT_KEY[] = L"Software\\OrvantLLC\\Ferrolt";
const wchar_t FORMER_PRODUCT_KEY[] = L"Software\\Kelvane\\Ferrolt";
const wchar_t MARKER[] = L"Software\\OrvantLLC\\reinstallLaunch";
const wchar_t FORMER_MARKER[] = L"Software\\Kelvane\\reinstallLaunch";
const wchar_t OLD_APP_KEY[] = L"Software\\Apps\\Kelvane Ferrolt";
const wchar_t DRIVER_APP_KEY[] = L"Software\\Apps\\OrvantLLC Ferrolt";
const wchar_t OLD_APPMGR_FOLDER[] = L"\\Windows\\AppMgr\\Kelvane Ferrolt";
const wchar_t SOFTWARE_STORE[] = L"\\Windows\\SwMgmtMetadataStore.cedb";
const wchar_t SLOW_MERGE_COPY[] = L"\\slow-merge-copy.reg";
const wchar_t MERGE_TOOL[] = L"\\Windows\\Pollex.exe";
const wchar_t PLATFORM_VARIABLE[] = L"FERROLT_PLATFORM_TYPE";
const wchar_t RUNNING_TEXT[] = L"Ferrolt is currently running.\nPlease exit Ferrolt before installing";
const wchar_t REINSTALL_QUESTION[] = L"Ferrolt is already installed.\nPlease confirm that you wish to reinstall";
const char SHORTCUT_TEXT[] = "34#\"\\Application\\Ferrolt\\Ferrolt.exe\"";

const wchar_t *const PACKAGE_FILES[] = {L"CE_Ferrolt.reg", L"WM_Ferrolt.reg", L"FerroltCE.cpy",
                                        L"FerroltWM.cpy",  L"Ferrolt.txt",    L"Ferrolt.lnk"};

// The copies and the shortcut of one platform variant.
struct Variant {
  const wchar_t *platformType;  // value of the platform variable; empty: unset
  const wchar_t *script, *keptScript, *copyNote, *keptCopyNote, *shortcut;
  const wchar_t *otherKeptScript, *otherKeptCopyNote, *otherShortcut;
  DWORD fullScreen;  // what the shipped script of the variant sets
};

const Variant PLAIN_CE = {L"",
                          L"CE_Ferrolt.reg",
                          L"\\Application\\CE_Ferrolt.reg",
                          L"FerroltCE.cpy",
                          L"\\Application\\FerroltCE.cpy",
                          CE_SHORTCUT,
                          L"\\Application\\WM_Ferrolt.reg",
                          L"\\Application\\FerroltWM.cpy",
                          WM_SHORTCUT,
                          0};
const Variant WINDOWS_MOBILE = {L"PocketPC",
                                L"WM_Ferrolt.reg",
                                L"\\Application\\WM_Ferrolt.reg",
                                L"FerroltWM.cpy",
                                L"\\Application\\FerroltWM.cpy",
                                WM_SHORTCUT,
                                L"\\Application\\CE_Ferrolt.reg",
                                L"\\Application\\FerroltCE.cpy",
                                CE_SHORTCUT,
                                1};

struct Hooks {
  HMODULE module = nullptr;
  pfnINSTALL_INIT installInit = nullptr;
  pfnINSTALL_EXIT installExit = nullptr;
  pfnUNINSTALL_INIT uninstallInit = nullptr;
  pfnUNINSTALL_EXIT uninstallExit = nullptr;
};

Hooks g_hooks;

bool Exists(const std::wstring &path)
{
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolders(const std::wstring &path)
{
  for (size_t slash = path.find(L'\\', 1); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

void CreateEmptyKey(HKEY root, const wchar_t *path)
{
  HKEY key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

void PutFile(const std::wstring &path, const std::string &bytes)
{
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  test::WriteFileBytes(path, bytes);
}

void RemoveFolder(const std::wstring &folder)
{
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolder(folder + L"\\" + name);
      else
        DeleteFileW((folder + L"\\" + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

std::vector<std::wstring> FolderEntries(const std::wstring &folder)
{
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string PackageFile(const wchar_t *name)
{
  return test::ReadFileBytes(test::SourceDir() + L"setup\\package\\" + name);
}

// Every key and value of a tree as text, one line each, in a fixed order.
void DumpTree(HKEY root, const std::wstring &path, std::wstring *out)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  *out += L"[" + path + L"]\n";
  std::vector<std::wstring> lines;
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD nameLength = 512, type = 0, size = 4096;
    BYTE data[4096];
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    std::wstring line = std::wstring(name) + L"=" + std::to_wstring(type) + L":";
    for (DWORD b = 0; b < size; ++b)
      line += L"0123456789abcdef"[data[b] >> 4], line += L"0123456789abcdef"[data[b] & 15];
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  for (const std::wstring &line : lines)
    *out += line + L"\n";
  std::vector<std::wstring> subKeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD nameLength = 512;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subKeys.push_back(name);
  }
  RegCloseKey(key);
  std::sort(subKeys.begin(), subKeys.end());
  for (const std::wstring &subKey : subKeys)
    DumpTree(root, path + L"\\" + subKey, out);
}

std::wstring ConfigurationDump()
{
  std::wstring dump;
  DumpTree(HKEY_CURRENT_USER, PRODUCT_KEY, &dump);
  DumpTree(HKEY_CURRENT_USER, FORMER_PRODUCT_KEY, &dump);
  return dump;
}

bool WaitFor(const std::function<bool()> &condition, DWORD timeoutMs)
{
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs)
      return false;
    Sleep(50);
  }
  return true;
}

// The last key the shipped scripts write: once it is there the merge is through.
bool SampleMerged()
{
  std::wstring name;
  return test::GetString(HKEY_CURRENT_USER,
                         std::wstring(PRODUCT_KEY) + L"\\Profiles\\Warehouse\\Tools\\Programs\\Prog2", L"Name",
                         &name);
}

void CleanDevice()
{
  test::ClearLauncherRegistry();
  test::DeleteTree(HKEY_LOCAL_MACHINE, OLD_APP_KEY);
  test::DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_APP_KEY);
  RemoveFolder(INSTALL_FOLDER);
  RemoveFolder(OLD_APPMGR_FOLDER);
  RemoveFolder(L"\\Application\\OtherApp");
  for (const wchar_t *file :
       {L"\\Application\\CE_Ferrolt.reg", L"\\Application\\WM_Ferrolt.reg", L"\\Application\\FerroltCE.cpy",
        L"\\Application\\FerroltWM.cpy", L"\\Application\\keep.txt", L"\\keep-root.txt", CE_SHORTCUT, WM_SHORTCUT,
        SOFTWARE_STORE, SLOW_MERGE_COPY})
    DeleteFileW(file);
}

// The package as the installer leaves it before the exit hook: program and package data.
void PlacePackage()
{
  PutFile(PROGRAM, "MZ stand-in program");
  for (const wchar_t *name : PACKAGE_FILES)
    PutFile(std::wstring(INSTALL_FOLDER) + L"\\" + name, PackageFile(name));
}

// The state a finished installation of the variant leaves.
void PlaceInstalledLauncher(const Variant &variant)
{
  PutFile(PROGRAM, "MZ stand-in program");
  PutFile(std::wstring(INSTALL_FOLDER) + L"\\Ferrolt.txt", SHORTCUT_TEXT);
  PutFile(variant.keptScript, PackageFile(variant.script));
  PutFile(variant.keptCopyNote, PackageFile(variant.copyNote));
  PutFile(variant.shortcut, SHORTCUT_TEXT);
}

void SeedAdministratorsProfile(const std::wstring &productKey)
{
  test::SetString(HKEY_CURRENT_USER, productKey, L"ActiveProfile", L"Dock");
  test::SetDword(HKEY_CURRENT_USER, productKey + L"\\Profiles\\Dock", L"FullScreen", 1);
  test::SetString(HKEY_CURRENT_USER, productKey + L"\\Profiles\\Dock\\Default\\Settings", L"Mode", L"Menu Bars");
  test::SetString(HKEY_CURRENT_USER, productKey + L"\\Profiles\\Dock\\Default\\Programs\\Prog1", L"Name",
                  L"\\Windows\\dock.exe");
}

int RunDriver(const std::wstring &arguments, const wchar_t *platformType)
{
  DWORD exitCode = 999;
  bool ended = test::RunProcess(L"\"" + test::BuildDir() + L"CabDriver.exe\" " + arguments, 60000, &exitCode,
                                PLATFORM_VARIABLE, platformType);
  return ended ? static_cast<int>(exitCode) : -1;
}

std::wstring PackageArgument()
{
  return L"\"" + test::SourceDir() + L"setup\\package\"";
}

// A cabinet that test_package_cabinets left in the build folder.
std::wstring CabinetArgument(const std::wstring &name)
{
  return L"\"" + test::BuildDir() + L"cabinets\\" + name + L"\"";
}

class SetupHooks : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    g_hooks.module = LoadLibraryW((test::BuildDir() + L"Ostrel.dll").c_str());
    ASSERT_NE(nullptr, g_hooks.module) << "Ostrel.dll not found in the build folder";
    g_hooks.installInit = reinterpret_cast<pfnINSTALL_INIT>(GetProcAddress(g_hooks.module, "Install_Init"));
    g_hooks.installExit = reinterpret_cast<pfnINSTALL_EXIT>(GetProcAddress(g_hooks.module, "Install_Exit"));
    g_hooks.uninstallInit =
        reinterpret_cast<pfnUNINSTALL_INIT>(GetProcAddress(g_hooks.module, "Uninstall_Init"));
    g_hooks.uninstallExit =
        reinterpret_cast<pfnUNINSTALL_EXIT>(GetProcAddress(g_hooks.module, "Uninstall_Exit"));
  }

  void SetUp() override
  {
    ASSERT_NE(nullptr, g_hooks.installInit);
    ASSERT_NE(nullptr, g_hooks.installExit);
    ASSERT_NE(nullptr, g_hooks.uninstallInit);
    ASSERT_NE(nullptr, g_hooks.uninstallExit);
    CleanDevice();
    // A test may have put another merge tool in its place.
    CopyFileW((test::BuildDir() + L"Pollex.exe").c_str(), MERGE_TOOL, FALSE);
  }

  void TearDown() override { CleanDevice(); }
};

TEST_F(SetupHooks, RunningLauncherBlocksInstallWhateverTheFlags)
{
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FerroltClass";
  ASSERT_NE(0, RegisterClassW(&windowClass));
  HWND launcher = CreateWindowW(L"FerroltClass", L"Ferrolt", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, launcher);
  PlaceInstalledLauncher(PLAIN_CE);

  for (BOOL first : {FALSE, TRUE}) {
    for (BOOL previous : {FALSE, TRUE}) {
      SCOPED_TRACE(testing::Message() << "first " << first << ", previous " << previous);
      test::BoxAnswerer boxes;
      EXPECT_EQ(codeINSTALL_INIT_CANCEL, g_hooks.installInit(nullptr, first, previous, INSTALL_FOLDER));
      ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
      EXPECT_EQ(L"Ferrolt", boxes.Boxes()[0].caption);
      EXPECT_EQ(RUNNING_TEXT, boxes.Boxes()[0].text);
      EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, MARKER));
      EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, FORMER_MARKER));
    }
  }
  DestroyWindow(launcher);
  UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));

  // Without the window the same call goes on.
  test::BoxAnswerer boxes;
  EXPECT_EQ(codeINSTALL_INIT_CONTINUE, g_hooks.installInit(nullptr, FALSE, FALSE, INSTALL_FOLDER));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(SetupHooks, ProgramWithoutItsShortcutCountsAsNotInstalled)
{
  // The shortcut of the other variant does not count either.
  for (const Variant *variant : {&PLAIN_CE, &WINDOWS_MOBILE}) {
    SCOPED_TRACE(testing::Message() << "platform '" << variant->platformType << "'");
    test::ScopedEnv platform(PLATFORM_VARIABLE, variant->platformType);
    PutFile(PROGRAM, "MZ");
    PutFile(variant->otherShortcut, SHORTCUT_TEXT);
    DeleteFileW(variant->shortcut);
    test::BoxAnswerer boxes;
    EXPECT_EQ(codeINSTALL_INIT_CONTINUE, g_hooks.installInit(nullptr, TRUE, FALSE, INSTALL_FOLDER));
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, MARKER));
    CleanDevice();
  }
}

TEST_F(SetupHooks, InstallOverAnInstalledLauncherAsksOrMarksAReinstall)
{
  const struct {
    const wchar_t *platformType;
    BOOL first, previous;
    bool formerProfiles;
    int answer;  // 0: no box expected
    codeINSTALL_INIT result;
    const wchar_t *marker;  // the marker expected afterwards, or null
  } cases[] = {
      {L"", TRUE, FALSE, false, IDNO, codeINSTALL_INIT_CANCEL, nullptr},
      {L"", TRUE, FALSE, false, IDYES, codeINSTALL_INIT_CONTINUE, nullptr},
      {L"pocketpc2003", TRUE, FALSE, false, IDNO, codeINSTALL_INIT_CANCEL, nullptr},
      {L"POCKETPC", TRUE, FALSE, true, IDYES, codeINSTALL_INIT_CONTINUE, nullptr},
      {L"", FALSE, FALSE, false, 0, codeINSTALL_INIT_CONTINUE, nullptr},
      {L"", FALSE, TRUE, false, 0, codeINSTALL_INIT_CONTINUE, nullptr},
      {L"", TRUE, TRUE, false, 0, codeINSTALL_INIT_CONTINUE, MARKER},
      {L"", TRUE, TRUE, true, 0, codeINSTALL_INIT_CONTINUE, FORMER_MARKER},
      {L"PocketPC", TRUE, TRUE, false, 0, codeINSTALL_INIT_CONTINUE, MARKER},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "platform '" << c.platformType << "', first " << c.first << ", previous "
                                    << c.previous << ", former profiles " << c.formerProfiles << ", answer "
                                    << c.answer);
    test::ScopedEnv platform(PLATFORM_VARIABLE, c.platformType);
    bool mobile = c.platformType[0] != 0;
    PlaceInstalledLauncher(mobile ? WINDOWS_MOBILE : PLAIN_CE);
    if (c.formerProfiles)
      SeedAdministratorsProfile(FORMER_PRODUCT_KEY);
    test::BoxAnswerer boxes;
    if (c.answer != 0)
      boxes.Answer(c.answer);
    EXPECT_EQ(c.result, g_hooks.installInit(nullptr, c.first, c.previous, INSTALL_FOLDER));
    if (c.answer != 0) {
      ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
      EXPECT_EQ(L"Ferrolt", boxes.Boxes()[0].caption);
      EXPECT_EQ(REINSTALL_QUESTION, boxes.Boxes()[0].text);
    } else {
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    }
    EXPECT_EQ(c.marker != nullptr && std::wstring(c.marker) == MARKER, test::KeyPresent(HKEY_CURRENT_USER, MARKER));
    EXPECT_EQ(c.marker != nullptr && std::wstring(c.marker) == FORMER_MARKER,
              test::KeyPresent(HKEY_CURRENT_USER, FORMER_MARKER));
    CleanDevice();
  }
}

TEST_F(SetupHooks, RemovalDuringAReinstallRemovesNothing)
{
  for (const wchar_t *marker : {MARKER, FORMER_MARKER}) {
    SCOPED_TRACE(testing::Message() << "marker " << std::string(marker, marker + wcslen(marker)));
    PlaceInstalledLauncher(PLAIN_CE);
    SeedAdministratorsProfile(PRODUCT_KEY);
    CreateEmptyKey(HKEY_CURRENT_USER, marker);
    std::wstring before = ConfigurationDump();
    std::vector<std::wstring> files = FolderEntries(INSTALL_FOLDER);

    EXPECT_EQ(codeUNINSTALL_INIT_CONTINUE, g_hooks.uninstallInit(nullptr, INSTALL_FOLDER));
    EXPECT_EQ(codeUNINSTALL_EXIT_DONE, g_hooks.uninstallExit(nullptr));

    EXPECT_EQ(before, ConfigurationDump());
    EXPECT_EQ(files, FolderEntries(INSTALL_FOLDER));
    EXPECT_TRUE(Exists(PLAIN_CE.keptScript));
    EXPECT_TRUE(Exists(PLAIN_CE.keptCopyNote));
    EXPECT_TRUE(Exists(PLAIN_CE.shortcut));
    EXPECT_TRUE(test::KeyPresent(HKEY_CURRENT_USER, marker));
    CleanDevice();
  }
}

TEST_F(SetupHooks, RemovalDeletesTheLaunchersFolderAndNothingBesideIt)
{
  // Both variants' copies are on the device; only the running variant's go, and its
  // shortcut only together with its copy note.
  const struct {
    const Variant *variant;
    bool copyNotePresent;
  } cases[] = {{&PLAIN_CE, true}, {&WINDOWS_MOBILE, true}, {&WINDOWS_MOBILE, false}};
  for (const auto &c : cases) {
    const Variant &variant = *c.variant;
    SCOPED_TRACE(testing::Message() << "platform '" << variant.platformType << "', copy note "
                                    << c.copyNotePresent);
    test::ScopedEnv platform(PLATFORM_VARIABLE, variant.platformType);
    PlaceInstalledLauncher(PLAIN_CE);
    PlaceInstalledLauncher(WINDOWS_MOBILE);
    if (!c.copyNotePresent)
      DeleteFileW(variant.keptCopyNote);
    PutFile(L"\\Application\\Ferrolt\\Logs\\Old\\run.log", "log");
    MakeFolders(L"\\Application\\Ferrolt\\Empty");
    PutFile(L"\\Application\\OtherApp\\keep.txt", "other program");
    PutFile(L"\\Application\\keep.txt", "sibling");
    PutFile(L"\\keep-root.txt", "root");
    SeedAdministratorsProfile(PRODUCT_KEY);
    SeedAdministratorsProfile(FORMER_PRODUCT_KEY);
    test::SetString(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Other", L"Keep", L"yes");

    EXPECT_EQ(codeUNINSTALL_INIT_CONTINUE, g_hooks.uninstallInit(nullptr, INSTALL_FOLDER));
    EXPECT_EQ(codeUNINSTALL_EXIT_DONE, g_hooks.uninstallExit(nullptr));

    EXPECT_FALSE(Exists(INSTALL_FOLDER));
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, PRODUCT_KEY));
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, FORMER_PRODUCT_KEY));
    EXPECT_TRUE(test::KeyPresent(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Other"));
    EXPECT_FALSE(Exists(variant.keptScript));
    EXPECT_FALSE(Exists(variant.keptCopyNote));
    EXPECT_EQ(!c.copyNotePresent, Exists(variant.shortcut));
    EXPECT_TRUE(Exists(variant.otherKeptScript));
    EXPECT_TRUE(Exists(variant.otherKeptCopyNote));
    EXPECT_TRUE(Exists(variant.otherShortcut));
    EXPECT_EQ("other program", test::ReadFileBytes(L"\\Application\\OtherApp\\keep.txt"));
    EXPECT_EQ("sibling", test::ReadFileBytes(L"\\Application\\keep.txt"));
    EXPECT_EQ("root", test::ReadFileBytes(L"\\keep-root.txt"));
    EXPECT_TRUE(Exists(L"\\Windows\\system32"));
    CleanDevice();
  }
}

TEST_F(SetupHooks, InstallOverExistingProfilesNeitherMergesNorDeletes)
{
  const struct {
    const wchar_t *productKey;
    bool keptScriptEdited;
  } cases[] = {{PRODUCT_KEY, false}, {FORMER_PRODUCT_KEY, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "layout " << (c.productKey == PRODUCT_KEY ? "current" : "former")
                                    << ", kept script edited " << c.keptScriptEdited);
    PlacePackage();
    SeedAdministratorsProfile(c.productKey);
    CreateEmptyKey(HKEY_CURRENT_USER, MARKER);
    CreateEmptyKey(HKEY_CURRENT_USER, FORMER_MARKER);
    if (c.keptScriptEdited)
      PutFile(PLAIN_CE.keptScript, "REGEDIT4\r\n; edited by the administrator\r\n");
    PutFile(PLAIN_CE.keptCopyNote, "stale copy note");
    std::wstring before = ConfigurationDump();

    test::BoxAnswerer boxes;
    EXPECT_EQ(codeINSTALL_INIT_CONTINUE, g_hooks.installInit(nullptr, TRUE, FALSE, INSTALL_FOLDER));
    EXPECT_EQ(codeINSTALL_EXIT_DONE, g_hooks.installExit(nullptr, INSTALL_FOLDER, 0, 0, 0, 0, 0));
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

    // The merge tool would have written the sample profile by now.
    EXPECT_FALSE(WaitFor(SampleMerged, 1000));
    EXPECT_EQ(before, ConfigurationDump());
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, MARKER));
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, FORMER_MARKER));
    EXPECT_EQ(c.keptScriptEdited ? "REGEDIT4\r\n; edited by the administrator\r\n" : PackageFile(PLAIN_CE.script),
              test::ReadFileBytes(PLAIN_CE.keptScript));
    EXPECT_EQ(PackageFile(PLAIN_CE.copyNote), test::ReadFileBytes(PLAIN_CE.keptCopyNote));
    EXPECT_EQ(SHORTCUT_TEXT, test::ReadFileBytes(PLAIN_CE.shortcut));
    EXPECT_FALSE(Exists(WINDOWS_MOBILE.keptScript));
    EXPECT_FALSE(Exists(WINDOWS_MOBILE.shortcut));
    EXPECT_EQ((std::vector<std::wstring>{L"Ferrolt.exe", L"Ferrolt.txt"}), FolderEntries(INSTALL_FOLDER));
    CleanDevice();
  }
}

TEST_F(SetupHooks, SlowMergeToolStillReadsTheShippedScript)
{
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"tests\\slow_merge_tool.exe").c_str(), MERGE_TOOL, FALSE));
  PlacePackage();

  test::BoxAnswerer boxes;
  EXPECT_EQ(codeINSTALL_INIT_CONTINUE, g_hooks.installInit(nullptr, TRUE, FALSE, INSTALL_FOLDER));
  EXPECT_EQ(codeINSTALL_EXIT_DONE, g_hooks.installExit(nullptr, INSTALL_FOLDER, 0, 0, 0, 0, 0));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  EXPECT_TRUE(WaitFor([] { return Exists(SLOW_MERGE_COPY); }, 5000)) << "the tool found no script to read";
  EXPECT_EQ(PackageFile(PLAIN_CE.script), test::ReadFileBytes(SLOW_MERGE_COPY));
  EXPECT_EQ((std::vector<std::wstring>{L"Ferrolt.exe", L"Ferrolt.txt"}), FolderEntries(INSTALL_FOLDER));
}

TEST_F(SetupHooks, OlderInstallationIsRemovedWithItsRecordOnWindowsMobile)
{
  const std::string store =
      "7\tOther App\tKelvane Ferrolt\n"
      "12\tKelvane Ferrolt\t1.0\n"
      "15\tKelvane Ferrolt\t2.0\n"
      "20\tkelvane ferrolt\n";
  const std::string storeWithoutFirst =
      "7\tOther App\tKelvane Ferrolt\n"
      "15\tKelvane Ferrolt\t2.0\n"
      "20\tkelvane ferrolt\n";
  const struct {
    const wchar_t *platformType;
    bool registered;
    const std::string &storeAfter;
  } cases[] = {
      {L"PocketPC", true, storeWithoutFirst},
      {L"", true, store},
      {L"PocketPC", false, store},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "platform '" << c.platformType << "', registered " << c.registered);
    test::ScopedEnv platform(PLATFORM_VARIABLE, c.platformType);
    PlacePackage();
    SeedAdministratorsProfile(PRODUCT_KEY);
    if (c.registered)
      test::SetDword(HKEY_LOCAL_MACHINE, std::wstring(OLD_APP_KEY) + L"\\Files", L"Count", 3);
    PutFile(std::wstring(OLD_APPMGR_FOLDER) + L"\\Kelvane Ferrolt.dat", "old");
    PutFile(std::wstring(OLD_APPMGR_FOLDER) + L"\\Setup\\old.dll", "old");
    PutFile(L"\\Windows\\AppMgr\\Other.dat", "other");
    PutFile(SOFTWARE_STORE, store);

    EXPECT_EQ(codeINSTALL_INIT_CONTINUE, g_hooks.installInit(nullptr, TRUE, FALSE, INSTALL_FOLDER));
    EXPECT_EQ(codeINSTALL_EXIT_DONE, g_hooks.installExit(nullptr, INSTALL_FOLDER, 0, 0, 0, 0, 0));

    EXPECT_EQ(c.storeAfter, test::ReadFileBytes(SOFTWARE_STORE));
    EXPECT_EQ(!c.registered, Exists(OLD_APPMGR_FOLDER));
    EXPECT_FALSE(test::KeyPresent(HKEY_LOCAL_MACHINE, OLD_APP_KEY));
    EXPECT_EQ("other", test::ReadFileBytes(L"\\Windows\\AppMgr\\Other.dat"));
    DeleteFileW(L"\\Windows\\AppMgr\\Other.dat");
    CleanDevice();
  }
}

// From the package folder and from the desktop cabinet alike: the same files, registry and
// shortcut.
TEST_F(SetupHooks, FreshInstallMergesTheSampleAndRemovalLeavesNothing)
{
  ASSERT_TRUE(Exists(L"\\Windows\\Pollex.exe")) << "the registry-merge tool is not in the build folder";
  for (const Variant *variant : {&PLAIN_CE, &WINDOWS_MOBILE}) {
    std::wstring folderInstall;
    for (const std::wstring &package : {PackageArgument(), CabinetArgument(L"Ferrolt.Desktop.cab")}) {
      SCOPED_TRACE(testing::Message() << "platform '" << variant->platformType << "', "
                                      << std::string(package.begin(), package.end()));
      ASSERT_EQ(0, RunDriver(L"/install " + package, variant->platformType));

      ASSERT_TRUE(WaitFor(SampleMerged, 15000)) << "the shipped configuration was not merged";
      DWORD fullScreen = 99;
      EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, std::wstring(PRODUCT_KEY) + L"\\Profiles\\Warehouse",
                                 L"FullScreen", &fullScreen));
      EXPECT_EQ(variant->fullScreen, fullScreen);
      EXPECT_EQ((std::vector<std::wstring>{L"Ferrolt.exe", L"Ferrolt.txt", L"header.bmp"}), FolderEntries(INSTALL_FOLDER));
      EXPECT_EQ(test::ReadFileBytes(test::BuildDir() + L"Ferrolt.exe"), test::ReadFileBytes(PROGRAM));
      EXPECT_EQ(PackageFile(variant->script), test::ReadFileBytes(variant->keptScript));
      EXPECT_EQ(PackageFile(variant->copyNote), test::ReadFileBytes(variant->keptCopyNote));
      EXPECT_EQ(SHORTCUT_TEXT, test::ReadFileBytes(variant->shortcut));
      EXPECT_FALSE(Exists(variant->otherKeptScript));
      EXPECT_FALSE(Exists(variant->otherKeptCopyNote));
      EXPECT_FALSE(Exists(variant->otherShortcut));
      Sleep(300);
      if (folderInstall.empty())
        folderInstall = ConfigurationDump();
      else
        EXPECT_EQ(folderInstall, ConfigurationDump());

      ASSERT_EQ(0, RunDriver(L"/uninstall", variant->platformType));

      EXPECT_FALSE(Exists(INSTALL_FOLDER));
      EXPECT_FALSE(Exists(variant->keptScript));
      EXPECT_FALSE(Exists(variant->keptCopyNote));
      EXPECT_FALSE(Exists(variant->shortcut));
      EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, PRODUCT_KEY));
      EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, FORMER_PRODUCT_KEY));
      EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, MARKER));
      EXPECT_FALSE(test::KeyPresent(HKEY_LOCAL_MACHINE, DRIVER_APP_KEY));
      EXPECT_TRUE(Exists(L"\\Application"));
      CleanDevice();
    }
  }
}

// Runs the driver with its output going to a file, which comes back in `output`.
int RunDriverCapturing(const std::wstring &arguments, std::string *output)
{
  wchar_t folder[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"cdo", 0, path);
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::wstring line = L"\"" + test::BuildDir() + L"CabDriver.exe\" " + arguments;
  DWORD exitCode = 999;
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 998);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  *output = test::ReadFileBytes(path);
  DeleteFileW(path);
  return static_cast<int>(exitCode);
}

// Every file below a folder with its bytes, one line each, in a fixed order.
void DumpFolder(const std::wstring &folder, std::wstring *out)
{
  for (const std::wstring &name : FolderEntries(folder)) {
    std::wstring path = folder + L"\\" + name;
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      *out += path + L"\\\n";
      DumpFolder(path, out);
    } else {
      std::string bytes = test::ReadFileBytes(path);
      *out += path + L" " + std::to_wstring(bytes.size()) + L" " + std::to_wstring(std::hash<std::string>()(bytes)) +
              L"\n";
    }
  }
}

// What an installation can touch: the application folders, the Start menu, the
// configuration, the test keys, the installer's record and the reinstall markers.
std::wstring DeviceState()
{
  std::wstring state;
  for (const wchar_t *folder : {L"\\Application", L"\\Windows\\Start Menu", L"\\Windows\\Programs"})
    DumpFolder(folder, &state);
  state += ConfigurationDump();
  for (const wchar_t *key : {L"Software\\FerroltCabinetTest", MARKER, FORMER_MARKER})
    DumpTree(HKEY_CURRENT_USER, key, &state);
  DumpTree(HKEY_LOCAL_MACHINE, DRIVER_APP_KEY, &state);
  return state;
}

std::vector<std::wstring> LeftSetupLibraries()
{
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::vector<std::wstring> left;
  for (const std::wstring &name : FolderEntries(folder))
    if (name.compare(0, 10, L"CabDriver-") == 0)
      left.push_back(name);
  return left;
}

// Over an installed launcher, every hostile cabinet is refused before anything is written,
// or undone after a failure part-way, and the device is exactly as before.
TEST_F(SetupHooks, HostileCabinetsLeaveTheDeviceExactlyAsItWas)
{
  ASSERT_EQ(0, RunDriver(L"/install " + CabinetArgument(L"Ferrolt.Desktop.cab"), L""));
  ASSERT_TRUE(WaitFor(SampleMerged, 15000)) << "the shipped configuration was not merged";
  Sleep(300);
  // A folder where the shortcut of extras.cab goes: its last step fails.
  const wchar_t BLOCKED_SHORTCUT[] = L"\\Windows\\Start Menu\\Ferrolt Kiosk.lnk";
  MakeFolders(BLOCKED_SHORTCUT);
  const std::wstring before = DeviceState();

  const struct {
    const wchar_t *cabinet;
    int exitCode;
    const char *reason;
  } cases[] = {
      {L"damaged\\cut-cabinet.cab", 4, "is not a cabinet"},
      {L"damaged\\no-such.cab", 4, "cannot be opened"},
      {L"damaged\\missing-file.cab", 4, "which the cabinet lacks"},
      {L"damaged\\header-offset.cab", 4, "a section lies outside it"},
      {L"damaged\\header-cut.cab", 4, "its length is not the length it gives"},
      {L"damaged\\old-layout.cab", 4, "name lies outside it"},
      {L"damaged\\header-path.cab", 4, "a character a file name cannot hold"},
      {L"damaged\\trailing-dot-blank.cab", 4, "file 4 (\"Ferrolt.exe. \") is refused: it ends in a dot or a blank"},
      {L"damaged\\trailing-dot.cab", 4, "file 6 (\"Ferrolt.txt.\") is refused: it ends in a dot or a blank"},
      {L"damaged\\only-dots.cab", 4, "file 6 (\"...\") is refused: it is made only of dots and blanks"},
      {L"damaged\\dot-blank.cab", 4, "file 6 (\". \") is refused: it is made only of dots and blanks"},
      {L"damaged\\device-nul.cab", 4, "file 6 (\"NUL\") is refused: it is a device name"},
      {L"damaged\\device-con-extension.cab", 4, "file 7 (\"con.lnk\") is refused: it is a device name"},
      {L"damaged\\device-com1.cab", 4, "file 8 (\"COM1\") is refused: it is a device name"},
      {L"damaged\\device-lpt9-extension.cab", 4, "file 8 (\"lpt9.bmp\") is refused: it is a device name"},
      {L"damaged\\same-file-other-case.cab", 4, "file 6 (\"ferrolt.EXE\") names the same file as file 1"},
      {L"damaged\\folder-of-dots.cab", 4, "folder 1 is refused: its part \"...\" is refused"},
      {L"damaged\\folder-device.cab", 4, "folder 1 is refused: its part \"AUX\" is refused: it is a device name"},
      {L"damaged\\string-number-zero.cab", 4, "has number 0"},
      {L"damaged\\list-with-zero.cab", 4, "folder 1 runs past the end of the header or holds a 0 in its list"},
      {L"damaged\\multi-string-unterminated.cab", 4, "\"List\" of key \"Software\\FerroltCabinetTest\\Values\" is "
                                                     "refused: its list of texts lacks the final double terminator"},
      {L"damaged\\string-with-zero.cab", 4, "\"Greeting\" of key \"Software\\FerroltCabinetTest\\Values\" is "
                                            "refused: its text holds a 0"},
      {L"damaged\\no-hooks.cab", 3, "lacks one of the setup hooks"},
      // Files placed, registry values set, then the shortcut cannot be made.
      {L"extras.cab", 5, "cannot make the shortcut"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.cabinet, c.cabinet + wcslen(c.cabinet)));
    std::string output;
    EXPECT_EQ(c.exitCode, RunDriverCapturing(L"/install " + CabinetArgument(c.cabinet), &output));
    EXPECT_NE(std::string::npos, output.find(c.reason)) << output;
    EXPECT_EQ(before, DeviceState());
    EXPECT_EQ(std::vector<std::wstring>(), LeftSetupLibraries());
  }
  RemoveDirectoryW(BLOCKED_SHORTCUT);
}

TEST_F(SetupHooks, CabinetHeaderValuesAndShortcutsArePlacedAndTheShortcutRemoved)
{
  const wchar_t KEY[] = L"Software\\FerroltCabinetTest";
  const wchar_t SHORTCUT[] = L"\\Windows\\Start Menu\\Ferrolt Kiosk.lnk";
  ASSERT_EQ(0, RunDriver(L"/install " + CabinetArgument(L"extras.cab"), L""));
  std::wstring greeting;
  DWORD count = 0;
  EXPECT_TRUE(test::GetString(HKEY_CURRENT_USER, std::wstring(KEY) + L"\\Values", L"Greeting", &greeting));
  EXPECT_EQ(L"hello there", greeting);
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, std::wstring(KEY) + L"\\Values", L"Count", &count));
  EXPECT_EQ(7u, count);
  EXPECT_EQ(SHORTCUT_TEXT, test::ReadFileBytes(SHORTCUT));
  ASSERT_EQ(0, RunDriver(L"/uninstall", L""));
  EXPECT_FALSE(Exists(SHORTCUT));
  test::DeleteTree(HKEY_CURRENT_USER, KEY);
}


TEST_F(SetupHooks, ReinstallKeepsTheAdministratorsConfigurationByteForByte)
{
  ASSERT_TRUE(Exists(L"\\Windows\\Pollex.exe")) << "the registry-merge tool is not in the build folder";
  ASSERT_EQ(0, RunDriver(L"/install " + PackageArgument(), L""));
  ASSERT_TRUE(WaitFor(SampleMerged, 15000)) << "the shipped configuration was not merged";
  Sleep(300);

  // The administrator adapts the configuration and the kept script.
  test::SetString(HKEY_CURRENT_USER, PRODUCT_KEY, L"ActiveProfile", L"Dock");
  test::SetDword(HKEY_CURRENT_USER, std::wstring(PRODUCT_KEY) + L"\\Profiles\\Warehouse", L"FullScreen", 1);
  test::DeleteTree(HKEY_CURRENT_USER, std::wstring(PRODUCT_KEY) + L"\\Profiles\\Warehouse\\Tools");
  SeedAdministratorsProfile(PRODUCT_KEY);
  const std::string editedScript = "REGEDIT4\r\n\r\n; the dock's own configuration\r\n";
  PutFile(PLAIN_CE.keptScript, editedScript);
  std::wstring before = ConfigurationDump();

  ASSERT_EQ(0, RunDriver(L"/install " + PackageArgument(), L""));
  // A merge, had it been started, would bring the deleted "Tools" configuration back.
  EXPECT_FALSE(WaitFor(SampleMerged, 1000));

  EXPECT_EQ(before, ConfigurationDump());
  EXPECT_EQ(editedScript, test::ReadFileBytes(PLAIN_CE.keptScript));
  EXPECT_EQ(SHORTCUT_TEXT, test::ReadFileBytes(PLAIN_CE.shortcut));
  EXPECT_EQ(PackageFile(PLAIN_CE.copyNote), test::ReadFileBytes(PLAIN_CE.keptCopyNote));
  EXPECT_EQ((std::vector<std::wstring>{L"Ferrolt.exe", L"Ferrolt.txt", L"header.bmp"}), FolderEntries(INSTALL_FOLDER));
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, MARKER));
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, FORMER_MARKER));
}

TEST_F(SetupHooks, DriverRefusesAWrongCommandLine)
{
  for (const wchar_t *arguments : {L"", L"/install", L"/first:2 /uninstall", L"/bogus"})
    EXPECT_EQ(2, RunDriver(arguments, L"")) << std::string(arguments, arguments + wcslen(arguments));
  EXPECT_FALSE(Exists(INSTALL_FOLDER));
}

}  // namespace
