// The launcher's ARM image run by ce-run in every presentation mode, started with a profile
// named on its command line: the labels read back from the host side of the real list view
// or menu bars, the keys and taps a person uses, a protected screen left by the exit
// password, and configuration updates dropped into the update folder of a running launcher.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/device/DeviceRun.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/SampleWalk.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t kMarker[] = L"C:\\device_modes_marker.txt";
const std::wstring kProfiles = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\";
const std::wstring kHome = kProfiles + L"Warehouse\\Default\\Settings";

// A place in another process's memory for the list view's records and text.
class RemoteBuffer {
public:
  explicit RemoteBuffer(HWND window)
  {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (process_ != nullptr)
      at_ = static_cast<char *>(VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBuffer()
  {
    if (at_ != nullptr)
      VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    if (process_ != nullptr)
      CloseHandle(process_);
  }
  char *At(size_t offset) const { return at_ + offset; }
  void Put(size_t offset, const void *data, size_t size) { WriteProcessMemory(process_, at_ + offset, data, size, nullptr); }
  void Get(size_t offset, void *data, size_t size) const { ReadProcessMemory(process_, at_ + offset, data, size, nullptr); }
  bool Ok() const { return at_ != nullptr; }

private:
  HANDLE process_ = nullptr;
  char *at_ = nullptr;
};

std::vector<std::wstring> ListLabels(HWND list)
{
  RemoteBuffer remote(list);
  std::vector<std::wstring> labels;
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; remote.Ok() && i < count; ++i) {
    LVITEMW item = {};
    item.pszText = reinterpret_cast<LPWSTR>(remote.At(512));
    item.cchTextMax = 256;
    remote.Put(0, &item, sizeof item);
    wchar_t none = 0;
    remote.Put(512, &none, sizeof none);
    SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote.At(0)));
    wchar_t text[256] = {0};
    remote.Get(512, text, sizeof text - sizeof(wchar_t));
    labels.push_back(text);
  }
  return labels;
}

POINT ItemCentre(HWND list, int index)
{
  RemoteBuffer remote(list);
  RECT rect = {LVIR_LABEL, 0, 0, 0};
  remote.Put(0, &rect, sizeof rect);
  SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.At(0)));
  remote.Get(0, &rect, sizeof rect);
  POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return centre;
}

void Tap(HWND window, POINT at)
{
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

int IndexOf(const std::vector<std::wstring> &labels, const wchar_t *part)
{
  for (size_t i = 0; i < labels.size(); ++i)
    if (labels[i].find(part) != std::wstring::npos)
      return static_cast<int>(i);
  return -1;
}

// What a box of the launcher says, if one is up, or how it ended.
std::string BoxSaid(test::ChildProcess &launcher)
{
  DWORD exitCode = 0;
  if (launcher.Wait(0, &exitCode))
    return " (the launcher ended with " + std::to_string(exitCode) + ")";
  test::Box box;
  if (!test::AnswerBoxOf(launcher.Id(), 500, &box))
    return "";
  return " (the launcher said: [" + std::string(box.caption.begin(), box.caption.end()) + "] " +
         std::string(box.text.begin(), box.text.end()) + ")";
}

std::string Joined(const std::vector<std::wstring> &labels)
{
  std::string all;
  for (const std::wstring &label : labels)
    all += "[" + std::string(label.begin(), label.end()) + "]";
  return all;
}

// The labels of the menu bars and a tap on one of them, in the container's coordinates.
std::vector<std::wstring> BarLabels(HWND container, std::vector<POINT> *centres)
{
  std::vector<std::wstring> labels;
  for (int id = 401; id < 401 + 16; ++id) {
    HWND label = GetDlgItem(container, id);
    if (label == nullptr)
      break;
    labels.push_back(test::WindowTitle(label));
    RECT r;
    GetWindowRect(label, &r);
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(container, &centre);
    centres->push_back(centre);
  }
  return labels;
}

HWND MenuBarContainer(HWND window)
{
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(100))
    if (HWND found = FindWindowExW(window, nullptr, L"FRTMAINWINDOW", nullptr))
      return found;
  return nullptr;
}

struct ModeRow {
  const wchar_t *mode;
  bool list;     // a list view, else menu bars
  bool header;   // a header with a height
  WPARAM next;   // the key from the first item to the next
};

class DeviceModes : public ::testing::TestWithParam<ModeRow> {};

