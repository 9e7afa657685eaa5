// The framework's message dialog over a real main window, the platform message box
// path, the dialog stack and the font settings.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "resources/resource.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/TestSupport.h"

namespace {

using test::FrameworkHarness;

const wchar_t kLauncherKey[] = L"Software\\Orvant\\Launcher";
const wchar_t kSettingsKey[] = L"Software\\Orvant\\Settings";

// What a timer saw of a message dialog while it was shown.
struct SeenMessage {
  HWND dialog = nullptr, parent = nullptr;
  bool shown = false;
  std::wstring text, detail, okCaption, mainTitle;
  RECT dialogRect = {};
  bool presentationVisible = true;
  LONG fontHeight = -999, fontWeight = -999;
};

SeenMessage Inspect(HWND dialog)
{
  SeenMessage seen;
  seen.dialog = dialog;
  seen.parent = GetParent(dialog);
  seen.shown = dialog != nullptr && IsWindowVisible(dialog);
  seen.text = test::ItemText(dialog, IDC_MSGSTR1);
  seen.detail = test::ItemText(dialog, IDC_MSGSTR2);
  seen.okCaption = test::ItemText(dialog, IDOK);
  seen.mainTitle = test::WindowText(g_app.mainWindow);
  seen.dialogRect = test::RectInParent(dialog);
  seen.presentationVisible = IsWindowVisible(g_app.presentationWindow) != FALSE;
  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_MSGSTR1, WM_GETFONT, 0, 0));
  LOGFONTW description;
  if (font != nullptr && GetObjectW(font, sizeof(description), &description) != 0) {
    seen.fontHeight = description.lfHeight;
    seen.fontWeight = description.lfWeight;
  }
  return seen;
}

// Shows one message; a timer inspects the dialog and closes it with IDOK.
SeenMessage ShowAndInspect(TextOrId text, TextOrId detail)
{
  SeenMessage seen;
  test::RunLater(50, [&seen] {
    seen = Inspect(g_app.openDialog);
    if (g_app.openDialog != nullptr)
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
  });
  ShowErrorMessage(text, detail);
  return seen;
}

TEST(MessageDialog, CoversTheMainWindowWithTextDetailAndErrorTitle)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  SeenMessage seen = ShowAndInspect(L"Cannot open sub key", L"00000002");

  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(L"Cannot open sub key", seen.text);
  EXPECT_EQ(L"00000002", seen.detail);
  EXPECT_EQ(L"OK", seen.okCaption);
  EXPECT_EQ(L"Error", seen.mainTitle);
  EXPECT_FALSE(seen.presentationVisible);
  RECT client;
  GetClientRect(harness.main, &client);
  EXPECT_EQ(client.left, seen.dialogRect.left);
  EXPECT_EQ(client.top, seen.dialogRect.top);
  EXPECT_EQ(client.right, seen.dialogRect.right);
  EXPECT_EQ(client.bottom, seen.dialogRect.bottom);
  EXPECT_EQ(harness.main, seen.parent);

  // Afterwards: the old title, the presentation back, the stack empty, the table restored.
  EXPECT_EQ(L"Harness title", test::WindowText(harness.main));
  EXPECT_TRUE(IsWindowVisible(harness.presentation));
  EXPECT_EQ(nullptr, g_app.openDialog);
  EXPECT_FALSE(IsWindow(seen.dialog));
  EXPECT_EQ(0, g_dialogs.levelCount);
  EXPECT_EQ(harness.launcherTable, g_app.currentAccelerators);
  EXPECT_EQ(harness.presentation, GetFocus());
  test::PumpMessages(50);
  EXPECT_EQ(1, FrameworkHarness::log.opening);
  EXPECT_EQ(1, FrameworkHarness::log.closed);
  EXPECT_EQ(1, FrameworkHarness::log.workAreaChanges);
}

TEST(MessageDialog, ClosesWithOkButtonEnterEscapeAndCtrlQ)
{
  for (const auto &way : test::kCloseWays) {
    FrameworkHarness harness(3000);
    test::BoxAnswerer boxes;
    test::RunLater(50, [&] {
      test::CloseOpenDialog(way.way);
    });
    ShowErrorMessage(L"text", L"detail");
    test::SetControlDown(false);
    EXPECT_FALSE(FrameworkHarness::WatchdogFired()) << way.name << L" did not close it";
    EXPECT_EQ(L"Harness title", test::WindowText(harness.main)) << way.name;
    EXPECT_EQ(0, g_dialogs.levelCount) << way.name;
    EXPECT_EQ(0u, boxes.Count()) << way.name;
  }
}

