// The exit password and its tries.
#include "launcher/shell/ExitGuard.h"

#include "launcher/config/KioskSettings.h"
#include "launcher/shell/LauncherLog.h"
#include "resources/resource.h"

ExitGuardState g_exitGuard;

void ReadExitGuard()
{
  g_exitGuard.passwordState = ReadExitPassword(&g_exitGuard.hash);
  g_exitGuard.tries.wrongInARow = 0;
}

// The user's way out is taken: the close that follows is the user's.
static bool LetUserOut()
{
  SetEndReason(END_USER_EXIT);
  return true;
}

bool ConfirmUserExit()
{
  if (g_exitGuard.passwordState == EXIT_PASSWORD_NONE)
    return LetUserOut();
  if (g_exitGuard.passwordState != EXIT_PASSWORD_SET) {
    LogPasswordOutcome(L"exit", nullptr, PASSWORD_NOT_VALID, &g_exitGuard.tries);
    return false;
  }
  wchar_t prompt[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_EXIT_PASSWORD_PROMPT), prompt, TEXT_CAPACITY);
  int answer = ConfirmPassword(prompt, &g_exitGuard.hash, &g_exitGuard.tries);
  LogPasswordOutcome(L"exit", nullptr, answer, &g_exitGuard.tries);
  return answer == PASSWORD_RIGHT && LetUserOut();
}
