#pragma once
// Turns a message the launcher would show into a finding that points at the script line
// that caused it: the value a setting check or an entry warning is about, else the line
// the caller names.
#include <string>
#include <vector>

#include "checker/CheckReport.h"
#include "checker/CollectedMessages.h"
#include "checker/ScriptLines.h"
#include "launcher/config/DisplaySettings.h"

namespace check {

struct FindingPlace {
  const ScriptLines *lines;
  std::wstring profileKeyPath;
  std::wstring configuration;               // the configuration the finding belongs to
  long fallbackLine;                        // where a message about nothing finer points
  const std::vector<CheckedEntry> *entries; // its entries, when they are known
};

// The name of a presentation mode as the Mode value spells it.
std::wstring ModeName(long mode);
// The text of a message as one finding reads it: the text, and the detail after ": ".
std::wstring MessageText(const ShownMessage &message);
Finding MakeFinding(const ShownMessage &message, const FindingPlace &place);
// Line of a value of the configuration's Settings, falling back to Default's Settings
// and then to the configuration's own keys.
long SettingLine(const FindingPlace &place, const wchar_t *valueName);
// For a setting-check message: the value the device uses instead, as the live settings
// record holds it after the launcher has loaded the configuration; empty for others.
std::wstring SettingCorrection(const std::wstring &message, const DisplaySettings &live);

}  // namespace check
