// Object-store databases kept as small text files; see CeDatabase.h for the format.
#include "cecompat/cedb/CeDatabase.h"

namespace {

enum { PATH_CAPACITY = 260, LINE_CAPACITY = 4096 };

const wchar_t DATABASE_FOLDER[] = L"\\Windows\\";
const wchar_t DATABASE_EXTENSION[] = L".cedb";

bool AppendName(wchar_t *buffer, size_t capacity, size_t *used, const wchar_t *text)
{
  for (; *text != 0; ++text) {
    if (*used + 1 >= capacity)
      return false;
    buffer[(*used)++] = *text;
  }
  buffer[*used] = 0;
  return true;
}

DWORD FilePosition(HANDLE file)
{
  return SetFilePointer(file, 0, nullptr, FILE_CURRENT);
}

// Reads the line at the file position (without its line end) and moves past it. A line
// longer than the capacity is cut; the rest of it is skipped.
bool ReadLine(HANDLE file, char *line, DWORD capacity, DWORD *length)
{
  DWORD start = FilePosition(file);
  DWORD got = 0;
  if (!ReadFile(file, line, capacity, &got, nullptr) || got == 0)
    return false;
  DWORD end = 0;
  while (end < got && line[end] != '\n')
    ++end;
  *length = end;
  if (end < got) {
    SetFilePointer(file, static_cast<LONG>(start + end + 1), nullptr, FILE_BEGIN);
  } else {
    char skipped;
    DWORD one = 0;
    while (ReadFile(file, &skipped, 1, &one, nullptr) && one == 1 && skipped != '\n') {
    }
  }
  if (*length > 0 && line[*length - 1] == '\r')
    --*length;
  return true;
}

// The record id in front of the first tab; 0 when the line holds no record.
CEOID ParseRecordId(const char *line, DWORD length, DWORD *fieldsStart)
{
  CEOID id = 0;
  DWORD i = 0;
  for (; i < length && line[i] >= '0' && line[i] <= '9'; ++i)
    id = id * 10 + static_cast<CEOID>(line[i] - '0');
  if (i == 0 || (i < length && line[i] != '\t'))
    return 0;
  *fieldsStart = i < length ? i + 1 : length;
  return id;
}

// Walks the tab-separated fields from start; calls back with each one's bytes.
template <typename Visit>
WORD ForEachField(const char *line, DWORD start, DWORD length, Visit visit)
{
  if (start >= length)
    return 0;
  WORD count = 0;
  DWORD fieldStart = start;
  for (DWORD i = start; i <= length && count < 0xFFFF; ++i) {
    if (i == length || line[i] == '\t') {
      visit(count, line + fieldStart, static_cast<int>(i - fieldStart));
      ++count;
      fieldStart = i + 1;
    }
  }
  return count;
}

}  // namespace

