// The empty menu bar of a Windows Mobile launcher that is not in full screen.
#include "launcher/shell/WMCmdBar.h"

#include "launcher/shell/ShellLockdown.h"

bool CreateEmptyMenuBar()
{
  return true;
}
