// The library's entry point. The installer only calls the four hooks; loading and
// unloading need nothing.
#include "setup/Ostrel.h"

extern "C" BOOL WINAPI DllMain(HANDLE, DWORD, LPVOID)
{
  return TRUE;
}
