// Checking the whole profile after an update, with the launcher's own checks and loaders.
#include "launcher/config/UpdateCheck.h"

#include <wchar.h>

#include "launcher/config/ConfigCheck.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/regscript/RegistryScript.h"
#include "launcher/shell/Navigation.h"

struct UpdateCollection {
  UpdateFindings *findings;
  MessageCollector before;
  const wchar_t *scope;
};
static UpdateCollection s_collection;

static bool StartsWith(const wchar_t *text, const wchar_t *start)
{
  return wcsncmp(text, start, wcslen(start)) == 0;
}

static void CollectFinding(const wchar_t *text, const wchar_t *detail, const wchar_t *caption)
{
  if (s_collection.findings == nullptr)
    return;
  // The loader names its fault in the caption and says "Error" in the text.
  if (wcscmp(text, L"Error") == 0 && (StartsWith(caption, L"Line ") ||
                                      wcscmp(caption, L"Reading File") == 0 ||
                                      wcscmp(caption, L"Create Reg Key") == 0)) {
    AddUpdateFinding(s_collection.findings, g_script.lineNumber, true, UPDATE_SCOPE_SCRIPT,
                     caption);
    return;
  }
  wchar_t message[TEXT_CAPACITY];
  CopyText(message, TEXT_CAPACITY, text);
  if (detail[0] != 0) {
    AppendText(message, TEXT_CAPACITY, L": ");
    AppendText(message, TEXT_CAPACITY, detail);
  }
  AddUpdateFinding(s_collection.findings, 0, wcscmp(caption, L"Ferrolt Warning") != 0,
                   s_collection.scope, message);
}

void StartCollectingUpdateFindings(UpdateFindings *findings)
{
  s_collection.before = CurrentMessageCollector();
  s_collection.findings = findings;
  s_collection.scope = UPDATE_SCOPE_PROFILE;
  CollectMessages(&CollectFinding);
}

void StopCollectingUpdateFindings()
{
  CollectMessages(s_collection.before);
  s_collection.findings = nullptr;
}

struct UpdateWalk {
  wchar_t names[UPDATE_CHECK_CONFIGURATIONS][TEXT_CAPACITY];
  int count;
};
static UpdateWalk s_walk;

// Queues the configuration a Call text enters, by the launcher's rule for the name; an
// entry that calls one that does not exist is an error of its caller.
static void QueueCall(const wchar_t *call, const wchar_t *caller, UpdateFindings *findings)
{
  if (!ConfigurationNameFits(call) || !SetCurrentConfiguration(call))
    return;  // the launcher reports it when the entry is chosen
  const wchar_t *name = g_profile.configurationName;
  for (int i = 0; i < s_walk.count; ++i)
    if (_wcsicmp(s_walk.names[i], name) == 0)
      return;
  if (!KeyExists(g_profile.configurationKeyPath)) {
    wchar_t message[TEXT_CAPACITY];
    FormatStringById(message, TEXT_CAPACITY, L"An entry calls %s, which does not exist",
                     reinterpret_cast<ULONG_PTR>(name));
    AddUpdateFinding(findings, 0, true, caller, message);
    return;
  }
  if (s_walk.count < UPDATE_CHECK_CONFIGURATIONS)
    CopyText(s_walk.names[s_walk.count++], TEXT_CAPACITY, name);
}

static void CheckOneConfiguration(int index, UpdateFindings *findings)
{
  const wchar_t *name = s_walk.names[index];
  s_collection.scope = name;
  SetCurrentConfiguration(name);
  int errors = findings->errors;
  CheckConfiguration(name);
  ClearProgramEntries();
  if (!LoadConfiguration(g_profile.configurationKeyPath)) {
    if (findings->errors == errors)
      AddUpdateFinding(findings, 0, true, name, L"The configuration cannot be loaded");
    return;
  }
  CheckProgramEntries();
  WarnSequenceGap();
  // The table is emptied by the next load: keep the calls first.
  static wchar_t calls[MAX_PROGRAM_ENTRIES][TEXT_CAPACITY];
  int callCount = 0;
  for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i)
    if (g_entries.entries[i].isCall)
      CopyText(calls[callCount++], TEXT_CAPACITY, g_entries.entries[i].call);
  for (int i = 0; i < callCount; ++i)
    QueueCall(calls[i], name, findings);
}

// A profile named by ActiveProfile must exist even while the command line names another:
// the next start without one would find nothing to show.
static void CheckActiveProfile(UpdateFindings *findings)
{
  wchar_t name[TEXT_CAPACITY];
  ReadProfileValue(ProductKeyPath(), L"ActiveProfile", name, sizeof(name), REG_SZ);
  wchar_t path[TEXT_CAPACITY];
  if (name[0] == 0 || (CopyText(path, TEXT_CAPACITY, ProfilesPrefix()) &&
                       AppendText(path, TEXT_CAPACITY, name) && KeyExists(path)))
    return;
  wchar_t message[TEXT_CAPACITY];
  FormatStringById(message, TEXT_CAPACITY, L"ActiveProfile names the profile %s, which does not exist",
                   reinterpret_cast<ULONG_PTR>(name));
  AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_PROFILE, message);
}

bool CheckUpdatedProfile(const wchar_t *commandLine, UpdateFindings *findings)
{
  int errors = findings->errors;
  s_collection.scope = UPDATE_SCOPE_PROFILE;
  CheckActiveProfile(findings);
  if (!SelectProfile(commandLine))
    return false;  // its message is the finding
  if (findings->errors != errors)
    return false;
  if (!KeyExists(g_profile.configurationKeyPath)) {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_PROFILE,
                     L"The profile has no Default configuration");
    return false;
  }
  s_walk.count = 0;
  CopyText(s_walk.names[s_walk.count++], TEXT_CAPACITY, DEFAULT_CONFIGURATION);
  for (int i = 0; i < s_walk.count; ++i)
    CheckOneConfiguration(i, findings);
  ClearProgramEntries();
  s_collection.scope = UPDATE_SCOPE_PROFILE;
  SetCurrentConfiguration(DEFAULT_CONFIGURATION);
  return findings->errors == errors;
}
