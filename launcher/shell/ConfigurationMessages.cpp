// The private messages that change what is shown: start-up, entering a called
// configuration, going back and building the presentation; and the end of the program.
#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/EntryGuard.h"
#include "launcher/shell/LauncherLog.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UpdateWatch.h"

void OnStartUp(HWND window)
{
  CheckConfiguration(DEFAULT_CONFIGURATION);
  PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
}

// The name arrives as a pointer in a message anyone can post: accept only the Call text
// of an entry of the current table.
static bool IsCallTextOfCurrentTable(LPARAM name)
{
  for (LONG i = 0; i < g_entries.count && i < ENTRY_TABLE_SLOTS; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    if (entry.isCall && reinterpret_cast<LPARAM>(entry.call) == name)
      return true;
  }
  return false;
}

void OnEnterConfiguration(HWND window, LPARAM name)
{
  if (name == 0 || !IsCallTextOfCurrentTable(name) ||
      !TakeCallGrant(reinterpret_cast<const wchar_t *>(name)))
    return;
  TearDownPresentation();
  // The entry table that holds the text is emptied by what follows.
  CopyText(g_mainWindow.calledConfiguration, TEXT_CAPACITY, reinterpret_cast<const wchar_t *>(name));
  if (EnterConfiguration(g_mainWindow.calledConfiguration)) {
    PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
    return;
  }
  int below = g_app.stackDepth - 1;
  LogConfigurationLeft(g_mainWindow.calledConfiguration,
                       below >= 0 && below < CONFIGURATION_STACK_SIZE ? g_navigation.stack[below]
                                                                     : L"",
                       LEFT_BY_FAILURE);
  PostMessageW(window, MSG_BACK, 0, 0);
}

void OnBack(HWND window)
{
  ForgetCallGrant();
  TearDownPresentation();
  ReturnToPreviousConfiguration();
  PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
}

void ShowEntryWarnings()
{
  CheckProgramEntries();
  WarnSequenceGap();
  if (!g_hotKeysRegistered)
    ShowMessageBox(g_app.mainWindow,
                   L"Hotkey registration is unsuccessful.\nYou may have used same key pair for "
                   L"more than one program",
                   L"Ferrolt Warning", MB_OK);
}

void OnShowConfiguration(HWND window)
{
  // A show request can come while a presentation stands: two rotations before the queue is
  // pumped, one during the start-up check's message, or one posted by another process.
  // What is shown goes first (with its hot keys, so that registering them again does not
  // count as a clash), so that only one presentation ever stands.
  ForgetCallGrant();
  TearDownPresentation();
  // Device management may have changed the entries of kept programs meanwhile.
  ReviewWatchedPrograms();
  ClearProgramEntries();
  bool built = LoadConfiguration(g_profile.configurationKeyPath) && RegisterEntryHotKeys() &&
               LoadEntryIcons() && BuildPresentation(window);
  if (built) {
    ShowEntryWarnings();
    if (g_app.presentationWindow != nullptr) {
      InvalidateRect(g_app.presentationWindow, nullptr, TRUE);
      UpdateWindow(g_app.presentationWindow);
    }
    QueueAutoStarts();
    WatchNetworkMarks();
    if (g_app.stackDepth == 0)
      LookForUpdatesSoon();
    return;
  }
  wchar_t failed[TEXT_CAPACITY];
  CopyText(failed, TEXT_CAPACITY, g_profile.configurationName);
  ReturnToPreviousConfiguration();
  if (g_app.stackDepth > 0) {
    LogConfigurationLeft(failed, g_profile.configurationName, LEFT_BY_FAILURE);
    PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
  } else {
    SetEndReason(END_HOME_FAILED);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

void TearDownPresentation()
{
  if (g_presentation.smallImages != nullptr) {
    ImageList_Destroy(g_presentation.smallImages);
    g_presentation.smallImages = nullptr;
  }
  if (g_presentation.largeImages != nullptr) {
    ImageList_Destroy(g_presentation.largeImages);
    g_presentation.largeImages = nullptr;
  }
  UnregisterEntryHotKeys();
  if (g_app.presentationWindow != nullptr) {
    HWND presentation = g_app.presentationWindow;
    g_app.presentationWindow = nullptr;
    DestroyWindow(presentation);
  }
  ReleaseMenuBars();
}

bool CloseApplication()
{
  while (g_app.openDialog != nullptr) {
    HWND dialog = g_app.openDialog;
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    if (g_app.openDialog == dialog)
      break;
  }

  bool destroyed = false;
  if (g_app.openDialog == nullptr && g_app.mainWindow != nullptr) {
    // The presentation's image lists are its own, not the control's: give them back here,
    // since destroying the window alone would leave them. First, as the focus coming back
    // to the main window hides the bars again.
    TearDownPresentation();
    // The shell library shows the bars only for a window that still exists.
    if (WantsShownBars())
      ShowShellBars();
    DestroyWindow(g_app.mainWindow);
    g_app.mainWindow = nullptr;
    destroyed = true;
    LogLauncherEnd(nullptr);
  }
  // A close that did not happen leaves no reason behind for the next one.
  SetEndReason(nullptr);
  RestoreShell();
  return destroyed;
}