TEST(MessageDialog, LauncherKeysDoNothingWhileItIsShown)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  // Every command 401-410 sent or posted to any window of this thread.
  static int launcherCommands;
  launcherCommands = 0;
  struct CountCommands {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
      const CWPSTRUCT *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
      if (code == HC_ACTION && call->message == WM_COMMAND && LOWORD(call->wParam) >= 401 &&
          LOWORD(call->wParam) <= 410)
        launcherCommands++;
      return CallNextHookEx(nullptr, code, wParam, lParam);
    }
  };
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountCommands::Hook, nullptr,
                                 GetCurrentThreadId());
  bool stillOpen = false;
  test::RunLater(50, [&] {
    for (wchar_t digit = L'0'; digit <= L'9'; ++digit) {
      test::PostKey(test::KeyTarget(), digit);
      test::PostKey(harness.main, digit);
    }
    test::RunLater(100, [&] {
      stillOpen = g_app.openDialog != nullptr && IsWindowVisible(g_app.openDialog);
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
    });
  });
  ShowErrorMessage(L"text", L"detail");
  UnhookWindowsHookEx(hook);

  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(0, launcherCommands);
  for (int command : FrameworkHarness::log.commands)
    EXPECT_FALSE(command >= 401 && command <= 410) << command;

  // Once it is closed, the digits are the launcher's again.
  test::PostKey(harness.main, L'3');
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (PreTranslateLoopMessage(&message))
      continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ASSERT_EQ(1u, FrameworkHarness::log.commands.size());
  EXPECT_EQ(403, FrameworkHarness::log.commands[0]);
}

TEST(MessageDialog, TextsMayBeEmptyStringIdsOrPointers)
{
  const struct {
    TextOrId value;
    const wchar_t *expected;
  } cases[] = {
      {nullptr, L""},
      {TEXT_ID(IDS_ERROR), L"Error"},
      {TEXT_ID(IDS_CANNOT_OPEN_RUN), L"Cannot open .RUN file"},
      {L"a pointer's own text", L"a pointer's own text"},
      {TEXT_ID(9999), L"#9999"},
  };
  FrameworkHarness harness(20000);
  for (const auto &c : cases) {
    SeenMessage seen = ShowAndInspect(c.value, c.value);
    EXPECT_EQ(c.expected, seen.text);
    EXPECT_EQ(c.expected, seen.detail);
  }
  // A text longer than its buffer is cut at 259 characters.
  std::wstring longText(400, L'x');
  SeenMessage seen = ShowAndInspect(longText.c_str(), L"");
  EXPECT_EQ(std::wstring(259, L'x'), seen.text);
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
}

TEST(MessageDialog, UseRealMessageBoxAsTextSwitchesToThePlatformBox)
{
  {
    FrameworkHarness harness;
    test::BoxAnswerer boxes;
    test::SetString(HKEY_CURRENT_USER, kSettingsKey, L"UseRealMessageBox", L"1");
    SetLastError(ERROR_FILE_NOT_FOUND);
    ShowLastError(TEXT_ID(IDS_CANNOT_OPEN_RUN));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Cannot open .RUN file", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"00000002", boxes.Boxes()[0].text);
    EXPECT_EQ(0, FrameworkHarness::log.opening);
    EXPECT_EQ(L"Harness title", test::WindowText(harness.main));

    // Read once: removing the value changes nothing for the rest of the run.
    test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    ShowErrorMessage(L"again", L"detail");
    EXPECT_EQ(2u, boxes.Count());
  }
  {
    FrameworkHarness harness;
    test::BoxAnswerer boxes;
    test::SetDword(HKEY_CURRENT_USER, kSettingsKey, L"UseRealMessageBox", 1);
    SeenMessage seen = ShowAndInspect(L"text", L"detail");
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(1, FrameworkHarness::log.opening);
  }
  {
    // Switched on by the program, then a "0" read at the first message still decides.
    FrameworkHarness harness;
    test::BoxAnswerer boxes;
    UsePlatformMessageBox();
    test::SetString(HKEY_CURRENT_USER, kSettingsKey, L"UseRealMessageBox", L"0");
    SeenMessage seen = ShowAndInspect(L"text", L"detail");
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    UsePlatformMessageBox();
    ShowErrorMessage(L"now the box", L"detail");
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"now the box", boxes.Boxes()[0].caption);
  }
}

