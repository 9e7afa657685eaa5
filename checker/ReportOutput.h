#pragma once
// The report as administrators read it: one line per finding and a summary, or JSON.
#include <string>
#include <vector>

#include "checker/CheckReport.h"

namespace check {

// "script.reg:LINE: error|warning: Configuration: message" lines and the summary line.
std::string FormatTextReport(const CheckReport &report, bool nameProfiles);
// The finding lines alone, and the summary line alone.
std::string FormatFindingLines(const CheckReport &report, bool nameProfiles);
std::string FormatSummaryLine(const CheckReport &report);
// Many scripts: every script's findings, then a summary line per script and the total.
std::string FormatTextReports(const std::vector<CheckReport> &reports, bool nameProfiles);
// A JSON array of the same findings.
std::string FormatJsonReport(const CheckReport &report);
// Many scripts: a JSON array of one record per script, its counts and its findings.
std::string FormatJsonReports(const std::vector<CheckReport> &reports);
// UTF-8 of a text on one line: line breaks become blanks.
std::string OneLine(const std::wstring &text);
// A quoted JSON string of a text.
std::string JsonString(const std::wstring &text);
// UTF-8 of a UTF-16 text.
std::string Utf8(const std::wstring &text);

}  // namespace check
