// Resolves an entry's program and arguments and starts the process.
#include "launcher/launch/LaunchCommand.h"

bool LaunchCommand(const wchar_t *program, const wchar_t *arguments)
{
  return false;
}
