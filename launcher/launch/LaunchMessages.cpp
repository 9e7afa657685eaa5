// The messages of a failed launch. The main window comes forward first, so the user sees
// the launcher again under the message rather than whatever was on top of it.
#include "Common/StdInit.h"
#include "launcher/launch/LaunchCommand.h"
#include "launcher/launch/LaunchSteps.h"

static void ShowMainWindow()
{
  if (g_app.mainWindow == nullptr)
    return;
  ShowWindow(g_app.mainWindow, SW_SHOW);
  SetForegroundWindow(g_app.mainWindow);
}

static LaunchFailure *s_failure = nullptr;

LaunchFailure *UseLaunchFailureRecord(LaunchFailure *record)
{
  LaunchFailure *previous = s_failure;
  s_failure = record;
  return previous;
}

// Kept for the event log, which names the failure beside the entry that failed; taken
// before the message, whose loop may run other launches.
static void KeepFailure(TextOrId text, DWORD code, bool hasCode)
{
  if (s_failure == nullptr)
    return;
  LoadTextOrId(text, s_failure->message, TEXT_CAPACITY);
  s_failure->code = code;
  s_failure->hasCode = hasCode;
}

void ReportLaunchFailure(TextOrId text, TextOrId detail)
{
  KeepFailure(text, 0, false);
  ShowMainWindow();
  ShowErrorMessage(text, detail);
}

// The code is taken by the caller before the window calls can overwrite the last error.
void ReportLaunchError(TextOrId text, DWORD code)
{
  KeepFailure(text, code, true);
  ShowMainWindow();
  ShowErrorWithCode(text, code);
}

void ReportLaunchErrorText(TextOrId text, DWORD code, const wchar_t *extra)
{
  KeepFailure(text, code, true);
  ShowMainWindow();
  ShowErrorWithCodeText(text, code, extra);
}
