#pragma once
// The report as administrators read it: one line per finding and a summary, or JSON.
#include <string>

#include "checker/CheckReport.h"

namespace check {

// "script.reg:LINE: error|warning: Configuration: message" lines and the summary line.
std::string FormatTextReport(const CheckReport &report, bool nameProfiles);
// A JSON array of the same findings.
std::string FormatJsonReport(const CheckReport &report);
// UTF-8 of a UTF-16 text.
std::string Utf8(const std::wstring &text);

}  // namespace check
