// Imports a REGEDIT-format text file into the registry.
#include "launcher/regscript/RegistryScript.h"

RegistryScriptState g_script;

bool LoadRegistryScript(const wchar_t *path)
{
  return false;
}
