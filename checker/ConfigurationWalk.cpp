// The walk over a profile's configurations: Default as at start-up, then every
// configuration an entry calls, entered and left the way the launcher does it, then the
// configurations nothing calls.
#include <windows.h>
#include <wctype.h>

#include <map>

#include "Common/StdInit.h"
#include "checker/CheckerTexts.h"
#include "checker/WalkSteps.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/LaunchCommand.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"

namespace check {

namespace {

// The lines the launcher took, as an administrator writes them.
std::wstring ExitRulesText(const ExitRules &rules)
{
  std::wstring text;
  for (int i = 0; i < rules.count && i < EXIT_RULE_CAPACITY; ++i) {
    const ExitRule &rule = rules.rules[i];
    std::wstring codes = rule.low == 0 && rule.high == 0xFFFFFFFFu ? L"*"
                         : rule.low == rule.high
                             ? std::to_wstring(rule.low)
                             : std::to_wstring(rule.low) + L"-" + std::to_wstring(rule.high);
    text += (text.empty() ? L"" : L"; ") + codes + L"=" + ExitActionName(rule.action);
  }
  return text;
}

std::wstring Lower(std::wstring text)
{
  for (wchar_t &c : text)
    c = static_cast<wchar_t>(towlower(c));
  return text;
}

// The file name at the end of a device path.
std::wstring FileNameOf(const std::wstring &path)
{
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring &path)
{
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

class Walker {
public:
  Walker(const CheckOptions &options, const ScriptLines &lines, CheckedProfile *profile,
         const ConfigurationVisitor &visitor)
      : options_(options), lines_(lines), profile_(profile), visitor_(visitor)
  {
  }

  void Run()
  {
    std::wstring defaultPath = g_profile.configurationKeyPath;
    size_t home = Add(DEFAULT_CONFIGURATION, L"", 0, true);
    if (!KeyExists(defaultPath.c_str())) {
      Report(home, OwnFinding(lines_.KeyLine(profile_->keyPath), Severity::Error,
                              DEFAULT_CONFIGURATION, TEXT_NO_DEFAULT));
      FindProgramKeys(defaultPath.c_str());
      Collect(home, 0);
      return;
    }
    // Start-up loads the home configuration, checks it, and loads it again to show it;
    // the walk shows the table of the first load.
    UnregisterEntryHotKeys();
    ClearProgramEntries();
    bool started = LoadConfiguration(defaultPath.c_str());
    Collect(home, 0);
    if (!started)
      return;
    CheckConfiguration(DEFAULT_CONFIGURATION);
    Collect(home, 0);
    bool loaded = RegisterEntryHotKeys() && LoadEntryIcons();
    if (!ShowCurrent(home, loaded))
      return;
    FollowCalls(home);
    WalkUnreachable(home);
    MarkBehindPassword();
    CheckRedundantPasswords();
  }

private:
  struct Call {
    int number;
    std::wstring text;
    long line;
  };

  CheckedConfiguration &At(size_t index) { return profile_->configurations[index]; }

  size_t Add(const std::wstring &name, const std::wstring &parent, int parentItem,
             bool reachable)
  {
    CheckedConfiguration configuration;
    configuration.name = name;
    configuration.parent = parent;
    configuration.parentItem = parentItem;
    configuration.depth = g_app.stackDepth;
    configuration.reachable = reachable;
    configuration.shown = false;
    configuration.line = lines_.KeyLine(profile_->keyPath + L"\\" + name);
    if (configuration.line == 0)
      configuration.line = lines_.KeyLine(profile_->keyPath);
    if (!reachable)
      configuration.findings.push_back(OwnFinding(configuration.line, Severity::Warning, name,
                                                  TEXT_NEVER_REACHABLE));
    profile_->configurations.push_back(configuration);
    visited_[Lower(name)] = profile_->configurations.size() - 1;
    return profile_->configurations.size() - 1;
  }

  // A device shows the same message again when it loads a configuration again; the
  // report names it once.
  void Report(size_t index, const Finding &finding)
  {
    for (const Finding &known : At(index).findings)
      if (known.message == finding.message)
        return;
    At(index).findings.push_back(finding);
  }

  // Files the messages collected since the last step to a configuration.
  void Collect(size_t index, long fallbackLine)
  {
    CheckedConfiguration &configuration = At(index);
    FindingPlace place = {&lines_, profile_->keyPath, configuration.name,
                          fallbackLine != 0 ? fallbackLine : configuration.line,
                          &configuration.entries};
    for (const ShownMessage &message : TakeMessages())
      Report(index, MakeFinding(message, place));
  }

  void RecordEntries(size_t index)
  {
    std::wstring programs = profile_->keyPath + L"\\" + At(index).name + L"\\Programs\\";
    std::vector<CheckedEntry> &entries = At(index).entries;
    entries.clear();
    for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i) {
      const ProgramEntry &entry = g_entries.entries[i];
      CheckedEntry checked;
      checked.number = static_cast<int>(i) + 1;
      checked.keyName = g_entries.keyNames[i];
      checked.label = entry.description;
      checked.target = entry.name;
      checked.arguments = entry.command;
      checked.call = entry.isCall ? entry.call : L"";
      checked.hotKey = entry.hotKey;
      checked.hotKeyModifiers = entry.hotKeyModifiers;
      checked.icon = entry.icon;
      // As the launcher acts on them: never for a call, AutoStart only at home.
      checked.autoStart = !entry.isCall && entry.autoStart == 1 &&
                          At(index).name == DEFAULT_CONFIGURATION;
      checked.keepRunning = !entry.isCall && entry.keepRunning == 1;
      checked.password = static_cast<int>(entry.passwordState);
      if (entry.rules.startDelay != START_DELAY_NONE)
        checked.startDelay = std::to_wstring(entry.rules.startDelay) + L" seconds";
      checked.needsNetwork = !entry.isCall && entry.rules.needsNetwork == 1;
      if (entry.rules.exitRules.count > 0)
        checked.exitActions = ExitRulesText(entry.rules.exitRules);
      if (entry.passwordState == PASSWORD_SET) {
        wchar_t hash[PASSWORD_HASH_TEXT_CAPACITY] = {0};
        FormatPasswordHash(&entry.password, hash, PASSWORD_HASH_TEXT_CAPACITY);
        checked.passwordHash = hash;
      }
      checked.line = lines_.KeyLine(programs + checked.keyName);
      if (entry.isCall)
        checked.enters = CalledConfigurationName(checked.call);
      for (const wchar_t *value : {L"Description", L"Name", L"Command", L"Icon", L"HotKey",
                                   L"HotKeyModifier", L"Call", L"AutoStart", L"KeepRunning",
                                   L"StartDelay", L"NeedsNetwork", L"NetworkName", L"ExitActions",
                                   L"Password"}) {
        long line = lines_.ValueLine(programs + checked.keyName, value);
        if (line != 0)
          checked.valueLines[value] = line;
      }
      entries.push_back(checked);
    }
  }

  // What the launcher does when it shows the current configuration, which it has just
  // loaded (entering it loads it, and the walk takes the table that load left: a second
  // load reads the same keys and repeats the same messages).
  bool ShowCurrent(size_t index, bool loaded)
  {
    bool shown = loaded;
    RecordEntries(index);
    if (shown)
      ShowEntryWarnings();
    Collect(index, 0);
    At(index).shown = shown;
    if (!shown)
      return false;
    for (Finding &finding : At(index).findings)
      if (finding.correction.empty())
        finding.correction = SettingCorrection(finding.message, g_settings);
    FindingPlace place = {&lines_, profile_->keyPath, At(index).name, 0, nullptr};
    At(index).settings = UsedSettings(g_settings, place);
    CheckTargets(index);
    CheckStartOptions(index);
    CheckHeaderBitmap(index);
    if (visitor_)
      visitor_(*profile_, At(index));
    return true;
  }

  // A file the launcher opens on the device (run file, shortcut, header picture) that the
  // script does not bring along.
  void CheckSupplied(size_t index, const std::wstring &devicePath, long line)
  {
    std::wstring beside = FolderOf(options_.script) + L"\\" + FileNameOf(devicePath);
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
      return;
    Report(index, OwnFinding(line, Severity::Warning, At(index).name,
                             FormatText(TEXT_NOT_SUPPLIED, devicePath)));
  }

  // The first step of every launch, as the launcher takes it when the entry is chosen.
  void CheckTargets(size_t index)
  {
    std::wstring programs = profile_->keyPath + L"\\" + At(index).name + L"\\Programs\\";
    for (const CheckedEntry &entry : At(index).entries) {
      if (!entry.call.empty() || entry.target.empty())
        continue;
      long line = lines_.ValueLine(programs + entry.keyName, L"Name");
      wchar_t path[TEXT_CAPACITY];
      wchar_t extension[TEXT_CAPACITY];
      bool prepared = PrepareProgramPath(entry.target.c_str(), path, extension);
      Collect(index, line != 0 ? line : entry.line);
      if (prepared && (_wcsicmp(extension, L".run") == 0 || _wcsicmp(extension, L".lnk") == 0))
        CheckSupplied(index, path, line != 0 ? line : entry.line);
    }
  }

  // AutoStart and KeepRunning where the launcher ignores them, and beside QuitAfterLaunch,
  // which they override.
  void CheckStartOptions(size_t index)
  {
    std::wstring programs = profile_->keyPath + L"\\" + At(index).name + L"\\Programs\\";
    bool home = At(index).name == DEFAULT_CONFIGURATION;
    for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES &&
                     static_cast<size_t>(i) < At(index).entries.size();
         ++i) {
      const ProgramEntry &entry = g_entries.entries[i];
      const CheckedEntry &checked = At(index).entries[static_cast<size_t>(i)];
      std::wstring key = programs + checked.keyName;
      const struct {
        const wchar_t *name;
        bool on;
      } options[] = {{L"AutoStart", entry.autoStart == 1}, {L"KeepRunning", entry.keepRunning == 1}};
      for (const auto &option : options) {
        if (!option.on)
          continue;
        long line = lines_.ValueLine(key, option.name);
        if (line == 0)
          line = checked.line;
        const wchar_t *pattern = nullptr;
        if (entry.isCall)
          pattern = TEXT_START_OPTION_ON_CALL;
        else if (option.name == std::wstring(L"AutoStart") && !home)
          pattern = TEXT_AUTO_START_OUTSIDE_DEFAULT;
        else if (g_settings.quitAfterLaunch == 1)
          pattern = TEXT_QUIT_AFTER_LAUNCH_OVERRIDDEN;
        if (pattern != nullptr)
          Report(index, OwnFinding(line, Severity::Warning, At(index).name,
                                   FormatText(pattern, option.name, checked.number)));
      }
      if (checked.autoStart && HasExitAction(entry.rules.exitRules, EXIT_REBOOT)) {
        long line = lines_.ValueLine(key, L"ExitActions");
        Report(index, OwnFinding(line != 0 ? line : checked.line, Severity::Warning,
                                 At(index).name,
                                 FormatText(TEXT_REBOOT_ON_AUTO_START, L"", checked.number)));
      }
      if (checked.autoStart && entry.passwordState == PASSWORD_SET) {
        long line = lines_.ValueLine(key, L"AutoStart");
        Report(index, OwnFinding(line != 0 ? line : checked.line, Severity::Warning,
                                 At(index).name,
                                 FormatText(TEXT_AUTO_START_WITHOUT_PASSWORD, L"",
                                            checked.number)));
      }
    }
  }

