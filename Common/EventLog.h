#pragma once
// A bounded event log on the device's storage: one line of UTF-8 text per event, written
// whole and flushed, so that a reset loses at most the event being written. The file is
// opened for each event and closed again, so that a support tool can copy it at any time.
//
// A line: local time to the second, the event's kind and its fields, separated by one
// blank, ended by CR LF:
//     2026-12-08 21:39:23 LAUNCH entry="Scanner" key="Prog1" by="user"
// A text field is written between double quotes, a double quote inside it doubled, every
// control character (line feeds included) as one blank; a text too long for the line is
// cut and ends in "...". A number is written bare, in decimal, or as eight upper-case
// hexadecimal digits for an error or exit code, as the launcher's messages show codes.
#include <windows.h>

#include "Common/StdFuncs.h"

enum {
  LOG_LINE_CAPACITY = 2048,  // bytes of one line, its line end included
  LOG_KIND_CAPACITY = 24,    // bytes of an event's kind
};

enum LogFieldForm { LOG_FIELD_TEXT, LOG_FIELD_DECIMAL, LOG_FIELD_CODE };

// One field of an event. The name is lower-case ASCII.
struct LogField {
  const char *name;
  int form;
  const wchar_t *text;  // LOG_FIELD_TEXT: null counts as empty
  DWORD number;         // the other forms
};

LogField LogText(const char *name, const wchar_t *text);
LogField LogDecimal(const char *name, DWORD number);
// Eight upper-case hexadecimal digits, as a platform error or an exit code is shown.
LogField LogCode(const char *name, DWORD code);

struct EventLogState {
  bool on;
  wchar_t path[TEXT_CAPACITY];       // the file written
  wchar_t olderPath[TEXT_CAPACITY];  // the file it becomes when full: the path and ".1"
  DWORD bound;                       // bytes one file may hold
  bool tailChecked;                  // what an earlier run left at the end was looked at
};
extern EventLogState g_eventLog;

// Starts the log in the file at path, each of its two files bounded to bound bytes; a
// bound of 0 leaves the log off. Writes nothing. False when the log stays off.
bool OpenEventLog(const wchar_t *path, DWORD bound);
// Writes one event. Does nothing while the log is off. A write that fails turns the log off
// for the rest of the run, without a message; a file held by another program (a copy
// being taken) loses this one event only.
void LogEvent(const char *kind, const LogField *fields, int count);
inline void LogEvent(const char *kind)
{
  LogEvent(kind, nullptr, 0);
}
template <int N>
inline void LogEvent(const char *kind, const LogField (&fields)[N])
{
  LogEvent(kind, fields, N);
}
// Stops writing; later events are dropped.
void CloseEventLog();

// Builds the line of an event into bytes (capacity at least 3), at most limit bytes with
// its CR LF; returns its length. Exposed so that its bounds can be tested.
int FormatLogLine(char *bytes, int limit, const SYSTEMTIME &time, const char *kind,
                  const LogField *fields, int count);
