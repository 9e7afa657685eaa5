#pragma once
// /preview: checks a script and writes a picture of every configuration it walks and a
// report page beside them.
#include <string>

#include "checker/CheckReport.h"
#include "checker/ConfigurationWalk.h"

namespace preview {

// Runs the check with a picture of each configuration the launcher can show, and writes
// folder\<configuration>.png and folder\index.html (the folder is made when missing).
// False, with the reason, when the folder or a file could not be written; the report is
// filled either way.
bool WritePreview(const check::CheckOptions &options, const std::wstring &folder,
                  check::CheckReport *report, std::wstring *error);

}  // namespace preview
