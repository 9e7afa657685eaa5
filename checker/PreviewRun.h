#pragma once
// /preview: checks a script and writes a picture of every configuration it walks and a
// report page beside them; for many scripts an index of them, and for /diff a page of the
// screens that change.
#include <string>
#include <vector>

#include "checker/CheckReport.h"
#include "checker/ConfigurationWalk.h"
#include "checker/ScriptDiff.h"

namespace preview {

// Runs the check with a picture of each configuration the launcher can show, and writes
// folder\<configuration>.png and folder\index.html (the folder is made when missing).
// False, with the reason, when the folder or a file could not be written; the report is
// filled either way.
bool WritePreview(const check::CheckOptions &options, const std::wstring &folder,
                  check::CheckReport *report, std::wstring *error);

// Many scripts: each script's preview in a folder of its own below the folder (named after
// the script), and folder\index.html listing them with their counts and home screens.
// The reports, one per script, are filled either way.
bool WritePreviews(const check::CheckOptions &options, const std::vector<std::wstring> &scripts,
                   const std::wstring &folder, std::vector<check::CheckReport> *reports,
                   std::wstring *error);

// /diff: pictures of the screens of both scripts (before-*.png, after-*.png) and
// folder\index.html showing each screen that changes before and after, side by side. The
// reports and what changed between them are filled either way.
bool WriteDiffPreview(const check::CheckOptions &before, const check::CheckOptions &after,
                      const std::wstring &folder, check::CheckReport *beforeReport,
                      check::CheckReport *afterReport, std::vector<check::Change> *changes,
                      std::wstring *error);

}  // namespace preview
