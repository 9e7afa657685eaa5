// The display settings of a configuration as the device shows it: the live record the
// launcher's loader filled, after its corrections and defaults; those of another mode
// than the configuration's are left out.
#include <windows.h>

#include <cstdio>

#include "checker/FindingLines.h"
#include "checker/WalkSteps.h"
#include "launcher/config/DisplaySettings.h"

namespace check {
namespace {

std::wstring Colour(COLORREF colour)
{
  wchar_t text[16];
  _snwprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(colour));
  text[15] = 0;
  return text;
}

// A text setting the launcher shows only when its switch is set.
std::wstring Shown(DWORD shown, const wchar_t *text)
{
  return shown != 0 ? std::wstring(text) : std::wstring(L"(not shown)");
}

// Settings only one mode uses; a device in another mode shows nothing of them.
const wchar_t *const kMenuBarSettings[] = {
    L"BitmapHeight", L"MenuAreaBackgroundColor", L"MenuItemFont", L"MenuItemFontSize",
    L"MenuItemHeight", L"MenuItemIconWidth", L"MenuItemBackgroundColor", L"MenuItemTextColor",
    L"SelectedMenuItemBackgroundColor", L"SelectedMenuItemTextColor", L"SeparatorColor"};
const wchar_t *const kDetailsSettings[] = {L"Headings", L"Description", L"DescriptionWidth",
                                           L"Name", L"NameWidth", L"Command", L"CommandWidth",
                                           L"DetailColumns"};

template <size_t N>
bool Among(const wchar_t *name, const wchar_t *const (&names)[N])
{
  for (const wchar_t *known : names)
    if (wcscmp(known, name) == 0)
      return true;
  return false;
}

bool UsedInMode(const wchar_t *name, LONG mode)
{
  if (Among(name, kMenuBarSettings))
    return mode == MODE_MENU_BARS;
  if (Among(name, kDetailsSettings))
    return mode == MODE_DETAILS;
  return true;
}

}  // namespace

std::vector<UsedValue> UsedSettings(const DisplaySettings &s, const FindingPlace &place)
{
  struct Named {
    const wchar_t *name;
    std::wstring value;
  };
  const Named named[] = {
      {L"Mode", ModeName(s.mode)},
      {L"TitleBar", Shown(s.titleShown, s.titleText)},
      {L"Exit", Shown(s.exitShown, s.exitText)},
      {L"About", Shown(s.aboutShown, s.aboutText)},
      {L"Return", Shown(s.returnShown, s.returnText)},
      {L"QuitAfterLaunch", std::to_wstring(s.quitAfterLaunch)},
      {L"UseProgramIcons", std::to_wstring(s.useProgramIcons)},
      {L"Number", std::to_wstring(s.number)},
      {L"DetailColumns", std::to_wstring(s.detailColumns)},
      {L"ButtonColumns", std::to_wstring(s.buttonColumns)},
      {L"Headings", std::to_wstring(s.headings)},
      {L"Description", s.descriptionHeading},
      {L"DescriptionWidth", std::to_wstring(s.descriptionWidth)},
      {L"Name", s.nameHeading},
      {L"NameWidth", std::to_wstring(s.nameWidth)},
      {L"Command", s.commandHeading},
      {L"CommandWidth", std::to_wstring(s.commandWidth)},
      {L"BitmapHeight", std::to_wstring(s.bitmapHeight)},
      {L"MenuAreaBackgroundColor", Colour(s.menuAreaBackgroundColor)},
      {L"MenuItemFont", s.menuItemFont},
      {L"MenuItemFontSize", std::to_wstring(s.menuItemFontSize)},
      {L"MenuItemHeight", std::to_wstring(s.menuItemHeight)},
      {L"MenuItemIconWidth", std::to_wstring(s.menuItemIconWidth)},
      {L"MenuItemBackgroundColor", Colour(s.menuItemBackgroundColor)},
      {L"MenuItemTextColor", Colour(s.menuItemTextColor)},
      {L"SelectedMenuItemBackgroundColor", Colour(s.selectedMenuItemBackgroundColor)},
      {L"SelectedMenuItemTextColor", Colour(s.selectedMenuItemTextColor)},
      {L"SeparatorColor", Colour(s.separatorColor)},
      {L"TitleBarContext", std::to_wstring(s.titleBarContext)},
  };
  std::vector<UsedValue> values;
  for (const Named &setting : named)
    if (UsedInMode(setting.name, s.mode))
      values.push_back({setting.name, setting.value, SettingLine(place, setting.name)});
  return values;
}

}  // namespace check
