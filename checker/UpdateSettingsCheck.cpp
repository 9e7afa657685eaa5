// Who may update the configuration and where the device looks for updates, once for the
// whole script: without an UpdateKey any script put into the internal folder is taken, and
// no other folder is watched.
#include <windows.h>

#include "checker/CheckerTexts.h"
#include "checker/WalkSteps.h"
#include "launcher/config/Profile.h"
#include "launcher/config/UpdateFolder.h"

namespace check {

void CheckUpdateSettings(const ScriptLines &lines, CheckReport *report)
{
  ReadUpdateSettings();
  const std::wstring product = ProductKeyPath();
  if (g_updateFolders.keyFaulty)
    report->findings.push_back(OwnFinding(lines.ValueLine(product, L"UpdateKey"), Severity::Warning,
                                          SCOPE_PROFILE, TEXT_UPDATE_KEY_FAULTY));
  if (g_updateFolders.keySet)
    return;
  report->findings.push_back(
      OwnFinding(0, Severity::Warning, SCOPE_PROFILE, TEXT_UPDATES_UNSIGNED));
  wchar_t folders[UPDATE_FOLDERS_CAPACITY];
  if (ReadUpdateFolders(folders) && folders[0] != 0)
    report->findings.push_back(
        OwnFinding(lines.ValueLine(product, L"UpdateFolders"), Severity::Warning, SCOPE_PROFILE,
                   FormatText(TEXT_UPDATE_FOLDERS_UNWATCHED, folders)));
}

}  // namespace check