TEST(ErrorDetails, CodesAreFormattedAndLongTextsCut)
{
  FrameworkHarness harness;
  // Without a main window every message goes to the platform box.
  g_app.mainWindow = nullptr;
  test::BoxAnswerer boxes;
  ShowErrorWithCodeText(L"with text", 0x1F, L"abc");
  ShowErrorWithCode(L"with code", 0xABCDEF);
  SetLastError(5);
  ShowLastErrorText(TEXT_ID(IDS_CANNOT_EXECUTE), L"\\Windows\\x.exe");
  SetLastError(0x80004005);
  ShowLastError(L"last");
  std::wstring longExtra(300, L'e');
  ShowErrorWithCodeText(L"long", 7, longExtra.c_str());
  ShowErrorMessage(L"", nullptr);
  g_app.mainWindow = harness.main;

  ASSERT_EQ(6u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"with text", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"err: 0000001F, abc", boxes.Boxes()[0].text);
  EXPECT_EQ(L"00ABCDEF", boxes.Boxes()[1].text);
  EXPECT_EQ(L"Cannot execute application", boxes.Boxes()[2].caption);
  EXPECT_EQ(L"err: 00000005, \\Windows\\x.exe", boxes.Boxes()[2].text);
  EXPECT_EQ(L"80004005", boxes.Boxes()[3].text);
  EXPECT_EQ(255u, boxes.Boxes()[4].text.size());
  EXPECT_EQ(0u, boxes.Boxes()[4].text.find(L"err: 00000007, eeee"));
  EXPECT_EQ(L"", boxes.Boxes()[5].caption);
  EXPECT_EQ(0, FrameworkHarness::log.opening);
}

TEST(DialogFont, SettingsAreReadUntilFoundThenKept)
{
  FrameworkHarness harness(20000);
  test::BoxAnswerer boxes;
  SeenMessage first = ShowAndInspect(L"one", L"");
  EXPECT_EQ(0, first.fontHeight);
  EXPECT_EQ(0, first.fontWeight);

  // -1 counts as absent, so the value is looked for again at the next dialog.
  test::SetDword(HKEY_CURRENT_USER, kLauncherKey, L"FontHeight", 0xFFFFFFFF);
  SeenMessage second = ShowAndInspect(L"two", L"");
  EXPECT_EQ(0, second.fontHeight);

  test::SetDword(HKEY_CURRENT_USER, kLauncherKey, L"FontHeight", static_cast<DWORD>(-20));
  test::SetDword(HKEY_CURRENT_USER, kLauncherKey, L"FontWeight", 700);
  SeenMessage third = ShowAndInspect(L"three", L"");
  EXPECT_EQ(-20, third.fontHeight);
  EXPECT_EQ(700, third.fontWeight);

  test::SetDword(HKEY_CURRENT_USER, kLauncherKey, L"FontHeight", static_cast<DWORD>(-30));
  test::SetDword(HKEY_CURRENT_USER, kLauncherKey, L"FontWeight", 400);
  SeenMessage fourth = ShowAndInspect(L"four", L"");
  EXPECT_EQ(-20, fourth.fontHeight);
  EXPECT_EQ(700, fourth.fontWeight);
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
  if (message == WM_INITDIALOG) {
    PrepareDialog(dialog, SW_SHOW);
    return FALSE;
  }
  return FALSE;
}

