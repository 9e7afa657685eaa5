// FerroltCheck /update and /sign.
#include "checker/UpdateVerdict.h"

#include <windows.h>

#include <cstdio>

#include "checker/CheckerTexts.h"
#include "checker/CollectedMessages.h"
#include "checker/HashPassword.h"
#include "checker/ReportOutput.h"
#include "checker/ScriptDiff.h"
#include "checker/ThrowawayRegistry.h"
#include "launcher/config/Profile.h"
#include "launcher/config/UpdateApply.h"
#include "launcher/config/UpdateCheck.h"
#include "launcher/config/UpdateFolder.h"
#include "launcher/config/UpdateScreen.h"
#include "launcher/config/UpdateShelf.h"
#include "launcher/config/UpdateSignature.h"
#include "launcher/regscript/RegistryScript.h"

namespace check {
namespace {

enum { EXIT_SIGNED = 0, EXIT_REFUSED = 2, EXIT_UNREADABLE = 3 };

bool ReadBytes(const std::wstring &path, std::string *bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  // One byte past the device's bound tells a script that is too large.
  bytes->assign(UPDATE_SIZE_LIMIT + 1, '\0');
  DWORD got = 0;
  BOOL read = ReadFile(file, &(*bytes)[0], UPDATE_SIZE_LIMIT + 1, &got, nullptr);
  CloseHandle(file);
  bytes->resize(got);
  return read != FALSE;
}

std::wstring FileName(const std::wstring &path)
{
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring TemporaryPath(const wchar_t *name)
{
  wchar_t folder[MAX_PATH] = {0};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"FerroltCheck-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         name;
}

// The before script in the throw-away registry, the profile chosen as the device chooses
// it, and the update settings read from there.
void ConfigureDevice(const std::wstring &before, const std::wstring &profile)
{
  ZeroMemory(&g_profile, sizeof(g_profile));
  bool quiet = g_script.quiet;
  g_script.quiet = true;
  LoadRegistryScript(before.c_str());
  g_script.quiet = quiet;
  SelectProfile(profile.empty() ? nullptr : profile.c_str());
  ReadUpdateSettings();
  TakeMessages();
}

// What the device's update code finds, with the registry it leaves behind unused. The
// signature is checked first, against the real registry: the platform's cryptography
// reads its providers there.
// False when the throw-away registry could not be made: nothing was judged.
bool JudgeOnDevice(const std::wstring &before, const std::wstring &updatePath,
                   const std::string &bytes, const std::wstring &profile,
                   UpdateFindings *findings, bool *keySet)
{
  const BYTE *data = reinterpret_cast<const BYTE *>(bytes.data());
  DWORD size = static_cast<DWORD>(bytes.size());
  std::wstring error;
  if (!OpenThrowawayRegistry(&error))
    return false;
  ConfigureDevice(before, profile);
  CloseThrowawayRegistry();
  *keySet = g_updateFolders.keySet;
  const wchar_t *refusal = size > UPDATE_SIZE_LIMIT
                               ? UPDATE_TOO_LARGE_TEXT
                               : UpdateSignatureRefusal(updatePath.c_str(), data, size);
  if (refusal != nullptr) {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_SCRIPT, refusal);
    return true;
  }
  if (!OpenThrowawayRegistry(&error))
    return false;
  ConfigureDevice(before, profile);
  if (ScreenUpdateBytes(updatePath.c_str(), data, size, findings, false)) {
    StartCollectingUpdateFindings(findings);
    if (LoadRegistryScript(updatePath.c_str()) && !g_script.failed)
      CheckUpdatedProfile(profile.empty() ? nullptr : profile.c_str(), findings);
    StopCollectingUpdateFindings();
  }
  TakeMessages();
  CloseThrowawayRegistry();
  return true;
}

// The findings in the form of the device's file beside a rejected script.
std::string FormatFindings(const std::wstring &updatePath, const UpdateFindings &findings)
{
  std::wstring listing = TemporaryPath(L"findings.txt");
  std::string text;
  if (WriteUpdateFindings(listing.c_str(), FileName(updatePath).c_str(), &findings))
    ReadBytes(listing, &text);
  DeleteFileW(listing.c_str());
  return text;
}

}  // namespace

UpdateVerdict JudgeUpdate(const CheckOptions &options, const std::wstring &before,
                          const std::wstring &update)
{
  UpdateVerdict verdict;
  std::string bytes;
  std::string ignored;
  if (!ReadBytes(before, &ignored) || !ReadBytes(update, &bytes))
    return verdict;
  StartCollectingMessages();
  static UpdateFindings findings;
  ClearUpdateFindings(&findings);
  verdict.readable =
      JudgeOnDevice(before, update, bytes, options.profile, &findings, &verdict.keySet);
  verdict.accepted = findings.errors == 0;
  verdict.findings = FormatFindings(update, findings);
  return verdict;
}

std::wstring WriteUpdatedScript(const std::wstring &before, const std::wstring &update,
                               long *beforeLines)
{
  std::string first, second;
  if (!ReadBytes(before, &first) || !ReadBytes(update, &second))
    return std::wstring();
  if (!first.empty() && first.back() != '\n')
    first += "\r\n";
  // Logical lines, as the loader counts them: a backslash before the line end joins.
  *beforeLines = 0;
  char last = 0;
  for (char c : first) {
    if (c == '\n' && last != '\\')
      ++*beforeLines;
    if (c != '\r')
      last = c;
  }
  std::wstring path = TemporaryPath(L"updated.reg");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::wstring();
  std::string all = first + second;
  DWORD written = 0;
  BOOL done = WriteFile(file, all.data(), static_cast<DWORD>(all.size()), &written, nullptr);
  CloseHandle(file);
  return done && written == all.size() ? path : std::wstring();
}

int RunUpdateCheck(const CheckOptions &options, const std::wstring &before,
                   const std::wstring &update)
{
  UpdateVerdict verdict = JudgeUpdate(options, before, update);
  if (!verdict.readable) {
    fputs("FerroltCheck: a script cannot be read\n", stderr);
    return EXIT_UNREADABLE;
  }
  std::string name = Utf8(FileName(update));
  std::string out = name + (verdict.accepted ? ": accepted" : ": rejected") +
                    " by a device configured by " + Utf8(FileName(before)) + "\n" +
                    verdict.findings;
  if (!verdict.keySet)
    out += name + ": warning: " + Utf8(TEXT_UPDATES_UNSIGNED) + "\n";
  if (!verdict.accepted) {
    out += "Nothing changes on the device.\n";
  } else {
    long beforeLines = 0;
    std::wstring updated = WriteUpdatedScript(before, update, &beforeLines);
    CheckOptions was = options, becomes = options;
    was.script = before;
    becomes.script = updated;
    CheckReport beforeReport, afterReport;
    CheckScript(was, &beforeReport);
    CheckScript(becomes, &afterReport);
    afterReport.script = update;
    // A line of the updated registry is the update's, or the before script's it kept.
    std::vector<Change> changes = CompareReports(beforeReport, afterReport);
    for (Change &change : changes) {
      if (change.inBefore || change.line == 0)
        continue;
      if (change.line > beforeLines)
        change.line -= beforeLines;
      else
        change.inBefore = true;
    }
    out += "\n" + FormatTextChanges(beforeReport, afterReport, changes, options.allProfiles);
    DeleteFileW(updated.c_str());
  }
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
  return verdict.accepted ? 0 : EXIT_REFUSED;
}

int RunSignUpdate(const std::wstring &update, const std::wstring &fleet)
{
  std::string bytes, ignored;
  std::wstring error;
  if (!ReadBytes(fleet, &ignored) || !ReadBytes(update, &bytes) ||
      !OpenThrowawayRegistry(&error)) {
    fputs("FerroltCheck: a script cannot be read\n", stderr);
    return EXIT_UNREADABLE;
  }
  StartCollectingMessages();
  ConfigureDevice(fleet, L"");
  PasswordHash key = g_updateFolders.key;
  bool keySet = g_updateFolders.keySet, keyFaulty = g_updateFolders.keyFaulty;
  CloseThrowawayRegistry();
  if (!keySet || keyFaulty) {
    fputs(keySet ? "FerroltCheck: the fleet's UpdateKey is not a key made by /hash-password\n"
                 : "FerroltCheck: the fleet's script sets no UpdateKey\n",
          stderr);
    return EXIT_REFUSED;
  }
  if (bytes.size() > UPDATE_SIZE_LIMIT) {
    fputs("FerroltCheck: the update is larger than 256 KB; the device would refuse it\n", stderr);
    return EXIT_REFUSED;
  }
  wchar_t passphrase[PASSWORD_MAX_CHARACTERS + 4] = {0};
  bool read = ReadSecretLine("Passphrase: ", passphrase, PASSWORD_MAX_CHARACTERS + 4);
  int check = read ? CheckPassword(passphrase, &key) : PASSWORD_CHECK_DIFFERS;
  SecureZeroMemory(passphrase, sizeof(passphrase));
  wchar_t signature[41];
  if (check != PASSWORD_CHECK_MATCHES ||
      !SignUpdateBytes(reinterpret_cast<const BYTE *>(bytes.data()),
                       static_cast<DWORD>(bytes.size()), &key, signature)) {
    fputs("FerroltCheck: that is not the passphrase the fleet's UpdateKey was made from\n",
          stderr);
    return EXIT_REFUSED;
  }
  std::string text(signature, signature + 40);
  text += "\r\n";
  std::wstring path = update + UPDATE_SIGNATURE_SUFFIX;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  BOOL done = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  if (!done || written != text.size()) {
    fputs("FerroltCheck: the signature file cannot be written\n", stderr);
    return EXIT_UNREADABLE;
  }
  printf("%ls\n", path.c_str());
  return EXIT_SIGNED;
}

}  // namespace check
