#pragma once
// What the checks of a configuration update found: each finding with the script line it
// belongs to (0 when none), whether it is an error, the configuration and the message.
#include <windows.h>

#include "Common/StdFuncs.h"

enum { UPDATE_FINDING_LIMIT = 40 };

struct UpdateFinding {
  long line;
  bool error;
  wchar_t configuration[TEXT_CAPACITY];  // "(script)" or "(profile)" for the whole
  wchar_t message[TEXT_CAPACITY];
};

struct UpdateFindings {
  int count;    // findings kept (at most the limit)
  int errors;   // errors found, kept or not
  UpdateFinding items[UPDATE_FINDING_LIMIT];
};

#define UPDATE_SCOPE_SCRIPT L"(script)"
#define UPDATE_SCOPE_PROFILE L"(profile)"

void ClearUpdateFindings(UpdateFindings *findings);
void AddUpdateFinding(UpdateFindings *findings, long line, bool error,
                      const wchar_t *configuration, const wchar_t *message);
// The same with one number put into the message pattern (wsprintfW, %ld).
void AddUpdateFindingLine(UpdateFindings *findings, long line, const wchar_t *pattern);
// The first error's message, for the event log and the user's message; empty when none.
const wchar_t *FirstUpdateError(const UpdateFindings *findings);
// Writes the findings as the desktop checker prints them, one a line in UTF-8:
// "<script>:<line>: error: <configuration>: <message>" (no line part for line 0).
bool WriteUpdateFindings(const wchar_t *path, const wchar_t *scriptName,
                         const UpdateFindings *findings);
