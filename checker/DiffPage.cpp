#include "checker/DiffPage.h"

#include <windows.h>

#include "checker/ReportOutput.h"

namespace preview {
namespace {

const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}h1{font-size:1.5em}"
    "h2{font-size:1.25em;border-top:1px solid #bbb;padding-top:.6em}"
    "table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #ccc;padding:.2em .5em;"
    "text-align:left;vertical-align:top}th{background:#eee}.error{color:#a00;font-weight:bold}"
    ".clean{color:#070;font-weight:bold}.side{display:inline-block;vertical-align:top;"
    "margin:0 2em 1em 0}.side img{border:1px solid #888}.side img.marked{outline:3px solid #e80}"
    "tr.removed{background:#fdd;text-decoration:line-through}tr.marked{background:#ffe08a}"
    ".muted{color:#777}";

using check::Change;
using check::CheckedConfiguration;
using check::CheckedProfile;
using check::CheckReport;

bool SameName(const std::wstring &a, const std::wstring &b)
{
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// A screen of one side: its profile and configuration index, or none.
struct Side {
  const CheckReport *report = nullptr;
  const std::vector<Shot> *shots = nullptr;
  long profile = -1;
  long configuration = -1;

  const CheckedConfiguration *Configuration() const
  {
    if (profile < 0 || configuration < 0)
      return nullptr;
    return &report->profiles[static_cast<size_t>(profile)]
                .configurations[static_cast<size_t>(configuration)];
  }
  const Shot *FindShot() const
  {
    for (const Shot &shot : *shots)
      if (static_cast<long>(shot.profile) == profile &&
          static_cast<long>(shot.configuration) == configuration)
        return &shot;
    return nullptr;
  }
};

// The profile of the report that pairs with the other side's, as the comparison pairs
// them: the only profile of each, else by name.
long PairedProfile(const CheckReport &report, const CheckReport &other, const std::wstring &name)
{
  if (report.profiles.size() == 1 && other.profiles.size() == 1)
    return 0;
  for (size_t p = 0; p < report.profiles.size(); ++p)
    if (SameName(report.profiles[p].name, name))
      return static_cast<long>(p);
  return -1;
}

Side Locate(const CheckReport &report, const CheckReport &other, const std::vector<Shot> &shots,
            const std::wstring &profile, const std::wstring &configuration)
{
  Side side;
  side.report = &report;
  side.shots = &shots;
  side.profile = PairedProfile(report, other, profile);
  if (side.profile < 0)
    return side;
  const CheckedProfile &found = report.profiles[static_cast<size_t>(side.profile)];
  for (size_t c = 0; c < found.configurations.size(); ++c)
    if (SameName(found.configurations[c].name, configuration))
      side.configuration = static_cast<long>(c);
  return side;
}

std::string Location(const CheckReport &before, const CheckReport &after, const Change &change)
{
  std::wstring script = change.inBefore ? before.script : after.script;
  size_t slash = script.find_last_of(L"\\/");
  if (slash != std::wstring::npos)
    script = script.substr(slash + 1);
  return EscapeHtml(script) + (change.line > 0 ? ":" + std::to_string(change.line) : "");
}

// One side of a changed screen: its picture and its items, the items a change is about
// marked.
std::string SideHtml(const char *heading, const Side &side, const std::vector<const Change *> &changes,
                     bool before, const Screen &screen)
{
  std::string html = "<div class=\"side\"><h3>" + std::string(heading) + "</h3>\n";
  const CheckedConfiguration *configuration = side.Configuration();
  if (configuration == nullptr)
    return html + "<p class=\"muted\">Not there.</p></div>\n";
  const Shot *shot = side.FindShot();
  if (shot != nullptr && !shot->file.empty())
    html += "<img" + std::string(changes.empty() ? "" : " class=\"marked\"") + " src=\"" +
            EscapeHtml(shot->file) + "\" width=\"" + std::to_string(screen.width) +
            "\" height=\"" + std::to_string(screen.height) + "\" alt=\"" +
            EscapeHtml(configuration->name) + (before ? " before" : " after") + "\">\n";
  else
    html += "<p class=\"error\">The launcher cannot show this configuration.</p>\n";
  html += "<table><tr><th>No.</th><th>Label</th><th>Target</th><th>Enters</th></tr>\n";
  for (const check::CheckedEntry &entry : configuration->entries) {
    const char *mark = "";
    for (const Change *change : changes)
      if (change->item == entry.number && change->inBefore == before)
        mark = change->kind == check::ChangeKind::Removed ? " class=\"removed\""
                                                          : " class=\"marked\"";
    html += "<tr" + std::string(mark) + "><td>" + std::to_string(entry.number) + "</td><td>" +
            EscapeHtml(entry.label) + "</td><td>" + EscapeHtml(entry.target) + "</td><td>" +
            EscapeHtml(entry.enters) + "</td></tr>\n";
  }
  return html + "</table></div>\n";
}

}  // namespace

std::string MakeDiffPage(const DiffPageInput &input)
{
  const CheckReport &before = *input.before;
  const CheckReport &after = *input.after;
  const std::vector<Change> &changes = *input.changes;
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Changes from " +
      EscapeHtml(before.script) + " to " + EscapeHtml(after.script) + "</title>\n<style>" +
      kStyle + "</style></head><body>\n<h1>What the device user sees differently</h1>\n"
      "<table><tr><th>Before</th><td>" + EscapeHtml(before.script) + "</td></tr>\n"
      "<tr><th>After</th><td>" + EscapeHtml(after.script) + "</td></tr>\n"
      "<tr><th>Changes</th><td>" + std::to_string(changes.size()) + "</td></tr>\n"
      "<tr><th>After: errors, warnings</th><td>" +
      std::to_string(after.Count(check::Severity::Error)) + ", " +
      std::to_string(after.Count(check::Severity::Warning)) + "</td></tr>\n</table>\n";
  if (changes.empty()) {
    page += "<p class=\"clean\">Nothing changes for the device user.</p>\n</body></html>\n";
    return page;
  }

  // The screens in the order their first change comes, each with its changes.
  struct Screenful {
    std::wstring profile, configuration;
    std::vector<const Change *> changes;
  };
  std::vector<Screenful> screens;
  page += "<h2 id=\"changes\">Changes</h2>\n<table><tr><th>Line</th><th>Kind</th>"
          "<th>Configuration</th><th>Change</th></tr>\n";
  for (const Change &change : changes) {
    bool ofScreen = change.configuration[0] != L'(';
    size_t index = screens.size();
    for (size_t s = 0; ofScreen && s < screens.size(); ++s)
      if (screens[s].profile == change.profile && SameName(screens[s].configuration, change.configuration))
        index = s;
    if (ofScreen && index == screens.size())
      screens.push_back({change.profile, change.configuration, {}});
    if (ofScreen)
      screens[index].changes.push_back(&change);
    std::string where = EscapeHtml(change.configuration);
    if (ofScreen)
      where = "<a href=\"#s" + std::to_string(index) + "\">" + where + "</a>";
    page += "<tr><td>" + Location(before, after, change) + "</td><td>" +
            check::ChangeKindName(change.kind) + "</td><td>" + where + "</td><td>" +
            EscapeHtml(change.text) + "</td></tr>\n";
  }
  page += "</table>\n";
  for (size_t s = 0; s < screens.size(); ++s) {
    const Screenful &screen = screens[s];
    page += "<section id=\"s" + std::to_string(s) + "\">\n<h2>" + EscapeHtml(screen.configuration) +
            "</h2>\n";
    Side was = Locate(before, after, *input.beforeShots, screen.profile, screen.configuration);
    Side is = Locate(after, before, *input.afterShots, screen.profile, screen.configuration);
    page += SideHtml("Before", was, screen.changes, true, input.screen);
    page += SideHtml("After", is, screen.changes, false, input.screen);
    page += "</section>\n";
  }
  page += "</body></html>\n";
  return page;
}

}  // namespace preview
