// The settings record of a configuration.
#include "launcher/config/DisplaySettings.h"

DisplaySettings g_settings;
DisplaySettings g_checkSettings;
