#pragma once
// Imports a REGEDIT-format text file into the registry.
#include <windows.h>

#include "Common/StdFuncs.h"

enum {
  SCRIPT_LINE_CAPACITY = 32768,   // characters of one logical line
  SCRIPT_HEX_CAPACITY = 16384,    // bytes of one hex: value
};

// Told of every section line taken and every value written, with the number of the
// logical line (valueName is null for a section line): a desktop tool that checks a
// script maps what it finds back to the script's lines with it.
typedef void (*ScriptLineObserver)(long lineNumber, const wchar_t *section,
                                   const wchar_t *valueName);

struct RegistryScriptState {
  long lineNumber;
  bool sectionSeen;
  bool quiet;        // no message boxes (the merge tool's /q)
  bool failed;       // the last load stopped at an error
  wchar_t section[TEXT_CAPACITY];
  ScriptLineObserver observer;  // none unless a tool asks
};
extern RegistryScriptState g_script;

bool LoadRegistryScript(const wchar_t *path);
bool ApplyScriptLine(wchar_t *line);
HKEY SplitRootKey(const wchar_t *section, const wchar_t **subkey);
HKEY OpenSectionKey(const wchar_t *section, REGSAM access);
bool EnsureSectionKey(const wchar_t *section);
bool WriteStringValue(const wchar_t *section, const wchar_t *name, const wchar_t *text);
bool WriteDwordValue(const wchar_t *section, const wchar_t *name, DWORD number);
bool WriteBinaryValue(const wchar_t *section, const wchar_t *name, const BYTE *bytes,
                      DWORD count);
void UnescapeRegString(wchar_t *text);

// Shows a loader error (caption, body "Error") unless quiet, and marks the load as failed.
void ShowScriptError(const wchar_t *caption);
