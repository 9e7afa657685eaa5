#pragma once
// The steps of a check, shared by its units.
#include <string>
#include <vector>

#include "checker/CollectedMessages.h"
#include "checker/ConfigurationWalk.h"
#include "checker/FindingLines.h"
#include "checker/ScriptLines.h"

namespace check {

// Formats one of the checker's own texts with a text and a number.
std::wstring FormatText(const wchar_t *pattern, const std::wstring &text, long number = 0);
Finding OwnFinding(long line, Severity severity, const std::wstring &scope,
                   const std::wstring &message);

// Chooses the profile (empty name: as the launcher does) and checks its profile-wide
// values; false when the launcher would end before showing anything.
bool SelectAndCheckProfile(const CheckOptions &options, const ScriptLines &lines,
                           const std::wstring &name, CheckedProfile *profile);
// The product's update settings, once for the script (in its own findings).
void CheckUpdateSettings(const ScriptLines &lines, CheckReport *report);
// Names of the profiles under the product's Profiles key.
std::vector<std::wstring> DefinedProfiles();
// Names of the sub-keys of a key below HKEY_CURRENT_USER (none when it cannot be opened).
std::vector<std::wstring> SubKeyNames(const std::wstring &keyPath);

// The display settings of the loaded configuration as the device uses them, each with the
// script line that set it.
std::vector<UsedValue> UsedSettings(const DisplaySettings &live, const FindingPlace &place);

// Walks every configuration of the selected profile.
void WalkConfigurations(const CheckOptions &options, const ScriptLines &lines,
                        CheckedProfile *profile, const ConfigurationVisitor &visitor);

}  // namespace check