TEST_P(DeviceModes, LabelsShowAndAKeyEnterAndATapEnterTools)
{
  const ModeRow &row = GetParam();
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  // Another active profile: only the name on the command line chooses Warehouse.
  test::SetString(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Ferrolt", L"ActiveProfile", L"Nowhere");
  test::SetString(HKEY_CURRENT_USER, kHome, L"Mode", row.mode);
  if (row.header) {
    test::SetDword(HKEY_CURRENT_USER, kHome, L"Headings", 1);
    test::SetDword(HKEY_CURRENT_USER, kHome, L"DetailColumns", 2);
  }
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand(L"Warehouse")));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << test::WindowTitle(window).c_str();
  Sleep(500);

  HWND target = nullptr;
  std::vector<std::wstring> labels;
  POINT toolsAt = {0, 0};
  if (row.list) {
    target = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(nullptr, target) << "no list view";
    labels = ListLabels(target);
    if (row.header) {
      RECT r = {};
      GetWindowRect(FindWindowExW(target, nullptr, WC_HEADERW, nullptr), &r);
      EXPECT_GT(r.bottom - r.top, 0) << "the header has no height";
    }
  } else {
    target = MenuBarContainer(window);
    ASSERT_NE(nullptr, target) << "no menu bars";
    std::vector<POINT> centres;
    labels = BarLabels(target, &centres);
    int tools = IndexOf(labels, L"Tools");
    if (tools >= 0)
      toolsAt = centres[tools];
  }
  int tools = IndexOf(labels, L"Tools");
  ASSERT_GE(tools, 1) << "labels: " << Joined(labels);
  EXPECT_GE(IndexOf(labels, L"Calculator"), 0) << "labels: " << Joined(labels);
  for (const std::wstring &label : labels)
    EXPECT_FALSE(label.empty()) << "an item without a label: " << Joined(labels);

  // Keys: from the first item onto Tools (Down, or Right in an icon grid) and Enter.
  for (int i = 0; i < tools; ++i)
    PostMessageW(target, WM_KEYDOWN, row.next, 1);
  PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_TRUE(test::WaitForTitle(window, L"Warehouse - Tools", 10000)) << "the key and Enter" << BoxSaid(launcher);
  Sleep(500);
  PostMessageW(window, WM_CHAR, L'0', 1);
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << test::WindowTitle(window).c_str();
  Sleep(500);

  // A tap on Tools.
  if (row.list) {
    target = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(nullptr, target);
    toolsAt = ItemCentre(target, tools);
  } else {
    target = MenuBarContainer(window);
    ASSERT_NE(nullptr, target);
  }
  Tap(target, toolsAt);
  EXPECT_TRUE(test::WaitForTitle(window, L"Warehouse - Tools", 10000)) << "a tap" << BoxSaid(launcher);

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "WM_CLOSE did not end the launcher";
  EXPECT_EQ(0u, exitCode);
  test::CleanUpSample(kMarker);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, DeviceModes,
                         ::testing::Values(ModeRow{L"Details", true, true, VK_DOWN},
                                           ModeRow{L"List", true, false, VK_DOWN},
                                           ModeRow{L"Small Icons", true, false, VK_RIGHT},
                                           ModeRow{L"Large Icons", true, false, VK_RIGHT},
                                           ModeRow{L"Menu Bars", false, false, VK_DOWN}));

// A profile named on the command line is found whatever its name holds, as the desktop
// build finds it: a blank, or 200 characters.
TEST(DeviceProfiles, AProfileNamedOnTheCommandLineWithABlankOrLongNameIsFound)
{
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  const std::wstring names[] = {L"Ware house", std::wstring(200, L'Q')};
  for (const std::wstring &name : names) {
    test::SetString(HKEY_CURRENT_USER, kProfiles + name + L"\\Default\\Settings", L"TitleBar", L"Named");
    test::SetString(HKEY_CURRENT_USER, kProfiles + name + L"\\Default\\Programs\\Prog1", L"Description", L"One");
    test::SetString(HKEY_CURRENT_USER, kProfiles + name + L"\\Default\\Programs\\Prog1", L"Name", L"\\Windows\\calc.exe");
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(device::LauncherCommand(name)));
    HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
    EXPECT_TRUE(window != nullptr && test::WaitForTitle(window, L"Named", 10000))
        << name.size() << " characters" << BoxSaid(launcher);
    if (window != nullptr)
      PostMessageW(window, WM_CLOSE, 0, 0);
    launcher.Wait(15000);
  }
  test::CleanUpSample(kMarker);
}

