// A check from start to end: read the script, import it with the launcher's loader into
// a throw-away registry, then check each profile it is about.
#include <windows.h>

#include "checker/CheckerTexts.h"
#include "checker/MemoryRegistry.h"
#include "checker/ThrowawayRegistry.h"
#include "checker/WalkSteps.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/regscript/RegistryScript.h"

namespace check {
namespace {

enum { SNIFF_BYTES = 4 };

std::wstring SystemMessage(DWORD code)
{
  wchar_t text[TEXT_CAPACITY] = {0};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 text, TEXT_CAPACITY, nullptr);
  std::wstring message = text;
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty())
    message = FormatText(L"error %s%ld", L"", static_cast<long>(code));
  return message;
}

// A byte-order mark, or the zero bytes that 16-bit text puts beside every ASCII letter.
bool LooksLikeUtf16(const BYTE *bytes, DWORD count)
{
  if (count >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
    return true;
  return count >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[2] != 0 && bytes[3] == 0;
}

// The three bytes a desktop editor may put before UTF-8 text.
bool StartsWithUtf8Mark(const BYTE *bytes, DWORD count)
{
  return count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
}

// False when the script cannot be read at all; notes a UTF-16 script and a UTF-8 one with
// a byte order mark.
bool SniffScript(const std::wstring &path, CheckReport *report, bool *utf16)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    report->findings.push_back(OwnFinding(0, Severity::Error, SCOPE_SCRIPT,
                                          TEXT_CANNOT_OPEN_SCRIPT + SystemMessage(GetLastError())));
    return false;
  }
  BYTE bytes[SNIFF_BYTES] = {0};
  DWORD count = 0;
  BOOL read = ReadFile(file, bytes, SNIFF_BYTES, &count, nullptr);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!read) {
    report->findings.push_back(
        OwnFinding(0, Severity::Error, SCOPE_SCRIPT, TEXT_CANNOT_OPEN_SCRIPT + SystemMessage(error)));
    return false;
  }
  *utf16 = LooksLikeUtf16(bytes, count);
  if (*utf16)
    report->findings.push_back(OwnFinding(1, Severity::Error, SCOPE_SCRIPT, TEXT_UTF16_SCRIPT));
  else if (StartsWithUtf8Mark(bytes, count))
    report->findings.push_back(OwnFinding(1, Severity::Error, SCOPE_SCRIPT, TEXT_UTF8_MARK_SCRIPT));
  return true;
}

// The loader reports a bad line in its caption ("Line 7: No close quote") over the text
// "Error"; its other captions ("Create Reg Key", "Reading File") name what failed.
void ImportScript(const std::wstring &path, ScriptLines *lines, CheckReport *report)
{
  lines->Listen();
  g_script.quiet = false;
  LoadRegistryScript(path.c_str());
  lines->StopListening();
  bool reported = false;
  for (const ShownMessage &message : TakeMessages()) {
    report->findings.push_back(OwnFinding(g_script.lineNumber, Severity::Error, SCOPE_SCRIPT,
                                          message.caption));
    reported = true;
  }
  if (g_script.failed && !reported) {
    long line = g_script.lineNumber + 1;
    report->findings.push_back(OwnFinding(line, Severity::Error, SCOPE_SCRIPT,
                                          FormatText(TEXT_LINE_TOO_LONG, L"", line)));
  }
}

}  // namespace

std::wstring FormatText(const wchar_t *pattern, const std::wstring &text, long number)
{
  std::wstring result;
  for (const wchar_t *c = pattern; *c != 0; ++c) {
    if (c[0] == L'%' && c[1] == L's') {
      result += text;
      ++c;
    } else if (c[0] == L'%' && (c[1] == L'd' || (c[1] == L'l' && c[2] == L'd'))) {
      result += std::to_wstring(number);
      c += c[1] == L'l' ? 2 : 1;
    } else {
      result += *c;
    }
  }
  return result;
}

Finding OwnFinding(long line, Severity severity, const std::wstring &scope,
                   const std::wstring &message)
{
  return Finding{line, severity, scope, message, std::wstring()};
}

void CheckScript(const CheckOptions &options, CheckReport *report,
                 const ConfigurationVisitor &visitor)
{
  report->script = options.script;
  bool utf16 = false;
  if (!SniffScript(options.script, report, &utf16)) {
    report->unreadable = true;
    return;
  }
  std::wstring error;
  if (!OpenThrowawayRegistry(&error)) {
    report->findings.push_back(OwnFinding(0, Severity::Error, SCOPE_SCRIPT, error));
    report->unreadable = true;
    return;
  }
  // The platform's registry, scratch keys and all, guards what the check's own calls do
  // not reach; those are served from memory where they can be.
  UseMemoryRegistry();
  StartCollectingMessages();
  // Icons tell nothing about a configuration; only a visitor that pictures it needs them.
  g_entryIconsWanted = static_cast<bool>(visitor);
  ScriptLines lines;
  ImportScript(options.script, &lines, report);
  if (!utf16) {
    std::vector<std::wstring> names;
    if (options.allProfiles) {
      names = DefinedProfiles();
      if (names.empty())
        report->findings.push_back(OwnFinding(0, Severity::Error, SCOPE_SCRIPT, TEXT_NO_PROFILES));
    } else {
      names.push_back(options.profile);
    }
    for (const std::wstring &name : names) {
      report->profiles.emplace_back();
      CheckedProfile &profile = report->profiles.back();
      if (SelectAndCheckProfile(options, lines, name, &profile))
        WalkConfigurations(options, lines, &profile, visitor);
    }
    CheckUpdateSettings(lines, report);
  }
  g_entryIconsWanted = true;
  LeaveMemoryRegistry();
  CloseThrowawayRegistry();
}

}  // namespace check
