#include "checker/ReportOutput.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace check {
namespace {

// Every finding of the report with the profile it belongs to, in report order.
void ForEachFinding(const CheckReport &report,
                    const std::function<void(const std::wstring &, const Finding &)> &use)
{
  for (const Finding &finding : report.findings)
    use(L"", finding);
  for (const CheckedProfile &profile : report.profiles) {
    for (const Finding &finding : profile.findings)
      use(profile.name, finding);
    for (const CheckedConfiguration &configuration : profile.configurations)
      for (const Finding &finding : configuration.findings)
        use(profile.name, finding);
  }
}

const char *SeverityName(Severity severity)
{
  return severity == Severity::Error ? "error" : "warning";
}

}  // namespace

// A finding is one line: line breaks inside a message become blanks.
std::string OneLine(const std::wstring &text)
{
  std::wstring flat = text;
  for (wchar_t &c : flat)
    if (c == L'\n' || c == L'\r')
      c = L' ';
  return Utf8(flat);
}

std::string JsonString(const std::wstring &text)
{
  std::string quoted = "\"";
  for (char c : Utf8(text)) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      char escape[8];
      snprintf(escape, sizeof(escape), "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

namespace {

std::string Plural(size_t count, const char *noun)
{
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

size_t ConfigurationCount(const CheckReport &report)
{
  size_t configurations = 0;
  for (const CheckedProfile &profile : report.profiles)
    configurations += profile.configurations.size();
  return configurations;
}

std::string Counts(size_t errors, size_t warnings, size_t configurations)
{
  return Plural(errors, "error") + ", " + Plural(warnings, "warning") + ", " +
         Plural(configurations, "configuration") + " checked\n";
}

// The findings as a JSON array, each record on a line of its own after the indent.
std::string JsonFindings(const CheckReport &report, const std::string &indent)
{
  std::string out = "[";
  bool first = true;
  ForEachFinding(report, [&](const std::wstring &profile, const Finding &finding) {
    out += first ? "\n" : ",\n";
    first = false;
    out += indent + "  {\"file\": " + JsonString(report.script) + ", \"line\": " +
           std::to_string(finding.line) + ", \"severity\": \"" + SeverityName(finding.severity) +
           "\", \"profile\": " + JsonString(profile) + ", \"configuration\": " +
           JsonString(finding.configuration) + ", \"message\": " + JsonString(finding.message);
    if (!finding.correction.empty())
      out += ", \"correction\": " + JsonString(finding.correction);
    out += "}";
  });
  out += first ? "]" : "\n" + indent + "]";
  return out;
}

}  // namespace

std::string Utf8(const std::wstring &text)
{
  if (text.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
  return bytes;
}

std::string FormatFindingLines(const CheckReport &report, bool nameProfiles)
{
  std::string out;
  std::string script = Utf8(report.script);
  ForEachFinding(report, [&](const std::wstring &profile, const Finding &finding) {
    out += script + ":";
    if (finding.line > 0)
      out += std::to_string(finding.line) + ":";
    out += std::string(" ") + SeverityName(finding.severity) + ": ";
    if (nameProfiles && !profile.empty() && finding.configuration[0] != L'(')
      out += Utf8(profile) + "\\";
    out += OneLine(finding.configuration) + ": " + OneLine(finding.message);
    if (!finding.correction.empty())
      out += " (the device uses " + OneLine(finding.correction) + ")";
    out += "\n";
  });
  return out;
}

std::string FormatSummaryLine(const CheckReport &report)
{
  return Utf8(report.script) + ": " + Counts(report.Count(Severity::Error),
                                             report.Count(Severity::Warning),
                                             ConfigurationCount(report));
}

std::string FormatTextReport(const CheckReport &report, bool nameProfiles)
{
  return FormatFindingLines(report, nameProfiles) + FormatSummaryLine(report);
}

std::string FormatTextReports(const std::vector<CheckReport> &reports, bool nameProfiles)
{
  std::string out;
  size_t errors = 0, warnings = 0, configurations = 0;
  for (const CheckReport &report : reports)
    out += FormatFindingLines(report, nameProfiles);
  for (const CheckReport &report : reports) {
    out += FormatSummaryLine(report);
    errors += report.Count(Severity::Error);
    warnings += report.Count(Severity::Warning);
    configurations += ConfigurationCount(report);
  }
  return out + Plural(reports.size(), "script") + ": " + Counts(errors, warnings, configurations);
}

std::string FormatJsonReport(const CheckReport &report)
{
  return JsonFindings(report, "") + "\n";
}

std::string FormatJsonReports(const std::vector<CheckReport> &reports)
{
  std::string out = "[";
  for (size_t i = 0; i < reports.size(); ++i) {
    const CheckReport &report = reports[i];
    out += i == 0 ? "\n" : ",\n";
    out += "  {\"file\": " + JsonString(report.script) + ", \"errors\": " +
           std::to_string(report.Count(Severity::Error)) + ", \"warnings\": " +
           std::to_string(report.Count(Severity::Warning)) + ", \"configurations\": " +
           std::to_string(ConfigurationCount(report)) + ", \"exitCode\": " +
           std::to_string(report.ExitCode()) + ",\n   \"findings\": " +
           JsonFindings(report, "  ") + "}";
  }
  out += reports.empty() ? "]\n" : "\n]\n";
  return out;
}

}  // namespace check
