// How the loader reports a problem: one platform box per error, none when quiet.
#include "launcher/regscript/RegistryScript.h"

void ShowScriptError(const wchar_t *caption)
{
  g_script.failed = true;
  if (g_script.quiet)
    return;
  ShowMessageBox(nullptr, L"Error", caption, MB_OK | MB_ICONERROR);
}
