// One configuration update, whole or not at all.
#include "launcher/config/UpdateApply.h"

#include <wchar.h>
#include <wincrypt.h>

#include "Common/EventLog.h"
#include "launcher/config/Profile.h"
#include "launcher/config/RegistrySnapshot.h"
#include "launcher/config/UpdateCheck.h"
#include "launcher/config/UpdateFolder.h"
#include "launcher/config/UpdateScreen.h"
#include "launcher/config/UpdateSignature.h"
#include "launcher/config/UpdateShelf.h"
#include "launcher/regscript/RegistryScript.h"

UpdateState g_update;

static BYTE s_bytes[UPDATE_SIZE_LIMIT];

const wchar_t *UpdateFileName(const wchar_t *path)
{
  const wchar_t *slash = wcsrchr(path, L'\\');
  return slash != nullptr ? slash + 1 : path;
}

bool DigestUpdateBytes(const BYTE *bytes, DWORD size, wchar_t *text, size_t capacity)
{
  text[0] = 0;
  if (capacity < 2 * UPDATE_DIGEST_BYTES + 1)
    return false;
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  BYTE digest[UPDATE_DIGEST_BYTES];
  DWORD length = UPDATE_DIGEST_BYTES;
  bool done = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL,
                                   CRYPT_VERIFYCONTEXT) &&
              CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
              CryptHashData(hash, bytes, size, 0) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) &&
              length == UPDATE_DIGEST_BYTES;
  if (hash != 0)
    CryptDestroyHash(hash);
  if (provider != 0)
    CryptReleaseContext(provider, 0);
  if (!done)
    return false;
  FormatHexDigits(digest, UPDATE_DIGEST_BYTES, text);
  return true;
}

static void LogOutcome(bool applied)
{
  if (applied) {
    LogField fields[] = {LogText("file", g_update.name), LogText("digest", g_update.digestText)};
    LogEvent("UPDATE-APPLIED", fields);
    return;
  }
  LogField fields[] = {LogText("file", g_update.name), LogText("digest", g_update.digestText),
                       LogText("reason", FirstUpdateError(&g_update.findings)),
                       LogDecimal("errors", static_cast<DWORD>(g_update.findings.errors))};
  LogEvent("UPDATE-REJECTED", fields);
}

// The end of every update that was taken: the script shelved, the outcome logged.
static UpdateOutcome Conclude(const wchar_t *path, bool applied)
{
  ShelveUpdateScript(path, applied, &g_update.findings);
  LogOutcome(applied);
  g_update.applying = false;
  return applied ? UPDATE_APPLIED : UPDATE_REJECTED;
}

static UpdateOutcome Refuse(const wchar_t *path, const wchar_t *reason)
{
  AddUpdateFinding(&g_update.findings, 0, true, UPDATE_SCOPE_SCRIPT, reason);
  return Conclude(path, false);
}

// Reads the whole script into the update buffer; false when it cannot be read now.
static bool ReadScript(const wchar_t *path, DWORD *size, bool *tooLarge)
{
  *tooLarge = false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD high = 0;
  DWORD length = GetFileSize(file, &high);
  bool read = length != 0xFFFFFFFF;
  if (read && (high != 0 || length > UPDATE_SIZE_LIMIT)) {
    *tooLarge = true;
  } else if (read) {
    DWORD got = 0;
    read = ReadFile(file, s_bytes, length, &got, nullptr) && got == length;
    *size = got;
  }
  CloseHandle(file);
  return read;
}

// The checked bytes, written where the loader reads them.
static bool WriteImportCopy(DWORD size)
{
  HANDLE file = CreateFileW(UPDATE_IMPORT_PATH, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  bool done = WriteFile(file, s_bytes, size, &written, nullptr) && written == size &&
              FlushFileBuffers(file);
  CloseHandle(file);
  return done;
}

// Imports the copy and checks the whole profile, every message collected.
static bool ImportAndCheck(UpdateOutcome *interrupted)
{
  StartCollectingUpdateFindings(&g_update.findings);
  bool quiet = g_script.quiet;
  g_script.quiet = false;
  bool loaded = LoadRegistryScript(UPDATE_IMPORT_PATH) && !g_script.failed;
  g_script.quiet = quiet;
  if (loaded && g_update.resetAt == UPDATE_RESET_AFTER_IMPORT) {
    StopCollectingUpdateFindings();
    *interrupted = UPDATE_INTERRUPTED;
    return false;
  }
  bool sound = loaded && CheckUpdatedProfile(g_update.commandLine, &g_update.findings);
  StopCollectingUpdateFindings();
  DeleteFileW(UPDATE_IMPORT_PATH);
  return sound;
}

const wchar_t *UpdateSignatureRefusal(const wchar_t *path, const BYTE *bytes, DWORD size)
{
  if (!g_updateFolders.keySet)
    return nullptr;
  if (g_updateFolders.keyFaulty)
    return L"UpdateKey is not a key made by FerroltCheck /hash-password: no update is taken";
  return CheckUpdateSignature(path, bytes, size, &g_updateFolders.key);
}

bool ScreenUpdateBytes(const wchar_t *path, const BYTE *bytes, DWORD size,
                       UpdateFindings *findings, bool checkSignature)
{
  const wchar_t *refusal = checkSignature ? UpdateSignatureRefusal(path, bytes, size) : nullptr;
  if (refusal == nullptr && size == 0)
    refusal = L"The script is empty";
  if (refusal != nullptr) {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_SCRIPT, refusal);
    return false;
  }
  return ScreenUpdateScript(bytes, size, ProductKeyPath(), g_profile.profileKeyPath, findings);
}

