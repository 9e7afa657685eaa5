// The start-up sequence: profile, platform, home configuration, main window, loop.
#include "launcher/shell/Startup.h"

#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/IconCache.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/IdleHome.h"
#include "launcher/shell/LauncherLog.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/UpdateWatch.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/WMCmdBar.h"
#include "resources/resource.h"

// A start-up that cannot go on: the shell is given back where it was taken.
static int EndStartUp(const wchar_t *how, bool restoreShell)
{
  if (restoreShell)
    RestoreShell();
  FinishLauncherLog(how);
  return 0;
}

int RunLauncher(HINSTANCE instance, const wchar_t *commandLine)
{
  g_app.focusFlag = true;
  g_app.stackDepth = 0;
  g_app.highResolution = false;
  g_profile.keyLayout = 0;

  // A second start leaves the shell and the configuration to the launcher that runs.
  if (FindRunningLauncher(instance, IDS_CLASS_NAME))
    return 0;

  // The log starts first, so that even a profile that cannot be found is in it.
  StartLauncherLog(commandLine);
  // A reset in the middle of an update leaves its rollback to finish before anything is read.
  FinishUpdateAfterReset();
  if (!SelectProfile(commandLine))
    return EndStartUp(END_NO_PROFILE, false);
  LogProfileChosen();

  g_app.instance = instance;

  HDC screen = GetDC(nullptr);
  g_app.highResolution = GetDeviceCaps(screen, LOGPIXELSX) >= 192;
  ReleaseDC(nullptr, screen);

  ProbePlatform();
  if (ReadFullScreenSetting())
    EnterFullScreen();
  else
    RestoreWorkArea();

  if (!LoadConfiguration(g_profile.configurationKeyPath))
    return EndStartUp(END_HOME_FAILED, true);

  Sleep(100);

  if (!RegisterMainClass(instance, IDS_CLASS_NAME, MainWindowProc))
    return EndStartUp(END_WINDOW_FAILED, true);

  DWORD style = 0;
  if (g_settings.titleShown && CaptionAllowed())
    style = WS_CAPTION;
  if (!CreateMainWindow(instance, SW_SHOW, style, IDS_CLASS_NAME, IDS_WINDOW_TEXT))
    return EndStartUp(END_WINDOW_FAILED, true);

  if (NeedsMenuBar())
    CreateEmptyMenuBar();
  StartStatusStrip(g_app.mainWindow);

  ClearWindowTitle();
  ComputeTitleLimit();
  SetWindowTextW(g_app.mainWindow, g_settings.titleText);
  UpdateWindow(g_app.mainWindow);
  RecordWindowGeometry();

  g_app.exitOnEsc = ReadExitOnEsc();
  g_app.backOnZero = ReadBackOnZero();
  ReportLogSizeIfFaulty();
  ReadExitGuard();
  StartIdleHome(g_app.mainWindow);
  StartUpdateWatch(g_app.mainWindow, commandLine);

  int exitCode = RunMessageLoop(IDA_LAUNCHER);
  // Every orderly end has written its event when the window went; a quit message that
  // came from elsewhere has not.
  FinishLauncherLog(END_QUIT_MESSAGE);
  // The entries go first: they may show kept file icons, which go last.
  ClearProgramEntries();
  ReleaseFileIcons();
  return exitCode;
}
