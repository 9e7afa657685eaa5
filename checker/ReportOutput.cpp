#include "checker/ReportOutput.h"

#include <windows.h>

#include <functional>

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

std::string Plural(size_t count, const char *noun)
{
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
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

std::string FormatTextReport(const CheckReport &report, bool nameProfiles)
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
  size_t configurations = 0;
  for (const CheckedProfile &profile : report.profiles)
    configurations += profile.configurations.size();
  out += script + ": " + Plural(report.Count(Severity::Error), "error") + ", " +
         Plural(report.Count(Severity::Warning), "warning") + ", " +
         Plural(configurations, "configuration") + " checked\n";
  return out;
}

std::string FormatJsonReport(const CheckReport &report)
{
  std::string out = "[";
  bool first = true;
  ForEachFinding(report, [&](const std::wstring &profile, const Finding &finding) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "  {\"file\": " + JsonString(report.script) + ", \"line\": " +
           std::to_string(finding.line) + ", \"severity\": \"" + SeverityName(finding.severity) +
           "\", \"profile\": " + JsonString(profile) + ", \"configuration\": " +
           JsonString(finding.configuration) + ", \"message\": " + JsonString(finding.message);
    if (!finding.correction.empty())
      out += ", \"correction\": " + JsonString(finding.correction);
    out += "}";
  });
  out += first ? "]\n" : "\n]\n";
  return out;
}

}  // namespace check
