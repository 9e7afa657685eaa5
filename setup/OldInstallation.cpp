// Clean-up of the installation made under the maker's former name.
#include "setup/Ostrel.h"

#include "cecompat/cedb/CeDatabase.h"

static const wchar_t OLD_APPLICATION_KEY[] = L"Software\\Apps\\Kelvane Ferrolt";
static const wchar_t OLD_APPLICATION_NAME[] = L"Kelvane Ferrolt";
static const wchar_t OLD_APPMGR_FOLDER[] = L"\\Windows\\AppMgr\\Kelvane Ferrolt";
static const wchar_t SOFTWARE_STORE[] = L"SwMgmtMetadataStore";

// A record's first property (the lowest property id), which names the application. The
// device returns a record's properties in no specific order, so the id is what counts.
static const CEPROPVAL *FirstProperty(const CEPROPVAL *values, WORD count)
{
  const CEPROPVAL *first = nullptr;
  for (WORD i = 0; i < count; ++i) {
    if (first == nullptr || HIWORD(values[i].propid) < HIWORD(first->propid))
      first = &values[i];
  }
  return first;
}

// Windows Mobile keeps a record per installed application; the first one of the old name goes.
static void DeleteOldSoftwareRecord()
{
  CEGUID volume;
  CREATE_INVALIDGUID(&volume);
  CEOID databaseId = 0;
  wchar_t name[SETUP_PATH_CAPACITY];
  CopyBounded(name, SETUP_PATH_CAPACITY, SOFTWARE_STORE);
  HANDLE database = CeOpenDatabaseEx2(&volume, &databaseId, name, nullptr, CEDB_AUTOINCREMENT, nullptr);
  if (database == INVALID_HANDLE_VALUE)
    return;
  HANDLE heap = GetProcessHeap();
  LPBYTE buffer = nullptr;
  DWORD bufferSize = 0;
  for (;;) {
    WORD count = 0;
    CEOID record = CeReadRecordPropsEx(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer,
                                       &bufferSize, heap);
    if (record == 0)
      break;
    const CEPROPVAL *first = FirstProperty(reinterpret_cast<const CEPROPVAL *>(buffer), count);
    if (first != nullptr && TypeFromPropID(first->propid) == CEVT_LPWSTR &&
        first->val.lpwstr != nullptr && TextEquals(first->val.lpwstr, OLD_APPLICATION_NAME)) {
      CeDeleteRecord(database, record);
      break;
    }
  }
  if (buffer != nullptr)
    HeapFree(heap, 0, buffer);
  CloseHandle(database);
}

void RemoveOldInstallation()
{
  if (!KeyExists(HKEY_LOCAL_MACHINE, OLD_APPLICATION_KEY))
    return;
  if (!IsPlainCePlatform())
    DeleteOldSoftwareRecord();
  DeleteTree(OLD_APPMGR_FOLDER);
  RemoveDirectoryW(OLD_APPMGR_FOLDER);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, OLD_APPLICATION_KEY);
}
