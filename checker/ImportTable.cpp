#include "checker/ImportTable.h"

#include <string.h>

namespace check {
namespace {

// The import address table entry of each named function, or null.
void FindEntries(HMODULE module, const char *dll, const char *const *names, size_t count,
                 ULONG_PTR **entries)
{
  BYTE *base = reinterpret_cast<BYTE *>(module);
  const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE)
    return;
  const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE)
    return;
  const IMAGE_DATA_DIRECTORY &directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0)
    return;
  for (const IMAGE_IMPORT_DESCRIPTOR *import =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
       import->Name != 0; ++import) {
    if (_stricmp(reinterpret_cast<const char *>(base + import->Name), dll) != 0 ||
        import->OriginalFirstThunk == 0)
      continue;
    const IMAGE_THUNK_DATA *lookup =
        reinterpret_cast<const IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk);
    IMAGE_THUNK_DATA *address = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
    for (; lookup->u1.AddressOfData != 0; ++lookup, ++address) {
      if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal))
        continue;
      const IMAGE_IMPORT_BY_NAME *byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + lookup->u1.AddressOfData);
      for (size_t i = 0; i < count; ++i)
        if (strcmp(reinterpret_cast<const char *>(byName->Name), names[i]) == 0)
          entries[i] = reinterpret_cast<ULONG_PTR *>(&address->u1.Function);
    }
  }
}

bool WriteEntry(ULONG_PTR *entry, ULONG_PTR value)
{
  DWORD protection = 0;
  if (!VirtualProtect(entry, sizeof(*entry), PAGE_READWRITE, &protection))
    return false;
  *entry = value;
  VirtualProtect(entry, sizeof(*entry), protection, &protection);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof(*entry));
  return true;
}

}  // namespace

bool ReplaceImports(HMODULE module, const char *dll, const char *const *names,
                    void *const *replacements, void **previous, size_t count)
{
  enum { MOST_ENTRIES = 32 };
  if (module == nullptr || count > MOST_ENTRIES)
    return false;
  ULONG_PTR *entries[MOST_ENTRIES] = {};
  FindEntries(module, dll, names, count, entries);
  for (size_t i = 0; i < count; ++i) {
    previous[i] = entries[i] == nullptr ? nullptr : reinterpret_cast<void *>(*entries[i]);
    if (entries[i] == nullptr)
      continue;
    if (!WriteEntry(entries[i], reinterpret_cast<ULONG_PTR>(replacements[i]))) {
      for (size_t j = 0; j < i; ++j)
        if (entries[j] != nullptr)
          WriteEntry(entries[j], reinterpret_cast<ULONG_PTR>(previous[j]));
      return false;
    }
  }
  return true;
}

}  // namespace check
