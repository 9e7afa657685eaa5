// The exit password and its tries.
#include "launcher/shell/ExitGuard.h"

#include "launcher/config/KioskSettings.h"
#include "resources/resource.h"

ExitGuardState g_exitGuard;

void ReadExitGuard()
{
  g_exitGuard.passwordState = ReadExitPassword(&g_exitGuard.hash);
  g_exitGuard.tries.wrongInARow = 0;
}

bool ConfirmUserExit()
{
  if (g_exitGuard.passwordState == EXIT_PASSWORD_NONE)
    return true;
  if (g_exitGuard.passwordState != EXIT_PASSWORD_SET)
    return false;
  wchar_t prompt[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_EXIT_PASSWORD_PROMPT), prompt, TEXT_CAPACITY);
  return ConfirmPassword(prompt, &g_exitGuard.hash, &g_exitGuard.tries) == PASSWORD_RIGHT;
}
