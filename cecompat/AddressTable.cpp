// The device's network as a test names it, read again at every call, so that a test can
// bring it up or take it down while the launcher runs: the IP helper's address table
// (CE_NETWORK_VARIABLE; also from another process, through a file the variable names,
// "@path"), and the NDIS user-mode I/O driver (CE_WIRELESS_VARIABLE), opened by its device
// name and queried through DeviceIoControl (CeCreateFileW, CeDeviceIoControl; ce-run serves
// the device's two calls with them too). The driver is bound to one adapter,
// STAND_IN_ADAPTER.
#include "cecompat/CePlatform.h"

#include <stddef.h>
#include <string.h>

// The desktop's own CreateFileW and DeviceIoControl: this file is where their mappings
// (CeCreateFileW, CeDeviceIoControl) end.
#undef CreateFileW
#undef DeviceIoControl

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

enum { WIRELESS_TEXT_CAPACITY = 128 };

static const wchar_t STAND_IN_ADAPTER[] = L"WLAN1";
static const wchar_t STAND_IN_DESCRIPTION[] = L"Wireless LAN stand-in";

enum WirelessKind { NO_DRIVER, WIRED_ONLY, NOT_JOINED, JOINED };

// What the variable says; ssid gets the name the adapter answers (joined, or asked for last).
static int ReadWireless(CE_NDIS_802_11_SSID *ssid)
{
  wchar_t text[WIRELESS_TEXT_CAPACITY];
  DWORD length = GetEnvironmentVariableW(CE_WIRELESS_VARIABLE, text, WIRELESS_TEXT_CAPACITY);
  ZeroMemory(ssid, sizeof(*ssid));
  if (length == 0 || length >= WIRELESS_TEXT_CAPACITY || lstrcmpiW(text, L"unknown") == 0)
    return NO_DRIVER;
  if (lstrcmpiW(text, L"wired") == 0)
    return WIRED_ONLY;
  const wchar_t *name = text;
  int kind = JOINED;
  int same = 0;
  while (same < 4 && text[same] == L"none"[same])
    ++same;
  if (same == 4 && (text[4] == 0 || text[4] == L':')) {
    kind = NOT_JOINED;
    name = text[4] == 0 ? text + 4 : text + 5;
  }
  char bytes[4 * WIRELESS_TEXT_CAPACITY];
  int count = WideCharToMultiByte(CP_UTF8, 0, name, -1, bytes, sizeof(bytes), nullptr, nullptr);
  ULONG used = count > 0 ? static_cast<ULONG>(count - 1) : 0;
  ssid->SsidLength = used < CE_NDIS_802_11_SSID_CAPACITY ? used : CE_NDIS_802_11_SSID_CAPACITY;
  memcpy(ssid->Ssid, bytes, ssid->SsidLength);
  return kind;
}

// The handle the last open of the driver gave; its queries answer it alone.
static HANDLE g_driverHandle = nullptr;

extern "C" HANDLE WINAPI CeCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                       LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                       DWORD flags, HANDLE templateFile)
{
  if (name == nullptr || lstrcmpiW(name, CE_NDISUIO_DEVICE_NAME) != 0)
    return CreateFileW(name, access, share, security, disposition, flags, templateFile);
  CE_NDIS_802_11_SSID ssid;
  if (ReadWireless(&ssid) == NO_DRIVER) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  g_driverHandle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return g_driverHandle != nullptr ? g_driverHandle : INVALID_HANDLE_VALUE;
}

static BOOL Refuse(DWORD error)
{
  SetLastError(error);
  return FALSE;
}

