// Low memory: the device sends WM_HIBERNATE and expects a program to free what it can.
// The launcher gives back what it can make again and shows the same screen at once.
#include "launcher/shell/MainWindow.h"

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/IconCache.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/PasswordPrompt.h"

void OnLowMemory(HWND window)
{
  // An open dialog or password panel may hold on to the entries; nothing goes then.
  if (g_app.openDialog != nullptr || g_passwordPrompt.prompting ||
      g_app.presentationWindow == nullptr)
    return;
  int selected = IsMenuBarsMode() ? GetMenuSelection() : GetSelectedListItem();
  // The presentation with its image lists and bitmaps, the entries' icons, the header
  // bitmap's copy and every kept file icon (those of other configurations too) go; the
  // configuration shown is then built again and makes only what it shows.
  TearDownPresentation();
  ClearProgramEntries();
  ReleaseFileIcons();
  bool built = LoadConfiguration(g_profile.configurationKeyPath) && RegisterEntryHotKeys() &&
               LoadEntryIcons() && BuildPresentation(window);
  if (!built) {
    // Shown again the usual way, which reports what fails and goes back from it.
    PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
    return;
  }
  if (selected >= 0 && selected < static_cast<int>(g_entries.count))
    SelectItemForActivation(selected);
  InvalidateRect(g_app.presentationWindow, nullptr, TRUE);
}
