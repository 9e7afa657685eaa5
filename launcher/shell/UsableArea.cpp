// The launcher's own bars, told to the shared layer as the bands of the client area that
// the presentation and the dialogs leave free.
#include "launcher/shell/UsableArea.h"

#include "Common/StdInit.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/ShellLockdown.h"

void HandUsableArea()
{
  int top = 0;
  int bottom = 0;
  // The Windows Mobile menu bar lies along the bottom of a launcher not in full screen.
  if (!g_shell.plainCe && g_shell.fullScreen == 0)
    bottom += g_shell.menuBarHeight;
  int strip = g_statusStrip.window != nullptr ? g_statusStrip.height : 0;
  if (g_statusStrip.placement == STATUS_STRIP_TOP)
    top += strip;
  else if (g_statusStrip.placement == STATUS_STRIP_BOTTOM)
    bottom += strip;
  SetReservedBands(top, bottom);
}
