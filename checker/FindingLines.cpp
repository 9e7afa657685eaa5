#include "checker/FindingLines.h"

#include <windows.h>
#include <wchar.h>

#include "Common/StdFuncs.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "resources/resource.h"

namespace check {
namespace {

std::wstring Number(long value) { return std::to_wstring(value); }


// The value each setting-check message is about (the colour message names four), and the
// field of the settings record that holds what the device uses.
struct CheckedValue {
  int messageId;
  const wchar_t *valueNames[4];
  std::wstring (*used)(const DisplaySettings &);
};
const CheckedValue kCheckedValues[] = {
    {IDS_BAD_MODE, {L"Mode"}, [](const DisplaySettings &r) { return ModeName(r.mode); }},
    {IDS_BAD_USE_PROGRAM_ICONS, {L"UseProgramIcons"},
     [](const DisplaySettings &r) { return Number(r.useProgramIcons); }},
    {IDS_BAD_MENU_ITEM_HEIGHT, {L"MenuItemHeight"},
     [](const DisplaySettings &r) { return Number(r.menuItemHeight); }},
    {IDS_SAME_COLOURS,
     {L"MenuItemTextColor", L"MenuItemBackgroundColor", L"SelectedMenuItemTextColor",
      L"SelectedMenuItemBackgroundColor"},
     [](const DisplaySettings &) { return std::wstring(L"the default colours"); }},
    {IDS_BAD_FONT_SIZE, {L"MenuItemFontSize"},
     [](const DisplaySettings &r) { return Number(r.menuItemFontSize); }},
    {IDS_BAD_BITMAP_HEIGHT, {L"BitmapHeight"},
     [](const DisplaySettings &r) { return Number(r.bitmapHeight); }},
    {IDS_BAD_NUMBER, {L"Number"}, [](const DisplaySettings &r) { return Number(r.number); }},
    {IDS_BAD_DETAIL_COLUMNS, {L"DetailColumns"},
     [](const DisplaySettings &r) { return Number(r.detailColumns); }},
    {IDS_BAD_ICON_WIDTH, {L"MenuItemIconWidth"},
     [](const DisplaySettings &r) { return Number(r.menuItemIconWidth); }},
    {IDS_BAD_QUIT_AFTER_LAUNCH, {L"QuitAfterLaunch"},
     [](const DisplaySettings &r) { return Number(r.quitAfterLaunch); }},
    {IDS_BAD_DESCRIPTION_WIDTH, {L"DescriptionWidth"},
     [](const DisplaySettings &r) { return Number(r.descriptionWidth); }},
    {IDS_BAD_NAME_WIDTH, {L"NameWidth"},
     [](const DisplaySettings &r) { return Number(r.nameWidth); }},
    {IDS_BAD_COMMAND_WIDTH, {L"CommandWidth"},
     [](const DisplaySettings &r) { return Number(r.commandWidth); }},
    {IDS_BAD_HEADINGS, {L"Headings"},
     [](const DisplaySettings &r) { return Number(r.headings); }},
    {IDS_BAD_TITLE_BAR_CONTEXT, {L"TitleBarContext"},
     [](const DisplaySettings &r) { return Number(r.titleBarContext); }},
};

const wchar_t kEntryWarningStart[] = L"Program Key  ";
const wchar_t kTooManyItems[] = L"Too many items for numbered list ";
const wchar_t kHotKeyWarningStart[] = L"Hotkey registration is unsuccessful.";

// The fixed start of a string-table pattern, up to its first number or text.
std::wstring PatternStart(int messageId)
{
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(messageId), pattern, TEXT_CAPACITY);
  std::wstring start(pattern);
  size_t percent = start.find(L'%');
  return percent == std::wstring::npos ? start : start.substr(0, percent);
}

bool StartsWith(const std::wstring &text, const std::wstring &start)
{
  return !start.empty() && text.compare(0, start.size(), start) == 0;
}

std::wstring ConfigurationKey(const FindingPlace &place, const std::wstring &name)
{
  return place.profileKeyPath + L"\\" + name;
}

long EntryLine(const FindingPlace &place, int number)
{
  if (place.entries == nullptr)
    return 0;
  for (const CheckedEntry &entry : *place.entries)
    if (entry.number == number)
      return entry.line;
  return 0;
}

// The line of a value of the entry at a position. The check of a configuration reports
// before its entries are recorded: the position is then counted over its numbered keys.
long EntryValueLine(const FindingPlace &place, int number, const wchar_t *valueName)
{
  std::wstring programs = ConfigurationKey(place, place.configuration) + L"\\Programs\\";
  int position = 0;
  for (int n = 1; n <= MAX_PROGRAM_ENTRIES; ++n) {
    std::wstring keyName = L"Prog" + std::to_wstring(n);
    if (!KeyExists((programs + keyName).c_str()) || ++position != number)
      continue;
    long line = place.lines->ValueLine(programs + keyName, valueName);
    return line != 0 ? line : place.lines->KeyLine(programs + keyName);
  }
  return 0;
}

// The second of two entries that ask for the same hot key, else the Programs key.
long HotKeyLine(const FindingPlace &place)
{
  std::wstring programs = ConfigurationKey(place, place.configuration) + L"\\Programs";
  if (place.entries != nullptr) {
    const std::vector<CheckedEntry> &entries = *place.entries;
    for (size_t i = 0; i < entries.size(); ++i)
      for (size_t j = 0; j < i; ++j)
        if (entries[i].hotKey > 0 && entries[i].hotKeyModifiers > 0 &&
            entries[i].hotKey == entries[j].hotKey &&
            entries[i].hotKeyModifiers == entries[j].hotKeyModifiers) {
          long line = place.lines->ValueLine(programs + L"\\" + entries[i].keyName, L"HotKey");
          return line != 0 ? line : entries[i].line;
        }
  }
  return place.lines->KeyLine(programs);
}

long LineOf(const std::wstring &text, const FindingPlace &place)
{
  for (const CheckedValue &checked : kCheckedValues) {
    if (!StartsWith(text, PatternStart(checked.messageId)))
      continue;
    for (const wchar_t *name : checked.valueNames) {
      long line = name != nullptr ? SettingLine(place, name) : 0;
      if (line != 0)
        return line;
    }
  }
  if (StartsWith(text, kEntryWarningStart)) {
    int number = _wtoi(text.c_str() + wcslen(kEntryWarningStart));
    for (const wchar_t *value : {L"AutoStart", L"KeepRunning", L"Password", L"StartDelay",
                                 L"NeedsNetwork", L"NetworkName", L"ExitActions"}) {
      long line = text.find(std::wstring(L" - ") + value + L" ") != std::wstring::npos
                      ? EntryValueLine(place, number, value)
                      : 0;
      if (line != 0)
        return line;
    }
    return EntryLine(place, number);
  }
  if (text == kTooManyItems)
    return SettingLine(place, L"Number");
  if (StartsWith(text, kHotKeyWarningStart))
    return HotKeyLine(place);
  if (StartsWith(text, PatternStart(IDS_SEQUENCE_GAP)) ||
      StartsWith(text, PatternStart(IDS_NO_PROGRAM_KEYS)))
    return place.lines->KeyLine(ConfigurationKey(place, place.configuration) + L"\\Programs");
  return 0;
}

}  // namespace

