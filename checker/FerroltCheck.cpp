// FerroltCheck [options] script.reg: checks a configuration script the way the launcher
// would read it on a device, without touching the real registry.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "checker/ConfigurationWalk.h"
#include "checker/HashPassword.h"
#include "checker/PreviewRun.h"
#include "checker/ReportOutput.h"
#include "checker/ThrowawayRegistry.h"

namespace {

const char kUsage[] =
    "Usage: FerroltCheck [/profile NAME | /all] [/screen WxH] [/platform ce|wm] [/json] "
    "[/preview DIR] script.reg\n"
    "       FerroltCheck /hash-password\n"
    "  /profile NAME   check this profile (default: the one the launcher would choose)\n"
    "  /all            check every profile the script defines\n"
    "  /screen WxH     the device's work area in pixels (default 240x320)\n"
    "  /platform ce|wm plain Windows CE (default) or Windows Mobile\n"
    "  /json           print the findings as a JSON array\n"
    "  /preview DIR    also write a picture of every screen and a report page into DIR\n"
    "  /hash-password  read a password from standard input and print its ExitPassword value\n"
    "                  and a REGEDIT4 line (exit code 0, or 2 for an empty or overlong one)\n"
    "Exit code: 0 clean, 1 warnings only, 2 errors, 3 the script could not be read,\n"
    "4 the preview could not be written; an interrupted check ends with 0xC000013A.\n";

enum { EXIT_UNREADABLE = 3, EXIT_PREVIEW_NOT_WRITTEN = 4, LARGEST_SCREEN = 10000 };

struct Arguments {
  check::CheckOptions options;
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
    } else if (IsOption(argument, L"json")) {
      arguments->json = true;
    } else if (IsOption(argument, L"screen") && hasValue) {
      if (!ParseScreen(values[++i], &options.screenWidth, &options.screenHeight))
        return false;
    } else if (IsOption(argument, L"platform") && hasValue) {
      const wchar_t *platform = values[++i];
      if (_wcsicmp(platform, L"ce") != 0 && _wcsicmp(platform, L"wm") != 0)
        return false;
      options.windowsMobile = _wcsicmp(platform, L"wm") == 0;
    } else if (argument[0] == L'/' || argument[0] == L'-' || !options.script.empty()) {
      return false;
    } else {
      options.script = argument;
    }
  }
  return !options.script.empty() && !(options.allProfiles && !options.profile.empty());
}

void Print(const std::string &text)
{
  fwrite(text.data(), 1, text.size(), stdout);
  fflush(stdout);
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
  Arguments arguments;
  if (!ParseArguments(argc, argv, &arguments)) {
    fputs(kUsage, stderr);
    return EXIT_UNREADABLE;
  }
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
  if (!previewWritten) {
    fputws(previewError.c_str(), stderr);
    fputws(L"\n", stderr);
    return EXIT_PREVIEW_NOT_WRITTEN;
  }
  return report.ExitCode();
}
