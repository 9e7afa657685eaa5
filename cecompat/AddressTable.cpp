// The device's address table as a test names it (CE_NETWORK_VARIABLE), read again at every
// call, so that a test can bring the network up or take it down while the launcher runs,
// also from another process through a file the variable names ("@path").
#include "cecompat/CePlatform.h"

enum { NETWORK_TEXT_CAPACITY = 512, TABLE_ROW_BYTES = 24 };

// The text that names the table, from the variable or the file it names (8-bit text; a file
// that is missing or empty names no addresses). Its length, or 0 when there is none.
static DWORD NetworkText(wchar_t *text)
{
  DWORD length = GetEnvironmentVariableW(CE_NETWORK_VARIABLE, text, NETWORK_TEXT_CAPACITY);
  if (length == 0 || length >= NETWORK_TEXT_CAPACITY)
    return 0;
  if (text[0] != L'@')
    return length;
  HANDLE file = CreateFileW(text + 1, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  char bytes[NETWORK_TEXT_CAPACITY];
  DWORD read = 0;
  if (file != INVALID_HANDLE_VALUE) {
    if (!ReadFile(file, bytes, NETWORK_TEXT_CAPACITY - 1, &read, nullptr))
      read = 0;
    CloseHandle(file);
  }
  // Up to the first line end; nothing read is no address.
  length = 0;
  for (; length < read && bytes[length] != '\r' && bytes[length] != '\n'; ++length)
    text[length] = static_cast<unsigned char>(bytes[length]);
  text[length] = 0;
  if (length == 0) {
    lstrcpynW(text, L"none", NETWORK_TEXT_CAPACITY);
    length = 4;
  }
  return length;
}

// One dotted address; *text moves past it. False when it is not one.
static bool ParseAddress(const wchar_t **text, DWORD *address)
{
  const wchar_t *p = *text;
  DWORD value = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *p++ != L'.')
      return false;
    DWORD octet = 0;
    int digits = 0;
    for (; *p >= L'0' && *p <= L'9' && digits < 4; ++p, ++digits)
      octet = octet * 10 + static_cast<DWORD>(*p - L'0');
    if (digits == 0 || octet > 255)
      return false;
    value |= octet << (8 * part);  // network byte order: the first octet lowest
  }
  *text = p;
  *address = value;
  return true;
}

static DWORD WINAPI StandInGetIpAddrTable(void *table, ULONG *size, BOOL)
{
  wchar_t text[NETWORK_TEXT_CAPACITY];
  if (size == nullptr || NetworkText(text) == 0)
    return ERROR_INVALID_PARAMETER;
  DWORD addresses[32];
  DWORD count = 0;
  if (lstrcmpiW(text, L"none") != 0) {
    for (const wchar_t *p = text; *p != 0 && count < 32;) {
      if (!ParseAddress(&p, &addresses[count++]))
        return ERROR_INVALID_PARAMETER;
      if (*p == L',')
        ++p;
    }
  }
  ULONG needed = sizeof(DWORD) + count * TABLE_ROW_BYTES;
  if (table == nullptr || *size < needed) {
    *size = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  BYTE *bytes = static_cast<BYTE *>(table);
  ZeroMemory(bytes, needed);
  CopyMemory(bytes, &count, sizeof(count));
  for (DWORD i = 0; i < count; ++i) {
    BYTE *row = bytes + sizeof(DWORD) + i * TABLE_ROW_BYTES;
    CopyMemory(row, &addresses[i], sizeof(DWORD));
    DWORD index = i + 1;
    CopyMemory(row + 4, &index, sizeof(index));
  }
  return NO_ERROR;
}

// The stand-in while the variable is set ("unknown": a device without the call).
FARPROC StandInAddressTable(bool *standIn)
{
  wchar_t text[NETWORK_TEXT_CAPACITY];
  *standIn = NetworkText(text) != 0;
  if (!*standIn || lstrcmpiW(text, L"unknown") == 0)
    return nullptr;
  return reinterpret_cast<FARPROC>(StandInGetIpAddrTable);
}