  // A screen is behind a password when every entry that enters it has a Password of its
  // own or sits on a screen behind a password: start from all of them and drop each one an
  // open way reaches, until nothing changes (a ring of screens stays behind its door).
  void MarkBehindPassword()
  {
    std::vector<CheckedConfiguration> &all = profile_->configurations;
    for (CheckedConfiguration &configuration : all)
      configuration.behindPassword = configuration.reachable && configuration.name != DEFAULT_CONFIGURATION;
    for (bool changed = true; changed;) {
      changed = false;
      for (const CheckedConfiguration &caller : all) {
        if (!caller.reachable || caller.behindPassword)
          continue;
        for (const CheckedEntry &entry : caller.entries) {
          if (entry.enters.empty() || entry.password != 0)
            continue;
          auto target = visited_.find(Lower(entry.enters));
          if (target != visited_.end() && At(target->second).behindPassword) {
            At(target->second).behindPassword = false;
            changed = true;
          }
        }
      }
    }
  }

  void CheckRedundantPasswords()
  {
    for (size_t index = 0; index < profile_->configurations.size(); ++index) {
      if (!At(index).behindPassword)
        continue;
      std::wstring programs = profile_->keyPath + L"\\" + At(index).name + L"\\Programs\\";
      for (const CheckedEntry &entry : At(index).entries) {
        if (entry.password != 1)
          continue;
        long line = lines_.ValueLine(programs + entry.keyName, L"Password");
        Report(index, OwnFinding(line != 0 ? line : entry.line, Severity::Warning,
                                 At(index).name,
                                 FormatText(TEXT_REDUNDANT_PASSWORD, L"", entry.number)));
      }
    }
  }

