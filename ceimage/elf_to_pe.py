#!/usr/bin/env python3
"""Writes a Windows CE ARMV4I image (PE, machine 0x1C2) from an ARM ELF file that
arm-none-eabi-ld linked at the image's base with ceimage/image.ld and -q (relocations kept).

The import, export and resource tables are already in the link (written as assembly by
import_table.py, export_table.py and resource_table.py, every address in them relative to
the base), so this only lays out headers and sections, fills in the data directories and
turns the kept absolute relocations into base relocations. It stops, naming the cause, at an
undefined symbol, a relocation it does not know or a section off the page grid.

Usage: elf_to_pe.py [--dll] <linked.elf> <output image>"""
import struct
import sys

from elf import Elf, ElfError, SHF_ALLOC, SHF_EXECINSTR, SHF_WRITE, SHT_NOBITS, SHN_UNDEF, STB_WEAK

MACHINE_ARMV4I = 0x01C2
SUBSYSTEM_WINDOWS_CE_GUI = 9
SECTION_ALIGNMENT, FILE_ALIGNMENT = 0x1000, 0x200
SHN_ABS = 0xFFF1
# The tables whose words are addresses relative to the base, which move with the image.
RELATIVE_TABLES = {".idata", ".edata", ".rsrc"}
# Relocations the link resolved for good: relative to the place, or marks only.
R_ARM_ABSOLUTE = {2: "R_ARM_ABS32", 38: "R_ARM_TARGET1"}
R_ARM_SETTLED = {0: "R_ARM_NONE", 1: "R_ARM_PC24", 3: "R_ARM_REL32", 10: "R_ARM_THM_CALL", 28: "R_ARM_CALL",
                 29: "R_ARM_JUMP24", 30: "R_ARM_THM_JUMP24", 40: "R_ARM_V4BX", 42: "R_ARM_PREL31",
                 102: "R_ARM_THM_JUMP11", 103: "R_ARM_THM_JUMP8"}
IMAGE_REL_BASED_ABSOLUTE, IMAGE_REL_BASED_HIGHLOW = 0, 3
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_BASERELOC, DIR_IAT = 0, 1, 2, 5, 12

CODE, INITIALIZED, UNINITIALIZED = 0x20, 0x40, 0x80
EXECUTE, READ, WRITE, DISCARDABLE = 0x20000000, 0x40000000, 0x80000000, 0x02000000


class ImageError(Exception):
    pass


def align(value, unit):
    return (value + unit - 1) // unit * unit


def symbol_address(elf, name):
    symbol = elf.by_name.get(name)
    if symbol is None:
        raise ImageError("the link has no symbol %s" % name)
    return symbol.value


def undefined_symbols(elf):
    return sorted({s.name for s in elf.symbols if s.section == SHN_UNDEF and s.name and s.binding != STB_WEAK})


def base_relocations(elf, base, size):
    """The addresses (relative to the base) of the words the loader moves with the image."""
    places = []
    for target, address, kind, symbol in elf.relocations():
        if not target.flags & SHF_ALLOC:
            continue
        where = "%s+0x%x (%s)" % (target.name, address - target.address, symbol.name or "section")
        if kind in R_ARM_SETTLED:
            continue
        if kind not in R_ARM_ABSOLUTE:
            raise ImageError("relocation type %d at %s is not known" % (kind, where))
        if symbol.section == SHN_ABS or (symbol.section == SHN_UNDEF and symbol.binding == STB_WEAK):
            continue
        if target.name in RELATIVE_TABLES:
            value = struct.unpack_from("<I", elf.data, target.offset + address - target.address)[0]
            if value >= size:
                raise ImageError("the table word at %s is no address in the image" % where)
            continue
        if address % 4:
            raise ImageError("the absolute address at %s is not word-aligned" % where)
        places.append(address - base)
    return sorted(set(places))


