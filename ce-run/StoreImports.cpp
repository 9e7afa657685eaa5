// The device's registry and object-store database as the image sees them: keys opened
// without access rights, and the database through its desktop stand-in.
#include "ce-run/ImportCalls.h"

#include <string.h>

#include "cecompat/CePlatform.h"
#include "cecompat/cedb/CeDatabase.h"

#undef RegDeleteKeyW

namespace cerun {

namespace {

// ---- registry: the device's keys have no access rights, so the image asks for none (0);
// a key opened on the device can be read and written ----
REGSAM DeviceAccess(uint32_t asked) { return asked == 0 ? KEY_ALL_ACCESS : asked; }

uint64_t RegOpenKeyExW_(const Call &c, void *)
{
  HKEY key = nullptr;
  LONG r = RegOpenKeyExW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1), c.Arg(2), DeviceAccess(c.Arg(3)), &key);
  if (c.Arg(4) != 0)
    Put32(c.Arg(4), r == ERROR_SUCCESS ? NarrowHandle(reinterpret_cast<INT_PTR>(key), "registry key") : 0);
  return R(r);
}

uint64_t RegCreateKeyExW_(const Call &c, void *)
{
  HKEY key = nullptr;
  if (c.Arg(6) != 0)
    Fail("RegCreateKeyExW with security attributes");
  LONG r = RegCreateKeyExW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1), c.Arg(2), P<LPWSTR>(c, 3), c.Arg(4),
                           DeviceAccess(c.Arg(5)), nullptr,
                           &key, P<LPDWORD>(c, 8));
  if (c.Arg(7) != 0)
    Put32(c.Arg(7), r == ERROR_SUCCESS ? NarrowHandle(reinterpret_cast<INT_PTR>(key), "registry key") : 0);
  return R(r);
}

uint64_t RegDeleteKeyW_(const Call &c, void *)
{
  // As the device does: the key goes with its sub-keys.
  return R(CeRegDeleteKeyW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1)));
}

// ---- the object-store database, through the desktop stand-in ----
uint64_t CeOpenDatabaseEx2_(const Call &c, void *)
{
  if (c.Arg(3) != 0 || c.Arg(5) != 0)
    Fail("CeOpenDatabaseEx2 with a sort order or notification");
  return R(reinterpret_cast<INT_PTR>(
      CeOpenDatabaseEx2(P<PCEGUID>(c, 0), P<PCEOID>(c, 1), P<LPWSTR>(c, 2), nullptr, c.Arg(4), nullptr)));
}

uint64_t CeDeleteRecord_(const Call &c, void *) { return R(CeDeleteRecord(P<HANDLE>(c, 0), c.Arg(1))); }

// The records come back as device CEPROPVALs (16 bytes each: id, length, flags, 8 bytes of
// value) followed by their strings, in a block of the device heap the caller frees.
uint64_t CeReadRecordPropsEx_(const Call &c, void *)
{
  if (c.Arg(3) != 0 || !(c.Arg(1) & CEDB_ALLOWREALLOC) || c.Arg(6) != PROCESS_HEAP)
    Fail("CeReadRecordPropsEx other than all properties into the process heap");
  LPBYTE hostBuffer = nullptr;
  DWORD hostSize = 0;
  WORD count = 0;
  HANDLE heap = GetProcessHeap();
  CEOID record = CeReadRecordPropsEx(P<HANDLE>(c, 0), CEDB_ALLOWREALLOC, &count, nullptr, &hostBuffer, &hostSize, heap);
  if (record != 0) {
    const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(hostBuffer);
    uint32_t size = 16 * count;
    for (WORD i = 0; i < count; ++i)
      if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR && values[i].val.lpwstr != nullptr)
        size += 2 * (lstrlenW(values[i].val.lpwstr) + 1);
    Addr buffer = Get32(c.Arg(4));
    if (HeapSize32(buffer) < size)
      buffer = HeapReAlloc32(buffer, size);
    if (buffer == 0)
      Fail("the device heap is full");
    Put32(c.Arg(4), buffer);
    if (c.Arg(5) != 0)
      Put32(c.Arg(5), size);
    Addr strings = buffer + 16 * count;
    for (WORD i = 0; i < count; ++i) {
      Addr at = buffer + 16 * i;
      Put32(at, values[i].propid);
      *At<uint16_t>(at + 4) = values[i].wLenData;
      *At<uint16_t>(at + 6) = values[i].wFlags;
      if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR) {
        Put32(at + 8, 0);
        if (values[i].val.lpwstr != nullptr) {
          int length = lstrlenW(values[i].val.lpwstr) + 1;
          memcpy(At<void>(strings), values[i].val.lpwstr, 2 * length);
          Put32(at + 8, strings);
          strings += 2 * length;
        }
      } else if (TypeFromPropID(values[i].propid) == CEVT_BLOB) {
        Fail("a database property holds a blob");
      } else {
        memcpy(At<void>(at + 8), &values[i].val, 8);
      }
    }
    if (c.Arg(2) != 0)
      *At<uint16_t>(c.Arg(2)) = count;
  }
  if (hostBuffer != nullptr)
    HeapFree(heap, 0, hostBuffer);
  return record;
}

const ImportRow kRows[] = {
    {"RegOpenKeyExW", RegOpenKeyExW_, false},
    {"RegCreateKeyExW", RegCreateKeyExW_, false},
    {"RegDeleteKeyW", RegDeleteKeyW_, false},
    {"CeOpenDatabaseEx2", CeOpenDatabaseEx2_, false},
    {"CeReadRecordPropsEx", CeReadRecordPropsEx_, false},
    {"CeDeleteRecord", CeDeleteRecord_, false},
};

}  // namespace

const ImportTable kStoreImports = CERUN_IMPORT_TABLE(kRows);

}  // namespace cerun
