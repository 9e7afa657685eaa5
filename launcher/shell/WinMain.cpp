// The program's entry point. The device calls the image's entry with WinMain's arguments,
// the command line wide (its runtime names that entry WinMainCRTStartup); a desktop
// runtime calls wWinMain.
#include "launcher/shell/Startup.h"

#ifdef _WIN32_WCE
extern "C" int WINAPI WinMainCRTStartup(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
#else
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
#endif
{
  return RunLauncher(instance, commandLine);
}
