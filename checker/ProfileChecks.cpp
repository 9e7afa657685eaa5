// The profile: chosen as the launcher chooses it, and its profile-wide values checked
// against the device's screen.
#include <windows.h>

#include "Common/StdInit.h"
#include "checker/CheckerTexts.h"
#include "checker/WalkSteps.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/LogSettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/Profile.h"
#include "launcher/config/WatchSettings.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

namespace check {
namespace {

// Height of the Windows Mobile menu bar below a launcher that is not in full screen.
enum { WM_MENU_BAR_HEIGHT = 26 };

// Every run of the launcher starts from its start-up state; so does every profile here.
void ResetLauncherState(const CheckOptions &options)
{
  UnregisterEntryHotKeys();
  ClearProgramEntries();
  ZeroMemory(&g_profile, sizeof(g_profile));
  ZeroMemory(&g_navigation, sizeof(g_navigation));
  g_app.instance = GetModuleHandleW(nullptr);
  g_app.mainWindow = nullptr;
  g_app.stackDepth = 0;
  g_app.titleLimit = 28;
  g_presentation.aboutIndex = g_presentation.exitIndex = g_presentation.returnIndex = -1;
  g_shell.plainCe = !options.windowsMobile;
  g_shell.fullScreen = 0;
  g_shell.forceScreenState = FORCE_SCREEN_NONE;
  g_shell.menuBarHeight = 0;
  SetForcedWindowArea(nullptr);
  SetReservedBands(0, 0);
}

void CollectProfile(CheckedProfile *profile, long line)
{
  for (const ShownMessage &message : TakeMessages()) {
    Finding finding = OwnFinding(line, message.caption == L"Ferrolt Warning" ? Severity::Warning
                                                                             : Severity::Error,
                                 SCOPE_PROFILE, MessageText(message));
    profile->findings.push_back(finding);
  }
}

void Record(CheckedProfile *profile, const wchar_t *name, long value, long line)
{
  profile->values.push_back({name, std::to_wstring(value), line});
}

long FirstValueLine(const ScriptLines &lines, const std::wstring &key,
                    std::initializer_list<const wchar_t *> names)
{
  for (const wchar_t *name : names) {
    long line = lines.ValueLine(key, name);
    if (line != 0)
      return line;
  }
  return lines.KeyLine(key);
}

// The forced rectangle as the launcher judges it on a device with this work area, and
// the height the menus need.
void CheckScreen(const CheckOptions &options, const ScriptLines &lines, CheckedProfile *profile)
{
  RECT usable = {0, 0, options.screenWidth, options.screenHeight};
  int state = FORCE_SCREEN_NONE;
  long rectangleLine = FirstValueLine(lines, profile->keyPath,
                                      {L"ForceScreenLeft", L"ForceScreenTop", L"ForceScreenRight",
                                       L"ForceScreenBottom"});
  if (JudgeForceScreen(&usable, &state) && state == FORCE_SCREEN_INVALID) {
    wchar_t text[TEXT_CAPACITY];
    LoadTextOrId(TEXT_ID(IDS_BAD_FORCE_SCREEN), text, TEXT_CAPACITY);
    profile->findings.push_back(
        OwnFinding(rectangleLine, Severity::Warning, SCOPE_PROFILE, text));
  }
  if (state == FORCE_SCREEN_VALID)
    return;  // the judgement includes the menus' height

  DWORD fullScreen = 0;
  ReadProfileValue(profile->keyPath.c_str(), L"FullScreen", &fullScreen, sizeof(fullScreen),
                   REG_DWORD);
  int available = options.screenHeight;
  if (options.windowsMobile && fullScreen == 0)
    available -= WM_MENU_BAR_HEIGHT;
  // The status strip takes its band off the same height (a wrong value, reported below,
  // counts as off).
  if (ReadStatusStripSetting() != STATUS_STRIP_OFF)
    available -= MeasureStatusStripHeight(options.pixelsPerInch);
  DWORD needed = 0;
  GetMinimumMenuHeight(&needed);
  TakeMessages();
  if (needed > static_cast<DWORD>(available < 0 ? 0 : available)) {
    wchar_t text[TEXT_CAPACITY * 2];
    _snwprintf(text, TEXT_CAPACITY * 2, TEXT_MENU_TOO_TALL, static_cast<unsigned long>(needed),
               options.screenWidth, options.screenHeight, available);
    text[TEXT_CAPACITY * 2 - 1] = 0;
    profile->findings.push_back(
        OwnFinding(lines.KeyLine(profile->keyPath), Severity::Warning, SCOPE_PROFILE, text));
  }
}

}  // namespace

bool SelectAndCheckProfile(const CheckOptions &options, const ScriptLines &lines,
                           const std::wstring &name, CheckedProfile *profile)
{
  ResetLauncherState(options);
  bool selected = SelectProfile(name.empty() ? nullptr : name.c_str());
  long choiceLine = name.empty() ? lines.ValueLine(ProductKeyPath(), L"ActiveProfile") : 0;
  CollectProfile(profile, choiceLine);
  profile->name = g_profile.profileName[0] != 0 ? g_profile.profileName : name.c_str();
  profile->keyPath = g_profile.profileKeyPath;
  if (!selected)
    return false;

  // Start-up reads FullScreen (its own message for a bad value); the launcher's judgement
  // of the forced rectangle on this desktop is replaced by the device's below.
  ReadFullScreenSetting();
  long fullScreenLine = lines.ValueLine(profile->keyPath, L"FullScreen");
  CollectProfile(profile, fullScreenLine);
  Record(profile, L"FullScreen", static_cast<long>(g_shell.fullScreen), fullScreenLine);
  g_shell.fullScreen = 0;
  g_shell.forceScreenState = FORCE_SCREEN_NONE;
  SetForcedWindowArea(nullptr);
  CheckScreen(options, lines, profile);

  // Kept as start-up keeps them: the screens shown later number their Back item by them.
  g_app.exitOnEsc = ReadExitOnEsc();
  long line = lines.ValueLine(ProductKeyPath(), L"ExitOnESC");
  CollectProfile(profile, line);
  Record(profile, L"ExitOnESC", g_app.exitOnEsc, line);
  g_app.backOnZero = ReadBackOnZero();
  line = lines.ValueLine(ProductKeyPath(), L"BackOnZero");
  CollectProfile(profile, line);
  Record(profile, L"BackOnZero", g_app.backOnZero, line);
  PasswordHash exitPassword;
  bool passwordSet = ReadExitPassword(&exitPassword) == EXIT_PASSWORD_SET;
  line = lines.ValueLine(ProductKeyPath(), L"ExitPassword");
  CollectProfile(profile, line);
  wchar_t hash[PASSWORD_HASH_TEXT_CAPACITY] = {0};
  if (passwordSet)
    FormatPasswordHash(&exitPassword, hash, PASSWORD_HASH_TEXT_CAPACITY);
  profile->values.push_back({L"ExitPassword", hash, line});
  DWORD idle = ReadIdleHomeSeconds();
  line = lines.ValueLine(profile->keyPath, L"IdleHomeSeconds");
  CollectProfile(profile, line);
  Record(profile, L"IdleHomeSeconds", static_cast<long>(idle), line);
  DWORD autoStartDelay = ReadAutoStartDelay();
  line = lines.ValueLine(profile->keyPath, L"AutoStartDelay");
  CollectProfile(profile, line);
  Record(profile, L"AutoStartDelay", static_cast<long>(autoStartDelay), line);
  DWORD networkWait = ReadNetworkWait();
  line = lines.ValueLine(profile->keyPath, L"NetworkWait");
  CollectProfile(profile, line);
  Record(profile, L"NetworkWait", static_cast<long>(networkWait), line);
  DWORD statusStrip = ReadStatusStripSetting();
  line = lines.ValueLine(profile->keyPath, L"StatusStrip");
  CollectProfile(profile, line);
  Record(profile, L"StatusStrip", static_cast<long>(statusStrip), line);
  // The event log's bound: checked, not recorded, as the device user sees nothing of it.
  bool logSizeFaulty = false;
  ReadLogSize(&logSizeFaulty);
  if (logSizeFaulty)
    ReportFaultyLogSize();
  CollectProfile(profile, lines.ValueLine(ProductKeyPath(), L"LogSize"));
  return true;
}

std::vector<std::wstring> DefinedProfiles()
{
  g_profile.keyLayout = KeyExists(PRODUCT_KEY_FIRST) ? 1 : 0;
  std::wstring prefix = ProfilesPrefix();
  prefix.pop_back();  // the trailing backslash
  return SubKeyNames(prefix);
}

std::vector<std::wstring> SubKeyNames(const std::wstring &keyPath)
{
  std::vector<std::wstring> names;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[TEXT_CAPACITY];
    DWORD length = TEXT_CAPACITY;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}

}  // namespace check
