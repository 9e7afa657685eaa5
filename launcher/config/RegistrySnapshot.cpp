// Saving and restoring every key and value under the product key.
//
// The file: the magic "FRLTSNP1", the product key path and the script path (each a 16-bit
// count of characters and the UTF-16 characters), then records: 'K' and a key path
// relative to the product key; 'V', a value name, its type, its size and its bytes; and
// last 'E' with the number of records before it. A file without its end record is cut.
#include "launcher/config/RegistrySnapshot.h"

#include "launcher/config/BlockFile.h"
#include "launcher/config/Profile.h"

#include <string.h>
#include <wchar.h>

RegistrySnapshotState g_registrySnapshot;

static const char SNAPSHOT_MAGIC[8] = {'F', 'R', 'L', 'T', 'S', 'N', 'P', '1'};

struct SnapshotFile {
  BlockFile io;
  DWORD records;
};
static SnapshotFile s_file;
static BYTE s_value[SNAPSHOT_VALUE_CAPACITY];
static wchar_t s_name[SNAPSHOT_NAME_CAPACITY];

// ---- Writing ------------------------------------------------------------------------

static void Put(const void *bytes, DWORD count)
{
  PutBlockBytes(&s_file.io, bytes, count);
}

static void PutNumber(DWORD number)
{
  Put(&number, sizeof(number));
}

static void PutText(const wchar_t *text)
{
  size_t length = wcslen(text);
  if (length > 0xFFFF) {
    s_file.io.failed = true;
    return;
  }
  WORD count = static_cast<WORD>(length);
  Put(&count, sizeof(count));
  Put(text, static_cast<DWORD>(length * sizeof(wchar_t)));
}

static void PutTag(char tag)
{
  Put(&tag, 1);
  ++s_file.records;
}

static bool SaveValues(HKEY key)
{
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof(s_name) / sizeof(s_name[0]);
    DWORD size = SNAPSHOT_VALUE_CAPACITY;
    DWORD type = 0;
    LONG result = RegEnumValueW(key, index, s_name, &nameLength, nullptr, &type, s_value, &size);
    if (result == ERROR_NO_MORE_ITEMS)
      return true;
    if (result != ERROR_SUCCESS || size > SNAPSHOT_VALUE_CAPACITY)
      return false;  // a value too large to keep: nothing may change without it
    s_name[nameLength < sizeof(s_name) / sizeof(s_name[0]) ? nameLength : 0] = 0;
    PutTag('V');
    PutText(s_name);
    PutNumber(type);
    PutNumber(size);
    Put(s_value, size);
  }
}

// The path below the product key of the key being saved: each level appends "\child" for
// its children and cuts it off again, so that no level keeps a path of its own on the stack
// (a device's stack grows a page at a time). One character more than a path holds, so that
// a child's name always has room to be read and then found too long.
static wchar_t s_relative[TEXT_CAPACITY + 1];

static bool SaveKey(HKEY root, int depth)
{
  if (depth > SNAPSHOT_DEPTH_LIMIT)
    return false;
  PutTag('K');
  PutText(s_relative);
  if (!SaveValues(root))
    return false;
  size_t length = wcslen(s_relative);
  size_t start = length == 0 ? 0 : length + 1;
  wchar_t *child = s_relative + start;
  for (DWORD index = 0;; ++index) {
    DWORD room = static_cast<DWORD>(TEXT_CAPACITY + 1 - start);
    LONG result = RegEnumKeyExW(root, index, child, &room, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) {
      s_relative[length] = 0;
      return true;
    }
    HKEY key;
    if (result != ERROR_SUCCESS || start + room > TEXT_CAPACITY - 1 ||
        RegOpenKeyExW(root, child, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      s_relative[length] = 0;
      return false;
    }
    if (length != 0)
      s_relative[length] = L'\\';
    bool saved = SaveKey(key, depth + 1);
    RegCloseKey(key);
    s_relative[length] = 0;
    if (!saved || s_file.io.failed)
      return false;
  }
}

bool SaveRegistrySnapshot(const wchar_t *path, const wchar_t *productKey,
                          const wchar_t *scriptPath)
{
  wchar_t beside[TEXT_CAPACITY];
  if (!CopyText(beside, TEXT_CAPACITY, path) || !AppendText(beside, TEXT_CAPACITY, L".new"))
    return false;
  HKEY product;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, productKey, 0, KEY_READ, &product) != ERROR_SUCCESS)
    return false;
  if (!CreateBlockFile(&s_file.io, beside)) {
    RegCloseKey(product);
    return false;
  }
  s_file.records = 0;
  Put(SNAPSHOT_MAGIC, sizeof(SNAPSHOT_MAGIC));
  PutText(productKey);
  PutText(scriptPath);
  s_relative[0] = 0;
  bool saved = SaveKey(product, 0);
  RegCloseKey(product);
  DWORD records = s_file.records;
  PutTag('E');
  PutNumber(records);
  saved = FinishBlockFile(&s_file.io) && saved;
  DeleteFileW(path);
  if (!saved || !MoveFileW(beside, path)) {
    DeleteFileW(beside);
    return false;
  }
  return true;
}

