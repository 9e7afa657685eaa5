// The comparison of two checks: profiles by name, configurations by name, items by what
// the device user recognises them by (their label, else what they start), settings and
// profile-wide values as the device uses them, findings by their text.
#include "checker/ScriptDiff.h"

#include <windows.h>

#include <algorithm>

#include "checker/CheckerTexts.h"

namespace check {
namespace {

bool SameName(const std::wstring &a, const std::wstring &b)
{
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring Quoted(const std::wstring &text) { return L"\"" + text + L"\""; }

std::wstring Arrow(const std::wstring &from, const std::wstring &to)
{
  return Quoted(from) + L" -> " + Quoted(to);
}

std::wstring HotKeyName(const CheckedEntry &entry)
{
  if (entry.hotKey == 0)
    return L"none";
  std::wstring text;
  if (entry.hotKeyModifiers & MOD_CONTROL)
    text += L"Ctrl+";
  if (entry.hotKeyModifiers & MOD_ALT)
    text += L"Alt+";
  if (entry.hotKeyModifiers & MOD_SHIFT)
    text += L"Shift+";
  wchar_t key[16];
  if (entry.hotKey >= L'0' && entry.hotKey <= L'Z')
    _snwprintf(key, 16, L"%lc", static_cast<wchar_t>(entry.hotKey));
  else
    _snwprintf(key, 16, L"key 0x%02lx", static_cast<unsigned long>(entry.hotKey));
  key[15] = 0;
  return text + key;
}

std::wstring OnOff(bool on)
{
  return on ? L"on" : L"off";
}

// What an item does, apart from its label.
std::wstring Action(const CheckedEntry &entry)
{
  return entry.call.empty() ? entry.target + L"\n" + entry.arguments : L"\n\n" + entry.enters;
}

std::wstring ItemName(const CheckedEntry &entry)
{
  return L"item " + std::to_wstring(entry.number) + L" " + Quoted(entry.label);
}

class Comparer {
public:
  Comparer(const CheckReport &before, const CheckReport &after) : before_(before), after_(after)
  {
  }

  std::vector<Change> Run()
  {
    Findings(SCOPE_SCRIPT, before_.findings, after_.findings);
    bool byName = after_.profiles.size() != 1 || before_.profiles.size() != 1;
    for (const CheckedProfile &profile : after_.profiles) {
      const CheckedProfile *old = byName ? FindProfile(profile.name) : &before_.profiles[0];
      if (old == nullptr) {
        Add(false, 0, ChangeKind::Added, profile.name, SCOPE_PROFILE, 0,
            L"profile " + Quoted(profile.name));
        continue;
      }
      if (!byName && profile.name != old->name)
        Add(false, 0, ChangeKind::Changed, profile.name, SCOPE_PROFILE, 0,
            L"the device uses the profile " + Arrow(old->name, profile.name));
      Profile(*old, profile);
    }
    if (byName)
      for (const CheckedProfile &profile : before_.profiles)
        if (FindProfileIn(after_, profile.name) == nullptr)
          Add(true, 0, ChangeKind::Removed, profile.name, SCOPE_PROFILE, 0,
              L"profile " + Quoted(profile.name));
    return changes_;
  }

private:
  void Add(bool inBefore, long line, ChangeKind kind, const std::wstring &profile,
           const std::wstring &configuration, int item, const std::wstring &text)
  {
    changes_.push_back({inBefore, line, kind, profile, configuration, item, text});
  }

  static const CheckedProfile *FindProfileIn(const CheckReport &report, const std::wstring &name)
  {
    for (const CheckedProfile &profile : report.profiles)
      if (SameName(profile.name, name))
        return &profile;
    return nullptr;
  }
  const CheckedProfile *FindProfile(const std::wstring &name) const
  {
    return FindProfileIn(before_, name);
  }

  static const CheckedConfiguration *FindConfiguration(const CheckedProfile &profile,
                                                       const std::wstring &name)
  {
    for (const CheckedConfiguration &configuration : profile.configurations)
      if (SameName(configuration.name, name))
        return &configuration;
    return nullptr;
  }

  void Profile(const CheckedProfile &old, const CheckedProfile &now)
  {
    profile_ = now.name;
    Findings(SCOPE_PROFILE, old.findings, now.findings);
    for (const UsedValue &value : now.values)
      for (const UsedValue &was : old.values)
        if (value.name == was.name && value.value != was.value)
          ProfileValue(was, value);
    for (const CheckedConfiguration &configuration : now.configurations) {
      const CheckedConfiguration *previous = FindConfiguration(old, configuration.name);
      if (previous == nullptr)
        Appeared(configuration);
      else
        Configuration(*previous, configuration);
    }
    for (const CheckedConfiguration &configuration : old.configurations)
      if (FindConfiguration(now, configuration.name) == nullptr)
        Add(true, configuration.line, ChangeKind::Removed, profile_, configuration.name, 0,
            L"configuration " + Quoted(configuration.name));
  }

  void ProfileValue(const UsedValue &was, const UsedValue &value)
  {
    bool removed = value.line == 0 && was.line != 0;
    long line = removed ? was.line : value.line;
    std::wstring text;
    if (value.name == L"ExitPassword")
      text = was.value.empty() ? L"exit password set"
             : value.value.empty() ? L"exit password removed"
                                   : L"exit password changed";
    else
      text = value.name + L" " + was.value + L" -> " + value.value;
    Add(removed, line, ChangeKind::Changed, profile_, SCOPE_PROFILE, 0, text);
  }

  static std::wstring EnteredFrom(const CheckedConfiguration &configuration)
  {
    return L"entered from " + configuration.parent + L" item " +
           std::to_wstring(configuration.parentItem);
  }

  void Appeared(const CheckedConfiguration &configuration)
  {
    Add(false, configuration.line, ChangeKind::Added, profile_, configuration.name, 0,
        L"configuration " + Quoted(configuration.name) +
            (configuration.reachable ? configuration.parent.empty() ? L"" : L", " +
                                                                               EnteredFrom(configuration)
                                     : L", never reachable"));
    for (const CheckedEntry &entry : configuration.entries)
      Add(false, entry.line, ChangeKind::Added, profile_, configuration.name, entry.number,
          ItemName(entry));
    Findings(configuration.name, {}, configuration.findings);
  }

  void Configuration(const CheckedConfiguration &old, const CheckedConfiguration &now)
  {
    if (old.reachable && !now.reachable)
      Add(false, now.line, ChangeKind::Unreachable, profile_, now.name, 0,
          L"no entry enters it any more");
    else if (!old.reachable && now.reachable)
      Add(false, now.line, ChangeKind::Reachable, profile_, now.name, 0, EnteredFrom(now));
    Items(old, now);
    if (!old.settings.empty() && !now.settings.empty())
      for (const UsedValue &value : now.settings)
        for (const UsedValue &was : old.settings)
          if (value.name == was.name && value.value != was.value)
            Add(false, value.line, ChangeKind::Changed, profile_, now.name, 0,
                value.name + L" " + Arrow(was.value, value.value));
    Findings(now.name, old.findings, now.findings);
  }

  // Pairs items of the two screens, each pass taking what the previous ones left.
  void Items(const CheckedConfiguration &old, const CheckedConfiguration &now)
  {
    std::vector<int> partner(now.entries.size(), -1);
    std::vector<bool> taken(old.entries.size(), false);
    auto pass = [&](auto same) {
      for (size_t n = 0; n < now.entries.size(); ++n)
        for (size_t o = 0; o < old.entries.size() && partner[n] < 0; ++o)
          if (!taken[o] && same(old.entries[o], now.entries[n])) {
            partner[n] = static_cast<int>(o);
            taken[o] = true;
          }
    };
    pass([](const CheckedEntry &a, const CheckedEntry &b) {
      return a.label == b.label && Action(a) == Action(b);
    });
    pass([](const CheckedEntry &a, const CheckedEntry &b) { return a.label == b.label; });
    pass([](const CheckedEntry &a, const CheckedEntry &b) { return Action(a) == Action(b); });

    std::vector<Change> items;
    std::swap(items, changes_);
    for (size_t o = 0; o < old.entries.size(); ++o)
      if (!taken[o])
        Add(true, old.entries[o].line, ChangeKind::Removed, profile_, now.name,
            old.entries[o].number, ItemName(old.entries[o]));
    for (size_t n = 0; n < now.entries.size(); ++n) {
      const CheckedEntry &entry = now.entries[n];
      if (partner[n] < 0)
        Add(false, entry.line, ChangeKind::Added, profile_, now.name, entry.number,
            ItemName(entry));
      else
        Item(now.name, old.entries[static_cast<size_t>(partner[n])], entry);
    }
    std::stable_sort(changes_.begin(), changes_.end(),
                     [](const Change &a, const Change &b) { return a.item < b.item; });
    items.insert(items.end(), changes_.begin(), changes_.end());
    std::swap(items, changes_);
  }

  static long ValueLine(const CheckedEntry &entry, const wchar_t *name)
  {
    auto found = entry.valueLines.find(name);
    return found != entry.valueLines.end() ? found->second : entry.line;
  }

  void Item(const std::wstring &configuration, const CheckedEntry &old, const CheckedEntry &now)
  {
    std::wstring name = ItemName(now);
    if (old.number != now.number)
      Add(false, now.line, ChangeKind::Moved, profile_, configuration, now.number,
          name + L" from " + std::to_wstring(old.number) + L" to " + std::to_wstring(now.number));
    struct Field {
      const wchar_t *what;
      const wchar_t *value;
      std::wstring was, is;
    };
    const Field fields[] = {
        {L"label", L"Description", old.label, now.label},
        {L"target", L"Name", old.call.empty() ? old.target : L"", now.call.empty() ? now.target : L""},
        {L"arguments", L"Command", old.arguments, now.arguments},
        {L"icon", L"Icon", std::to_wstring(old.icon), std::to_wstring(now.icon)},
        {L"hot key", L"HotKey", HotKeyName(old), HotKeyName(now)},
        {L"enters", L"Call", old.enters, now.enters},
        {L"starts with the launcher", L"AutoStart", OnOff(old.autoStart), OnOff(now.autoStart)},
        {L"kept running", L"KeepRunning", OnOff(old.keepRunning), OnOff(now.keepRunning)},
        {L"start delay", L"StartDelay", old.startDelay, now.startDelay},
        {L"needs the network", L"NeedsNetwork", OnOff(old.needsNetwork), OnOff(now.needsNetwork)},
        {L"exit actions", L"ExitActions", old.exitActions, now.exitActions},
    };
    for (const Field &field : fields) {
      if (field.was == field.is)
        continue;
      long line = ValueLine(now, field.value);
      if (field.value == std::wstring(L"HotKey") && line == now.line)
        line = ValueLine(now, L"HotKeyModifier");
      Add(false, line, ChangeKind::Changed, profile_, configuration, now.number,
          name + L": " + field.what + L" " + Arrow(field.was, field.is));
    }
    EntryPassword(configuration, name, old, now);
  }

  // Whether an entry asks for a password, and whether it asks for another one: never the
  // hash itself.
  void EntryPassword(const std::wstring &configuration, const std::wstring &name,
                     const CheckedEntry &old, const CheckedEntry &now)
  {
    if (old.password == now.password && old.passwordHash == now.passwordHash)
      return;
    bool removed = now.password == 0;
    const wchar_t *what = old.password == 0 ? L"password set"
                          : removed         ? L"password removed"
                                            : L"password changed";
    long line = removed ? ValueLine(old, L"Password") : ValueLine(now, L"Password");
    Add(removed, line, ChangeKind::Changed, profile_, configuration, now.number,
        name + L": " + what);
  }

  // Findings by severity and text; the same text twice counts twice. That a configuration
  // is never reachable is told by the reachability change.
  void Findings(const std::wstring &scope, const std::vector<Finding> &old,
                const std::vector<Finding> &now)
  {
    std::vector<bool> matched(old.size(), false);
    auto same = [](const Finding &a, const Finding &b) {
      return a.severity == b.severity && a.message == b.message && a.correction == b.correction;
    };
    for (const Finding &finding : now) {
      bool found = false;
      for (size_t o = 0; o < old.size() && !found; ++o)
        if (!matched[o] && same(old[o], finding))
          matched[o] = found = true;
      if (!found && finding.message != TEXT_NEVER_REACHABLE)
        Add(false, finding.line, finding.severity == Severity::Error ? ChangeKind::NewError
                                                                     : ChangeKind::NewWarning,
            profile_, scope == SCOPE_SCRIPT ? scope : finding.configuration, 0, finding.message);
    }
    for (size_t o = 0; o < old.size(); ++o)
      if (!matched[o] && old[o].message != TEXT_NEVER_REACHABLE)
        Add(true, old[o].line, old[o].severity == Severity::Error ? ChangeKind::ResolvedError
                                                                  : ChangeKind::ResolvedWarning,
            profile_, scope == SCOPE_SCRIPT ? scope : old[o].configuration, 0, old[o].message);
  }

  const CheckReport &before_;
  const CheckReport &after_;
  std::wstring profile_;
  std::vector<Change> changes_;
};

}  // namespace

std::vector<Change> CompareReports(const CheckReport &before, const CheckReport &after)
{
  if (before.unreadable || after.unreadable)
    return {};
  return Comparer(before, after).Run();
}

int DiffExitCode(const CheckReport &before, const CheckReport &after,
                 const std::vector<Change> &changes)
{
  if (before.unreadable || after.unreadable)
    return 3;
  if (after.Count(Severity::Error) > 0)
    return 2;
  return changes.empty() ? 0 : 1;
}

const char *ChangeKindName(ChangeKind kind)
{
  switch (kind) {
  case ChangeKind::Added: return "added";
  case ChangeKind::Removed: return "removed";
  case ChangeKind::Moved: return "moved";
  case ChangeKind::Changed: return "changed";
  case ChangeKind::Reachable: return "reachable";
  case ChangeKind::Unreachable: return "unreachable";
  case ChangeKind::NewError: return "new error";
  case ChangeKind::NewWarning: return "new warning";
  case ChangeKind::ResolvedError: return "resolved error";
  case ChangeKind::ResolvedWarning: return "resolved warning";
  }
  return "changed";
}

}  // namespace check
