// Loading a configuration, the stack of configurations walked, and the window title.
#include "launcher/shell/Navigation.h"

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"

NavigationState g_navigation;

bool LoadConfiguration(const wchar_t *configurationKeyPath)
{
  return KeyExists(configurationKeyPath);
}

void ClearWindowTitle()
{
  g_navigation.titleSuffix[0] = 0;
  g_navigation.composedTitle[0] = 0;
}

bool PushConfiguration() { return false; }
bool PopConfiguration() { return false; }
bool EnterConfiguration(const wchar_t *name) { return false; }
bool ReturnToPreviousConfiguration() { return false; }
void UpdateWindowTitle() {}