UpdateOutcome ApplyUpdateFile(const wchar_t *path)
{
  ClearUpdateFindings(&g_update.findings);
  CopyText(g_update.name, TEXT_CAPACITY, UpdateFileName(path));
  g_update.digestText[0] = 0;
  // One at a time; and one whose rollback is still to finish keeps its saved registry.
  if (g_update.applying || GetFileAttributesW(UPDATE_SNAPSHOT_PATH) != 0xFFFFFFFF)
    return Refuse(path, L"Another update was being applied: this one was not taken");
  g_update.applying = true;

  DWORD size = 0;
  bool tooLarge = false;
  if (!ReadScript(path, &size, &tooLarge) && !tooLarge) {
    g_update.applying = false;
    return UPDATE_NOT_TAKEN;
  }
  if (tooLarge)
    return Refuse(path, UPDATE_TOO_LARGE_TEXT);
  DigestUpdateBytes(s_bytes, size, g_update.digestText, sizeof(g_update.digestText) / sizeof(wchar_t));
  if (!ScreenUpdateBytes(path, s_bytes, size, &g_update.findings, true))
    return Conclude(path, false);

  if (!WriteImportCopy(size) ||
      !SaveRegistrySnapshot(UPDATE_SNAPSHOT_PATH, ProductKeyPath(), path)) {
    DeleteFileW(UPDATE_IMPORT_PATH);
    return Refuse(path, L"The configuration could not be saved first: nothing was changed");
  }
  UpdateOutcome interrupted = UPDATE_REJECTED;
  bool sound = ImportAndCheck(&interrupted);
  if (interrupted == UPDATE_INTERRUPTED) {
    g_update.applying = false;
    return UPDATE_INTERRUPTED;
  }
  if (!sound) {
    if (!RestoreRegistrySnapshot(UPDATE_SNAPSHOT_PATH)) {
      if (g_registrySnapshot.resetAfterRecords != 0) {
        g_update.applying = false;  // a test's reset: the process would be gone now
        return UPDATE_INTERRUPTED;
      }
      // The saved registry stays for the next start to put back.
      AddUpdateFinding(&g_update.findings, 0, true, UPDATE_SCOPE_PROFILE,
                       L"The configuration could not be put back yet: the next start does it");
      return Conclude(path, false);
    }
  } else {
    RegFlushKey(HKEY_CURRENT_USER);
  }
  DeleteFileW(UPDATE_SNAPSHOT_PATH);
  return Conclude(path, sound);
}

// Whether path names a file directly in one of the watched folders (as the restored
// registry names them).
static bool IsInUpdateFolder(const wchar_t *path)
{
  ReadUpdateSettings();
  wchar_t folder[TEXT_CAPACITY];
  if (!GetDirectory(path, folder, TEXT_CAPACITY))
    return false;
  size_t length = wcslen(folder);
  if (length > 0 && folder[length - 1] == L'\\')
    folder[length - 1] = 0;
  for (int i = 0; i < g_updateFolders.folderCount; ++i)
    if (_wcsicmp(folder, g_updateFolders.folders[i]) == 0)
      return true;
  return false;
}

bool FinishInterruptedUpdate()
{
  wchar_t productKey[TEXT_CAPACITY];
  wchar_t scriptPath[TEXT_CAPACITY];
  if (GetFileAttributesW(UPDATE_SNAPSHOT_PATH) == 0xFFFFFFFF)
    return false;
  DeleteFileW(UPDATE_IMPORT_PATH);
  // A file that is not whole was never moved into place, and nothing was imported; one
  // naming another key is not the launcher's.
  if (!ReadSnapshotHeader(UPDATE_SNAPSHOT_PATH, productKey, scriptPath) ||
      (_wcsicmp(productKey, PRODUCT_KEY_FIRST) != 0 && _wcsicmp(productKey, PRODUCT_KEY_SECOND) != 0)) {
    DeleteFileW(UPDATE_SNAPSHOT_PATH);
    return false;
  }
  if (!RestoreRegistrySnapshot(UPDATE_SNAPSHOT_PATH))
    return true;  // tried again at the next start
  DeleteFileW(UPDATE_SNAPSHOT_PATH);
  if (!IsInUpdateFolder(scriptPath))
    return true;  // the file names a script no watched folder holds: it is left alone
  ClearUpdateFindings(&g_update.findings);
  CopyText(g_update.name, TEXT_CAPACITY, UpdateFileName(scriptPath));
  g_update.digestText[0] = 0;
  DWORD size = 0;
  bool tooLarge = false;
  if (!ReadScript(scriptPath, &size, &tooLarge))
    return true;  // shelved already when its rollback first failed
  DigestUpdateBytes(s_bytes, size, g_update.digestText,
                    sizeof(g_update.digestText) / sizeof(wchar_t));
  g_update.applying = true;
  Refuse(scriptPath,
         L"The device reset while this update was applied: the configuration was put back");
  return true;
}