static BOOL AnswerBinding(void *in, DWORD inSize, void *out, DWORD outSize, DWORD *returned)
{
  CE_NDISUIO_QUERY_BINDING asked;
  if (in == nullptr || inSize < sizeof(asked))
    return Refuse(ERROR_INVALID_PARAMETER);
  memcpy(&asked, in, sizeof(asked));
  if (asked.BindingIndex != 0)
    return Refuse(ERROR_NO_MORE_ITEMS);
  ULONG nameBytes = sizeof(STAND_IN_ADAPTER);
  ULONG needed = sizeof(asked) + nameBytes + sizeof(STAND_IN_DESCRIPTION);
  if (out == nullptr || outSize < needed)
    return Refuse(ERROR_INSUFFICIENT_BUFFER);
  asked.DeviceNameOffset = sizeof(asked);
  asked.DeviceNameLength = nameBytes;
  asked.DeviceDescrOffset = sizeof(asked) + nameBytes;
  asked.DeviceDescrLength = sizeof(STAND_IN_DESCRIPTION);
  BYTE *bytes = static_cast<BYTE *>(out);
  memcpy(bytes, &asked, sizeof(asked));
  memcpy(bytes + asked.DeviceNameOffset, STAND_IN_ADAPTER, nameBytes);
  memcpy(bytes + asked.DeviceDescrOffset, STAND_IN_DESCRIPTION, sizeof(STAND_IN_DESCRIPTION));
  *returned = needed;
  return TRUE;
}

// The adapter a query names. Under ce-run the name lies in the device's memory, which lies
// at the same addresses in ce-run's process.
static const WCHAR *AskedAdapter(const CE_NDISUIO_QUERY_OID &head)
{
#ifdef CE_DEVICE_RECORDS_AS_NUMBERS
  return reinterpret_cast<const WCHAR *>(static_cast<UINT_PTR>(head.ptcDeviceName));
#else
  return head.ptcDeviceName;
#endif
}

static BOOL AnswerObject(int kind, const CE_NDIS_802_11_SSID &ssid, void *in, DWORD inSize,
                         void *out, DWORD outSize, DWORD *returned)
{
  CE_NDISUIO_QUERY_OID head;
  if (in == nullptr || inSize < offsetof(CE_NDISUIO_QUERY_OID, Data))
    return Refuse(ERROR_INVALID_PARAMETER);
  memcpy(&head, in, offsetof(CE_NDISUIO_QUERY_OID, Data));
  const WCHAR *adapter = AskedAdapter(head);
  if (adapter == nullptr || lstrcmpiW(adapter, STAND_IN_ADAPTER) != 0)
    return Refuse(ERROR_FILE_NOT_FOUND);
  const void *answer = nullptr;
  ULONG answerSize = 0;
  ULONG media = kind == JOINED ? CE_NDIS_MEDIA_STATE_CONNECTED : 1;  // 1: disconnected
  if (head.Oid == CE_OID_GEN_MEDIA_CONNECT_STATUS) {
    answer = &media;
    answerSize = sizeof(media);
  } else if (head.Oid == CE_OID_802_11_SSID && kind != WIRED_ONLY) {
    answer = &ssid;
    answerSize = sizeof(ssid);
  } else {
    return Refuse(ERROR_NOT_SUPPORTED);
  }
  DWORD needed = offsetof(CE_NDISUIO_QUERY_OID, Data) + answerSize;
  if (inSize < needed || out == nullptr || outSize < needed)
    return Refuse(ERROR_INSUFFICIENT_BUFFER);
  BYTE *bytes = static_cast<BYTE *>(out);
  memcpy(bytes, &head, offsetof(CE_NDISUIO_QUERY_OID, Data));
  memcpy(bytes + offsetof(CE_NDISUIO_QUERY_OID, Data), answer, answerSize);
  *returned = needed;
  return TRUE;
}

extern "C" BOOL WINAPI CeDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize,
                                         LPVOID out, DWORD outSize, LPDWORD returned,
                                         LPOVERLAPPED overlapped)
{
  if (device == nullptr || device != g_driverHandle)
    return DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
  CE_NDIS_802_11_SSID ssid;
  int kind = ReadWireless(&ssid);
  if (kind == NO_DRIVER)
    return Refuse(ERROR_INVALID_HANDLE);
  DWORD written = 0;
  BOOL answered = FALSE;
  if (code == CE_IOCTL_NDISUIO_QUERY_BINDING)
    answered = AnswerBinding(in, inSize, out, outSize, &written);
  else if (code == CE_IOCTL_NDISUIO_QUERY_OID_VALUE)
    answered = AnswerObject(kind, ssid, in, inSize, out, outSize, &written);
  else
    return Refuse(ERROR_NOT_SUPPORTED);
  if (returned != nullptr)
    *returned = written;
  return answered;
}
