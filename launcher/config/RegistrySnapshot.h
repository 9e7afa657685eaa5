#pragma once
// Every key and value under the product key, saved to a file before an update changes
// them, and put back from it when the update is refused or the device reset half-way.
// The file exists only while an update is between its save and its end: a start-up that
// finds it finishes the rollback that a reset interrupted.
#include <windows.h>

#include "Common/StdFuncs.h"

enum {
  SNAPSHOT_DEPTH_LIMIT = 24,         // key levels below the product key
  SNAPSHOT_VALUE_CAPACITY = 70000,   // bytes of one value: the loader's longest text fits
  SNAPSHOT_NAME_CAPACITY = 16384,    // characters of one value name
};

struct RegistrySnapshotState {
  // A test's stand-in for a reset: a rollback stops after this many records, as if the
  // power went; 0: never.
  DWORD resetAfterRecords;
};
extern RegistrySnapshotState g_registrySnapshot;

// Saves everything under HKEY_CURRENT_USER\productKey into path, with the name of the
// script about to change it; written beside and then moved into place, so the file is
// either whole or absent. False when it could not be saved whole (nothing is left).
bool SaveRegistrySnapshot(const wchar_t *path, const wchar_t *productKey,
                          const wchar_t *scriptPath);
// Whether a whole snapshot lies at path; fills the product key and script it names.
bool ReadSnapshotHeader(const wchar_t *path, wchar_t *productKey, wchar_t *scriptPath);
// Deletes the product key with everything under it and writes back the saved keys and
// values. The file stays; false when it could not be read or a write failed.
bool RestoreRegistrySnapshot(const wchar_t *path);