def relocation_blocks(places):
    out = bytearray()
    pages = {}
    for rva in places:
        pages.setdefault(rva & ~0xFFF, []).append(rva & 0xFFF)
    for page in sorted(pages):
        entries = [(IMAGE_REL_BASED_HIGHLOW << 12) | offset for offset in pages[page]]
        if len(entries) % 2:
            entries.append(IMAGE_REL_BASED_ABSOLUTE << 12)
        out += struct.pack("<II", page, 8 + 2 * len(entries)) + struct.pack("<%dH" % len(entries), *entries)
    return bytes(out)


def dos_header():
    header = bytearray(0x80)
    struct.pack_into("<2sHHHHHHHHHHHHH", header, 0, b"MZ", 0x90, 3, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0)
    struct.pack_into("<I", header, 0x3C, len(header))
    stub = bytes.fromhex("0e1fba0e00b409cd21b8014ccd21") + b"This program cannot be run in DOS mode.\r\r\n$"
    header[0x40:0x40 + len(stub)] = stub
    return header


def checksum(data):
    """The PE checksum of an image whose checksum field is still zero."""
    total = 0
    for (word,) in struct.iter_unpack("<H", bytes(data) + b"\0" * (len(data) % 2)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def section_flags(section):
    if section.flags & SHF_EXECINSTR:
        return CODE | EXECUTE | READ
    if section.kind == SHT_NOBITS:
        return UNINITIALIZED | READ | WRITE
    return INITIALIZED | READ | (WRITE if section.flags & SHF_WRITE else 0)


# What every object of the link must have been built for, as the device runs code: the
# ARMv4T instruction set, 16-bit wchar_t, int-sized enumerations, no floating-point unit.
TAG_CPU_ARCH, TAG_FP_ARCH, TAG_WCHAR_T, TAG_ENUM_SIZE, TAG_VFP_ARGS = 6, 10, 18, 26, 28
CPU_ARCH_NAMES = {1: "ARMv4", 2: "ARMv4T", 3: "ARMv5T", 4: "ARMv5TE", 5: "ARMv5TEJ", 6: "ARMv6", 10: "ARMv7"}
DEVICE_ATTRIBUTES = [(TAG_CPU_ARCH, 2, "code for %s, which an ARMv4T device cannot run"),
                     (TAG_WCHAR_T, 2, "a wchar_t of %s bytes, not the device's 2"),
                     (TAG_ENUM_SIZE, 2, "enumerations of size kind %s, not int-sized"),
                     (TAG_FP_ARCH, 0, "floating-point instructions (kind %s); the device has none"),
                     (TAG_VFP_ARGS, 0, "floating-point values passed in registers (kind %s)")]


def attribute_problems(elf):
    found = elf.attributes()
    problems = []
    for tag, wanted, message in DEVICE_ATTRIBUTES:
        value = found.get(tag, 0 if tag in (TAG_FP_ARCH, TAG_VFP_ARGS) else None)
        if value is not None and value != wanted:
            problems.append(message % (CPU_ARCH_NAMES.get(value, value) if tag == TAG_CPU_ARCH else value))
    return problems


def convert(elf, dll):
    problems = attribute_problems(elf)
    if problems:
        raise ImageError("the link holds %s" % "; ".join(problems))
    missing = undefined_symbols(elf)
    if missing:
        raise ImageError("undefined symbol%s: %s" % ("s" if len(missing) > 1 else "", ", ".join(missing)))
    base = symbol_address(elf, "__image_base")
    loaded = sorted((s for s in elf.sections if s.flags & SHF_ALLOC and s.size), key=lambda s: s.address)
    sections = []  # name, rva, virtual size, bytes or None, flags
    for s in loaded:
        if s.address < base or (s.address - base) % SECTION_ALIGNMENT:
            raise ImageError("section %s at 0x%x is not on the image's page grid" % (s.name, s.address))
        if len(s.name) > 8:
            raise ImageError("section name %s is longer than 8 characters" % s.name)
        raw = None if s.kind == SHT_NOBITS else elf.bytes_of(s)
        sections.append([s.name, s.address - base, s.size, raw, section_flags(s)])
    for earlier, later in zip(sections, sections[1:]):
        if earlier[1] + earlier[2] > later[1]:
            raise ImageError("sections %s and %s overlap" % (earlier[0], later[0]))
    end = align(sections[-1][1] + sections[-1][2], SECTION_ALIGNMENT)
    relocations = relocation_blocks(base_relocations(elf, base, end))
    if relocations:
        sections.append([".reloc", end, len(relocations), relocations, INITIALIZED | READ | DISCARDABLE])
        end = align(end + len(relocations), SECTION_ALIGNMENT)

    directories = [(0, 0)] * 16
    def span(start, stop):
        return symbol_address(elf, start) - base, symbol_address(elf, stop) - symbol_address(elf, start)
    if "__import_directory" in elf.by_name:
        directories[DIR_IMPORT] = span("__import_directory", "__import_directory_end")
        directories[DIR_IAT] = span("__iat_start", "__iat_end")
    if "__export_directory" in elf.by_name:
        directories[DIR_EXPORT] = span("__export_directory", "__export_directory_end")
    for name, rva, size, _, _ in sections:
        if name == ".rsrc":
            directories[DIR_RESOURCE] = (rva, size)
        if name == ".reloc":
            directories[DIR_BASERELOC] = (rva, size)

    image = dos_header()
    pe_at = len(image)
    headers = align(pe_at + 24 + 224 + 40 * len(sections), FILE_ALIGNMENT)
    characteristics = 0x0002 | 0x0004 | 0x0008 | 0x0100 | (0x2000 if dll else 0)
    image += struct.pack("<4sHHIIIHH", b"PE\0\0", MACHINE_ARMV4I, len(sections), 0, 0, 0, 224, characteristics)
    sizes = {CODE: 0, INITIALIZED: 0, UNINITIALIZED: 0}
    table = bytearray()
    position = headers
    for name, rva, size, raw, flags in sections:
        kind = flags & (CODE | INITIALIZED | UNINITIALIZED)
        raw_size = align(len(raw), FILE_ALIGNMENT) if raw is not None else 0
        sizes[kind] += align(size, FILE_ALIGNMENT)
        table += struct.pack("<8sIIIIIIHHI", name.encode("ascii"), size, rva, raw_size,
                             position if raw_size else 0, 0, 0, 0, 0, flags)
        position += raw_size
    code = [s for s in sections if s[4] & CODE]
    data = [s for s in sections if not s[4] & CODE]
    entry = elf.entry - base
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 9, 0, sizes[CODE], sizes[INITIALIZED],
                           sizes[UNINITIALIZED], entry, code[0][1] if code else 0, data[0][1] if data else 0,
                           base, SECTION_ALIGNMENT, FILE_ALIGNMENT, 5, 0, 0, 0, 5, 0, 0, end, headers, 0,
                           SUBSYSTEM_WINDOWS_CE_GUI, 0, 0x10000, 0x1000, 0x100000, 0x1000, 0, 16)
    image += optional + b"".join(struct.pack("<II", *d) for d in directories) + table
    image += b"\0" * (headers - len(image))
    for _, _, _, raw, _ in sections:
        if raw is not None:
            image += raw + b"\0" * (align(len(raw), FILE_ALIGNMENT) - len(raw))
    struct.pack_into("<I", image, pe_at + 24 + 64, checksum(image))
    return bytes(image)


def main(argv):
    dll = "--dll" in argv
    paths = [a for a in argv if a != "--dll"]
    if len(paths) != 2:
        sys.exit(__doc__)
    try:
        image = convert(Elf(paths[0]), dll)
    except (ElfError, ImageError) as error:
        sys.exit("%s: %s" % (paths[0], error))
    with open(paths[1], "wb") as out:
        out.write(image)


if __name__ == "__main__":
    main(sys.argv[1:])
