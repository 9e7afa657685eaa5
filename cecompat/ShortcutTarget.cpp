// CE text shortcuts: "<count>#<target>", the count being the number of characters after
// the '#'. A line end after the target is tolerated; anything else is a malformed file.
#include "cecompat/CePlatform.h"

// Longer files cannot hold a target that fits a path buffer.
enum { SHORTCUT_FILE_LIMIT = 1024 };

static bool ReadShortcutFile(LPCWSTR shortcut, char *bytes, DWORD capacity, DWORD *length)
{
  HANDLE file = CreateFileW(shortcut, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD got = 0;
  BOOL read = ReadFile(file, bytes, capacity, &got, nullptr);
  DWORD error = GetLastError();
  char extra = 0;
  DWORD more = 0;
  bool tooBig = read && got == capacity && ReadFile(file, &extra, 1, &more, nullptr) && more > 0;
  CloseHandle(file);
  if (!read) {
    SetLastError(error);
    return false;
  }
  if (tooBig) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  *length = got;
  return true;
}

BOOL WINAPI SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int capacity)
{
  if (shortcut == nullptr || target == nullptr || capacity <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  target[0] = 0;
  char bytes[SHORTCUT_FILE_LIMIT];
  DWORD length = 0;
  if (!ReadShortcutFile(shortcut, bytes, SHORTCUT_FILE_LIMIT, &length))
    return FALSE;

  wchar_t text[SHORTCUT_FILE_LIMIT + 1];
  int characters = length == 0 ? 0
                               : MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length),
                                                     text, SHORTCUT_FILE_LIMIT);
  text[characters] = 0;

  int position = 0;
  long count = 0;
  while (position < characters && text[position] >= L'0' && text[position] <= L'9') {
    count = count * 10 + (text[position] - L'0');
    if (count > SHORTCUT_FILE_LIMIT)
      break;
    ++position;
  }
  if (position == 0 || position >= characters || text[position] != L'#' || count <= 0) {
    SetLastError(ERROR_BAD_FORMAT);
    return FALSE;
  }
  ++position;
  if (count > characters - position) {
    SetLastError(ERROR_BAD_FORMAT);
    return FALSE;
  }
  for (int rest = position + static_cast<int>(count); rest < characters; ++rest) {
    if (text[rest] != L'\r' && text[rest] != L'\n') {
      SetLastError(ERROR_BAD_FORMAT);
      return FALSE;
    }
  }
  if (count >= capacity) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  for (long i = 0; i < count; ++i)
    target[i] = text[position + i];
  target[count] = 0;
  return TRUE;
}
