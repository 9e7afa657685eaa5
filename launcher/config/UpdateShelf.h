#pragma once
// Where a script goes once its update was taken: the Applied or the Rejected folder, its
// name led by the time of the outcome so that the last ten of each are kept; a rejected
// one with a text file of its findings beside it.
#include <windows.h>

#include "launcher/config/UpdateFindings.h"

// The signature file beside a script: its path and ".sig".
#define UPDATE_SIGNATURE_SUFFIX L".sig"
// The findings file beside a rejected script: its shelved path and ".txt".
#define UPDATE_FINDINGS_SUFFIX L".txt"

// Moves the script (and its signature file) to the folder of its outcome and keeps the
// last UPDATE_KEEP_LIMIT there. A script that cannot be moved is deleted, so that it is
// not taken again. False when it is still where it was.
bool ShelveUpdateScript(const wchar_t *path, bool applied, const UpdateFindings *findings);
