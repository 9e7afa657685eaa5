// Writing the event log: one open, write, flush and close per event, the file renamed to
// its ".1" name when the next line would pass the bound, so that the two files never hold
// more than twice the bound. Nothing here ever shows a message: a log that cannot be
// written goes quiet for the rest of the run.
#include "Common/EventLog.h"

EventLogState g_eventLog;

enum { WRITE_DONE, WRITE_SKIPPED, WRITE_FAILED };
enum { TAIL_CLEAN, TAIL_FOREIGN, TAIL_FAILED };
enum { TAIL_BLOCK_BYTES = 256 };

bool OpenEventLog(const wchar_t *path, DWORD bound)
{
  ZeroMemory(&g_eventLog, sizeof(g_eventLog));
  if (bound == 0 || path == nullptr || path[0] == 0)
    return false;
  if (!CopyText(g_eventLog.path, TEXT_CAPACITY, path) ||
      !CopyText(g_eventLog.olderPath, TEXT_CAPACITY, path) ||
      !AppendText(g_eventLog.olderPath, TEXT_CAPACITY, L".1"))
    return false;
  g_eventLog.bound = bound;
  g_eventLog.on = true;
  return true;
}

void CloseEventLog()
{
  g_eventLog.on = false;
}

static HANDLE OpenLogFile(DWORD disposition)
{
  // Others may read the file while a line is written, never write it.
  return CreateFileW(g_eventLog.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

static bool MoveTo(HANDLE file, DWORD offset)
{
  return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) != 0xFFFFFFFF;
}

// What the last run left at the end of the file: a line cut by a reset, or the zeros a
// file system leaves after one, is dropped, so that this run's lines start on a line of
// their own. A file without a line end near its end is no log of ours: TAIL_FOREIGN. The
// end is searched backwards a block at a time, as far back as one line reaches.
static int TrimTail(HANDLE file, DWORD *size)
{
  if (*size == 0)
    return TAIL_CLEAN;
  char block[TAIL_BLOCK_BYTES];
  DWORD end = *size;
  DWORD searched = 0;
  while (end > 0 && searched < static_cast<DWORD>(LOG_LINE_CAPACITY)) {
    DWORD count = TAIL_BLOCK_BYTES;
    if (end < count)
      count = end;
    DWORD read = 0;
    if (!MoveTo(file, end - count) || !ReadFile(file, block, count, &read, nullptr) ||
        read != count)
      return TAIL_FAILED;
    for (DWORD i = count; i > 0; --i) {
      if (block[i - 1] != '\n')
        continue;
      DWORD keep = end - count + i;
      if (keep == *size)
        return TAIL_CLEAN;
      if (!MoveTo(file, keep) || !SetEndOfFile(file))
        return TAIL_FAILED;
      *size = keep;
      return TAIL_CLEAN;
    }
    end -= count;
    searched += count;
  }
  if (end > 0)
    return TAIL_FOREIGN;
  // One cut line and nothing before it.
  if (!MoveTo(file, 0) || !SetEndOfFile(file))
    return TAIL_FAILED;
  *size = 0;
  return TAIL_CLEAN;
}

// The full file becomes the older one, replacing it.
static bool SetFileAside()
{
  DeleteFileW(g_eventLog.olderPath);
  return MoveFileW(g_eventLog.path, g_eventLog.olderPath) != FALSE;
}

static int WriteLine(const char *bytes, DWORD length)
{
  HANDLE file = OpenLogFile(OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION ? WRITE_SKIPPED : WRITE_FAILED;
  DWORD size = GetFileSize(file, nullptr);
  bool full = false;
  if (size == 0xFFFFFFFF) {
    CloseHandle(file);
    return WRITE_FAILED;
  }
  if (!g_eventLog.tailChecked) {
    int tail = TrimTail(file, &size);
    if (tail == TAIL_FAILED) {
      CloseHandle(file);
      return WRITE_FAILED;
    }
    g_eventLog.tailChecked = true;
    full = tail == TAIL_FOREIGN;
  }
  if (full || (size > 0 && size + length > g_eventLog.bound)) {
    CloseHandle(file);
    if (!SetFileAside())
      return WRITE_FAILED;
    file = OpenLogFile(CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
      return WRITE_FAILED;
  }
  DWORD written = 0;
  bool done = SetFilePointer(file, 0, nullptr, FILE_END) != 0xFFFFFFFF &&
              WriteFile(file, bytes, length, &written, nullptr) && written == length &&
              FlushFileBuffers(file);
  CloseHandle(file);
  return done ? WRITE_DONE : WRITE_FAILED;
}

void LogEvent(const char *kind, const LogField *fields, int count)
{
  if (!g_eventLog.on)
    return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[LOG_LINE_CAPACITY];
  int limit = g_eventLog.bound < static_cast<DWORD>(LOG_LINE_CAPACITY)
                  ? static_cast<int>(g_eventLog.bound)
                  : LOG_LINE_CAPACITY;
  int length = FormatLogLine(line, limit, now, kind, fields, count);
  if (length > 0 && WriteLine(line, static_cast<DWORD>(length)) == WRITE_FAILED)
    g_eventLog.on = false;
}
