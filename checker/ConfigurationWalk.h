#pragma once
// The check of a configuration script: import into a throw-away registry, the choice of
// profile, and the walk over every configuration the way the launcher shows them.
#include <functional>
#include <string>

#include "checker/CheckReport.h"

namespace check {

struct CheckOptions {
  std::wstring script;
  std::wstring profile;       // empty: chosen as the launcher chooses it
  bool allProfiles = false;   // every profile the script defines
  int screenWidth = 240;      // the device's work area
  int screenHeight = 320;
  bool windowsMobile = false; // false: plain Windows CE
  int pixelsPerInch = 96;     // the device screen's dots per inch
};

// Called for each configuration right after the launcher's own code has loaded it into
// its live records (g_settings, g_entries), while the throw-away registry is still in
// place: a tool can show it there as the device would.
typedef std::function<void(const CheckedProfile &, const CheckedConfiguration &)>
    ConfigurationVisitor;

// Checks the script and fills the report; the real registry is never written.
void CheckScript(const CheckOptions &options, CheckReport *report,
                 const ConfigurationVisitor &visitor = nullptr);

// The configuration a Call text enters, by the launcher's own rule for the name.
std::wstring CalledConfigurationName(const std::wstring &callText);

}  // namespace check