  void CheckHeaderBitmap(size_t index)
  {
    if (g_settings.mode != MODE_MENU_BARS)
      return;
    FindingPlace place = {&lines_, profile_->keyPath, At(index).name, 0, nullptr};
    for (const wchar_t *name : {At(index).name.c_str(), DEFAULT_CONFIGURATION}) {
      std::wstring settings = profile_->keyPath + L"\\" + name + L"\\Settings";
      if (!KeyExists(settings.c_str()))
        continue;
      wchar_t path[TEXT_CAPACITY];
      ReadProfileValue(settings.c_str(), L"BitmapFilePath", path, sizeof(path), REG_SZ);
      if (path[0] == 0 && lines_.ValueLine(settings, L"BitmapFilePath") == 0)
        continue;
      if (path[0] != 0)
        CheckSupplied(index, path, SettingLine(place, L"BitmapFilePath"));
      return;
    }
  }

  std::wstring NameOfCall(const std::wstring &text) { return CalledConfigurationName(text); }

  // Whether entering the name would repeat a configuration on the way to it; the
  // launcher compares with exact case.
  bool IsOnPath(const std::wstring &name)
  {
    if (name == g_profile.configurationName)
      return true;
    for (int i = 0; i < g_app.stackDepth && i < CONFIGURATION_STACK_SIZE; ++i)
      if (name == g_navigation.stack[i])
        return true;
    return false;
  }

