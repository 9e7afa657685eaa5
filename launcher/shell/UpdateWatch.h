#pragma once
// Configuration updates in the running launcher: the update folders' change notifications
// waited on in the message loop, every settled script applied whole or not at all, and a
// good update shown at once by going home.
#include <windows.h>

// Start-up, before anything is read: finishes the rollback of an update a reset broke off.
void FinishUpdateAfterReset();
// Once the main window stands: reads the update settings, watches the folders and takes
// what already waits there as soon as the loop runs.
void StartUpdateWatch(HWND window, const wchar_t *commandLine);
void StopUpdateWatch();
// Looks at the folders once the queue is empty (the home configuration was just shown).
void LookForUpdatesSoon();
// Takes every settled update now (the loop's handler, and tests).
void TakeUpdates();
