// The exit password dialog and its tries.
#include "launcher/shell/ExitGuard.h"

#include <wchar.h>

#include "Common/EventLog.h"
#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/shell/LauncherLog.h"
#include "resources/resource.h"

ExitGuardState g_exitGuard;

enum { TYPED_CAPACITY = PASSWORD_MAX_CHARACTERS + 2 };

void ReadExitGuard()
{
  g_exitGuard.passwordState = ReadExitPassword(&g_exitGuard.hash);
  g_exitGuard.wrongInARow = 0;
  g_exitGuard.prompting = false;
}

static bool LockedOut()
{
  return g_exitGuard.wrongInARow >= EXIT_PASSWORD_TRIES &&
         LauncherTime() - g_exitGuard.lastWrongTime < EXIT_PASSWORD_LOCK_MS;
}

// Overwrites what the edit control holds in place before emptying it, and forgets its
// undo, so the typed text lingers neither in its buffer nor in what Undo would bring back.
static void WipeEdit(HWND edit)
{
  wchar_t blanks[TYPED_CAPACITY];
  int length = GetWindowTextLengthW(edit);
  if (length >= TYPED_CAPACITY)
    length = TYPED_CAPACITY - 1;
  for (int i = 0; i < length; ++i)
    blanks[i] = L' ';
  blanks[length] = L'\0';
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(blanks));
  SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
  SetWindowTextW(edit, L"");
  SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
}

static int CheckTypedPassword(HWND dialog)
{
  HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
  wchar_t typed[TYPED_CAPACITY] = {0};
  if (edit != nullptr)
    GetWindowTextW(edit, typed, TYPED_CAPACITY);
  int answer = VerifyPassword(typed, &g_exitGuard.hash) ? EXIT_ANSWER_RIGHT : EXIT_ANSWER_WRONG;
  SecureZeroMemory(typed, sizeof(typed));
  if (edit != nullptr)
    WipeEdit(edit);
  return answer;
}

static INT_PTR OnPasswordInit(HWND dialog)
{
  HFONT font = PrepareDialog(dialog, SW_HIDE);
  SetDialogItemText(dialog, IDC_EXIT_PASSWORD_TEXT, TEXT_ID(IDS_EXIT_PASSWORD_PROMPT), font);
  HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
  if (edit != nullptr) {
    if (font != nullptr)
      SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(edit, EM_LIMITTEXT, PASSWORD_MAX_CHARACTERS, 0);
  }
  ShowWindow(dialog, SW_SHOW);
  SetFocus(edit != nullptr ? edit : dialog);
  return FALSE;
}

static INT_PTR OnPasswordCommand(HWND dialog, int command)
{
  if (command != IDOK && command != IDCANCEL)
    return TRUE;
  // Only the dialog on top may end; a command aimed at a covered one is ignored.
  if (dialog != g_app.openDialog)
    return TRUE;
  if (command == IDOK && !g_exitGuard.dismissed) {
    g_exitGuard.answer = CheckTypedPassword(dialog);
  } else {
    g_exitGuard.answer = EXIT_ANSWER_CANCEL;
    HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
    if (edit != nullptr)
      WipeEdit(edit);
  }
  EndCurrentDialog();
  return TRUE;
}

static INT_PTR CALLBACK ExitPasswordDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                               LPARAM lParam)
{
  switch (message) {
  case WM_INITDIALOG:
    return OnPasswordInit(dialog);
  case WM_COMMAND:
    return OnPasswordCommand(dialog, LOWORD(wParam));
  default:
    return FALSE;
  }
}

static int AskForPassword()
{
  g_exitGuard.prompting = true;
  g_exitGuard.dismissed = false;
  g_exitGuard.answer = EXIT_ANSWER_CANCEL;
  // No accelerators while the password is typed: digits and Ctrl+Q belong to the edit.
  HACCEL remembered = g_app.currentAccelerators;
  g_app.currentAccelerators = nullptr;
  HINSTANCE instance = g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
  HWND dialog = CreateFrameworkDialog(instance, IDD_EXIT_PASSWORD, g_app.mainWindow,
                                      ExitPasswordDialogProc, 0);
  if (dialog != nullptr) {
    g_app.openDialog = dialog;
    RunDialogLoop();
  }
  g_app.currentAccelerators = remembered;
  g_exitGuard.prompting = false;
  return g_exitGuard.dismissed ? EXIT_ANSWER_CANCEL : g_exitGuard.answer;
}

// The outcome of an exit that asked for the password, never what was typed. A wrong answer
// carries the count in a row and, once that starts a wait, its length.
static void LogPasswordOutcome(const wchar_t *result)
{
  bool wrong = wcscmp(result, PASSWORD_WRONG) == 0;
  bool locks = wrong && g_exitGuard.wrongInARow >= EXIT_PASSWORD_TRIES;
  LogField fields[] = {LogText("prompt", L"exit"), LogText("result", result),
                       LogDecimal("tries", static_cast<DWORD>(g_exitGuard.wrongInARow)),
                       LogDecimal("locked", EXIT_PASSWORD_LOCK_MS / 1000)};
  LogEvent("PASSWORD", fields, locks ? 4 : wrong ? 3 : 2);
}

// The user's way out is taken: the close that follows is the user's.
static bool LetUserOut()
{
  SetEndReason(END_USER_EXIT);
  return true;
}

bool ConfirmUserExit()
{
  if (g_exitGuard.passwordState == EXIT_PASSWORD_NONE)
    return LetUserOut();
  if (g_exitGuard.prompting)
    return false;
  if (g_exitGuard.passwordState != EXIT_PASSWORD_SET) {
    LogPasswordOutcome(PASSWORD_NOT_VALID);
    return false;
  }
  if (LockedOut()) {
    LogPasswordOutcome(PASSWORD_LOCKED_OUT);
    ShowErrorMessage(TEXT_ID(IDS_TOO_MANY_ATTEMPTS), 0);
    return false;
  }
  switch (AskForPassword()) {
  case EXIT_ANSWER_RIGHT:
    g_exitGuard.wrongInARow = 0;
    LogPasswordOutcome(PASSWORD_RIGHT);
    return LetUserOut();
  case EXIT_ANSWER_WRONG:
    if (g_exitGuard.wrongInARow < EXIT_PASSWORD_TRIES)
      ++g_exitGuard.wrongInARow;
    g_exitGuard.lastWrongTime = LauncherTime();
    LogPasswordOutcome(PASSWORD_WRONG);
    ShowErrorMessage(TEXT_ID(IDS_WRONG_PASSWORD), 0);
    return false;
  default:
    LogPasswordOutcome(PASSWORD_CANCELLED);
    return false;
  }
}

void DismissExitPrompt()
{
  if (g_exitGuard.prompting)
    g_exitGuard.dismissed = true;
}
