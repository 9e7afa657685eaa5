// Loads a 32-bit ARM Windows CE image (Thumb-2 or ARM mode) into emulated memory as the
// device's loader would: headers and sections at their relative addresses, base
// relocations applied (the image rarely lands at its preferred base here), every import
// bound to a trap.
#include "ce-run/CeRun.h"

#include <string.h>

#include <vector>

namespace cerun {

namespace {

// IMAGE_REL_BASED_ARM_MOV32T: a Thumb MOVW/MOVT pair holding one 32-bit address.
const int REL_THUMB_MOV32 = 7;

bool ReadWholeFile(const wchar_t *path, std::vector<unsigned char> *bytes)
{
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD size = GetFileSize(file, nullptr), got = 0;
  bytes->resize(size);
  BOOL ok = size != INVALID_FILE_SIZE && ReadFile(file, bytes->data(), size, &got, nullptr) && got == size;
  CloseHandle(file);
  return ok;
}

// The 16-bit immediate of a Thumb-2 MOVW/MOVT (imm4:i:imm3:imm8) at p.
uint32_t ThumbImmediate(const uint16_t *p)
{
  uint32_t first = p[0], second = p[1];
  return ((first & 0xF) << 12) | (((first >> 10) & 1) << 11) | (((second >> 12) & 7) << 8) | (second & 0xFF);
}

void SetThumbImmediate(uint16_t *p, uint32_t value)
{
  p[0] = static_cast<uint16_t>((p[0] & 0xFBF0) | ((value >> 12) & 0xF) | (((value >> 11) & 1) << 10));
  p[1] = static_cast<uint16_t>((p[1] & 0x8F00) | (((value >> 8) & 7) << 12) | (value & 0xFF));
}

void Relocate(Addr base, const IMAGE_NT_HEADERS32 *nt, uint32_t delta)
{
  const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  if (delta == 0)
    return;
  if (dir.Size == 0 || (nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED))
    Fail("the image has no base relocations and cannot be moved");
  Addr at = base + dir.VirtualAddress, end = at + dir.Size;
  while (at + 8 <= end) {
    uint32_t page = Get32(at), blockSize = Get32(at + 4);
    if (blockSize < 8 || at + blockSize > end)
      Fail("damaged base relocations");
    for (uint32_t i = 8; i + 2 <= blockSize; i += 2) {
      uint16_t entry = *At<uint16_t>(at + i);
      int type = entry >> 12;
      Addr target = base + page + (entry & 0xFFF);
      if (type == IMAGE_REL_BASED_ABSOLUTE)
        continue;
      if (type == IMAGE_REL_BASED_HIGHLOW) {
        Put32(target, Get32(target) + delta);
      } else if (type == REL_THUMB_MOV32) {
        uint16_t *code = At<uint16_t>(target);
        uint32_t value = ThumbImmediate(code) | (ThumbImmediate(code + 2) << 16);
        value += delta;
        SetThumbImmediate(code, value & 0xFFFF);
        SetThumbImmediate(code + 2, value >> 16);
      } else {
        Fail("base relocation of type %d is not known", type);
      }
    }
    at += blockSize;
  }
}

void BindImports(Addr base, const IMAGE_NT_HEADERS32 *nt)
{
  const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.Size == 0)
    return;
  for (Addr at = base + dir.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const IMAGE_IMPORT_DESCRIPTOR *d = At<IMAGE_IMPORT_DESCRIPTOR>(at);
    if (d->Name == 0)
      break;
    const char *dll = At<const char>(base + d->Name);
    uint32_t lookup = d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk;
    for (uint32_t i = 0;; ++i) {
      uint32_t entry = Get32(base + lookup + 4 * i);
      if (entry == 0)
        break;
      if (entry & 0x80000000u)
        Fail("%s imports by ordinal %u, which is not known", dll, entry & 0xFFFF);
      const char *name = At<const char>(base + entry + 2);
      Put32(base + d->FirstThunk + 4 * i, BindImport(dll, name));
    }
  }
}

}  // namespace