// Many GDI objects: the host hands out handles above 0x7FFFFFFF, valid 32-bit handles
// that device code holds and gives back (a device context to paint them with, too).
TEST(DeviceProfiles, SeventeenEntriesWithTheirIconsAreShownAndPainted)
{
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  test::SetDword(HKEY_CURRENT_USER, kHome, L"Number", 0);
  for (int i = 3; i <= 17; ++i) {
    std::wstring entry = kProfiles + L"Warehouse\\Default\\Programs\\Prog" + std::to_wstring(i);
    test::SetString(HKEY_CURRENT_USER, entry, L"Description", L"Entry " + std::to_wstring(i));
    test::SetString(HKEY_CURRENT_USER, entry, L"Name", L"\\Windows\\calc.exe");
  }
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand(L"Warehouse")));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window) << BoxSaid(launcher);
  EXPECT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << BoxSaid(launcher);
  for (int i = 0; i < 5; ++i) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  test::CleanUpSample(kMarker);
}

// The password prompt of the launcher in another process: a dialog of the launcher's
// holding the password's edit box.
HWND PasswordEdit(DWORD launcherId, DWORD timeoutMs)
{
  struct Search {
    DWORD id;
    HWND edit;
  } search = {launcherId, nullptr};
  auto look = [](HWND window, LPARAM found) -> BOOL {
    Search *s = reinterpret_cast<Search *>(found);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    HWND edit = owner == s->id ? GetDlgItem(window, 258) : nullptr;  // IDC_EXIT_PASSWORD_EDIT
    if (edit != nullptr && IsWindowVisible(window))
      s->edit = edit;
    return s->edit == nullptr;
  };
  for (DWORD start = GetTickCount(); search.edit == nullptr && GetTickCount() - start < timeoutMs; Sleep(100)) {
    EnumWindows(look, reinterpret_cast<LPARAM>(&search));
    for (HWND top = FindWindowW(L"FerroltClass", nullptr); top != nullptr && search.edit == nullptr;
         top = FindWindowExW(nullptr, top, L"FerroltClass", nullptr))
      EnumChildWindows(top, look, reinterpret_cast<LPARAM>(&search));
  }
  return search.edit;
}

