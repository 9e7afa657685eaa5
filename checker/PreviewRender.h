#pragma once
// Shows a configuration as a device would, with the launcher's own presentation code, in
// a window of the device's screen size, and captures what that window shows.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace preview {

enum { DEFAULT_SCREEN_WIDTH = 240, DEFAULT_SCREEN_HEIGHT = 320 };
// The time a previewed status strip shows.
enum { PREVIEW_HOUR = 10, PREVIEW_MINUTE = 8 };

// The device the pictures are made for.
struct Screen {
  int width = DEFAULT_SCREEN_WIDTH;
  int height = DEFAULT_SCREEN_HEIGHT;
  bool windowsMobile = false;  // false: plain Windows CE
  bool fullScreen = false;     // the profile's FullScreen value is set
  // The profile's StatusStrip (0 none, 1 top, 2 bottom); drawn with a fixed time and a
  // full battery, so that pictures of two runs compare.
  DWORD statusStrip = 0;
  bool anyStrip = false;     // some screen of the run shows the status strip
  // The profile's ForceScreen rectangle, when the launcher accepts it for this screen: the
  // launcher's window covers only that part of the screen.
  bool forced = false;
  RECT forcedRect = {0, 0, 0, 0};
  // Where files the script names by device path (the header picture) are found when the
  // device path itself does not exist here: the script's folder. Empty: device paths only.
  std::wstring fileFolder;
};

// 32-bit pixels, top row first, blue in the low byte, as GDI writes them.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  std::wstring caption;  // the window title the device shows for this screen

  COLORREF At(int x, int y) const;
  // True when the picture holds more than one colour.
  bool HasDetail() const;
};

// Builds the presentation of the configuration that the launcher's records hold (loaded
// for display: settings, program entries and their icons, the title of the current
// depth), captures it and takes it down again. The records stay as they were.
bool RenderLoadedConfiguration(const Screen &screen, Picture *picture);

// Captures a window and its visible child windows, non-client area included.
bool CaptureWindow(HWND window, Picture *picture);

}  // namespace preview
