// The wireless network joined, read from the NDIS user-mode I/O driver ("UIO1:"): the
// adapters it is bound to, each one's SSID and whether its medium is connected (a wireless
// adapter that has joined nothing still answers the SSID it last asked for). A device
// without the driver cannot tell.
#include "launcher/launch/JoinedNetwork.h"

#include <string.h>

#include "Common/StdFuncs.h"

enum {
  ADAPTER_NAME_CAPACITY = 64,   // an adapter's name ("PRISM1"); a longer one is passed over
  BINDING_BUFFER_BYTES = 1024,  // the binding record with the name and description after it
  BINDINGS_ASKED = 8,           // adapters looked at, however many the driver claims
};

enum BindingAnswer { BINDING_NAMED, BINDING_PASSED_OVER, BINDING_LAST };
enum AdapterAnswer { ADAPTER_NOT_WIRELESS, ADAPTER_JOINED, ADAPTER_ELSEWHERE };

// A network's name as the bytes it goes by: UTF-8, at most 32. False when it is longer, so
// that no network can have it.
struct NetworkBytes {
  UCHAR bytes[CE_NDIS_802_11_SSID_CAPACITY + 1];  // with the encoder's terminator
  ULONG length;
};

static bool EncodeNetworkName(const wchar_t *name, NetworkBytes *encoded)
{
  encoded->length = 0;
  int written = WideCharToMultiByte(CP_UTF8, 0, name, -1, reinterpret_cast<char *>(encoded->bytes),
                                    sizeof(encoded->bytes), nullptr, nullptr);
  if (written <= 0)
    return false;
  encoded->length = static_cast<ULONG>(written - 1);
  return true;
}

// The name of the adapter bound at that index. The driver's offset and length are held to
// what it wrote and to the buffer; a name that does not fit is passed over.
static int ReadBindingName(HANDLE driver, ULONG index,
                           wchar_t name[ADAPTER_NAME_CAPACITY])
{
  DWORD buffer[BINDING_BUFFER_BYTES / sizeof(DWORD)];
  ZeroMemory(buffer, sizeof(buffer));
  CE_NDISUIO_QUERY_BINDING *binding = reinterpret_cast<CE_NDISUIO_QUERY_BINDING *>(buffer);
  binding->BindingIndex = index;
  DWORD returned = 0;
  if (!DeviceIoControl(driver, CE_IOCTL_NDISUIO_QUERY_BINDING, binding, sizeof(*binding), buffer,
            sizeof(buffer), &returned, nullptr))
    return BINDING_LAST;
  if (returned > sizeof(buffer))
    returned = sizeof(buffer);
  ULONG offset = binding->DeviceNameOffset;
  ULONG length = binding->DeviceNameLength;
  if (offset < sizeof(*binding) || offset >= returned || length > returned - offset ||
      offset % sizeof(WCHAR) != 0)
    return BINDING_PASSED_OVER;
  const BYTE *bytes = reinterpret_cast<const BYTE *>(buffer);
  const WCHAR *text = reinterpret_cast<const WCHAR *>(bytes + offset);
  size_t chars = 0;
  while (chars < length / sizeof(WCHAR) && text[chars] != 0)
    ++chars;
  if (chars == 0 || chars >= ADAPTER_NAME_CAPACITY)
    return BINDING_PASSED_OVER;
  memcpy(name, text, chars * sizeof(WCHAR));
  name[chars] = 0;
  return BINDING_NAMED;
}

// What one adapter says: no SSID at all (not wireless); else joined to the network only
// while its medium is connected and the SSID is the name's bytes, all of them.
static int AskAdapter(HANDLE driver, wchar_t *adapter,
                      const NetworkBytes &wanted)
{
  CE_NDISUIO_QUERY_SSID ssid;
  ZeroMemory(&ssid, sizeof(ssid));
  ssid.Oid = CE_OID_802_11_SSID;
  ssid.ptcDeviceName = adapter;
  DWORD returned = 0;
  if (!DeviceIoControl(driver, CE_IOCTL_NDISUIO_QUERY_OID_VALUE, &ssid, sizeof(ssid), &ssid, sizeof(ssid),
            &returned, nullptr))
    return ADAPTER_NOT_WIRELESS;
  CE_NDISUIO_QUERY_OID media;
  ZeroMemory(&media, sizeof(media));
  media.Oid = CE_OID_GEN_MEDIA_CONNECT_STATUS;
  media.ptcDeviceName = adapter;
  returned = 0;
  if (!DeviceIoControl(driver, CE_IOCTL_NDISUIO_QUERY_OID_VALUE, &media, sizeof(media), &media,
            sizeof(media), &returned, nullptr))
    return ADAPTER_ELSEWHERE;
  ULONG state = 0;
  memcpy(&state, media.Data, sizeof(state));
  ULONG length = ssid.Ssid.SsidLength;
  bool joined = state == CE_NDIS_MEDIA_STATE_CONNECTED && length == wanted.length &&
                length > 0 && length <= CE_NDIS_802_11_SSID_CAPACITY &&
                memcmp(ssid.Ssid.Ssid, wanted.bytes, length) == 0;
  return joined ? ADAPTER_JOINED : ADAPTER_ELSEWHERE;
}

int ProbeJoinedNetwork(const wchar_t *name)
{
  NetworkBytes wanted;
  bool nameFits = EncodeNetworkName(name, &wanted);
  HANDLE driver = CreateFileW(CE_NDISUIO_DEVICE_NAME, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (driver == INVALID_HANDLE_VALUE)
    return NETWORK_NAME_UNTOLD;
  int answer = NETWORK_NAME_UNTOLD;
  for (ULONG index = 0; index < BINDINGS_ASKED && answer != NETWORK_NAME_JOINED; ++index) {
    wchar_t adapter[ADAPTER_NAME_CAPACITY];
    int binding = ReadBindingName(driver, index, adapter);
    if (binding == BINDING_LAST)
      break;
    if (binding == BINDING_PASSED_OVER)
      continue;
    int said = AskAdapter(driver, adapter, wanted);
    if (said == ADAPTER_JOINED && nameFits)
      answer = NETWORK_NAME_JOINED;
    else if (said != ADAPTER_NOT_WIRELESS)
      answer = NETWORK_NAME_ELSEWHERE;
  }
  CloseHandle(driver);
  return answer;
}