// Types the password as the keyboard delivers it and Enter.
void TypePassword(HWND edit, const wchar_t *password)
{
  for (const wchar_t *c = password; *c != 0; ++c)
    PostMessageW(edit, WM_CHAR, *c, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

// On the device's bytes the passwords are checked with the device's cryptography: a
// protected screen opens with its password, and the exit password ends the launcher.
TEST(DeviceProfiles, AProtectedScreenOpensByItsPasswordAndTheExitPasswordEndsTheLauncher)
{
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  test::SetString(HKEY_CURRENT_USER, kProfiles + L"Warehouse\\Default\\Programs\\Prog2", L"Password",
                  test::PasswordValue(L"tools42"));
  test::SetString(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Ferrolt", L"ExitPassword", test::PasswordValue(L"leave7"));
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand(L"Warehouse")));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << BoxSaid(launcher);
  Sleep(500);

  PostMessageW(window, WM_CHAR, L'2', 1);
  HWND edit = PasswordEdit(launcher.Id(), 10000);
  ASSERT_NE(nullptr, edit) << "Tools asked for no password" << BoxSaid(launcher);
  TypePassword(edit, L"tools42");
  EXPECT_TRUE(test::WaitForTitle(window, L"Warehouse - Tools", 15000)) << "the password did not open Tools"
                                                                      << BoxSaid(launcher);
  Sleep(500);

  // Home again, and its Exit item by its number.
  PostMessageW(window, WM_CHAR, L'0', 1);
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << BoxSaid(launcher);
  Sleep(500);
  HWND bars = MenuBarContainer(window);
  ASSERT_NE(nullptr, bars);
  std::vector<POINT> centres;
  int exitItem = IndexOf(BarLabels(bars, &centres), L"Exit");
  ASSERT_GE(exitItem, 0) << "no Exit item";
  PostMessageW(window, WM_CHAR, L'1' + exitItem, 1);
  edit = PasswordEdit(launcher.Id(), 10000);
  ASSERT_NE(nullptr, edit) << "leaving asked for no password" << BoxSaid(launcher);
  TypePassword(edit, L"leave7");
  DWORD exitCode = 99;
  EXPECT_TRUE(launcher.Wait(20000, &exitCode)) << "the exit password did not end the launcher" << BoxSaid(launcher);
  EXPECT_EQ(0u, exitCode);
  test::CleanUpSample(kMarker);
}

// A running launcher takes a good update from its update folder: home, the new home
// configuration shown, the script applied and logged. A bad one changes nothing, on screen
// or in the registry, and is shelved with its findings.
TEST(DeviceUpdate, AGoodUpdateIsShownAtHomeAndABadOneChangesNothing)
{
  const std::wstring folder = L"C:\\Application\\Ferrolt\\Update";
  const std::wstring product = L"Software\\OrvantLLC\\Ferrolt";
  const std::wstring log = L"C:\\Application\\Ferrolt\\Ferrolt.log";
  const std::string section = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Warehouse\\Default";
  const std::string good = "REGEDIT4\r\n" + section + "\\Settings]\r\n\"TitleBar\"=\"Updated\"\r\n" + section +
                           "\\Programs\\Prog3]\r\n\"Description\"=\"Scanner\"\r\n\"Name\"=\"\\\\Windows\\\\calc.exe\"\r\n";
  const std::string bad = "REGEDIT4\r\n" + section + "\\Programs\\Prog4]\r\n\"Description\"=\"Lost\"\r\n\"Call\"=\"Nowhere\"\r\n";
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);  // where the cabinet installs it
  DeleteFileW(log.c_str());
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand()));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000)) << BoxSaid(launcher);
  PostMessageW(window, WM_CHAR, L'2', 1);
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse - Tools", 10000)) << BoxSaid(launcher);

  test::WriteFileBytes(folder + L"\\good.reg", good);
  EXPECT_TRUE(test::WaitForTitle(window, L"Updated", 15000)) << "not taken" << BoxSaid(launcher);
  Sleep(300);
  std::vector<POINT> centres;
  HWND bars = MenuBarContainer(window);
  ASSERT_NE(nullptr, bars);
  std::vector<std::wstring> labels = BarLabels(bars, &centres);
  EXPECT_GE(IndexOf(labels, L"Scanner"), 0) << "home shows the new entry: " << Joined(labels);
  EXPECT_NE(L"", test::FileNames(folder + L"\\Applied\\*_good.reg"));
  std::string logged = test::ReadFileBytes(log);
  EXPECT_NE(std::string::npos, logged.find("UPDATE-APPLIED file=\"good.reg\" digest=\"")) << logged;
  EXPECT_NE(std::string::npos, logged.find("KEPT-SCRIPT file=\"\\Application\\CE_Ferrolt.reg\" outcome=\"rewritten\""))
      << logged;

  std::wstring before = test::RegistryDump(HKEY_CURRENT_USER, product);
  test::WriteFileBytes(folder + L"\\bad.reg", bad);
  std::wstring findings;
  for (DWORD start = GetTickCount(); findings.empty() && GetTickCount() - start < 15000; Sleep(200))
    findings = test::FileNames(folder + L"\\Rejected\\*_bad.reg.txt");
  ASSERT_NE(L"", findings) << "not shelved with its findings" << BoxSaid(launcher);
  std::string text = test::ReadFileBytes(folder + L"\\Rejected\\" + findings.substr(0, findings.find(L' ')));
  EXPECT_NE(std::string::npos, text.find("An entry calls Nowhere, which does not exist")) << text;
  EXPECT_NE(L"", test::FileNames(folder + L"\\Rejected\\*_bad.reg"));
  EXPECT_NE(std::string::npos, test::ReadFileBytes(log).find("UPDATE-REJECTED file=\"bad.reg\" digest=\""));
  Sleep(300);
  EXPECT_EQ(before, test::RegistryDump(HKEY_CURRENT_USER, product));
  EXPECT_EQ(L"Updated", test::WindowTitle(window));
  std::vector<POINT> after;
  EXPECT_EQ(Joined(labels), Joined(BarLabels(MenuBarContainer(window), &after)));

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "WM_CLOSE did not end the launcher";
  EXPECT_EQ(0u, exitCode);
  std::filesystem::remove_all(folder, ignored);
  DeleteFileW(L"C:\\Application\\CE_Ferrolt.reg");
  test::CleanUpSample(kMarker);
}

}  // namespace