// ---- Reading ------------------------------------------------------------------------

static bool Take(void *bytes, DWORD count)
{
  return TakeBlockBytes(&s_file.io, bytes, count);
}

static bool TakeNumber(DWORD *number)
{
  return Take(number, sizeof(*number));
}

// A text into capacity characters; one that does not fit is a damaged file.
static bool TakeText(wchar_t *text, size_t capacity)
{
  WORD count = 0;
  if (!Take(&count, sizeof(count)) || count >= capacity)
    return false;
  if (!Take(text, count * static_cast<DWORD>(sizeof(wchar_t))))
    return false;
  text[count] = 0;
  return true;
}

static bool OpenForReading(const wchar_t *path, wchar_t *productKey, wchar_t *scriptPath)
{
  if (!OpenBlockFile(&s_file.io, path))
    return false;
  s_file.records = 0;
  char magic[sizeof(SNAPSHOT_MAGIC)];
  if (Take(magic, sizeof(magic)) && memcmp(magic, SNAPSHOT_MAGIC, sizeof(magic)) == 0 &&
      TakeText(productKey, TEXT_CAPACITY) && TakeText(scriptPath, TEXT_CAPACITY))
    return true;
  CloseBlockFile(&s_file.io);
  return false;
}

// Walks the records; with write set, applies them. True when the end record came and
// its count agrees.
static bool WalkRecords(const wchar_t *productKey, bool write)
{
  HKEY key = nullptr;
  bool sound = true;
  for (;;) {
    char tag = 0;
    if (!Take(&tag, 1)) {
      sound = false;
      break;
    }
    if (tag == 'E') {
      DWORD records = 0;
      sound = TakeNumber(&records) && records == s_file.records;
      break;
    }
    ++s_file.records;
    if (write && g_registrySnapshot.resetAfterRecords != 0 &&
        s_file.records > g_registrySnapshot.resetAfterRecords) {
      sound = false;
      break;
    }
    if (tag == 'K') {
      wchar_t relative[TEXT_CAPACITY];
      wchar_t full[TEXT_CAPACITY];
      if (!TakeText(relative, TEXT_CAPACITY) || !CopyText(full, TEXT_CAPACITY, productKey) ||
          (relative[0] != 0 && (!AppendText(full, TEXT_CAPACITY, L"\\") ||
                                !AppendText(full, TEXT_CAPACITY, relative)))) {
        sound = false;
        break;
      }
      if (key != nullptr)
        RegCloseKey(key);
      key = nullptr;
      DWORD disposition = 0;
      if (write && RegCreateKeyExW(HKEY_CURRENT_USER, full, 0, nullptr, 0, KEY_WRITE, nullptr,
                                   &key, &disposition) != ERROR_SUCCESS) {
        sound = false;
        break;
      }
      continue;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (tag != 'V' || !TakeText(s_name, sizeof(s_name) / sizeof(s_name[0])) ||
        !TakeNumber(&type) || !TakeNumber(&size) || size > SNAPSHOT_VALUE_CAPACITY ||
        !Take(s_value, size) || (write && key == nullptr)) {
      sound = false;
      break;
    }
    if (write && RegSetValueExW(key, s_name, 0, type, s_value, size) != ERROR_SUCCESS) {
      sound = false;
      break;
    }
  }
  if (key != nullptr)
    RegCloseKey(key);
  return sound;
}

bool ReadSnapshotHeader(const wchar_t *path, wchar_t *productKey, wchar_t *scriptPath)
{
  if (!OpenForReading(path, productKey, scriptPath))
    return false;
  bool whole = WalkRecords(productKey, false);
  CloseBlockFile(&s_file.io);
  return whole;
}

bool RestoreRegistrySnapshot(const wchar_t *path)
{
  wchar_t productKey[TEXT_CAPACITY];
  wchar_t scriptPath[TEXT_CAPACITY];
  // A file anyone could have put there deletes nothing but one of the launcher's own keys.
  if (!ReadSnapshotHeader(path, productKey, scriptPath) ||
      (_wcsicmp(productKey, PRODUCT_KEY_FIRST) != 0 && _wcsicmp(productKey, PRODUCT_KEY_SECOND) != 0))
    return false;
  if (!OpenForReading(path, productKey, scriptPath))
    return false;
  RegDeleteKeyW(HKEY_CURRENT_USER, productKey);
  bool restored = WalkRecords(productKey, true);
  CloseBlockFile(&s_file.io);
  RegFlushKey(HKEY_CURRENT_USER);
  return restored;
}
