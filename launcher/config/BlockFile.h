#pragma once
// A file written or read a block at a time, for the update's files (the saved registry,
// the kept script): the device's storage is slow per call, not per byte.
#include <windows.h>

#include "Common/NullPtr.h"

enum { BLOCK_FILE_BYTES = 4096 };

struct BlockFile {
  HANDLE file;
  BYTE block[BLOCK_FILE_BYTES];
  DWORD used;    // writing: bytes in the block; reading: bytes handed out
  DWORD filled;  // reading: bytes in the block
  bool failed;   // a write failed, or a read found the end or a fault
};

// A new file (replacing one of that name) to write, or an existing one to read; false when
// it cannot be opened.
bool CreateBlockFile(BlockFile *file, const wchar_t *path);
bool OpenBlockFile(BlockFile *file, const wchar_t *path);
void PutBlockBytes(BlockFile *file, const void *bytes, DWORD count);
// False when the file ends or fails before count bytes.
bool TakeBlockBytes(BlockFile *file, void *bytes, DWORD count);
// Writes what is left and flushes it to storage, then closes; false when any write failed.
bool FinishBlockFile(BlockFile *file);
void CloseBlockFile(BlockFile *file);
