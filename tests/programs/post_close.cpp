// Asks a running launcher to close (WM_CLOSE to its main window) and waits until it is
// gone. Exit code 0 when it closed, 1 when none was running, 2 when it stayed.
#include <windows.h>

int wmain()
{
  HWND window = FindWindowW(L"FerroltClass", nullptr);
  if (window == nullptr)
    return 1;
  PostMessageW(window, WM_CLOSE, 0, 0);
  for (int i = 0; i < 100; ++i) {
    Sleep(100);
    if (!IsWindow(window))
      return 0;
  }
  return 2;
}
