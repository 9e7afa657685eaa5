// Files written and read a block at a time.
#include "launcher/config/BlockFile.h"

#include <string.h>

static bool Open(BlockFile *file, const wchar_t *path, bool writing)
{
  file->file = CreateFileW(path, writing ? GENERIC_WRITE : GENERIC_READ,
                           writing ? 0 : FILE_SHARE_READ, nullptr,
                           writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  file->used = 0;
  file->filled = 0;
  file->failed = false;
  return file->file != INVALID_HANDLE_VALUE;
}

bool CreateBlockFile(BlockFile *file, const wchar_t *path)
{
  return Open(file, path, true);
}

bool OpenBlockFile(BlockFile *file, const wchar_t *path)
{
  return Open(file, path, false);
}

static void Flush(BlockFile *file)
{
  DWORD written = 0;
  if (file->used > 0 && (!WriteFile(file->file, file->block, file->used, &written, nullptr) ||
                         written != file->used))
    file->failed = true;
  file->used = 0;
}

void PutBlockBytes(BlockFile *file, const void *bytes, DWORD count)
{
  const BYTE *from = static_cast<const BYTE *>(bytes);
  while (count > 0 && !file->failed) {
    DWORD room = BLOCK_FILE_BYTES - file->used;
    DWORD step = count < room ? count : room;
    memcpy(file->block + file->used, from, step);
    file->used += step;
    from += step;
    count -= step;
    if (file->used == BLOCK_FILE_BYTES)
      Flush(file);
  }
}

bool TakeBlockBytes(BlockFile *file, void *bytes, DWORD count)
{
  BYTE *to = static_cast<BYTE *>(bytes);
  while (count > 0) {
    if (file->used == file->filled) {
      file->used = 0;
      file->filled = 0;
      if (!ReadFile(file->file, file->block, BLOCK_FILE_BYTES, &file->filled, nullptr) ||
          file->filled == 0 || file->filled > BLOCK_FILE_BYTES) {
        file->filled = 0;
        file->failed = true;
        return false;
      }
    }
    DWORD room = file->filled - file->used;
    DWORD step = count < room ? count : room;
    memcpy(to, file->block + file->used, step);
    file->used += step;
    to += step;
    count -= step;
  }
  return true;
}

bool FinishBlockFile(BlockFile *file)
{
  Flush(file);
  bool written = !file->failed && FlushFileBuffers(file->file);
  CloseHandle(file->file);
  file->file = INVALID_HANDLE_VALUE;
  return written;
}

void CloseBlockFile(BlockFile *file)
{
  CloseHandle(file->file);
  file->file = INVALID_HANDLE_VALUE;
}
