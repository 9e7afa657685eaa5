// The program's entry point.
#include "launcher/shell/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
  return RunLauncher(instance, commandLine);
}