bool LoadImage(const wchar_t *path, Image *image)
{
  std::vector<unsigned char> file;
  if (!ReadWholeFile(path, &file))
    return false;
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z')
    Fail("not an image: no MZ header");
  uint32_t ntAt = *reinterpret_cast<const uint32_t *>(&file[0x3C]);
  if (ntAt > file.size() - sizeof(IMAGE_NT_HEADERS32))
    Fail("not an image: the PE header lies outside the file");
  const IMAGE_NT_HEADERS32 *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(&file[ntAt]);
  if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
    Fail("not a 32-bit PE image");
  // Thumb-2 images (Compact 2013) and ARM-mode ones with interworking (ARMV4I, CE 5.0 to
  // 7.0 and Windows Mobile); ARM images start in ARM state.
  WORD machine = nt->FileHeader.Machine;
  if (machine != IMAGE_FILE_MACHINE_ARMNT && machine != IMAGE_FILE_MACHINE_THUMB && machine != IMAGE_FILE_MACHINE_ARM)
    Fail("not an ARM image (machine 0x%x)", machine);
  SetArmImage(machine != IMAGE_FILE_MACHINE_ARMNT);
  uint32_t size = nt->OptionalHeader.SizeOfImage;
  Addr base = ImageArea(size);
  uint32_t headers = nt->OptionalHeader.SizeOfHeaders;
  if (headers > file.size() || headers > size)
    Fail("damaged image headers");
  memcpy(At<void>(base), file.data(), headers);
  const IMAGE_SECTION_HEADER *section = reinterpret_cast<const IMAGE_SECTION_HEADER *>(
      reinterpret_cast<const unsigned char *>(&nt->OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    uint32_t raw = section->SizeOfRawData, virt = section->Misc.VirtualSize;
    if (virt == 0)
      virt = raw;
    if (section->VirtualAddress > size || virt > size - section->VirtualAddress)
      Fail("section %d lies outside the image", i);
    uint32_t copy = raw < virt ? raw : virt;
    if (copy > 0) {
      if (section->PointerToRawData > file.size() || copy > file.size() - section->PointerToRawData)
        Fail("section %d lies outside the file", i);
      memcpy(At<void>(base + section->VirtualAddress), &file[section->PointerToRawData], copy);
    }
  }
  const IMAGE_NT_HEADERS32 *loaded = At<IMAGE_NT_HEADERS32>(base + ntAt);
  Relocate(base, loaded, base - nt->OptionalHeader.ImageBase);
  // The loaded headers say where the image is, as the device's loader leaves them.
  At<IMAGE_NT_HEADERS32>(base + ntAt)->OptionalHeader.ImageBase = base;
  BindImports(base, loaded);
  image->base = base;
  image->size = size;
  image->entry = CodeAddress(base + nt->OptionalHeader.AddressOfEntryPoint);
  image->dll = (nt->FileHeader.Characteristics & IMAGE_FILE_DLL) != 0;
  Trace("loaded at 0x%08x (preferred 0x%08x), entry 0x%08x", base, nt->OptionalHeader.ImageBase, image->entry);
  return true;
}

Addr ExportOf(const Image &image, const char *name)
{
  const IMAGE_NT_HEADERS32 *nt = At<IMAGE_NT_HEADERS32>(image.base + Get32(image.base + 0x3C));
  const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.Size == 0)
    return 0;
  const IMAGE_EXPORT_DIRECTORY *exports = At<IMAGE_EXPORT_DIRECTORY>(image.base + dir.VirtualAddress);
  for (uint32_t i = 0; i < exports->NumberOfNames; ++i) {
    const char *exported = At<const char>(image.base + Get32(image.base + exports->AddressOfNames + 4 * i));
    if (strcmp(exported, name) != 0)
      continue;
    uint16_t ordinal = *At<uint16_t>(image.base + exports->AddressOfNameOrdinals + 2 * i);
    if (ordinal >= exports->NumberOfFunctions)
      return 0;
    return image.base + Get32(image.base + exports->AddressOfFunctions + 4 * ordinal);
  }
  return 0;
}

}  // namespace cerun
