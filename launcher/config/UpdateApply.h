#pragma once
// Applying one configuration update, whole or not at all: screened, the product key
// saved, imported by the launcher's own loader, the whole profile checked, and the saved
// registry put back when anything is wrong. The script then goes to the Applied or the
// Rejected folder and the outcome into the event log.
#include <windows.h>

#include "launcher/config/PasswordHash.h"
#include "launcher/config/UpdateFindings.h"

#define UPDATE_FOLDER L"\\Application\\Ferrolt\\Update"
#define UPDATE_APPLIED_FOLDER L"\\Application\\Ferrolt\\Update\\Applied"
#define UPDATE_REJECTED_FOLDER L"\\Application\\Ferrolt\\Update\\Rejected"
// The saved registry of an update under way, and the copy of the script that is imported
// (the bytes that were checked, whatever happens to the file meanwhile).
#define UPDATE_SNAPSHOT_PATH L"\\Application\\Ferrolt\\UpdateRollback.dat"
#define UPDATE_IMPORT_PATH L"\\Application\\Ferrolt\\UpdateImport.reg"

enum {
  UPDATE_KEEP_LIMIT = 10,  // scripts kept in each of Applied and Rejected
  UPDATE_DIGEST_BYTES = 20,
};

enum UpdateOutcome {
  UPDATE_APPLIED,
  UPDATE_REJECTED,
  UPDATE_NOT_TAKEN,    // the file could not be read now (still held by its writer)
  UPDATE_INTERRUPTED,  // a test's simulated reset stopped the work half-way
};

// Where a test's simulated reset stops an update: never, or right after the import.
enum { UPDATE_RESET_NONE, UPDATE_RESET_AFTER_IMPORT };

struct UpdateState {
  bool applying;
  int resetAt;
  wchar_t commandLine[TEXT_CAPACITY];  // the launcher's, for choosing the profile again
  UpdateFindings findings;             // of the last update
  wchar_t digestText[2 * UPDATE_DIGEST_BYTES + 1];
  wchar_t name[TEXT_CAPACITY];         // the last update's file name
};
extern UpdateState g_update;

// Applies the update script at path; where UpdateKey is set (ReadUpdateSettings), only
// with a good signature beside it.
UpdateOutcome ApplyUpdateFile(const wchar_t *path);
// A reason to refuse the update for its signature (UpdateKey as ReadUpdateSettings read
// it), or null where none is asked or it holds.
const wchar_t *UpdateSignatureRefusal(const wchar_t *path, const BYTE *bytes, DWORD size);
// The checks before anything is imported: the signature when asked to, then the script's
// form and the keys it touches (UpdateScreen.h). Adds the findings; true when there is none.
bool ScreenUpdateBytes(const wchar_t *path, const BYTE *bytes, DWORD size,
                       UpdateFindings *findings, bool checkSignature);
// Start-up: an update that a reset interrupted is rolled back (again, from the start,
// when the reset came during its rollback) and its script rejected. True when one was.
bool FinishInterruptedUpdate();
// The file name part of a path.
const wchar_t *UpdateFileName(const wchar_t *path);
// SHA-1 of the bytes as 40 lower-case hexadecimal digits.
bool DigestUpdateBytes(const BYTE *bytes, DWORD size, wchar_t *text, size_t capacity);
