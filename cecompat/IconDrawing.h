#pragma once
// An icon drawn at another size than its own, for a platform whose DrawIconEx draws an icon
// only at its own size (the device's).
#include <windows.h>

typedef BOOL(WINAPI *IconInfoFunction)(HICON icon, ICONINFO *info);
typedef BOOL(WINAPI *StretchFunction)(HDC target, int x, int y, int width, int height, HDC source,
                                      int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                      DWORD operation);

// Draws the icon (DI_NORMAL) width x height at (x, y) from its own bitmaps, each stretched and
// applied as the icon's drawing applies them: the mask with SRCAND, then the colour with
// SRCINVERT (a monochrome icon's mask holds both, the AND half above). Without the two calls,
// without the icon's bitmaps, or at the icon's own size, the icon is drawn at its own size.
inline BOOL DrawIconStretched(HDC dc, int x, int y, HICON icon, int width, int height,
                              IconInfoFunction iconInfo, StretchFunction stretch)
{
  ICONINFO info;
  if (iconInfo == NULL || stretch == NULL || !iconInfo(icon, &info))
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, NULL, DI_NORMAL);
  BITMAP shape;
  BOOL drawn = FALSE;
  HBITMAP own = info.hbmColor != NULL ? info.hbmColor : info.hbmMask;
  if (GetObjectW(own, sizeof shape, &shape) != 0) {
    int ownHeight = info.hbmColor != NULL ? shape.bmHeight : shape.bmHeight / 2;
    int colourTop = info.hbmColor != NULL ? 0 : ownHeight;
    HDC source = shape.bmWidth == width && ownHeight == height ? NULL : CreateCompatibleDC(dc);
    if (source == NULL) {
      drawn = DrawIconEx(dc, x, y, icon, 0, 0, 0, NULL, DI_NORMAL);
    } else {
      // A monochrome source takes the target's text colour for 0 and its background for 1.
      COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
      COLORREF background = SetBkColor(dc, RGB(255, 255, 255));
      HGDIOBJ previous = SelectObject(source, info.hbmMask);
      drawn = stretch(dc, x, y, width, height, source, 0, 0, shape.bmWidth, ownHeight, SRCAND);
      if (info.hbmColor != NULL)
        SelectObject(source, info.hbmColor);
      if (!stretch(dc, x, y, width, height, source, 0, colourTop, shape.bmWidth, ownHeight,
                   SRCINVERT))
        drawn = FALSE;
      SelectObject(source, previous);
      DeleteDC(source);
      SetTextColor(dc, text);
      SetBkColor(dc, background);
    }
  }
  DeleteObject(info.hbmMask);
  if (info.hbmColor != NULL)
    DeleteObject(info.hbmColor);
  return drawn;
}
