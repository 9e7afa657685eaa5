// Error messages: a text and a detail, shown in the framework's message dialog over the
// main window, or in the platform message box when asked for or when there is no main
// window yet.
#include "Common/StdInit.h"

#include <stdlib.h>

#include "Common/EventLog.h"
#include "resources/resource.h"

static const wchar_t kSettingsKey[] = L"Software\\Orvant\\Settings";
enum { SETTING_BYTES = 260, FORMAT_SCRATCH = 1025, DETAIL_CAPACITY = 256 };

static MessageCollector s_collector = nullptr;

void CollectMessages(MessageCollector collector)
{
  s_collector = collector;
}

MessageCollector CurrentMessageCollector()
{
  return s_collector;
}

// Every message the user is shown goes into the event log first, so that it is there
// even when the device is reset while the message is open.
static void LogMessage(const wchar_t *caption, const wchar_t *text, const wchar_t *detail)
{
  LogField fields[] = {LogText("caption", caption), LogText("text", text),
                       LogText("detail", detail)};
  LogEvent("MESSAGE", fields, detail != nullptr && detail[0] != 0 ? 3 : 2);
}

int ShowMessageBox(HWND owner, const wchar_t *text, const wchar_t *caption, UINT style)
{
  if (s_collector != nullptr) {
    s_collector(text != nullptr ? text : L"", L"", caption != nullptr ? caption : L"");
    return IDOK;
  }
  LogMessage(caption, text, nullptr);
  return MessageBoxW(owner, text, caption, style);
}

static HINSTANCE ProgramInstance()
{
  return g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
}

// UseRealMessageBox is read at the first message only; only a REG_SZ number counts.
static void ReadUseRealMessageBox()
{
  if (g_dialogs.settingRead)
    return;
  g_dialogs.settingRead = true;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  wchar_t value[SETTING_BYTES / sizeof(wchar_t) + 1] = {0};
  DWORD type = 0;
  DWORD size = SETTING_BYTES;
  LONG result = RegQueryValueExW(key, L"UseRealMessageBox", nullptr, &type,
                                 reinterpret_cast<BYTE *>(value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ)
    return;
  // size is at most SETTING_BYTES, so the terminator always lands inside the buffer.
  value[size / sizeof(wchar_t)] = 0;
  g_dialogs.platformMessageBox = static_cast<int>(_wtol(value));
}

static bool HasMainWindow()
{
  return g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow);
}

static INT_PTR OnMessageInit(HWND dialog)
{
  MessageRecord *record = &g_dialogs.message;
  record->font = PrepareDialog(dialog, SW_HIDE);
  record->savedTitle[0] = 0;
  GetWindowTextW(g_app.mainWindow, record->savedTitle, TEXT_CAPACITY);
  SetWindowTitle(g_app.mainWindow, record->caption);
  SetDialogItemText(dialog, IDC_MSGSTR1, record->text, record->font);
  SetDialogItemText(dialog, IDC_MSGSTR2, record->detail, record->font);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(GetDlgItem(dialog, IDC_MSGSTR1));
  return FALSE;
}

static INT_PTR OnMessageCommand(HWND dialog, int command)
{
  if (command != IDOK && command != IDCANCEL && command != IDYES && command != IDNO)
    return TRUE;
  // Only the dialog on top may end; a command aimed at a covered one is ignored.
  if (dialog != g_app.openDialog)
    return TRUE;
  SetWindowTitle(g_app.mainWindow, g_dialogs.message.savedTitle);
  EndCurrentDialog();
  return TRUE;
}

static INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
  case WM_INITDIALOG:
    return OnMessageInit(dialog);
  case WM_COMMAND:
    return OnMessageCommand(dialog, LOWORD(wParam));
  default:
    return FALSE;
  }
}

static void ShowInMessageDialog()
{
  HWND main = g_app.mainWindow;
  // A message shown over another message must not bring back the outer one's caption.
  wchar_t title[TEXT_CAPACITY] = {0};
  GetWindowTextW(main, title, TEXT_CAPACITY);
  CopyText(g_dialogs.message.savedTitle, TEXT_CAPACITY, title);
  ShowWindow(main, SW_SHOW);

  HACCEL remembered = g_app.currentAccelerators;
  g_app.currentAccelerators = LoadAcceleratorsW(ProgramInstance(), MAKEINTRESOURCEW(IDA_MESSAGE));
  HWND dialog = CreateFrameworkDialog(ProgramInstance(), IDD_MESSAGE, main, MessageDialogProc, 0);
  if (dialog != nullptr) {
    g_app.openDialog = dialog;
    RunDialogLoop();
  }
  g_app.currentAccelerators = remembered;
  SetWindowTitle(main, title);
}

void ShowErrorMessage(TextOrId text, TextOrId detail)
{
  MessageRecord *record = &g_dialogs.message;
  LoadTextOrId(TEXT_ID(IDS_ERROR), record->caption, TEXT_CAPACITY);
  LoadTextOrId(text, record->text, TEXT_CAPACITY);
  LoadTextOrId(detail, record->detail, TEXT_CAPACITY);
  // A detail may quote a file's own bytes (a run file's line): show no control characters.
  ReplaceControlCharacters(record->text);
  ReplaceControlCharacters(record->detail);
  if (s_collector != nullptr) {
    s_collector(record->text, record->detail, record->caption);
    return;
  }
  LogMessage(record->caption, record->text, record->detail);
  ReadUseRealMessageBox();

  bool stackFull = g_dialogs.levelCount >= DIALOG_STACK_LEVELS - 1;
  if (g_dialogs.platformMessageBox != 0 || !HasMainWindow() || stackFull) {
    MessageBoxW(nullptr, record->detail, record->text, MB_OK | MB_ICONEXCLAMATION);
  } else {
    ShowInMessageDialog();
  }

  // Focus stays on a framework dialog that is still open beneath this message.
  if (g_app.openDialog != nullptr)
    return;
  if (g_app.presentationWindow != nullptr)
    SetFocus(g_app.presentationWindow);
  else if (HasMainWindow())
    SetFocus(g_app.mainWindow);
}

// wsprintfW writes up to 1024 characters; the detail is cut to its 256-character buffer.
static void FormatDetail(wchar_t *detail, const wchar_t *format, DWORD code, const wchar_t *extra)
{
  wchar_t scratch[FORMAT_SCRATCH];
  wchar_t shortExtra[TEXT_CAPACITY];
  CopyText(shortExtra, TEXT_CAPACITY, extra != nullptr ? extra : L"");
  wsprintfW(scratch, format, code, shortExtra);
  scratch[FORMAT_SCRATCH - 1] = 0;
  CopyText(detail, DETAIL_CAPACITY, scratch);
}

void ShowErrorWithCode(TextOrId text, DWORD code)
{
  wchar_t detail[DETAIL_CAPACITY];
  FormatDetail(detail, L"%.8lX", code, nullptr);
  ShowErrorMessage(text, detail);
}

void ShowErrorWithCodeText(TextOrId text, DWORD code, const wchar_t *extra)
{
  wchar_t detail[DETAIL_CAPACITY];
  FormatDetail(detail, L"err: %.8lX, %s", code, extra);
  ShowErrorMessage(text, detail);
}

void ShowLastError(TextOrId text)
{
  ShowErrorWithCode(text, GetLastError());
}

void ShowLastErrorText(TextOrId text, const wchar_t *extra)
{
  ShowErrorWithCodeText(text, GetLastError(), extra);
}

void UsePlatformMessageBox()
{
  g_dialogs.platformMessageBox = 1;
}
