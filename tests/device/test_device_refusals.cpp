// ce-run refuses what the device documents that it refuses: a small device program that
// keeps a desktop habit (tests/device/DesktopHabits.cpp, FERROLT_DEVICE_HABITS names its
// folder) ends with a bit set for each call served as a desktop serves it.
#include <gtest/gtest.h>

#include <string>

#include "tests/device/DeviceRun.h"
#include "tests/support/TestSupport.h"

namespace {

struct HabitRow {
  const wchar_t *habit;
  const char *what;
};

class DeviceRefusals : public ::testing::TestWithParam<HabitRow> {};

LRESULT CALLBACK Plain(HWND window, UINT message, WPARAM w, LPARAM l) { return DefWindowProcW(window, message, w, l); }

TEST_P(DeviceRefusals, ADesktopHabitFailsAsOnTheDevice)
{
  const HabitRow &row = GetParam();
  std::wstring folder = device::FromVariable(L"FERROLT_DEVICE_HABITS", L"");
  ASSERT_FALSE(folder.empty()) << "FERROLT_DEVICE_HABITS names no folder";
  // A window of this process, for the program to try another process's window on.
  WNDCLASSW type = {};
  type.lpfnWndProc = Plain;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"FerroltHabitTarget";
  RegisterClassW(&type);
  HWND target = CreateWindowExW(0, L"FerroltHabitTarget", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                type.hInstance, nullptr);
  ASSERT_NE(nullptr, target);
  test::ChildProcess run;
  ASSERT_TRUE(run.Start(L"\"" + device::CeRun() + L"\" \"" + folder + L"\\DesktopHabits.exe\" " + row.habit));
  DWORD exitCode = 999;
  EXPECT_TRUE(run.WaitPumping(60000, &exitCode)) << "the program did not end";
  EXPECT_EQ(0u, exitCode) << row.what << ": served as on a desktop (bits 0x" << std::hex << exitCode << ")";
  EXPECT_EQ(0, GetWindowLongPtrW(target, GWLP_USERDATA)) << "another process changed this window";
  DestroyWindow(target);
  test::DeleteTree(HKEY_CURRENT_USER, L"Software\\FerroltHabits");
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, DeviceRefusals,
    ::testing::Values(HabitRow{L"crypt-import-flags", "CryptImportKey with CRYPT_IPSEC_HMAC_KEY"},
                      HabitRow{L"crypt-duplicate-hash", "CryptDuplicateHash"},
                      HabitRow{L"image-list-depth", "ImageList_Create without a colour flag in full colour"},
                      HabitRow{L"window-long-other-process", "SetWindowLong on another process's window"},
                      HabitRow{L"create-process-arguments", "CreateProcessW with arguments the device says are NULL"},
                      HabitRow{L"registry-arguments", "registry calls with reserved arguments or access masks"},
                      HabitRow{L"non-client-messages", "non-client messages to a device procedure"},
                      HabitRow{L"time-power-messages", "WM_TIMECHANGE or WM_POWERBROADCAST to a device procedure"},
                      HabitRow{L"timers", "a timer without window or procedure delivered, a timer procedure not "
                                          "called until killed, a windowless timer's identifier kept, or a timer "
                                          "of INFINITE milliseconds killed"},
                      HabitRow{L"desktop-wake-mask", "MsgWaitForMultipleObjectsEx with the desktop's QS_ALLINPUT"},
                      HabitRow{L"icon-other-size", "DrawIconEx at another size than the icon's own"}));

}  // namespace