  std::vector<Call> CallsOf(size_t index)
  {
    std::wstring programs = profile_->keyPath + L"\\" + At(index).name + L"\\Programs\\";
    std::vector<Call> calls;
    for (const CheckedEntry &entry : At(index).entries) {
      if (entry.call.empty())
        continue;
      long line = lines_.ValueLine(programs + entry.keyName, L"Call");
      calls.push_back({entry.number, entry.call, line != 0 ? line : entry.line});
    }
    return calls;
  }

  void FollowCalls(size_t index)
  {
    for (const Call &call : CallsOf(index))
      Enter(index, call);
  }

  // Choosing a call entry: the launcher checks the configuration, enters it and shows it.
  // A call numbered 0 stands for no entry at all: a configuration nothing calls, checked
  // as if the home configuration called it.
  void Enter(size_t caller, const Call &call)
  {
    if (g_app.stackDepth >= CONFIGURATION_STACK_SIZE) {
      Report(caller, OwnFinding(call.line, Severity::Error, At(caller).name,
                                FormatText(TEXT_TOO_DEEP, call.text, CONFIGURATION_STACK_SIZE)));
      return;
    }
    std::wstring name = NameOfCall(call.text);
    bool repeating = IsOnPath(name);
    auto known = visited_.find(Lower(name));
    bool seen = known != visited_.end();

    bool checked = CheckConfiguration(call.text.c_str());
    if (!checked) {
      Collect(caller, call.line);
      return;
    }
    if (seen && !repeating) {
      TakeMessages();  // reported when it was first walked
      return;
    }
    size_t target = seen ? known->second : 0;
    if (!seen) {
      ++g_app.stackDepth;  // the depth it is shown at, counted before it is entered
      bool called = call.number != 0;
      target = Add(name, called ? At(caller).name : L"", call.number,
                   called && At(caller).reachable);
      --g_app.stackDepth;
      Collect(target, 0);
    } else {
      TakeMessages();
    }

    // A Call text the launcher reduces to a configuration that does not exist would make it
    // import the device's default script; the device then reports the missing entries.
    std::wstring targetPath = profile_->keyPath + L"\\" + name;
    if (!KeyExists(targetPath.c_str())) {
      FindProgramKeys(targetPath.c_str());
      Collect(target, call.line);
      return;
    }
    std::wstring suffix = g_navigation.titleSuffix;
    if (!EnterConfiguration(call.text.c_str())) {
      Collect(repeating ? caller : target, repeating ? call.line : 0);
      GoBack(suffix);
      return;
    }
    Collect(target, 0);
    if (ShowCurrent(target, true))
      FollowCalls(target);
    GoBack(suffix);
  }

  // Back to the configuration that was left, as the launcher's stack keeps it. The walk
  // does not load it again: it was checked when it was shown.
  void GoBack(const std::wstring &suffix)
  {
    UnregisterEntryHotKeys();
    ClearProgramEntries();
    PopConfiguration();
    SetCurrentConfiguration(g_profile.configurationName);
    CopyText(g_navigation.titleSuffix, TEXT_CAPACITY, suffix.c_str());
  }

  // Configurations the profile defines that no entry reaches: checked as if the home
  // configuration called them.
  void WalkUnreachable(size_t home)
  {
    for (const std::wstring &name : SubKeyNames(profile_->keyPath)) {
      if (visited_.count(Lower(name)) != 0 || NameOfCall(name) != name)
        continue;
      Enter(home, {0, name, lines_.KeyLine(profile_->keyPath + L"\\" + name)});
    }
  }

  const CheckOptions &options_;
  const ScriptLines &lines_;
  CheckedProfile *profile_;
  const ConfigurationVisitor &visitor_;
  std::map<std::wstring, size_t> visited_;  // lower-case name -> index
};

}  // namespace

std::wstring CalledConfigurationName(const std::wstring &callText)
{
  ProfileState saved = g_profile;
  SetCurrentConfiguration(callText.c_str());
  std::wstring name = g_profile.configurationName;
  g_profile = saved;
  return name;
}

void WalkConfigurations(const CheckOptions &options, const ScriptLines &lines,
                        CheckedProfile *profile, const ConfigurationVisitor &visitor)
{
  Walker walker(options, lines, profile, visitor);
  walker.Run();
}

}  // namespace check
