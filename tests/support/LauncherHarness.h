#pragma once
// The launcher's real main window in the test's own process, started the way start-up
// does it over a profile "Kiosk" of the first product key, and driven by the loop rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace test {

// Answers the launcher's framework dialogs from whatever loop of this thread runs: types
// the next queued answer into the exit password dialog key by key and ends it with the
// queued key (Escape when nothing is queued, no key at all for 0); records the text of every message dialog
// and presses its OK; leaves any other framework dialog alone.
class DialogAnswerer {
public:
  DialogAnswerer();
  ~DialogAnswerer();
  void Type(const std::wstring &text, UINT finalKey = VK_RETURN);
  int Prompts() const { return prompts_; }
  const std::vector<std::wstring> &Messages() const { return messages_; }
  void Clear();

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Look();
  struct Answer {
    std::wstring text;
    UINT finalKey;
  };
  UINT_PTR timer_ = 0;
  std::deque<Answer> answers_;
  HWND answered_ = nullptr;
  int prompts_ = 0;
  std::vector<std::wstring> messages_;
  static DialogAnswerer *current_;
};

// The stored form of a password, as FerroltCheck /hash-password makes it.
std::wstring PasswordValue(const wchar_t *password);

// Presses Ctrl+key in the thread of another process's window: the key state is shared
// while the two input queues are attached.
void PressControlKey(HWND window, WORD key);

class LauncherTest : public ::testing::Test {
protected:
  static const std::wstring kProduct;
  static const std::wstring kProfile;

  void SetUp() override;
  void TearDown() override;
  // Closes the launcher if it runs and forgets its state; the registry stays.
  void Stop();

  std::wstring Settings(const std::wstring &configuration) const;
  // SetUp makes "Default" (title "Home") with one entry, Notes.
  // A configuration in the given mode.
  void AddConfiguration(const std::wstring &name, const std::wstring &mode = L"Details");
  void AddProgram(const std::wstring &configuration, int number, const std::wstring &description,
                  const std::wstring &name, const std::wstring &call = L"");
  // Configurations Level1 .. LevelN, each calling the next from its first entry, the
  // first called from "Default" instead of Notes.
  void AddLevels(int count);

  // Starts the launcher (ExitOnESC and BackOnZero as the members say) and shows "Default".
  void Start();
  // Runs the launcher's loop rules over this thread's messages for a while.
  void Pump(DWORD milliseconds = 300);
  // Pumps until done() holds or timeoutMs passed; returns done().
  bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs = 5000);
  bool Running() const;
  // Enters the first entry's configuration count times.
  void Descend(int count);

  int exitOnEsc = 0;
  int backOnZero = 0;
  BoxAnswerer boxes;
  DialogAnswerer dialogs;
};

}  // namespace test
