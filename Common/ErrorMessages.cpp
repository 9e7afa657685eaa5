// Error messages. Until the framework's own message dialog lands they use the platform
// message box: caption the text, body the detail.
#include "Common/StdInit.h"

DialogFrameworkState g_dialogs;

void ShowErrorMessage(TextOrId text, TextOrId detail)
{
  LoadTextOrId(text, g_dialogs.message.text, TEXT_CAPACITY);
  LoadTextOrId(detail, g_dialogs.message.detail, TEXT_CAPACITY);
  MessageBoxW(nullptr, g_dialogs.message.detail, g_dialogs.message.text, MB_OK | MB_ICONEXCLAMATION);
}

void ShowErrorWithCode(TextOrId text, DWORD code)
{
  wchar_t detail[256];
  wsprintfW(detail, L"%.8lX", code);
  ShowErrorMessage(text, detail);
}

void ShowLastError(TextOrId text)
{
  ShowErrorWithCode(text, GetLastError());
}

void ShowErrorWithCodeText(TextOrId text, DWORD code, const wchar_t *extra)
{
  wchar_t detail[256];
  wsprintfW(detail, L"err: %.8lX, %s", code, extra != nullptr ? extra : L"");
  ShowErrorMessage(text, detail);
}

void ShowLastErrorText(TextOrId text, const wchar_t *extra)
{
  ShowErrorWithCodeText(text, GetLastError(), extra);
}

void UsePlatformMessageBox()
{
  g_dialogs.platformMessageBox = 1;
}
