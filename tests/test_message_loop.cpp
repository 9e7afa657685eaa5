// The launcher's keys in the running message loop, and the window geometry helpers.
#include <gtest/gtest.h>

#include <vector>

#include "Common/StdInit.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UsableArea.h"
#include "resources/resource.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<int> g_commands;
const UINT kStop = WM_APP + 1;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_COMMAND) {
    g_commands.push_back(LOWORD(wParam));
    return 0;
  }
  if (message == kStop) {
    PostQuitMessage(static_cast<int>(wParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateRecordingWindow(int width, int height)
{
  static bool registered = false;
  if (!registered) {
    WNDCLASSW description = {};
    description.lpfnWndProc = RecordingProc;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = L"LoopTestWindow";
    RegisterClassW(&description);
    registered = true;
  }
  return CreateWindowExW(0, L"LoopTestWindow", L"loop", WS_POPUP | WS_VISIBLE, 0, 0, width,
                         height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void SetControlKey(bool down)
{
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

TEST(MessageLoop, DigitsAndControlKeysBecomeTheLauncherCommands)
{
  g_app.instance = GetModuleHandleW(nullptr);
  HWND window = CreateRecordingWindow(240, 320);
  ASSERT_NE(nullptr, window);
  g_app.mainWindow = window;
  g_app.openDialog = nullptr;
  g_commands.clear();

  for (wchar_t digit : {L'1', L'2', L'3', L'4', L'5', L'6', L'7', L'8', L'9', L'0'})
    PostMessageW(window, WM_CHAR, digit, 1);
  // A letter is no accelerator: it reaches the window as a character.
  PostMessageW(window, WM_CHAR, L'q', 1);
  PostMessageW(window, kStop, 7, 0);
  int exitCode = RunMessageLoop(IDA_LAUNCHER);

  EXPECT_EQ(7, exitCode);
  EXPECT_EQ((std::vector<int>{401, 402, 403, 404, 405, 406, 407, 408, 409, 410}), g_commands);

  // Ctrl+Q and Ctrl+H through a second run of the loop; Control is read when the key
  // message is translated.
  g_commands.clear();
  SetControlKey(true);
  PostMessageW(window, WM_KEYDOWN, 'Q', 1);
  PostMessageW(window, WM_KEYDOWN, 'H', 1);
  PostMessageW(window, kStop, 0, 0);
  RunMessageLoop(0);
  SetControlKey(false);
  EXPECT_EQ((std::vector<int>{411, 412}), g_commands);

  DestroyWindow(window);
  g_app.mainWindow = nullptr;
  g_app.currentAccelerators = nullptr;
}

// What the loop waits on besides its messages: a folder's change notification wakes it,
// and only once the messages already queued went through, in their order.
struct FolderWake {
  HANDLE notification = nullptr;
  HWND window = nullptr;
  std::vector<int> commandsSeen;  // the commands dispatched when the handler ran
  int wakes = 0;
};
FolderWake g_wake;

void OnFolderChanged(int index)
{
  if (index == 0) {
    ++g_wake.wakes;
    g_wake.commandsSeen = g_commands;
    FindNextChangeNotification(g_wake.notification);
  }
  PostMessageW(g_wake.window, kStop, index == 0 ? 5 : 9, 0);
}

// A loop that never looks at the folder still ends.
void CALLBACK StopWaiting(HWND window, UINT, UINT_PTR, DWORD)
{
  PostMessageW(window, kStop, 9, 0);
}

TEST(MessageLoop, AFolderChangeWakesTheLoopAfterTheMessagesAlreadyQueued)
{
  const wchar_t folder[] = L"C:\\LoopWatch";
  CreateDirectoryW(folder, nullptr);
  DeleteFileW(L"C:\\LoopWatch\\new.reg");
  g_wake.notification = FindFirstChangeNotificationW(folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(INVALID_HANDLE_VALUE, g_wake.notification);
  g_app.instance = GetModuleHandleW(nullptr);
  g_wake.window = CreateRecordingWindow(240, 320);
  g_app.mainWindow = g_wake.window;
  g_commands.clear();
  SetLoopWaits(&g_wake.notification, 1, INFINITE, &OnFolderChanged);
  SetTimer(g_wake.window, 1, 8000, &StopWaiting);

  PostMessageW(g_wake.window, WM_COMMAND, 7, 0);
  PostMessageW(g_wake.window, WM_COMMAND, 8, 0);
  HANDLE file = CreateFileW(L"C:\\LoopWatch\\new.reg", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                            nullptr);
  CloseHandle(file);
  int exitCode = RunMessageLoop(0);

  EXPECT_EQ(5, exitCode) << "woken by the folder";
  EXPECT_EQ(1, g_wake.wakes);
  EXPECT_EQ((std::vector<int>{7, 8}), g_wake.commandsSeen);
  SetLoopWaits(nullptr, 0, INFINITE, nullptr);
  FindCloseChangeNotification(g_wake.notification);
  DestroyWindow(g_wake.window);
  g_app.mainWindow = nullptr;
}

int g_timeouts = 0;
void CountTimeout(int index)
{
  if (index == -1)
    ++g_timeouts;
}
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

// A timer that ticks more often than the loop's time-out (a watched program's) does not
// put the time-out off for ever: it passes on time all the same.
TEST(MessageLoop, TheTimeOutPassesOnTimeUnderATimerThatTicksMoreOften)
{
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_timeouts = 0;
  SetLoopWaits(&never, 1, 300, &CountTimeout);
  UINT_PTR timer = SetTimer(nullptr, 0, 50, &Tick);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 1000;) {
    MSG message;
    if (WaitForLoopMessage() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
  }
  KillTimer(nullptr, timer);
  SetLoopWaits(nullptr, 0, INFINITE, nullptr);
  CloseHandle(never);
  EXPECT_GE(g_timeouts, 2) << "a time-out of 300 ms in one second";
  EXPECT_LE(g_timeouts, 4);
}

TEST(WindowGeometry, TitleLimitIsTheWindowWidthInEighths)
{
  HWND window = CreateRecordingWindow(239, 100);
  g_app.mainWindow = window;
  ComputeTitleLimit();
  EXPECT_EQ(29, g_app.titleLimit);
  DestroyWindow(window);
  g_app.mainWindow = nullptr;
  ComputeTitleLimit();
  EXPECT_EQ(28, g_app.titleLimit);
}

TEST(WindowGeometry, UsableAreaLeavesRoomForTheWindowsMobileMenuBar)
{
  HWND window = CreateRecordingWindow(240, 320);
  g_app.mainWindow = window;
  g_shell.menuBarHeight = 26;

  RECT area;
  g_shell.plainCe = false;
  g_shell.fullScreen = 0;
  HandUsableArea();
  GetUsableArea(&area);
  EXPECT_EQ(320 - 26, area.bottom - area.top);
  EXPECT_EQ(240, area.right - area.left);

  g_shell.fullScreen = 1;
  HandUsableArea();
  GetUsableArea(&area);
  EXPECT_EQ(320, area.bottom - area.top);

  g_shell.plainCe = true;
  g_shell.fullScreen = 0;
  HandUsableArea();
  GetUsableArea(&area);
  EXPECT_EQ(320, area.bottom - area.top);

  g_shell.menuBarHeight = 0;
  HandUsableArea();
  DestroyWindow(window);
  g_app.mainWindow = nullptr;

  // Without a main window the client area is the work area.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetClientArea(&area);
  EXPECT_TRUE(EqualRect(&work, &area));
}

TEST(WindowGeometry, RecordsTopAndBottomGapOfTheMainWindow)
{
  HWND window = CreateRecordingWindow(200, 100);
  SetWindowPos(window, nullptr, 0, 30, 200, 100, SWP_NOZORDER);
  g_app.mainWindow = window;
  RecordWindowGeometry();
  EXPECT_EQ(30, g_app.windowTop);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - 130, g_app.bottomGap);
  DestroyWindow(window);
  g_app.mainWindow = nullptr;
}

}  // namespace
