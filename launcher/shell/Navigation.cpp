// Loading a configuration, the stack of configurations walked, and the window title.
#include "launcher/shell/Navigation.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/regscript/RegistryScript.h"

NavigationState g_navigation;

enum { MAX_NUMBERED_ITEMS = 9 };

bool PushConfiguration()
{
  if (g_app.stackDepth >= CONFIGURATION_STACK_SIZE || g_app.stackDepth < 0)
    return false;
  CopyText(g_navigation.stack[g_app.stackDepth], TEXT_CAPACITY, g_profile.configurationName);
  g_navigation.segmentStart[g_app.stackDepth] = wcslen(g_navigation.titleSuffix);
  ++g_app.stackDepth;
  return true;
}

bool PopConfiguration()
{
  if (g_app.stackDepth <= 0)
    return false;
  --g_app.stackDepth;
  CopyText(g_profile.configurationName, TEXT_CAPACITY, g_navigation.stack[g_app.stackDepth]);
  return true;
}

// Opens the configuration key once; when it is missing, imports the default script
// ("\Default.reg", else "\Windows\Default.reg") and tries once more.
static void EnsureConfigurationKey(const wchar_t *configurationKeyPath)
{
  if (KeyExists(configurationKeyPath))
    return;
  if (LoadRegistryScript(L"\\Default.reg") || LoadRegistryScript(L"\\Windows\\Default.reg"))
    KeyExists(configurationKeyPath);
}

static int ShownAddedItems()
{
  return (g_settings.exitShown ? 1 : 0) + (g_settings.aboutShown ? 1 : 0) +
         (g_settings.returnShown ? 1 : 0);
}

bool LoadConfiguration(const wchar_t *configurationKeyPath)
{
  wchar_t defaultPath[TEXT_CAPACITY];
  CopyText(defaultPath, TEXT_CAPACITY, g_profile.profileKeyPath);
  AppendText(defaultPath, TEXT_CAPACITY, L"\\" DEFAULT_CONFIGURATION);

  EnsureConfigurationKey(configurationKeyPath);

  if (!FindProgramKeys(configurationKeyPath))
    return false;

  if (!LoadDisplaySettings(defaultPath))
    return false;
  if (wcscmp(configurationKeyPath, defaultPath) == 0) {
    g_settings.returnShown = 0;
  } else {
    // The home configuration's settings are the defaults of every other configuration.
    g_settings.aboutShown = 0;
    g_settings.exitShown = 0;
    g_settings.returnShown = 1;
    CopyText(g_settings.returnText, TEXT_CAPACITY, L"Back");
    LoadItemIcons(ICON_RETURN, &g_settings.returnSmallIcon, &g_settings.returnLargeIcon);
    LoadDisplaySettings(configurationKeyPath);
    if (g_settings.headerBitmap == nullptr)
      g_settings.bitmapHeight = 0;
  }

  if (!LoadProgramEntries(configurationKeyPath))
    return false;
  g_entries.programCount = g_entries.count;

  if (g_settings.number == 1 && g_entries.count + ShownAddedItems() > MAX_NUMBERED_ITEMS) {
    ShowMessageBox(g_app.mainWindow, L"Too many items for numbered list ", L"Ferrolt Error ",
                   MB_ICONWARNING);
    return false;
  }
  return true;
}

static bool IsOnStack(const wchar_t *name)
{
  for (int i = 0; i < g_app.stackDepth; ++i)
    if (wcscmp(g_navigation.stack[i], name) == 0)
      return true;
  return false;
}

bool EnterConfiguration(const wchar_t *name)
{
  if (name == nullptr || name[0] == 0)
    return false;
  if (!PushConfiguration())
    return false;
  ClearProgramEntries();

  // A name whose key path would not fit must not load the previous configuration again.
  if (!SetCurrentConfiguration(name) || g_profile.configurationKeyPath[0] == 0)
    return false;

  if (IsOnStack(g_profile.configurationName)) {
    ShowMessageBox(g_app.mainWindow, L"Repeating configuration", L"Error", MB_OK);
    return false;
  }

  if (!LoadConfiguration(g_profile.configurationKeyPath) || !RegisterEntryHotKeys() ||
      !LoadEntryIcons())
    return false;

  // The segment names the configuration as the entry called it.
  if (wcslen(g_navigation.titleSuffix) + 3 + wcslen(name) <= TEXT_CAPACITY - 1) {
    AppendText(g_navigation.titleSuffix, TEXT_CAPACITY, L" - ");
    AppendText(g_navigation.titleSuffix, TEXT_CAPACITY, name);
  }
  UpdateWindowTitle();
  return true;
}

bool ReturnToPreviousConfiguration()
{
  ClearProgramEntries();
  if (!PopConfiguration())
    return false;

  // Whatever follows, the configuration that was left is no longer on the path.
  size_t cut = g_navigation.segmentStart[g_app.stackDepth];
  if (cut < TEXT_CAPACITY && cut <= wcslen(g_navigation.titleSuffix))
    g_navigation.titleSuffix[cut] = 0;

  if (!SetCurrentConfiguration(g_profile.configurationName) ||
      g_profile.configurationKeyPath[0] == 0)
    return false;
  if (!LoadConfiguration(g_profile.configurationKeyPath) || !RegisterEntryHotKeys() ||
      !LoadEntryIcons())
    return false;
  UpdateWindowTitle();
  return true;
}

// TitleBar text followed by the suffix; when the two pass 259 characters the front is
// dropped, since shortening keeps the end anyway.
static void ComposeTitle()
{
  wchar_t whole[2 * TEXT_CAPACITY];
  CopyText(whole, 2 * TEXT_CAPACITY, g_settings.titleText);
  AppendText(whole, 2 * TEXT_CAPACITY, g_navigation.titleSuffix);
  size_t length = wcslen(whole);
  const wchar_t *start = whole;
  if (length > TEXT_CAPACITY - 1)
    start += length - (TEXT_CAPACITY - 1);
  CopyText(g_navigation.composedTitle, TEXT_CAPACITY, start);

  size_t n = wcslen(g_navigation.composedTitle);
  int limit = g_app.titleLimit;
  if (limit >= 0 && static_cast<size_t>(limit) < n) {
    size_t keep = limit > 3 ? static_cast<size_t>(limit - 3) : 0;
    wchar_t shortened[TEXT_CAPACITY];
    CopyText(shortened, TEXT_CAPACITY, L"...");
    AppendText(shortened, TEXT_CAPACITY, g_navigation.composedTitle + (n - keep));
    CopyText(g_navigation.composedTitle, TEXT_CAPACITY, shortened);
  }
}

void UpdateWindowTitle()
{
  if (!g_settings.titleShown)
    return;
  const wchar_t *title = g_settings.titleText;
  if (g_settings.titleBarContext) {
    ComposeTitle();
    title = g_navigation.composedTitle;
  }
  // Going back and forth under one title leaves the caption as it is, unpainted.
  wchar_t shown[TEXT_CAPACITY];
  if (GetWindowTextW(g_app.mainWindow, shown, TEXT_CAPACITY) > 0 && wcscmp(shown, title) == 0)
    return;
  SetWindowTextW(g_app.mainWindow, title);
  UpdateWindow(g_app.mainWindow);
}

void ClearWindowTitle()
{
  g_navigation.titleSuffix[0] = 0;
  g_navigation.composedTitle[0] = 0;
}
