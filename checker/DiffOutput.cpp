// /diff as administrators read it: one line per change in the form of the findings, or
// JSON.
#include "checker/ScriptDiff.h"

#include "checker/ReportOutput.h"

namespace check {
namespace {

const std::wstring &FileOf(const CheckReport &before, const CheckReport &after,
                           const Change &change)
{
  return change.inBefore ? before.script : after.script;
}

std::string Plural(size_t count, const char *noun)
{
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string Summary(const CheckReport &before, const CheckReport &after, size_t changes)
{
  return Utf8(before.script) + " -> " + Utf8(after.script) + ": " +
         Plural(changes, "change") + " for the device user; " + Utf8(after.script) + ": " +
         Plural(after.Count(Severity::Error), "error") + ", " +
         Plural(after.Count(Severity::Warning), "warning") + "\n";
}

}  // namespace

std::string FormatTextChanges(const CheckReport &before, const CheckReport &after,
                              const std::vector<Change> &changes, bool nameProfiles)
{
  std::string out;
  for (const CheckReport *report : {&before, &after})
    if (report->unreadable)
      out += FormatFindingLines(*report, false);
  for (const Change &change : changes) {
    out += Utf8(FileOf(before, after, change)) + ":";
    if (change.line > 0)
      out += std::to_string(change.line) + ":";
    out += std::string(" ") + ChangeKindName(change.kind) + ": ";
    if (nameProfiles && !change.profile.empty() && change.configuration[0] != L'(')
      out += Utf8(change.profile) + "\\";
    out += OneLine(change.configuration) + ": " + OneLine(change.text) + "\n";
  }
  return out + Summary(before, after, changes.size());
}

std::string FormatJsonChanges(const CheckReport &before, const CheckReport &after,
                              const std::vector<Change> &changes)
{
  std::string out = "{\"before\": " + JsonString(before.script) + ", \"after\": " +
                    JsonString(after.script) + ", \"errors\": " +
                    std::to_string(after.Count(Severity::Error)) + ", \"warnings\": " +
                    std::to_string(after.Count(Severity::Warning)) + ", \"exitCode\": " +
                    std::to_string(DiffExitCode(before, after, changes)) + ",\n \"changes\": [";
  for (size_t i = 0; i < changes.size(); ++i) {
    const Change &change = changes[i];
    out += i == 0 ? "\n" : ",\n";
    out += "  {\"file\": " + JsonString(FileOf(before, after, change)) + ", \"line\": " +
           std::to_string(change.line) + ", \"kind\": \"" + ChangeKindName(change.kind) +
           "\", \"profile\": " + JsonString(change.profile) + ", \"configuration\": " +
           JsonString(change.configuration) + ", \"item\": " + std::to_string(change.item) +
           ", \"text\": " + JsonString(change.text) + "}";
  }
  out += changes.empty() ? "]}\n" : "\n ]}\n";
  return out;
}

}  // namespace check
