#pragma once
// A stand-in for the launcher's main window for tests of the framework dialogs: a
// top-level window with a child presentation window, what the framework sends it
// recorded, and one-shot timers that drive the dialogs' modal loops from inside.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test {

struct MainWindowLog {
  int opening = 0;           // WM_USER + 0x103
  int closed = 0;            // WM_USER + 0x104
  int workAreaChanges = 0;   // WM_SETTINGCHANGE with SPI_SETWORKAREA
  std::vector<int> commands; // WM_COMMAND ids that reached the main window
};

// Creates the windows, points the application state at them with accelerator table 426
// current, resets the dialog service to its state at program start and clears the
// launcher's registry. A watchdog closes every framework dialog after timeoutMs so that
// a broken dialog cannot hang the test; WatchdogFired() then reports it.
class FrameworkHarness {
public:
  explicit FrameworkHarness(DWORD timeoutMs = 8000);
  ~FrameworkHarness();
  HWND main = nullptr;
  HWND presentation = nullptr;
  HACCEL launcherTable = nullptr;
  static MainWindowLog log;
  static bool WatchdogFired();

private:
  UINT_PTR watchdog_ = 0;
};

// Runs action once after delayMs from whichever message loop of this thread runs then.
void RunLater(DWORD delayMs, std::function<void()> action);

// The window keyboard input goes to: the focus, else the open framework dialog.
HWND KeyTarget();
// Posts a key press (WM_KEYDOWN, WM_KEYUP) to window; the loop's TranslateMessage makes
// the character, as it does for a real key.
void PostKey(HWND window, UINT virtualKey);
// Holds Ctrl down (or releases it) in this thread's keyboard state.
void SetControlDown(bool down);

// The ways a user closes a framework dialog, and doing it to the open one.
enum CloseWay { CLOSE_OK_BUTTON, CLOSE_ENTER, CLOSE_ESCAPE, CLOSE_CTRL_Q };
struct NamedCloseWay {
  CloseWay way;
  const wchar_t *name;
};
extern const NamedCloseWay kCloseWays[4];
void CloseOpenDialog(CloseWay way);

std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int controlId);
// The window rectangle of child in the client coordinates of its parent.
RECT RectInParent(HWND child);

}  // namespace test
