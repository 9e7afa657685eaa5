#pragma once
// What the launcher writes into its event log about itself: its start, the profile it
// chose, the configurations it leaves because of a failure or the idle return, and how it
// ended. The log lives beside the launcher's program file.
#include <windows.h>

#include "launcher/shell/PasswordPrompt.h"

#define LOG_FILE_NAME L"Ferrolt.log"
// Where the log goes when the program cannot name its own folder: where it is installed.
#define LOG_FALLBACK_PATH L"\\Application\\Ferrolt\\Ferrolt.log"

// How a run ended, as the log names it.
#define END_USER_EXIT L"exit by the user"
#define END_QUIT_AFTER_LAUNCH L"quit after a start"
#define END_CLOSED_FROM_OUTSIDE L"closed by another program"
#define END_HOME_FAILED L"home configuration failed"
#define END_NO_PROFILE L"no profile"
#define END_WINDOW_FAILED L"main window not created"
#define END_MENU_BAR_FAILED L"menu bar not created"
#define END_QUIT_MESSAGE L"quit message"

// Why a configuration was left when the user did not ask for it.
#define LEFT_BY_FAILURE L"failure"
#define LEFT_BY_IDLE L"idle"

struct LauncherLogState {
  bool logSizeFaulty;        // LogSize is reported once the main window stands
  const wchar_t *endReason;  // set just before the launcher sends itself WM_CLOSE
  bool endLogged;
};
extern LauncherLogState g_launcherLog;

// Starts the log, bounded by LogSize, and writes the start-up event: version, platform
// family, screen size and command line.
void StartLauncherLog(const wchar_t *commandLine);
// The profile SelectProfile chose.
void LogProfileChosen();
// Shows the message for a faulty LogSize, once the launcher's other settings are read.
void ReportLogSizeIfFaulty();
// A configuration left without the user asking: reason LEFT_BY_FAILURE or LEFT_BY_IDLE; to
// is empty when there is none to go back to.
void LogConfigurationLeft(const wchar_t *from, const wchar_t *to, const wchar_t *reason);
// A password prompt's outcome (a PasswordOutcome), never what was typed: prompt names the
// prompt ("exit", "entry"), entry the protected entry's label or null. A wrong answer
// carries the count in a row and, once that starts a wait, its length in seconds.
void LogPasswordOutcome(const wchar_t *prompt, const wchar_t *entry, int outcome,
                        const PasswordTries *tries);
// The reason of the WM_CLOSE the launcher is about to send or post itself; null clears it.
void SetEndReason(const wchar_t *how);
// The end event, once per run: with the reason given, else the one set, else a close
// asked by another program.
void LogLauncherEnd(const wchar_t *how);
// The end of the run: the end event when none was written, then the log stops.
void FinishLauncherLog(const wchar_t *how);
