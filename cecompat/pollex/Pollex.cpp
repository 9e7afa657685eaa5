// Stand-in for the device's registry-merge tool: "Pollex.exe [/q] path" imports the
// registry script at path; /q imports quietly, without message boxes.
// Exit codes: 0 imported, 1 no script named, 2 the file cannot be opened, 3 the import
// stopped at a rejected line (or a failed read).
#include <windows.h>
#include <shellapi.h>

#include "launcher/regscript/RegistryScript.h"

enum { EXIT_IMPORTED = 0, EXIT_USAGE = 1, EXIT_NOT_OPENED = 2, EXIT_REJECTED = 3 };

static bool IsQuietSwitch(const wchar_t *argument)
{
  return (argument[0] == L'/' || argument[0] == L'-') &&
         (argument[1] == L'q' || argument[1] == L'Q') && argument[2] == 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand)
{
  int count = 0;
  LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr)
    return EXIT_USAGE;
  const wchar_t *path = nullptr;
  g_script.quiet = false;
  for (int i = 1; i < count; ++i) {
    if (IsQuietSwitch(arguments[i]))
      g_script.quiet = true;
    else if (path == nullptr)
      path = arguments[i];
  }
  int exitCode = EXIT_USAGE;
  if (path != nullptr) {
    if (!LoadRegistryScript(path))
      exitCode = EXIT_NOT_OPENED;
    else
      exitCode = g_script.failed ? EXIT_REJECTED : EXIT_IMPORTED;
  }
  LocalFree(arguments);
  return exitCode;
}