HANDLE WINAPI CeOpenDatabaseEx2(PCEGUID volume, PCEOID databaseId, LPWSTR name, SORTORDERSPECEX *sort,
                         DWORD flags, CENOTIFYREQUEST *request)
{
  wchar_t path[PATH_CAPACITY];
  size_t used = 0;
  path[0] = 0;
  if (name == nullptr || !AppendName(path, PATH_CAPACITY, &used, DATABASE_FOLDER) ||
      !AppendName(path, PATH_CAPACITY, &used, name) ||
      !AppendName(path, PATH_CAPACITY, &used, DATABASE_EXTENSION)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

CEOID WINAPI CeReadRecordPropsEx(HANDLE database, DWORD flags, LPWORD propCount, CEPROPID *propIds,
                          LPBYTE *buffer, LPDWORD bufferSize, HANDLE heap)
{
  if (propIds != nullptr || propCount == nullptr || buffer == nullptr || bufferSize == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char line[LINE_CAPACITY];
  DWORD length = 0, fieldsStart = 0, lineStart = 0;
  CEOID record = 0;
  while (record == 0) {
    lineStart = FilePosition(database);
    if (!ReadLine(database, line, LINE_CAPACITY, &length)) {
      SetLastError(ERROR_NO_MORE_ITEMS);
      return 0;
    }
    record = ParseRecordId(line, length, &fieldsStart);
  }

  DWORD characters = 0;
  WORD count = ForEachField(line, fieldsStart, length, [&](WORD, const char *field, int bytes) {
    characters += MultiByteToWideChar(CP_UTF8, 0, field, bytes, nullptr, 0) + 1;
  });
  DWORD needed = count * sizeof(CEPROPVAL) + characters * sizeof(wchar_t);
  if (*buffer == nullptr || *bufferSize < needed) {
    if ((flags & CEDB_ALLOWREALLOC) == 0) {
      SetFilePointer(database, static_cast<LONG>(lineStart), nullptr, FILE_BEGIN);
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    if (heap == nullptr)
      heap = GetProcessHeap();
    void *grown = *buffer == nullptr ? HeapAlloc(heap, 0, needed) : HeapReAlloc(heap, 0, *buffer, needed);
    if (grown == nullptr) {
      SetFilePointer(database, static_cast<LONG>(lineStart), nullptr, FILE_BEGIN);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    *buffer = static_cast<LPBYTE>(grown);
    *bufferSize = needed;
  }

  CEPROPVAL *values = reinterpret_cast<CEPROPVAL *>(*buffer);
  wchar_t *text = reinterpret_cast<wchar_t *>(*buffer + count * sizeof(CEPROPVAL));
  ForEachField(line, fieldsStart, length, [&](WORD index, const char *field, int bytes) {
    int written = MultiByteToWideChar(CP_UTF8, 0, field, bytes, text, static_cast<int>(characters));
    text[written] = 0;
    // The device gives a record's properties "in no specific order": here the last first,
    // so that a reader that does not look at the property ids is caught.
    CEPROPVAL &value = values[count - 1 - index];
    value.propid = MAKELONG(CEVT_LPWSTR, index + 1);
    value.wLenData = 0;
    value.wFlags = 0;
    value.val.lpwstr = text;
    text += written + 1;
    characters -= written + 1;
  });
  *propCount = count;
  return record;
}

BOOL WINAPI CeDeleteRecord(HANDLE database, CEOID record)
{
  DWORD position = FilePosition(database);
  DWORD size = GetFileSize(database, nullptr);
  if (size == INVALID_FILE_SIZE || record == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HANDLE heap = GetProcessHeap();
  char *all = static_cast<char *>(HeapAlloc(heap, 0, size + 1));
  if (all == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  DWORD got = 0;
  SetFilePointer(database, 0, nullptr, FILE_BEGIN);
  BOOL read = ReadFile(database, all, size, &got, nullptr);

  // Find the line of the record.
  DWORD lineStart = 0, lineEnd = 0;
  bool found = false;
  while (read && lineStart < got && !found) {
    lineEnd = lineStart;
    while (lineEnd < got && all[lineEnd] != '\n')
      ++lineEnd;
    DWORD fieldsStart = 0;
    DWORD length = lineEnd - lineStart;
    if (length > 0 && all[lineStart + length - 1] == '\r')
      --length;
    if (ParseRecordId(all + lineStart, length, &fieldsStart) == record)
      found = true;
    else
      lineStart = lineEnd + 1;
  }
  if (found) {
    if (lineEnd < got)
      ++lineEnd;
    DWORD removed = lineEnd - lineStart;
    MoveMemory(all + lineStart, all + lineEnd, got - lineEnd);
    DWORD written = 0;
    SetFilePointer(database, 0, nullptr, FILE_BEGIN);
    found = WriteFile(database, all, got - removed, &written, nullptr) && written == got - removed &&
            SetEndOfFile(database);
    if (position >= lineEnd)
      position -= removed;
    else if (position > lineStart)
      position = lineStart;
  }
  HeapFree(heap, 0, all);
  SetFilePointer(database, static_cast<LONG>(position), nullptr, FILE_BEGIN);
  if (!found)
    SetLastError(ERROR_INVALID_PARAMETER);
  return found ? TRUE : FALSE;
}
