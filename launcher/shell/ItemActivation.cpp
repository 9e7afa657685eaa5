// What an activated item does, and what the launcher's keys do.
#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/EntryGuard.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/LauncherLog.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

void SelectItemForActivation(int index)
{
  if (IsMenuBarsMode()) {
    SelectMenuItem(index);
  } else {
    SelectListItem(index);
    SetSelectionState(true);
  }
}

static void ShowLauncherAbout()
{
  ShowAboutBox(TEXT_ID(IDS_VERSION), TEXT_ID(IDS_WINDOW_TEXT), IDI_PROGRAM,
               TEXT_ID(IDS_COPYRIGHT), TEXT_ID(IDS_COMPANY));
}

static void ShowNameTooLong()
{
  wchar_t message[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_CONFIGURATION_NAME_TOO_LONG), message, TEXT_CAPACITY);
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Error ", MB_OK);
}

static void LaunchEntry(int index)
{
  const ProgramEntry &entry = g_entries.entries[index];
  // The launcher stays to watch a kept program: closing would end the watch at once.
  bool quit = g_settings.quitAfterLaunch == 1 && !IsWatchedEntry(entry);
  if (NeedsWorkAreaBeforeLaunch())
    RestoreWorkArea();
  if (!LaunchProgramEntry(entry, g_entries.keyNames[index])) {
    if (IsMenuBarsMode()) {
      RefreshMenuRows();
    } else {
      SelectListItem(index);
      SetSelectionState(true);
    }
    return;
  }
  if (quit) {
    SetEndReason(END_QUIT_AFTER_LAUNCH);
    SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  }
}

void ActivateItem(int index)
{
  if (index < 0 || index >= g_entries.count || index >= ENTRY_TABLE_SLOTS)
    return;
  const ProgramEntry &entry = g_entries.entries[index];
  bool added = index == g_presentation.aboutIndex || index == g_presentation.exitIndex ||
               index == g_presentation.returnIndex;
  // Tap, Enter, digit and hot key all come here: a protected entry asks first.
  if (!added && !ConfirmEntryPick(index))
    return;

  if (!added && entry.isCall) {
    // A configuration whose keys could not be read is not entered: the user stays here.
    if (!ConfigurationNameFits(entry.call))
      ShowNameTooLong();
    else if (CheckConfiguration(entry.call) &&
             PostMessageW(g_app.mainWindow, MSG_ENTER_CONFIGURATION, 0,
                          reinterpret_cast<LPARAM>(entry.call)))
      GrantCall(entry.call);
  } else if (index == g_presentation.returnIndex) {
    if (IsMenuBarsMode())
      SelectMenuItem(0);
    if (g_app.stackDepth > 0 &&
        CheckConfiguration(g_navigation.stack[g_app.stackDepth - 1]))
      PostMessageW(g_app.mainWindow, MSG_BACK, 0, 0);
  } else if (index == g_presentation.exitIndex) {
    if (!ConfirmUserExit())
      return;
    if (IsMenuBarsMode())
      PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    else
      SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  } else if (index == g_presentation.aboutIndex) {
    ShowLauncherAbout();
  } else {
    LaunchEntry(index);
  }
}

static void ActivateByNumber(int commandId)
{
  if (g_settings.number != 1)
    return;
  int index = commandId - CMD_DIGIT_1;
  int limit = g_entries.count - (g_presentation.returnNumberedZero ? 1 : 0);
  if (index < 0 || index >= limit)
    return;
  SelectItemForActivation(index);
  ActivateItem(index);
}

void HandleCommand(HWND window, int commandId)
{
  switch (commandId) {
  case IDOK:
    if (g_app.openDialog != nullptr)
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
    else if (ConfirmUserExit())
      PostMessageW(window, WM_CLOSE, 0, 0);
    return;
  case IDCANCEL:
    if (g_settings.exitShown && ConfirmUserExit())
      PostMessageW(window, WM_CLOSE, 0, 0);
    return;
  case CMD_QUIT:
    if (ConfirmUserExit())
      SendMessageW(window, WM_CLOSE, 0, 0);
    return;
  case CMD_ABOUT:
    ShowLauncherAbout();
    return;
  case CMD_DIGIT_0:
    if (g_presentation.returnNumberedZero && g_presentation.returnIndex >= 0) {
      SelectItemForActivation(g_presentation.returnIndex);
      ActivateItem(g_presentation.returnIndex);
      return;
    }
    ActivateByNumber(commandId);
    return;
  default:
    if (commandId >= CMD_DIGIT_1 && commandId <= CMD_DIGIT_9)
      ActivateByNumber(commandId);
    return;
  }
}

void ConfirmExit()
{
  if (!g_settings.exitShown || (g_app.exitOnEsc != 1 && g_app.exitOnEsc != 2))
    return;
  if (!ConfirmUserExit())
    return;
  switch (g_app.exitOnEsc) {
  case 1:
    PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    break;
  case 2:
    if (ShowMessageBox(g_app.mainWindow, L"Do you want to exit from Ferrolt?", L"Ferrolt Warning",
                       MB_YESNO | MB_ICONQUESTION) == IDYES)
      PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    else
      SetEndReason(nullptr);
    break;
  default:
    break;
  }
}
