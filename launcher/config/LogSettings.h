#pragma once
// LogSize of the product key: how large the event log may grow, in KB.
#include <windows.h>

enum { LOG_SIZE_DEFAULT_KB = 64, LOG_SIZE_MAX_KB = 1024 };

// 0 (no log) to 1,024 KB are allowed.
bool IsAllowedLogSize(DWORD kilobytes);

// Reads LogSize from the product key: the default when it is missing; *faulty tells that
// the value is not a REG_DWORD the launcher allows (the default then counts). Shows nothing,
// so that the log can start before anything else.
DWORD ReadLogSize(bool *faulty);

// The message for a faulty LogSize, shown as the other setting checks are.
void ReportFaultyLogSize();