std::wstring ModeName(long mode)
{
  switch (mode) {
  case MODE_DETAILS: return L"Details";
  case MODE_LIST: return L"List";
  case MODE_SMALL_ICONS: return L"Small Icons";
  case MODE_LARGE_ICONS: return L"Large Icons";
  case MODE_MENU_BARS: return L"Menu Bars";
  default: return Number(mode);
  }
}

std::wstring MessageText(const ShownMessage &message)
{
  if (message.detail.empty())
    return message.text;
  return message.text + L": " + message.detail;
}

long SettingLine(const FindingPlace &place, const wchar_t *valueName)
{
  std::wstring own = ConfigurationKey(place, place.configuration) + L"\\Settings";
  long line = place.lines->ValueLine(own, valueName);
  if (line == 0)
    line = place.lines->ValueLine(ConfigurationKey(place, DEFAULT_CONFIGURATION) + L"\\Settings",
                                  valueName);
  if (line == 0)
    line = place.lines->KeyLine(own);
  return line;
}

std::wstring SettingCorrection(const std::wstring &message, const DisplaySettings &live)
{
  for (const CheckedValue &checked : kCheckedValues)
    if (StartsWith(message, PatternStart(checked.messageId)))
      return checked.used(live);
  return std::wstring();
}

Finding MakeFinding(const ShownMessage &message, const FindingPlace &place)
{
  Finding finding;
  finding.message = MessageText(message);
  finding.severity =
      message.caption == L"Ferrolt Warning" ? Severity::Warning : Severity::Error;
  finding.configuration = place.configuration;
  finding.line = LineOf(finding.message, place);
  if (finding.line == 0)
    finding.line = place.fallbackLine;
  return finding;
}

}  // namespace check
