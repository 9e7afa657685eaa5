// The header bitmap of the menu bars: the picture of BitmapFilePath cut to the band that
// fits the header area and the screen.
#include <stdlib.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/FileChecks.h"
#include "launcher/config/SettingReader.h"

HBITMAP CropBitmap(HBITMAP source, int sourceX, int sourceY, int largestWidth,
                   int largestHeight)
{
  BITMAP info;
  if (source == nullptr || GetObjectW(source, sizeof(info), &info) == 0)
    return nullptr;
  int sourceHeight = abs(info.bmHeight);
  int width = largestWidth < info.bmWidth ? largestWidth : info.bmWidth;
  int height = largestHeight < sourceHeight ? largestHeight : sourceHeight;
  if (width <= 0 || height <= 0)
    return nullptr;

  HDC sourceDc = CreateCompatibleDC(nullptr);
  HDC targetDc = CreateCompatibleDC(nullptr);
  HBITMAP result = nullptr;
  if (sourceDc != nullptr && targetDc != nullptr) {
    // A bitmap of the screen's format: one of the picture's own depth may not be
    // selectable into a memory context, and the copy would stay black.
    HDC screen = GetDC(nullptr);
    result = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
  }
  if (result != nullptr) {
    HGDIOBJ oldSource = SelectObject(sourceDc, source);
    HGDIOBJ oldTarget = SelectObject(targetDc, result);
    BitBlt(targetDc, 0, 0, width, height, sourceDc, sourceX, sourceY, SRCCOPY);
    SelectObject(sourceDc, oldSource);
    SelectObject(targetDc, oldTarget);
  }
  if (sourceDc != nullptr)
    DeleteDC(sourceDc);
  if (targetDc != nullptr)
    DeleteDC(targetDc);
  return result;
}

void ReleaseHeaderBitmap(DisplaySettings *record)
{
  if (record->headerBitmap != nullptr)
    DeleteObject(record->headerBitmap);
  record->headerBitmap = nullptr;
}

void LoadHeaderBitmap(DisplaySettings *record, const wchar_t *path)
{
  ReleaseHeaderBitmap(record);
  // A damaged file is a picture that cannot be loaded: the platform's loader trusts the
  // sizes a file states and must never see one that lies about them.
  HBITMAP loaded = path[0] != 0 && IsSoundBitmapFile(path) ? SHLoadDIBitmap(path) : nullptr;
  BITMAP info;
  if (loaded == nullptr || GetObjectW(loaded, sizeof(info), &info) == 0) {
    if (loaded != nullptr)
      DeleteObject(loaded);
    record->bitmapHeight = 0;
    return;
  }

  RECT usable;
  GetUsableArea(&usable);
  int band = record->bitmapHeight > BITMAP_HEIGHT_LIMIT ? BITMAP_HEIGHT_LIMIT
                                                        : static_cast<int>(record->bitmapHeight);
  int pictureHeight = abs(info.bmHeight);
  int firstRow = pictureHeight > band ? (pictureHeight - band) / 2 : 0;
  record->headerBitmap = CropBitmap(loaded, 0, firstRow, usable.right - usable.left, band);
  DeleteObject(loaded);
  if (record->headerBitmap == nullptr)
    record->bitmapHeight = 0;
}
