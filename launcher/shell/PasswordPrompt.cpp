// The password panel, its answer and the tries counted against the lock-out.
#include "launcher/shell/PasswordPrompt.h"

#include "Common/StdInit.h"
#include "resources/resource.h"

PasswordPromptState g_passwordPrompt;

enum { TYPED_CAPACITY = PASSWORD_MAX_CHARACTERS + 2 };

static bool LockedOut(const PasswordTries *tries)
{
  return tries->wrongInARow >= PASSWORD_TRIES &&
         LauncherTime() - tries->lastWrongTime < PASSWORD_LOCK_MS;
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
  int check = g_passwordPrompt.hash != nullptr ? CheckPassword(typed, g_passwordPrompt.hash)
                                              : PASSWORD_CHECK_DIFFERS;
  int answer = check == PASSWORD_CHECK_MATCHES  ? PASSWORD_RIGHT
               : check == PASSWORD_CHECK_FAILED ? PASSWORD_UNCHECKED
                                                : PASSWORD_WRONG;
  SecureZeroMemory(typed, sizeof(typed));
  if (edit != nullptr)
    WipeEdit(edit);
  return answer;
}

static INT_PTR OnPasswordInit(HWND dialog)
{
  HFONT font = PrepareDialog(dialog, SW_HIDE);
  SetDialogItemText(dialog, IDC_EXIT_PASSWORD_TEXT, g_passwordPrompt.prompt, font);
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
  if (command == IDOK && !g_passwordPrompt.dismissed) {
    g_passwordPrompt.answer = CheckTypedPassword(dialog);
  } else {
    g_passwordPrompt.answer = PASSWORD_CANCELLED;
    HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
    if (edit != nullptr)
      WipeEdit(edit);
  }
  EndCurrentDialog();
  return TRUE;
}

static INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam,
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

static int AskForPassword(const wchar_t *prompt, const PasswordHash *hash)
{
  g_passwordPrompt.prompting = true;
  g_passwordPrompt.dismissed = false;
  g_passwordPrompt.answer = PASSWORD_CANCELLED;
  g_passwordPrompt.hash = hash;
  CopyText(g_passwordPrompt.prompt, TEXT_CAPACITY, prompt);
  // No accelerators while the password is typed: digits and Ctrl+Q belong to the edit.
  HACCEL remembered = g_app.currentAccelerators;
  g_app.currentAccelerators = nullptr;
  HINSTANCE instance = g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
  HWND dialog = CreateFrameworkDialog(instance, IDD_EXIT_PASSWORD, g_app.mainWindow,
                                      PasswordDialogProc, 0);
  if (dialog != nullptr) {
    g_app.openDialog = dialog;
    RunDialogLoop();
  }
  g_app.currentAccelerators = remembered;
  g_passwordPrompt.prompting = false;
  g_passwordPrompt.hash = nullptr;
  return g_passwordPrompt.dismissed ? PASSWORD_CANCELLED : g_passwordPrompt.answer;
}

int ConfirmPassword(const wchar_t *prompt, const PasswordHash *hash, PasswordTries *tries)
{
  if (g_passwordPrompt.prompting)
    return PASSWORD_CANCELLED;
  if (LockedOut(tries)) {
    ShowErrorMessage(TEXT_ID(IDS_TOO_MANY_ATTEMPTS), 0);
    return PASSWORD_LOCKED;
  }
  int answer = AskForPassword(prompt, hash);
  if (answer == PASSWORD_RIGHT) {
    tries->wrongInARow = 0;
  } else if (answer == PASSWORD_WRONG) {
    if (tries->wrongInARow < PASSWORD_TRIES)
      ++tries->wrongInARow;
    tries->lastWrongTime = LauncherTime();
    ShowErrorMessage(TEXT_ID(IDS_WRONG_PASSWORD), 0);
  } else if (answer == PASSWORD_UNCHECKED) {
    // Not the user's fault: no try is counted, and the message says what went wrong.
    ShowErrorMessage(TEXT_ID(IDS_PASSWORD_NOT_CHECKED), 0);
  }
  return answer;
}

void DismissPasswordPrompt()
{
  if (g_passwordPrompt.prompting)
    g_passwordPrompt.dismissed = true;
}
