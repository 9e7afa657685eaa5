#pragma once
// The folders where configuration updates arrive: \Application\Ferrolt\Update always, and
// the folders the product key's UpdateFolders names (";" between them) where an UpdateKey
// is set. A REGEDIT4 script there ("*.reg") is an update once it has settled: its size and
// its time stayed the same for two seconds.
#include <windows.h>

#include "Common/StdInit.h"
#include "launcher/config/PasswordHash.h"

enum {
  UPDATE_FOLDER_LIMIT = LOOP_WAIT_LIMIT,  // the internal folder and three more
  UPDATE_SETTLE_MS = 2000,                // a script unchanged this long is taken
  UPDATE_SIGHTINGS = 16,                  // scripts watched while they settle
  UPDATE_FOLDERS_CAPACITY = 1024,         // characters of UpdateFolders
};

struct UpdateSighting {
  wchar_t path[TEXT_CAPACITY];
  DWORD size;
  FILETIME written;
  DWORD since;  // LauncherTime() when it was first seen at this size and time
  bool seen;    // in the last look
};

struct UpdateFolderState {
  wchar_t folders[UPDATE_FOLDER_LIMIT][TEXT_CAPACITY];
  int folderCount;
  bool keySet;          // UpdateKey is set: every update must be signed with it
  bool keyFaulty;       // UpdateKey is there but not a key: no update is taken
  PasswordHash key;     // the derived key, never a passphrase
  bool messageWanted;   // UpdateMessage: the device user is told of each outcome
  UpdateSighting sightings[UPDATE_SIGHTINGS];
};
extern UpdateFolderState g_updateFolders;

// Reads UpdateFolders, UpdateKey and UpdateMessage from the product key.
void ReadUpdateSettings();
// The product key's UpdateFolders as written, into text (UPDATE_FOLDERS_CAPACITY), whether
// an UpdateKey lets them be watched or not; false when it is missing, not text or too long.
bool ReadUpdateFolders(wchar_t *text);
// The next settled script of the watched folders into path (TEXT_CAPACITY); false when
// none. *settling tells whether a script is still being written (look again soon).
bool FindSettledUpdate(wchar_t *path, bool *settling);