TEST(DialogStack, HoldsNinetyNineDialogsAndRefusesTheHundredth)
{
  FrameworkHarness harness(60000);
  test::BoxAnswerer boxes;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND dialogs[DIALOG_STACK_LEVELS] = {};
  for (int i = 1; i <= DIALOG_STACK_LEVELS - 1; ++i) {
    dialogs[i] = CreateFrameworkDialog(instance, IDD_MESSAGE, harness.main, PlainDialogProc, 0);
    ASSERT_NE(nullptr, dialogs[i]) << i;
    g_app.openDialog = dialogs[i];
    ASSERT_EQ(i, g_dialogs.levelCount);
    if (i > 1)
      EXPECT_FALSE(IsWindowVisible(dialogs[i - 1])) << i;
  }
  EXPECT_EQ(nullptr, CreateFrameworkDialog(instance, IDD_MESSAGE, harness.main, PlainDialogProc, 0));
  EXPECT_EQ(DIALOG_STACK_LEVELS - 1, g_dialogs.levelCount);
  EXPECT_EQ(dialogs[DIALOG_STACK_LEVELS - 1], g_app.openDialog);

  // A message asked for now goes to the platform box; the stack stays as it was.
  ShowErrorMessage(L"one too many", L"detail");
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"one too many", boxes.Boxes()[0].caption);
  EXPECT_EQ(DIALOG_STACK_LEVELS - 1, g_dialogs.levelCount);

  // Ending them one by one brings each lower one back, then the presentation.
  for (int i = DIALOG_STACK_LEVELS - 1; i >= 1; --i) {
    ASSERT_EQ(dialogs[i], g_app.openDialog) << i;
    EndCurrentDialog();
    EXPECT_FALSE(IsWindow(dialogs[i])) << i;
    if (i > 1)
      EXPECT_TRUE(IsWindowVisible(dialogs[i - 1])) << i;
  }
  EXPECT_EQ(nullptr, g_app.openDialog);
  EXPECT_EQ(0, g_dialogs.levelCount);
  EXPECT_TRUE(IsWindowVisible(harness.presentation));
  EXPECT_EQ(DIALOG_STACK_LEVELS - 1, FrameworkHarness::log.opening);
  EXPECT_EQ(DIALOG_STACK_LEVELS - 1, FrameworkHarness::log.closed);
}

TEST(DialogStack, ADialogThatCannotBeCreatedIsReportedAndSwitchesToThePlatformBox)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  EXPECT_EQ(nullptr, CreateFrameworkDialog(instance, 9998, harness.main, PlainDialogProc, 0));
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"..\\Common\\StdFuncs@\n:\n1015\n", boxes.Boxes()[0].caption);
  EXPECT_EQ(8u, boxes.Boxes()[0].text.size());
  EXPECT_NE(L"00000000", boxes.Boxes()[0].text);
  EXPECT_EQ(0, g_dialogs.levelCount);
  EXPECT_EQ(nullptr, g_app.openDialog);
  EXPECT_TRUE(IsWindowVisible(harness.presentation));

  ShowErrorMessage(L"later", L"detail");
  ASSERT_EQ(2u, boxes.Count());
  EXPECT_EQ(L"later", boxes.Boxes()[1].caption);
}

TEST(MessageDialog, AMessageOverAMessageGivesBackTheOriginalTitle)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  std::wstring innerText, titleBetween;
  bool outerShownAgain = false;
  test::RunLater(50, [&] {
    test::RunLater(50, [&] {
      innerText = test::ItemText(g_app.openDialog, IDC_MSGSTR1);
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
    });
    HWND outer = g_app.openDialog;
    ShowErrorMessage(L"inner", L"");
    outerShownAgain = g_app.openDialog == outer && IsWindowVisible(outer);
    titleBetween = test::WindowText(harness.main);
    PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
  });
  ShowErrorMessage(L"outer", L"");
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(L"inner", innerText);
  EXPECT_TRUE(outerShownAgain);
  EXPECT_EQ(L"Error", titleBetween);
  EXPECT_EQ(L"Harness title", test::WindowText(harness.main));
  EXPECT_EQ(0, g_dialogs.levelCount);
}

}  // namespace

namespace {

TEST(DialogLoop, AQuitMessageEndsTheLoopAndStaysForTheOuterLoops)
{
  test::FrameworkHarness harness;
  test::RunLater(50, [] { PostQuitMessage(7); });
  ShowErrorMessage(L"text", L"detail");
  EXPECT_FALSE(test::FrameworkHarness::WatchdogFired());
  MSG message = {};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, message.wParam);
  // The title comes back even though the dialog was not closed by the user.
  EXPECT_EQ(L"Harness title", test::WindowText(harness.main));
}

}  // namespace
