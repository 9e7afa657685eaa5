// The messages of a failed launch. The main window comes forward first, so the user sees
// the launcher again under the message rather than whatever was on top of it.
#include "Common/StdInit.h"
#include "launcher/launch/LaunchSteps.h"

static void ShowMainWindow()
{
  if (g_app.mainWindow == nullptr)
    return;
  ShowWindow(g_app.mainWindow, SW_SHOW);
  SetForegroundWindow(g_app.mainWindow);
}

void ReportLaunchFailure(TextOrId text, TextOrId detail)
{
  ShowMainWindow();
  ShowErrorMessage(text, detail);
}

// The code is taken by the caller before the window calls can overwrite the last error.
void ReportLaunchError(TextOrId text, DWORD code)
{
  ShowMainWindow();
  ShowErrorWithCode(text, code);
}

void ReportLaunchErrorText(TextOrId text, DWORD code, const wchar_t *extra)
{
  ShowMainWindow();
  ShowErrorWithCodeText(text, code, extra);
}
