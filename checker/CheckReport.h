#pragma once
// What a check of a configuration script found, as plain data. The text and JSON output
// are made from it, and other desktop tools (the preview) read it.
#include <map>
#include <string>
#include <vector>

namespace check {

enum class Severity { Warning, Error };

// Scopes of findings that belong to no configuration.
#define SCOPE_SCRIPT L"(script)"
#define SCOPE_PROFILE L"(profile)"

struct Finding {
  long line;                   // line of the script; 0 when no line applies
  Severity severity;
  std::wstring configuration;  // the configuration, or SCOPE_SCRIPT / SCOPE_PROFILE
  std::wstring message;        // the launcher's own text, as a device shows it
  std::wstring correction;     // what the device uses instead of a value it corrects
};

// A value as the device uses it, after the launcher's own corrections and defaults.
struct UsedValue {
  std::wstring name;   // the registry value's name ("MenuItemHeight")
  std::wstring value;  // as text; for ExitPassword the stored hash, which is never shown
  long line;           // line of the script that wrote it; 0 when the default applies
};

// One program or call entry, as the device numbers it.
struct CheckedEntry {
  int number;              // 1-based position in the configuration (key order, gaps closed)
  std::wstring keyName;    // "Prog3"
  std::wstring label;      // Description
  std::wstring target;     // Name
  std::wstring arguments;  // Command
  std::wstring call;       // Call
  std::wstring enters;     // the configuration the Call enters; empty for a program
  long hotKey;
  long hotKeyModifiers;    // MOD_ALT, MOD_CONTROL, MOD_SHIFT or 0
  long icon;               // icon resource id, 0 when the entry's file decides
  long line;               // first line of the entry's key
  bool autoStart = false;  // started with the launcher (AutoStart on an entry of Default)
  bool keepRunning = false;  // started again when its program ends (KeepRunning)
  int password = 0;          // Password: 0 none, 1 a valid hash, 2 not valid (refused)
  std::wstring startDelay = L"not set";   // StartDelay in seconds, as the launcher takes it
  bool needsNetwork = false;              // NeedsNetwork
  std::wstring exitActions = L"none";     // the ExitActions lines the launcher takes
  std::wstring passwordHash;  // the stored hash, to tell a change; never shown
  std::map<std::wstring, long> valueLines;  // line of each value the entry's key has
};

struct CheckedConfiguration {
  std::wstring name;
  std::wstring parent;     // configuration whose entry calls it first; empty for Default
  int parentItem;          // number of that entry; 0 when none
  int depth;               // configurations left on the way to it (0 for Default)
  bool reachable;          // false: nothing calls it; it was checked as if Default did
  bool shown;              // the launcher can load and show it
  bool behindPassword = false;  // every way to it passes an entry with a Password
  long line;               // first line that writes a key of this configuration
  std::vector<CheckedEntry> entries;
  std::vector<UsedValue> settings;  // the display settings the device shows it with
  std::vector<Finding> findings;  // in the order the device shows them
};

struct CheckedProfile {
  std::wstring name;       // as the launcher chose it (empty for a fixed profile key)
  std::wstring keyPath;    // below HKEY_CURRENT_USER
  std::vector<Finding> findings;                     // profile and product values
  std::vector<UsedValue> values;                     // profile-wide values as used
  std::vector<CheckedConfiguration> configurations;  // in the order they were walked
};

struct CheckReport {
  std::wstring script;            // the path as given
  bool unreadable = false;        // the script could not be read at all
  std::vector<Finding> findings;  // the script itself: the loader's messages
  std::vector<CheckedProfile> profiles;

  size_t Count(Severity severity) const;
  // 0 clean, 1 warnings only, 2 errors, 3 the script could not be read.
  int ExitCode() const;
};

}  // namespace check
