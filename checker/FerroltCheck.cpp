// FerroltCheck [options] script.reg...|FOLDER: checks configuration scripts the way the
// launcher would read them on a device, without touching the real registry; /diff tells
// what a change of a script changes for the device user.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "checker/ConfigurationWalk.h"
#include "checker/EventLogSummary.h"
#include "checker/HashPassword.h"
#include "checker/PreviewRun.h"
#include "checker/ReportOutput.h"
#include "checker/ThrowawayRegistry.h"
#include "checker/ScriptDiff.h"
#include "checker/ScriptList.h"
#include "checker/UpdateVerdict.h"

namespace {

const char kUsage[] =
    "Usage: FerroltCheck [/profile NAME | /all] [/screen WxH] [/dpi N] [/platform ce|wm] [/json] "
    "[/preview DIR] script.reg... | FOLDER\n"
    "       FerroltCheck /diff before.reg after.reg [/profile NAME | /all] [/screen WxH]\n"
    "                    [/dpi N] [/platform ce|wm] [/json] [/preview DIR]\n"
    "       FerroltCheck /update before.reg update.reg [/profile NAME] [/screen WxH] [/dpi N]\n"
    "                    [/platform ce|wm]\n"
    "       FerroltCheck /sign update.reg fleet.reg\n"
    "       FerroltCheck /hash-password\n"
    "       FerroltCheck /log [/json] Ferrolt.log.1 Ferrolt.log\n"
    "  /profile NAME   check this profile (default: the one the launcher would choose)\n"
    "  /all            check every profile the script defines\n"
    "  /screen WxH     the device's work area in pixels (default 240x320)\n"
    "  /dpi N          the device screen's dots per inch, 48 to 480 (default 96; 192 on\n"
    "                  most VGA devices): the status strip's height follows it\n"
    "  /platform ce|wm plain Windows CE (default) or Windows Mobile\n"
    "  /json           print the findings as a JSON array\n"
    "  /preview DIR    also write a picture of every screen and a report page into DIR\n"
    "                  (many scripts: a folder per script and an index page)\n"
    "  /diff B A       what the device user sees differently with script A than with B\n"
    "                  (exit code 0 nothing, 1 changes, 2 A has errors, 3 unreadable)\n"
    "  /update B U     what a device configured by B does with the update U: accepted or\n"
    "                  rejected with its findings, and what the device user then sees\n"
    "                  differently (exit code 0 accepted, 2 rejected, 3 unreadable)\n"
    "  /sign U F       ask for the passphrase of the UpdateKey the fleet's script F sets and\n"
    "                  write U.sig beside U (exit code 0 written, 2 refused, 3 unreadable)\n"
    "  /hash-password  read a password from standard input and print its hash and REGEDIT4\n"
    "                  lines for ExitPassword and an entry's Password (exit code 0, or 2\n"
    "                  for an empty or overlong one)\n"
    "  /log FILE...    read a device's event log (one or both files): its events and a\n"
    "                  summary (exit code 0 read whole, 1 stopped at a damaged line,\n"
    "                  3 a file cannot be read)\n"
    "Exit code: 0 clean, 1 warnings only, 2 errors, 3 the script could not be read,\n"
    "4 the preview could not be written; for many scripts the worst of them;\n"
    "an interrupted check ends with 0xC000013A.\n";

enum {
  EXIT_UNREADABLE = 3,
  EXIT_PREVIEW_NOT_WRITTEN = 4,
  LARGEST_SCREEN = 10000,
  SMALLEST_DPI = 48,
  LARGEST_DPI = 480,
};

struct Arguments {
  check::CheckOptions options;
  std::vector<std::wstring> scripts;  // scripts and folders, as given
  bool diff = false;                  // scripts holds before and after
  bool update = false;                // scripts holds the configuration and its update
  bool json = false;
  std::wstring previewFolder;  // empty: no preview
};

bool IsOption(const wchar_t *argument, const wchar_t *name)
{
  return (argument[0] == L'/' || argument[0] == L'-') && _wcsicmp(argument + 1, name) == 0;
}

bool ParseScreen(const wchar_t *text, int *width, int *height)
{
  wchar_t *end = nullptr;
  long w = wcstol(text, &end, 10);
  if (end == text || (*end != L'x' && *end != L'X'))
    return false;
  const wchar_t *rest = end + 1;
  long h = wcstol(rest, &end, 10);
  if (end == rest || *end != 0 || w <= 0 || h <= 0 || w > LARGEST_SCREEN || h > LARGEST_SCREEN)
    return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ParseDotsPerInch(const wchar_t *text, int *pixelsPerInch)
{
  wchar_t *end = nullptr;
  long dots = wcstol(text, &end, 10);
  if (end == text || *end != 0 || dots < SMALLEST_DPI || dots > LARGEST_DPI)
    return false;
  *pixelsPerInch = static_cast<int>(dots);
  return true;
}

bool ParseArguments(int count, wchar_t **values, Arguments *arguments)
{
  check::CheckOptions &options = arguments->options;
  for (int i = 1; i < count; ++i) {
    const wchar_t *argument = values[i];
    bool hasValue = i + 1 < count;
    if (IsOption(argument, L"profile") && hasValue) {
      options.profile = values[++i];
    } else if (IsOption(argument, L"all")) {
      options.allProfiles = true;
    } else if (IsOption(argument, L"preview") && hasValue) {
      arguments->previewFolder = values[++i];
    } else if (IsOption(argument, L"diff") && i + 2 < count && !arguments->diff) {
      arguments->diff = true;
      arguments->scripts.insert(arguments->scripts.begin(), {values[i + 1], values[i + 2]});
      i += 2;
    } else if (IsOption(argument, L"update") && i + 2 < count && !arguments->update) {
      arguments->update = true;
      arguments->scripts.insert(arguments->scripts.begin(), {values[i + 1], values[i + 2]});
      i += 2;
    } else if (IsOption(argument, L"json")) {
      arguments->json = true;
    } else if (IsOption(argument, L"screen") && hasValue) {
      if (!ParseScreen(values[++i], &options.screenWidth, &options.screenHeight))
        return false;
    } else if (IsOption(argument, L"dpi") && hasValue) {
      if (!ParseDotsPerInch(values[++i], &options.pixelsPerInch))
        return false;
    } else if (IsOption(argument, L"platform") && hasValue) {
      const wchar_t *platform = values[++i];
      if (_wcsicmp(platform, L"ce") != 0 && _wcsicmp(platform, L"wm") != 0)
        return false;
      options.windowsMobile = _wcsicmp(platform, L"wm") == 0;
    } else if (argument[0] == L'/' || argument[0] == L'-') {
      return false;
    } else {
      // "C:\Scripts\" reaches a program as C:\Scripts" (the backslash escapes the quote).
      std::wstring script = argument;
      if (script.size() > 1 && script.back() == L'"')
        script.pop_back();
      arguments->scripts.push_back(script);
    }
  }
  if ((arguments->diff || arguments->update) &&
      (arguments->scripts.size() != 2 || (arguments->diff && arguments->update)))
    return false;
  return !arguments->scripts.empty() && !(options.allProfiles && !options.profile.empty());
}

void Print(const std::string &text)
{
  fwrite(text.data(), 1, text.size(), stdout);
  fflush(stdout);
}

int ReportPreviewError(const std::wstring &error)
{
  fputws(error.c_str(), stderr);
  fputws(L"\n", stderr);
  return EXIT_PREVIEW_NOT_WRITTEN;
}

int RunSingle(Arguments &arguments)
{
  arguments.options.script = arguments.scripts[0];
  check::CheckReport report;
  std::wstring previewError;
  bool previewWritten = true;
  if (arguments.previewFolder.empty()) {
    check::CheckScript(arguments.options, &report);
  } else {
    check::SetInterruptNote(L"the preview in " + arguments.previewFolder + L" is not complete");
    previewWritten = preview::WritePreview(arguments.options, arguments.previewFolder, &report,
                                           &previewError);
  }
  if (arguments.json)
    Print(check::FormatJsonReport(report));
  else
    Print(check::FormatTextReport(report, arguments.options.allProfiles));
  return previewWritten ? report.ExitCode() : ReportPreviewError(previewError);
}

// Each script checked on its own, one after the other, in this process.
int RunMany(const Arguments &arguments, const std::vector<std::wstring> &scripts)
{
  std::vector<check::CheckReport> reports;
  std::wstring previewError;
  bool previewWritten = true;
  if (arguments.previewFolder.empty()) {
    reports.resize(scripts.size());
    for (size_t i = 0; i < scripts.size(); ++i) {
      check::CheckOptions options = arguments.options;
      options.script = scripts[i];
      check::CheckScript(options, &reports[i]);
    }
  } else {
    check::SetInterruptNote(L"the previews in " + arguments.previewFolder + L" are not complete");
    previewWritten = preview::WritePreviews(arguments.options, scripts, arguments.previewFolder,
                                            &reports, &previewError);
  }
  if (arguments.json)
    Print(check::FormatJsonReports(reports));
  else
    Print(check::FormatTextReports(reports, arguments.options.allProfiles));
  int worst = 0;
  for (const check::CheckReport &report : reports)
    worst = std::max(worst, report.ExitCode());
  return previewWritten ? worst : ReportPreviewError(previewError);
}

int RunDiff(const Arguments &arguments)
{
  check::CheckOptions before = arguments.options, after = arguments.options;
  before.script = arguments.scripts[0];
  after.script = arguments.scripts[1];
  check::CheckReport beforeReport, afterReport;
  std::wstring previewError;
  bool previewWritten = true;
  std::vector<check::Change> changes;
  if (arguments.previewFolder.empty()) {
    check::CheckScript(before, &beforeReport);
    check::CheckScript(after, &afterReport);
    changes = check::CompareReports(beforeReport, afterReport);
  } else {
    previewWritten = preview::WriteDiffPreview(before, after, arguments.previewFolder,
                                               &beforeReport, &afterReport, &changes,
                                               &previewError);
  }
  if (arguments.json)
    Print(check::FormatJsonChanges(beforeReport, afterReport, changes));
  else
    Print(check::FormatTextChanges(beforeReport, afterReport, changes,
                                   arguments.options.allProfiles));
  int exitCode = check::DiffExitCode(beforeReport, afterReport, changes);
  return previewWritten || exitCode == EXIT_UNREADABLE ? exitCode
                                                       : ReportPreviewError(previewError);
}

// /log [/json] FILE...: the event log collected from a device.
bool IsLogReading(int count, wchar_t **values)
{
  for (int i = 1; i < count; ++i)
    if (IsOption(values[i], L"log"))
      return true;
  return false;
}

int RunLogReading(int count, wchar_t **values)
{
  bool json = false;
  std::vector<std::wstring> files;
  for (int i = 1; i < count; ++i) {
    if (IsOption(values[i], L"json")) {
      json = true;
    } else if (values[i][0] == L'/' || values[i][0] == L'-') {
      if (!IsOption(values[i], L"log")) {
        fputs(kUsage, stderr);
        return EXIT_UNREADABLE;
      }
    } else {
      files.push_back(values[i]);
    }
  }
  if (files.empty()) {
    fputs(kUsage, stderr);
    return EXIT_UNREADABLE;
  }
  eventlog::Reading reading = eventlog::ReadLogs(files);
  eventlog::Summary summary = eventlog::Summarise(reading);
  Print(json ? eventlog::FormatLogJson(reading, summary)
             : eventlog::FormatLogText(reading, summary));
  return eventlog::LogExitCode(reading);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
  // No error box of the platform may stop an unattended check.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // Lines end in LF alone wherever the output goes, so pipelines read the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc == 2 && IsOption(argv[1], L"hash-password"))
    return RunHashPassword();
  if (argc == 4 && IsOption(argv[1], L"sign"))
    return check::RunSignUpdate(argv[2], argv[3]);
  if (IsLogReading(argc, argv))
    return RunLogReading(argc, argv);
  Arguments arguments;
  if (!ParseArguments(argc, argv, &arguments)) {
    fputs(kUsage, stderr);
    return EXIT_UNREADABLE;
  }
  if (arguments.diff)
    return RunDiff(arguments);
  if (arguments.update)
    return check::RunUpdateCheck(arguments.options, arguments.scripts[0], arguments.scripts[1]);
  if (arguments.scripts.size() == 1 && !check::IsFolder(arguments.scripts[0]))
    return RunSingle(arguments);
  std::vector<std::wstring> scripts;
  std::wstring error;
  if (!check::ListScripts(arguments.scripts, &scripts, &error)) {
    fputws(error.c_str(), stderr);
    fputws(L"\n", stderr);
    return EXIT_UNREADABLE;
  }
  return RunMany(arguments, scripts);
}

