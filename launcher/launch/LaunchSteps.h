#pragma once
// The steps of a launch, one unit each; every step shows its own message on failure.
#include <windows.h>

#include "Common/StdFuncs.h"

struct LaunchFailure;
// The record the messages below describe their failure in, for the launch under way; a
// launch started while a message of another is shown has its own. Returns the one before.
LaunchFailure *UseLaunchFailureRecord(LaunchFailure *record);

// Shows the main window, brings it forward and shows the message.
void ReportLaunchFailure(TextOrId text, TextOrId detail);
void ReportLaunchError(TextOrId text, DWORD code);
void ReportLaunchErrorText(TextOrId text, DWORD code, const wchar_t *extra);

// Replaces the run file named by path with the program it names (macros expanded) and
// fills arguments with its second line (empty when it has none).
bool ReadRunFile(wchar_t *path, wchar_t *arguments);

// Replaces the shortcut named by path with its target. *argumentsFound tells whether the
// target carried an argument text, which then is in arguments.
bool ReadShortcut(wchar_t *path, wchar_t *arguments, bool *argumentsFound);

// The "Shell\Open\Command" template registered for the extension.
bool FindCommandTemplate(const wchar_t *extension, wchar_t *command);

// The file name of the executable followed by " Not Found!!!".
void NameNotFound(const wchar_t *executable, wchar_t *message);

// Splits a command line in place into the executable and the text given to the process.
// False (with the message shown) when an opening quote has no closing quote.
bool SplitCommandLine(wchar_t *command, wchar_t **executable, wchar_t **processLine);
