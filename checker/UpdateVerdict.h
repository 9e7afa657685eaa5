#pragma once
// FerroltCheck /update and /sign: what a device configured by one script does with an
// update script, judged by the device's own update code in a throw-away registry; and the
// signature file an update needs where the fleet's configuration sets an UpdateKey.
#include <string>

#include "checker/ConfigurationWalk.h"

namespace check {

struct UpdateVerdict {
  bool readable = false;   // both scripts could be read
  bool accepted = false;
  bool keySet = false;     // the before script sets an UpdateKey
  std::string findings;    // as the device lists them beside a rejected script
};

// options.profile stands for the device's command line (empty: none).
UpdateVerdict JudgeUpdate(const CheckOptions &options, const std::wstring &before,
                          const std::wstring &update);

// The script the device's registry amounts to after the update: before, then update, with
// the number of the before script's lines. Written into the temporary folder; empty when
// it could not be.
std::wstring WriteUpdatedScript(const std::wstring &before, const std::wstring &update,
                               long *beforeLines);

// /update BEFORE.reg UPDATE.reg: prints the verdict, the findings, and for an accepted
// update the /diff of what the device user sees. The exit code: 0 accepted, 2 rejected,
// 3 a script could not be read.
int RunUpdateCheck(const CheckOptions &options, const std::wstring &before,
                   const std::wstring &update);

// /sign UPDATE.reg FLEET.reg: asks for the passphrase, checks it against the UpdateKey the
// fleet's script sets and writes UPDATE.reg.sig. The exit code: 0 written, 2 refused,
// 3 a script could not be read.
int RunSignUpdate(const std::wstring &update, const std::wstring &fleet);

}  // namespace check
