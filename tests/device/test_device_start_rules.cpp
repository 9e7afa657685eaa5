// The launcher's ARM image run by ce-run over the rules of when a program starts and what
// follows its end: the network it needs brought up from here while the launcher waits (the
// address table's stand-in reads a file this test writes), the started program the small
// test program watched_program.exe, and the device restart taken by its stand-in's record.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>

#include "checker/EventLogReader.h"
#include "tests/device/DeviceRun.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kEntry = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Gate\\Default\\Programs\\Prog1";
const wchar_t kProgram[] = L"C:\\Temp\\watched.exe";
const wchar_t kNetwork[] = L"C:\\Temp\\device_network.txt";
const wchar_t kStarts[] = L"C:\\Temp\\device_starts.log";
const wchar_t kRestarts[] = L"C:\\Temp\\device_restarts.txt";
const wchar_t kEventLog[] = L"C:\\Application\\Ferrolt\\Ferrolt.log";

// The first event of the kind in the launcher's log with every field given, as the checker's
// reader reads it; its line, or "" with none.
std::string Logged(const char *kind, std::initializer_list<std::pair<const char *, const wchar_t *>> fields)
{
  for (const eventlog::Event &event : eventlog::ReadLogs({kEventLog}).events) {
    bool all = event.kind == kind;
    for (const auto &field : fields)
      all = all && event.Field(field.first) == field.second;
    if (all)
      return event.text;
  }
  return "";
}

std::string WaitForFile(const wchar_t *path, DWORD timeoutMs)
{
  std::string text;
  for (DWORD start = GetTickCount(); text.empty() && GetTickCount() - start < timeoutMs; Sleep(100))
    text = test::ReadFileBytes(path);
  return text;
}

// An auto-start that needs the network waits until the device has an address, which comes
// 3 seconds after the launcher's window, and the wireless network the entry names, which
// the device's network driver tells it has joined; the program then ends with a code whose action is
// a restart of the device, and nobody cancels the confirmation: when its time is up the
// launcher presses OK itself and the device is restarted.
TEST(DeviceStartRules, AnAutoStartWaitsForTheNetworkAndItsEndRestartsTheDeviceWhenNobodyCancels)
{
  test::ClearLauncherRegistry();
  CreateDirectoryW(L"C:\\Temp", nullptr);
  CreateDirectoryW(L"C:\\Application", nullptr);
  CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);
  for (const wchar_t *file : {kNetwork, kStarts, kRestarts, kEventLog})
    DeleteFileW(file);
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"tests\\watched_program.exe").c_str(), kProgram, FALSE));
  test::SetString(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Gate\\Default\\Settings", L"TitleBar",
                  L"Gate");
  test::SetString(HKEY_CURRENT_USER, kEntry, L"Description", L"scanner");
  test::SetString(HKEY_CURRENT_USER, kEntry, L"Name", L"\\Temp\\watched.exe");
  test::SetString(HKEY_CURRENT_USER, kEntry, L"Command", L"scanner exit1");
  test::SetDword(HKEY_CURRENT_USER, kEntry, L"AutoStart", 1);
  test::SetDword(HKEY_CURRENT_USER, kEntry, L"NeedsNetwork", 1);
  test::SetString(HKEY_CURRENT_USER, kEntry, L"NetworkName", L"Gate Wi-Fi");
  test::SetMultiString(HKEY_CURRENT_USER, kEntry, L"ExitActions", {L"1=reboot"});
  test::ScopedEnv network(L"FERROLT_NETWORK", (L"@" + std::wstring(kNetwork)).c_str());
  test::ScopedEnv wireless(L"FERROLT_WIRELESS", L"Gate Wi-Fi");
  test::ScopedEnv starts(L"FERROLT_WATCH_LOG", kStarts);
  test::ScopedEnv restarts(L"FERROLT_RESTART_RECORD", kRestarts);

  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand(L"Gate")));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
  Sleep(3000);
  EXPECT_EQ("", test::ReadFileBytes(kStarts)) << "started before the network was up";
  test::WriteFileBytes(kNetwork, "127.0.0.1,10.1.2.3");
  EXPECT_NE("", WaitForFile(kStarts, 10000)) << "never started";

  // Look at the confirmation without answering it (no button has the number 0).
  test::Box box;
  ASSERT_TRUE(test::AnswerBoxOf(launcher.Id(), 10000, &box, 0)) << "no confirmation";
  EXPECT_EQ(L"scanner ended with exit code 00000001 and asks for a restart of the device. The device restarts in "
            L"10 seconds; Cancel keeps it running.",
            box.text);
  EXPECT_EQ("SetSystemPowerState flags 00800000 00001000\r\n", WaitForFile(kRestarts, 15000));
  std::string log = test::ReadFileBytes(kEventLog);
  EXPECT_NE("", Logged("WAIT", {{"for", L"network"}, {"ended", L"network"}})) << log;
  EXPECT_EQ("", Logged("NETWORK-NAME", {})) << "the driver did not tell the network joined";
  EXPECT_NE("", Logged("EXIT-ACTION", {{"action", L"reboot"}, {"result", L"restarting: not cancelled"}})) << log;

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  EXPECT_TRUE(launcher.Wait(15000, &exitCode)) << "WM_CLOSE did not end the launcher";
  EXPECT_EQ(0u, exitCode);
  for (const wchar_t *file : {kNetwork, kStarts, kRestarts, kProgram, kEventLog})
    DeleteFileW(file);
  RemoveDirectoryW(L"C:\\Application\\Ferrolt");
  test::ClearLauncherRegistry();
}

}  // namespace
