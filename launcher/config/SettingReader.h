#pragma once
// One reader for the values of a Settings key, shared by the live record and the check
// record; the two differ only in what a target says about itself.
#include <windows.h>

#include "launcher/config/DisplaySettings.h"

// The four item colours and their defaults.
enum {
  DEFAULT_MENU_AREA_BACKGROUND = 0x00FFFFFF,
  DEFAULT_ITEM_BACKGROUND = 0x00FFFFFF,
  DEFAULT_ITEM_TEXT = 0x00000000,
  DEFAULT_SELECTED_BACKGROUND = 0x00DFAD00,
  DEFAULT_SELECTED_TEXT = 0x00FFFFFF,
  DEFAULT_SEPARATOR = 0x00000000,
};

enum { SETTING_VALUE_COUNT = 30, BITMAP_HEIGHT_LIMIT = 100, BITMAP_HEIGHT_FALLBACK = 70 };

struct SettingValue {
  int number;
  const wchar_t *name;
  DWORD kind;
};
// The values of a Settings key in reading order.
extern const SettingValue g_settingValues[SETTING_VALUE_COUNT];

struct SettingTarget {
  DisplaySettings *record;
  bool defaultCase;  // reading Default\Settings: a missing value takes its default
  bool checkRecord;  // no icons, no bitmap, long texts missing, values stored as read
};

// Reads one value from an open Settings key (null when the key is missing) into the
// target's record.
void ReadSettingFrom(HKEY key, const SettingTarget &target, int number,
                     const wchar_t *valueName, DWORD kind);
// Reads every value of an open Settings key (null when the key is missing), in reading
// order, into the target's record.
void ReadSettingsFrom(HKEY key, const SettingTarget &target);
void ApplySettingDefault(const SettingTarget &target, int number);

// Loads the picture of BitmapFilePath into the record's header bitmap, cut to the
// record's bitmap height and the usable width; no picture leaves height 0.
void LoadHeaderBitmap(DisplaySettings *record, const wchar_t *path);
void ReleaseHeaderBitmap(DisplaySettings *record);
