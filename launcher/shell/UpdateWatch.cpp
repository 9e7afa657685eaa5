// The update folders watched from the message loop, and what a taken update does to the
// screen.
#include "launcher/shell/UpdateWatch.h"

#include "Common/EventLog.h"
#include "Common/StdInit.h"
#include "launcher/config/KeptScript.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/UpdateApply.h"
#include "launcher/config/UpdateCheck.h"
#include "launcher/config/UpdateFolder.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/IdleHome.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"

enum {
  UPDATE_LOOK_AGAIN_MS = 500,  // while a script settles
  UPDATE_ROUND_LIMIT = 20,     // scripts taken in one round; the rest at the next look
};

struct UpdateWatchState {
  HWND window;
  HANDLE notifications[UPDATE_FOLDER_LIMIT];  // by folder; null where none could be made
  int folderOfWait[UPDATE_FOLDER_LIMIT];      // the folder of each handle the loop waits on
};
static UpdateWatchState s_watch;

static const DWORD UPDATE_NOTIFY_FILTER =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

static void OnUpdateWait(int index)
{
  if (index >= 0 && index < UPDATE_FOLDER_LIMIT) {
    HANDLE handle = s_watch.notifications[s_watch.folderOfWait[index]];
    if (handle != nullptr)
      FindNextChangeNotification(handle);
  }
  TakeUpdates();
}

// A folder that is not there yet (a storage card not inserted) is watched once it is:
// every look tries it again.
static void WatchFolders(DWORD timeout)
{
  HANDLE handles[UPDATE_FOLDER_LIMIT];
  int count = 0;
  for (int i = 0; i < g_updateFolders.folderCount && i < UPDATE_FOLDER_LIMIT; ++i) {
    HANDLE &handle = s_watch.notifications[i];
    if (handle == nullptr) {
      handle = FindFirstChangeNotificationW(g_updateFolders.folders[i], FALSE,
                                            UPDATE_NOTIFY_FILTER);
      if (handle == INVALID_HANDLE_VALUE)
        handle = nullptr;
    }
    if (handle == nullptr)
      continue;
    s_watch.folderOfWait[count] = i;
    handles[count++] = handle;
  }
  SetLoopWaits(handles, count, timeout, &OnUpdateWait);
}

static void CloseNotifications()
{
  for (int i = 0; i < UPDATE_FOLDER_LIMIT; ++i) {
    if (s_watch.notifications[i] != nullptr)
      FindCloseChangeNotification(s_watch.notifications[i]);
    s_watch.notifications[i] = nullptr;
  }
}

void FinishUpdateAfterReset()
{
  FinishInterruptedUpdate();
}

void StartUpdateWatch(HWND window, const wchar_t *commandLine)
{
  s_watch.window = window;
  CopyText(g_update.commandLine, TEXT_CAPACITY, commandLine != nullptr ? commandLine : L"");
  CreateDirectoryW(UPDATE_FOLDER, nullptr);
  ReadUpdateSettings();
  WatchFolders(0);
}

void StopUpdateWatch()
{
  SetLoopWaits(nullptr, 0, INFINITE, nullptr);
  CloseNotifications();
  s_watch.window = nullptr;
}

void LookForUpdatesSoon()
{
  if (s_watch.window != nullptr)
    SetLoopWaitTimeout(0);
}

// The cold-boot copy follows every good update; a configuration it cannot carry leaves
// the copy as it was, and the log says why.
static void KeepForColdBoot()
{
  const wchar_t *path = g_shell.plainCe ? KEPT_SCRIPT_PLAIN_CE : KEPT_SCRIPT_WINDOWS_MOBILE;
  const wchar_t *reason = nullptr;
  bool written = RewriteKeptScript(path, ProductKeyPath(), &reason);
  LogField fields[] = {LogText("file", path),
                       LogText("outcome", written ? L"rewritten" : L"left as it was"),
                       LogText("reason", written ? L"" : reason)};
  LogEvent("KEPT-SCRIPT", fields, written ? 2 : 3);
}

static void TellUser(bool applied)
{
  if (!g_updateFolders.messageWanted)
    return;
  if (applied) {
    ShowMessageBox(g_app.mainWindow, L"The launcher's configuration was updated.", L"Ferrolt",
                   MB_OK | MB_ICONINFORMATION);
    return;
  }
  wchar_t text[TEXT_CAPACITY];
  CopyText(text, TEXT_CAPACITY, L"A configuration update was refused: ");
  AppendText(text, TEXT_CAPACITY, FirstUpdateError(&g_update.findings));
  ShowMessageBox(g_app.mainWindow, text, L"Ferrolt Warning", MB_OK | MB_ICONWARNING);
}

// The registry is as it was: the records the check used are loaded again for the
// configuration on the screen, which stays as it stands.
static void ReloadShownConfiguration(const ProfileState &shown)
{
  g_profile = shown;
  static UpdateFindings ignored;  // too large for the stack
  ClearUpdateFindings(&ignored);
  StartCollectingUpdateFindings(&ignored);
  ClearProgramEntries();
  LoadConfiguration(g_profile.configurationKeyPath);
  LoadEntryIcons();
  StopCollectingUpdateFindings();
  if (g_app.presentationWindow != nullptr)
    InvalidateRect(g_app.presentationWindow, nullptr, TRUE);
}

// The new configuration at once: home, as a fresh start shows it, with the values start-up
// reads taken again.
static void ShowUpdatedHome()
{
  HWND window = s_watch.window;
  TearDownPresentation();
  g_app.stackDepth = 0;
  ClearWindowTitle();
  StartCollectingUpdateFindings(&g_update.findings);
  SelectProfile(g_update.commandLine);
  StopCollectingUpdateFindings();
  g_app.exitOnEsc = ReadExitOnEsc();
  g_app.backOnZero = ReadBackOnZero();
  ReadExitGuard();
  StopIdleHome(window);
  StartIdleHome(window);
  // The folders and the key may have changed with it.
  CloseNotifications();
  ReadUpdateSettings();
  OnShowConfiguration(window);
  UpdateWindowTitle();
}

void TakeUpdates()
{
  if (s_watch.window == nullptr || s_watch.window != g_app.mainWindow)
    return;
  bool settling = false;
  for (int round = 0; round < UPDATE_ROUND_LIMIT; ++round) {
    // An open framework dialog goes first; one that will not go leaves the update waiting.
    if (!CloseFrameworkDialogs())
      break;
    wchar_t path[TEXT_CAPACITY];
    if (!FindSettledUpdate(path, &settling))
      break;
    static ProfileState shown;
    shown = g_profile;
    UpdateOutcome outcome = ApplyUpdateFile(path);
    if (outcome == UPDATE_APPLIED) {
      KeepForColdBoot();
      ShowUpdatedHome();
    }
    else if (outcome == UPDATE_REJECTED)
      ReloadShownConfiguration(shown);
    if (outcome == UPDATE_NOT_TAKEN)
      settling = true;  // held by its writer: looked at again soon
    if (outcome != UPDATE_APPLIED && outcome != UPDATE_REJECTED)
      break;
    TellUser(outcome == UPDATE_APPLIED);
  }
  WatchFolders(settling ? static_cast<DWORD>(UPDATE_LOOK_AGAIN_MS) : INFINITE);
}
