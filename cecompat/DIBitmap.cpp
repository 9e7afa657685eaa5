#include "cecompat/CePlatform.h"

HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR path)
{
  if (path == nullptr || path[0] == 0)
    return nullptr;
  return static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0,
                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}
