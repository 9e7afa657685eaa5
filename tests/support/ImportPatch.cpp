// Pointing one of the test program's own imports at a stand-in.
#include "ImportPatch.h"

#include <wincrypt.h>

#include <cstring>

namespace {

// The import table slot of function from dll in the program's own image, or nullptr.
void **FindImportSlot(const char *dll, const char *function)
{
  HMODULE real = GetModuleHandleA(dll);
  if (real == nullptr)
    real = LoadLibraryA(dll);
  void *target = real != nullptr ? reinterpret_cast<void *>(GetProcAddress(real, function)) : nullptr;
  auto *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
  auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0)
    return nullptr;
  for (auto *entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (_stricmp(reinterpret_cast<const char *>(base + entry->Name), dll) != 0)
      continue;
    auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(
        base + (entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk));
    auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      bool byName = !IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal);
      if (byName) {
        auto *named = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char *>(named->Name), function) == 0)
          return reinterpret_cast<void **>(&slots->u1.Function);
      } else if (target != nullptr &&
                 reinterpret_cast<void *>(slots->u1.Function) == target) {
        return reinterpret_cast<void **>(&slots->u1.Function);
      }
    }
  }
  return nullptr;
}

bool WriteSlot(void **slot, void *value)
{
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection))
    return false;
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
  return true;
}

typedef BOOL(WINAPI *ImportKeyFunction)(HCRYPTPROV, const BYTE *, DWORD, HCRYPTKEY, DWORD,
                                        HCRYPTKEY *);
ImportKeyFunction g_realImportKey = nullptr;

BOOL WINAPI RefusingImportKey(HCRYPTPROV provider, const BYTE *data, DWORD length,
                              HCRYPTKEY publicKey, DWORD flags, HCRYPTKEY *key)
{
  if ((flags & ~static_cast<DWORD>(CRYPT_EXPORTABLE | CRYPT_NO_SALT)) != 0) {
    SetLastError(static_cast<DWORD>(NTE_BAD_FLAGS));
    return FALSE;
  }
  if (g_realImportKey == nullptr) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return g_realImportKey(provider, data, length, publicKey, flags, key);
}

BOOL WINAPI MissingDuplicateHash(HCRYPTHASH, DWORD *, DWORD, HCRYPTHASH *)
{
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

BOOL WINAPI FailingAcquire(HCRYPTPROV *provider, LPCWSTR, LPCWSTR, DWORD, DWORD)
{
  if (provider != nullptr)
    *provider = 0;
  SetLastError(static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL));
  return FALSE;
}

}  // namespace

ImportPatch::ImportPatch(const char *dll, const char *function, void *standIn)
{
  void **slot = FindImportSlot(dll, function);
  if (slot == nullptr)
    return;
  void *original = *slot;
  if (WriteSlot(slot, standIn)) {
    slot_ = slot;
    original_ = original;
  }
}

ImportPatch::~ImportPatch()
{
  if (slot_ != nullptr)
    WriteSlot(slot_, original_);
}

StrictDeviceProvider::StrictDeviceProvider()
    : import_("advapi32.dll", "CryptImportKey", reinterpret_cast<void *>(&RefusingImportKey)),
      duplicate_("advapi32.dll", "CryptDuplicateHash",
                 reinterpret_cast<void *>(&MissingDuplicateHash))
{
  g_realImportKey = reinterpret_cast<ImportKeyFunction>(import_.original());
}

FailingProvider::FailingProvider()
    : acquire_("advapi32.dll", "CryptAcquireContextW", reinterpret_cast<void *>(&FailingAcquire))
{
}
