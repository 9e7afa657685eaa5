#include "cecompat/CePlatform.h"

#undef CreateWindowExW

HWND CeCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                       int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                       LPVOID parameter)
{
  bool topLevel = (style & (WS_CHILD | WS_POPUP)) == 0;
  if (topLevel && (style & WS_CAPTION) != WS_CAPTION)
    style |= WS_POPUP;
  return CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                         instance, parameter);
}
