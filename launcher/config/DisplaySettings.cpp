// The settings record of a configuration.
#include "launcher/config/DisplaySettings.h"

DisplaySettings g_settings;
DisplaySettings g_checkSettings;

bool LoadDisplaySettings(const wchar_t *configurationKeyPath)
{
  return true;
}

void LoadItemIcons(int iconId, HICON *smallIcon, HICON *largeIcon)
{
}
