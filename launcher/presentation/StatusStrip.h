#pragma once
// The status strip: the time and the battery along the top or the bottom of the usable
// area, for a device user whose task bar the launcher hides.
#include <windows.h>

#include "cecompat/CePlatform.h"
#include "launcher/config/KioskSettings.h"

#define STATUS_STRIP_CLASS L"FerroltStatusStrip"

enum {
  STATUS_CLOCK_TIMER = 0x5C1,       // the strip window's timer ids
  STATUS_POWER_TIMER = 0x5C2,
  STATUS_POWER_PERIOD_MS = 30000,   // how often the battery is read
  STATUS_TIME_CAPACITY = 32,        // the time text, terminator included
  STATUS_POINT_SIZE = 9,            // the strip's font, in points
  BATTERY_LOW_PERCENT = 20,         // at or below: drawn as low
  BATTERY_CRITICAL_PERCENT = 5,     // at or below: drawn as critical
};

enum { BATTERY_GOOD = 0, BATTERY_LOW = 1, BATTERY_CRITICAL = 2, BATTERY_UNKNOWN = 3 };

// What the strip shows; it is repainted only where this changes.
struct StatusReading {
  wchar_t time[STATUS_TIME_CAPACITY];
  int percent;         // 0-100; -1 with no battery or an unknown level ("--")
  int level;           // BATTERY_GOOD .. BATTERY_UNKNOWN
  bool externalPower;  // on external power or charging: the mark is drawn
};

// Where the strip takes its time and power from. Null: the platform's GetLocalTime and
// the battery driver's GetSystemPowerStatusEx2 (ReadPowerStatusEx2: no battery without
// one); tests and the preview give fixed ones.
typedef void (*StatusTimeReader)(SYSTEMTIME *time);
typedef bool (*StatusPowerReader)(SYSTEM_POWER_STATUS_EX2 *status);

struct StatusStripState {
  DWORD placement;  // STATUS_STRIP_OFF, STATUS_STRIP_TOP or STATUS_STRIP_BOTTOM
  HWND window;      // none while no strip stands
  HFONT font;
  int height;       // the band's height in pixels, from the font
  int textHeight;
  int percentWidth;  // the cell of "100%" in the strip's font, and a margin
  StatusReading shown;
  bool painted;     // the colours below are those of the last paint
  COLORREF background, text;
  StatusTimeReader readTime;
  StatusPowerReader readPower;
};
extern StatusStripState g_statusStrip;

// Reads StatusStrip and, when it is on, makes the strip in the main window.
void StartStatusStrip(HWND mainWindow);
// Makes the strip at the placement given, reads what it shows and starts its timers.
bool CreateStatusStrip(HWND mainWindow, DWORD placement);
// The height a strip would have on a screen of so many dots per inch, without making it.
int MeasureStatusStripHeight(int pixelsPerInch);
// Stops the timers and destroys the strip and its font.
void StopStatusStrip();

// Moves the strip onto its band of the main window's client area.
void PlaceStatusStrip();
// Reads the time and the power and repaints the parts whose text or gauge changed.
void RefreshStatusStrip();
// Repaints the whole strip when the presentation's colours differ from those it shows.
void MatchStatusStripColours();

// What the strip shows of a power status (known false: the reading failed).
void ReadBatteryState(const SYSTEM_POWER_STATUS_EX2 *status, bool known, StatusReading *reading);
// The strip's time part (left) and battery part (right), in its client coordinates.
void GetStatusStripParts(RECT *timePart, RECT *batteryPart);

LRESULT CALLBACK StatusStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
