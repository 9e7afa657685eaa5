#pragma once
// What the shell lock-down tests need of the platform: a task bar window, the shell
// library stand-in, the on-top value and the work area, each put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test {

// A top-level window of class HHTaskBar on this thread, standing in for the platform's task
// bar along the top of the screen. It counts the WM_SETTINGCHANGE messages carrying 5000
// and notes whether it was ever hidden or disabled.
class TaskBarWindow {
public:
  explicit TaskBarWindow(int height);
  ~TaskBarWindow();
  HWND Window() const { return window_; }
  int SettingChanges() const;
  bool EverHidden() const;
  bool EverDisabled() const;
  bool Visible() const { return IsWindowVisible(window_) != FALSE; }
  bool Enabled() const { return IsWindowEnabled(window_) != FALSE; }

private:
  HWND window_;
};

// A top-level window of this thread to act as the launcher's main window; it clears
// g_app.mainWindow when destroyed, as the launcher's own window does.
HWND CreateTestMainWindow(const RECT &rectangle);

// Makes "aygshell.dll" loadable by name from the stand-ins folder of the build, and
// points its call record at a fresh file. Without it the library is missing.
class ShellLibraryStandIn {
public:
  ShellLibraryStandIn();
  ~ShellLibraryStandIn();
  // The calls recorded so far, one line each, without line ends.
  std::vector<std::string> Calls() const;
  void ClearCalls() const;

private:
  std::wstring log_;
};

// Saves HKLM\Software\Microsoft\shell\ontop (present or not, and its default value) and
// puts it back.
class SavedOnTopKey {
public:
  SavedOnTopKey();
  ~SavedOnTopKey();

private:
  bool present_;
  bool hasValue_;
  DWORD value_;
};

// Reads the default value of the on-top key; false when the key or value is missing.
bool ReadOnTopValue(DWORD *value);
void WriteOnTopValue(DWORD value);
void RemoveOnTopKey();
// Creates the key without a value.
void CreateOnTopKey();

// Saves the work area of this process and puts it back.
class SavedWorkArea {
public:
  SavedWorkArea();
  ~SavedWorkArea();
  const RECT &Original() const { return area_; }

private:
  RECT area_;
};

RECT CurrentWorkArea();
void SetWorkArea(const RECT &area);

// Puts the shell state back to what a fresh run starts with (no library loaded).
void ResetShellState();

// Makes HKCU\Software\Kelvane\Ferrolt\Profiles\ShellTest the selected profile, with a
// Default\Settings key (MenuItemHeight 50), and returns its key path.
std::wstring UseShellTestProfile();

// The text a handle has in the stand-in's call record.
std::string HandleText(const void *handle);

// What every shell lock-down test starts from: no launcher keys, the shell state reset, a
// test profile selected, no main window; all of it put back afterwards.
class ShellTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // The start-up steps that concern the shell, as the launcher runs them.
  void StartUp();
  void SetProfileValue(const wchar_t *name, DWORD value);

  std::wstring profile_;
};

}  // namespace test
