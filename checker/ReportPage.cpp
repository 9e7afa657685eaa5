// The report page: the check result at the top, a map of the navigation, then each
// configuration with its picture, its items as the device numbers them and its findings.
#include "checker/ReportPage.h"

#include <windows.h>
#include <wctype.h>

#include <cstdio>

#include "checker/ReportOutput.h"

namespace preview {
namespace {

enum { SAFE_NAME_LIMIT = 60 };

const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}"
    "h1{font-size:1.5em}h2{font-size:1.25em;border-top:1px solid #bbb;padding-top:.6em}"
    "table{border-collapse:collapse;margin:.5em 0}"
    "td,th{border:1px solid #ccc;padding:.2em .5em;text-align:left;vertical-align:top}"
    "th{background:#eee}.error{color:#a00;font-weight:bold}.warning{color:#a60}"
    ".clean{color:#070;font-weight:bold}.shot{float:left;margin:0 1.5em 1em 0;"
    "border:1px solid #888}section{overflow:auto}.msg{white-space:pre-line}"
    "ul.map li{margin:.2em 0}.muted{color:#777}"
    ".mark{font-size:.85em;color:#05a}.locked{color:#8a5a00;font-weight:bold}";

// The lock sign and what it stands for, wherever a password guards the way.
const char kLock[] = "&#128274;";

std::string Html(const std::wstring &text) { return EscapeHtml(text); }

std::string Number(long value)
{
  char text[24];
  snprintf(text, sizeof(text), "%ld", value);
  return text;
}

std::string SectionId(size_t profile, size_t configuration)
{
  return "p" + Number(static_cast<long>(profile)) + "c" + Number(static_cast<long>(configuration));
}

bool SameName(const std::wstring &a, const std::wstring &b)
{
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Index of the configuration of that name in the profile, or -1.
long FindConfiguration(const check::CheckedProfile &profile, const std::wstring &name)
{
  for (size_t i = 0; i < profile.configurations.size(); ++i)
    if (SameName(profile.configurations[i].name, name))
      return static_cast<long>(i);
  return -1;
}

const Shot *FindShot(const std::vector<Shot> &shots, size_t profile, size_t configuration)
{
  for (const Shot &shot : shots)
    if (shot.profile == profile && shot.configuration == configuration)
      return &shot;
  return nullptr;
}

std::string ConfigurationLink(size_t profile, long index, const std::wstring &name)
{
  if (index < 0)
    return Html(name) + " <span class=\"muted\">(not in the profile)</span>";
  return "<a href=\"#" + SectionId(profile, static_cast<size_t>(index)) + "\">" + Html(name) +
         "</a>";
}

std::string LineText(const std::wstring &script, long line)
{
  if (line <= 0)
    return "";
  std::wstring file = script;
  size_t slash = file.find_last_of(L"\\/");
  if (slash != std::wstring::npos)
    file = file.substr(slash + 1);
  return Html(file) + ":" + Number(line);
}

void AddFindings(std::string *page, const std::wstring &script,
                 const std::vector<check::Finding> &findings)
{
  if (findings.empty()) {
    *page += "<p class=\"clean\">No findings.</p>\n";
    return;
  }
  *page += "<table class=\"findings\"><tr><th>Line</th><th>Severity</th><th>Message</th></tr>\n";
  for (const check::Finding &finding : findings) {
    bool error = finding.severity == check::Severity::Error;
    *page += "<tr><td>" + LineText(script, finding.line) + "</td><td class=\"" +
             (error ? "error\">error" : "warning\">warning") + "</td><td class=\"msg\">" +
             Html(finding.message);
    if (!finding.correction.empty())
      *page += " <span class=\"muted\">(the device uses " + Html(finding.correction) + ")</span>";
    *page += "</td></tr>\n";
  }
  *page += "</table>\n";
}

std::string ResultText(const check::CheckReport &report)
{
  if (report.unreadable)
    return "<span class=\"error\">The script could not be read.</span>";
  size_t errors = report.Count(check::Severity::Error);
  size_t warnings = report.Count(check::Severity::Warning);
  if (errors == 0 && warnings == 0)
    return "<span class=\"clean\">No findings.</span>";
  return "<span class=\"error\">" + Number(static_cast<long>(errors)) +
         " error(s)</span>, <span class=\"warning\">" + Number(static_cast<long>(warnings)) +
         " warning(s)</span>";
}

void AddHeader(std::string *page, const check::CheckReport &report, const PageOptions &options)
{
  const Screen &screen = options.screen;
  *page += "<h1>Configuration preview</h1>\n<table class=\"summary\">\n";
  *page += "<tr><th>Script</th><td>" + Html(report.script) + "</td></tr>\n";
  std::wstring profiles;
  for (const check::CheckedProfile &profile : report.profiles)
    profiles += (profiles.empty() ? L"" : L", ") +
                (profile.name.empty() ? profile.keyPath : profile.name);
  *page += "<tr><th>Profile</th><td>" + Html(profiles) + "</td></tr>\n";
  *page += "<tr><th>Device</th><td>" + Number(screen.width) + "&#215;" + Number(screen.height) +
           ", " + (screen.windowsMobile ? "Windows Mobile" : "Windows CE") + "</td></tr>\n";
  if (options.statusStrip)
    *page += "<tr><th>Status strip</th><td>drawn with the fixed time " + Number(PREVIEW_HOUR) +
             ":" + (PREVIEW_MINUTE < 10 ? "0" : "") + Number(PREVIEW_MINUTE) +
             " and a full battery, so that pictures compare between runs</td></tr>\n";
  *page += "<tr><th>Network</th><td>drawn as without one: an entry with NeedsNetwork shows "
           "its mark &#8220;(no network)&#8221;</td></tr>\n";
  *page += "<tr><th>Check result</th><td>" + ResultText(report) + "</td></tr>\n</table>\n";
  if (!report.findings.empty()) {
    *page += "<h2 id=\"script\">The script</h2>\n";
    AddFindings(page, report.script, report.findings);
  }
}

// Each configuration in the order it was walked, indented by its depth, with the
// configurations each of its items enters.
void AddMap(std::string *page, const check::CheckedProfile &profile, size_t profileIndex,
            const std::vector<Shot> &shots)
{
  *page += "<ul class=\"map\">\n";
  for (size_t i = 0; i < profile.configurations.size(); ++i) {
    const check::CheckedConfiguration &configuration = profile.configurations[i];
    *page += "<li style=\"margin-left:" + Number(configuration.depth * 2) + "em\">" +
             ConfigurationLink(profileIndex, static_cast<long>(i), configuration.name);
    if (!configuration.reachable)
      *page += " <span class=\"warning\">(never reachable)</span>";
    if (configuration.behindPassword)
      *page += std::string(" <span class=\"locked behind\">") + kLock + " behind a password</span>";
    const Shot *shot = FindShot(shots, profileIndex, i);
    for (size_t e = 0; shot != nullptr && e < configuration.entries.size(); ++e) {
      if (e >= shot->callTargets.size() || shot->callTargets[e].empty())
        continue;
      const check::CheckedEntry &entry = configuration.entries[e];
      *page += " &#8212; item " + Number(entry.number) +
               (entry.password != 0 ? std::string(" <span class=\"locked\">") + kLock + "</span>"
                                    : std::string()) +
               " &#8594; " +
               ConfigurationLink(profileIndex, FindConfiguration(profile, shot->callTargets[e]),
                                 shot->callTargets[e]);
    }
    *page += "</li>\n";
  }
  *page += "</ul>\n";
}

// Whether the entry asks for a password; never the hash.
std::string PasswordCell(const check::CheckedEntry &entry)
{
  if (entry.password == 1)
    return std::string("<span class=\"locked\">") + kLock + " asks</span>";
  if (entry.password == 2)
    return "<span class=\"error\">not valid: refused</span>";
  return std::string();
}

void AddItems(std::string *page, const check::CheckedProfile &profile, size_t profileIndex,
              const check::CheckedConfiguration &configuration, const Shot *shot)
{
  *page += "<table class=\"items\"><tr><th>No.</th><th>Label</th><th>Target</th>"
           "<th>Arguments</th><th>Hot key</th><th>Password</th><th>Enters</th></tr>\n";
  for (size_t e = 0; e < configuration.entries.size(); ++e) {
    const check::CheckedEntry &entry = configuration.entries[e];
    std::string enters;
    if (!entry.call.empty()) {
      std::wstring target = shot != nullptr && e < shot->callTargets.size()
                                ? shot->callTargets[e]
                                : entry.call;
      enters = ConfigurationLink(profileIndex, FindConfiguration(profile, target), target);
    }
    std::string marks;
    if (entry.autoStart)
      marks += "<br><span class=\"mark\">starts with the launcher</span>";
    if (entry.keepRunning)
      marks += "<br><span class=\"mark\">kept running</span>";
    *page += "<tr><td>" + Number(entry.number) + "</td><td>" + Html(entry.label) + marks +
             "</td><td>" +
             Html(entry.target) + "</td><td>" + Html(entry.arguments) + "</td><td>" +
             Html(HotKeyText(entry.hotKey, entry.hotKeyModifiers)) + "</td><td>" +
             PasswordCell(entry) + "</td><td>" + enters + "</td></tr>\n";
  }
  for (size_t a = 0; shot != nullptr && a < shot->added.size(); ++a)
    *page += "<tr class=\"added\"><td>" + Number(shot->added[a].number) + "</td><td>" +
             Html(shot->added[a].label) + "</td><td colspan=\"5\" class=\"muted\">added by the "
             "launcher</td></tr>\n";
  *page += "</table>\n";
}

void AddConfiguration(std::string *page, const check::CheckReport &report,
                      const check::CheckedProfile &profile, size_t profileIndex, size_t index,
                      const std::vector<Shot> &shots, const PageOptions &options)
{
  const check::CheckedConfiguration &configuration = profile.configurations[index];
  const Shot *shot = FindShot(shots, profileIndex, index);
  *page += "<section id=\"" + SectionId(profileIndex, index) + "\">\n<h2>" +
           Html(configuration.name) + "</h2>\n";
  if (shot != nullptr && !shot->file.empty())
    *page += "<img class=\"shot\" src=\"" + Html(shot->file) + "\" width=\"" +
             Number(options.screen.width) + "\" height=\"" + Number(options.screen.height) +
             "\" alt=\"" + Html(configuration.name) + " as the device shows it\">\n";
  else
    *page += "<p class=\"error\">The launcher cannot show this configuration.</p>\n";
  *page += "<p>Title: <b>" + Html(shot != nullptr ? shot->caption : L"") + "</b>";
  if (!configuration.parent.empty())
    *page += " &#8212; entered from " +
             ConfigurationLink(profileIndex, FindConfiguration(profile, configuration.parent),
                               configuration.parent) +
             ", item " + Number(configuration.parentItem);
  *page += "</p>\n";
  if (configuration.behindPassword)
    *page += std::string("<p class=\"locked\">") + kLock +
             " Behind a password: every way to this screen asks for one.</p>\n";
  AddItems(page, profile, profileIndex, configuration, shot);
  *page += "<h3>Findings</h3>\n";
  AddFindings(page, report.script, configuration.findings);
  *page += "</section>\n";
}

std::wstring KeyName(long key)
{
  wchar_t text[16];
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    swprintf(text, 16, L"%lc", static_cast<wchar_t>(key));
  else if (key >= VK_F1 && key <= VK_F24)
    swprintf(text, 16, L"F%ld", key - VK_F1 + 1);
  else
    swprintf(text, 16, L"0x%02lX", static_cast<unsigned long>(key) & 0xFFFFFFFFul);
  return text;
}

}  // namespace

std::string EscapeHtml(const std::wstring &text)
{
  std::string escaped;
  for (char c : check::Utf8(text)) {
    switch (c) {
    case '&': escaped += "&amp;"; break;
    case '<': escaped += "&lt;"; break;
    case '>': escaped += "&gt;"; break;
    case '"': escaped += "&quot;"; break;
    case '\'': escaped += "&#39;"; break;
    default: escaped += c; break;
    }
  }
  return escaped;
}

std::wstring SafeFileName(const std::wstring &name, const std::wstring &extension,
                          std::set<std::wstring> *used)
{
  std::wstring base;
  for (wchar_t c : name) {
    if (base.size() >= SAFE_NAME_LIMIT)
      break;
    bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                 (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' || c == L'.';
    base += plain ? c : L'_';
  }
  while (!base.empty() && base.back() == L'.')
    base.pop_back();
  if (base.empty() || base[0] == L'.')
    base = L"_" + base;
  // Device names of the file system, whatever extension follows them.
  static const wchar_t *const reserved[] = {L"CON", L"PRN", L"AUX", L"NUL", L"COM", L"LPT"};
  std::wstring stem = base.substr(0, base.find(L'.'));
  for (const wchar_t *device : reserved) {
    size_t length = wcslen(device);
    bool numbered = length == 3 && stem.size() == 4 && iswdigit(stem[3]) &&
                    (_wcsnicmp(device, L"COM", 3) == 0 || _wcsnicmp(device, L"LPT", 3) == 0);
    if ((stem.size() == length && _wcsicmp(stem.c_str(), device) == 0) ||
        (numbered && _wcsnicmp(stem.c_str(), device, 3) == 0))
      base = L"_" + base;
  }
  std::wstring candidate = base + extension;
  for (int n = 2;; ++n) {
    std::wstring key = candidate;
    for (wchar_t &c : key)
      c = static_cast<wchar_t>(towlower(c));
    if (used->insert(key).second)
      return candidate;
    candidate = base + L"-" + std::to_wstring(n) + extension;
  }
}

std::wstring HotKeyText(long key, long modifiers)
{
  if (key <= 0 || modifiers <= 0)
    return L"";
  std::wstring text;
  if (modifiers & MOD_CONTROL)
    text += L"Ctrl+";
  if (modifiers & MOD_ALT)
    text += L"Alt+";
  if (modifiers & MOD_SHIFT)
    text += L"Shift+";
  return text + KeyName(key);
}

std::string MakeReportPage(const check::CheckReport &report, const std::vector<Shot> &shots,
                           const PageOptions &options)
{
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Preview of " +
      Html(report.script) + "</title>\n<style>" + kStyle + "</style></head><body>\n";
  AddHeader(&page, report, options);
  for (size_t p = 0; p < report.profiles.size(); ++p) {
    const check::CheckedProfile &profile = report.profiles[p];
    std::wstring name = profile.name.empty() ? profile.keyPath : profile.name;
    page += "<h2 id=\"profile" + Number(static_cast<long>(p)) + "\">Profile " + Html(name) +
            "</h2>\n";
    if (!profile.findings.empty())
      AddFindings(&page, report.script, profile.findings);
    page += "<h3>Navigation</h3>\n";
    AddMap(&page, profile, p, shots);
    for (size_t c = 0; c < profile.configurations.size(); ++c)
      AddConfiguration(&page, report, profile, p, c, shots, options);
  }
  page += "</body></html>\n";
  return page;
}

}  // namespace preview
