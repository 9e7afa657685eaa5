#pragma once
// The check of the whole active profile after an update was imported: the profile chosen
// as start-up chooses it, then every configuration reachable from "Default" checked and
// loaded the way the launcher shows it, every message it would show collected as a
// finding (a "Ferrolt Warning" is a warning, every other message an error).
#include <windows.h>

#include "launcher/config/UpdateFindings.h"

enum { UPDATE_CHECK_CONFIGURATIONS = 64 };  // configurations walked at most

// Messages shown while it runs are collected into findings: the loader's line messages
// as script findings with their line, the others under the configuration being checked.
void StartCollectingUpdateFindings(UpdateFindings *findings);
void StopCollectingUpdateFindings();

// Leaves g_profile and the live entry table as the walk left them; the caller loads what
// it shows afterwards. True when no error was found.
bool CheckUpdatedProfile(const wchar_t *commandLine, UpdateFindings *findings);
