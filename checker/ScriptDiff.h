#pragma once
// What a change of a configuration script changes for the device user: the checks of the
// script before and after the change, compared screen by screen as the device shows them.
#include <string>
#include <vector>

#include "checker/CheckReport.h"

namespace check {

enum class ChangeKind {
  Added,            // a configuration, a profile or an item appears
  Removed,          // ... or disappears
  Moved,            // an item gets another number
  Changed,          // a value of an item, a setting or a profile-wide value
  Reachable,        // a configuration an entry now enters
  Unreachable,      // a configuration no entry enters any more
  NewError,         // findings the change introduces
  NewWarning,
  ResolvedError,    // findings the change removes
  ResolvedWarning,
};

struct Change {
  bool inBefore;               // the line is the before script's (what was removed)
  long line;                   // 0 when no line applies
  ChangeKind kind;
  std::wstring profile;
  std::wstring configuration;  // or SCOPE_SCRIPT / SCOPE_PROFILE
  int item;                    // the item's number on that screen (after the change, or
                               // before it for a removed item); 0 for none
  std::wstring text;
};

// The changes, per profile: profile-wide values, then each screen in the order the device
// reaches them after the change (its items by number, its settings, its findings), then the
// screens that are gone.
std::vector<Change> CompareReports(const CheckReport &before, const CheckReport &after);

// 0 nothing changes for the device user, 1 changes, 2 the after script has errors,
// 3 a script cannot be read.
int DiffExitCode(const CheckReport &before, const CheckReport &after,
                 const std::vector<Change> &changes);

// "file:LINE: kind: Configuration: text" lines and a summary line.
std::string FormatTextChanges(const CheckReport &before, const CheckReport &after,
                              const std::vector<Change> &changes, bool nameProfiles);
// The same as a JSON object: the two files, the changes, the counts and the exit code.
std::string FormatJsonChanges(const CheckReport &before, const CheckReport &after,
                              const std::vector<Change> &changes);
// "added", "new error" and the like.
const char *ChangeKindName(ChangeKind kind);

}  // namespace check
