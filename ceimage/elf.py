"""Reads the parts of a 32-bit little-endian ARM ELF file that the image tools need: the
section headers, the symbol table and the relocation sections that `ld -q` keeps."""
import struct

SHT_SYMTAB, SHT_NOBITS, SHT_REL, SHT_RELA = 2, 8, 9, 4
SHF_WRITE, SHF_ALLOC, SHF_EXECINSTR = 1, 2, 4
SHN_UNDEF = 0
STB_WEAK = 2
EM_ARM = 40


class ElfError(Exception):
    pass


def uleb128(data, at):
    value, shift = 0, 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            return value, at


class Section:
    def __init__(self, index, name, kind, flags, address, offset, size, link, info):
        self.index, self.name, self.kind, self.flags = index, name, kind, flags
        self.address, self.offset, self.size, self.link, self.info = address, offset, size, link, info


class Symbol:
    def __init__(self, name, value, binding, section):
        self.name, self.value, self.binding, self.section = name, value, binding, section


class Elf:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        if self.data[:4] != b"\x7fELF" or self.data[4] != 1 or self.data[5] != 1:
            raise ElfError("%s is not a 32-bit little-endian ELF file" % path)
        (kind, machine, _, self.entry, _, shoff, _, _, _, _, shentsize, shnum,
         shstrndx) = struct.unpack_from("<HHIIIIIHHHHHH", self.data, 16)
        if machine != EM_ARM:
            raise ElfError("%s is not an ARM ELF file (machine %d)" % (path, machine))
        raw = [struct.unpack_from("<IIIIIIIIII", self.data, shoff + i * shentsize) for i in range(shnum)]
        names = raw[shstrndx]
        self.sections = [Section(i, self.string(names[4], r[0]), r[1], r[2], r[3], r[4], r[5], r[6], r[7])
                         for i, r in enumerate(raw)]
        self.symbols = []
        for section in self.sections:
            if section.kind == SHT_SYMTAB:
                strings = self.sections[section.link].offset
                for at in range(section.offset + 16, section.offset + section.size, 16):
                    name, value, _, info, _, index = struct.unpack_from("<IIIBBH", self.data, at)
                    self.symbols.append(Symbol(self.string(strings, name), value, info >> 4, index))
                self.symbol_table = section
        self.by_name = {s.name: s for s in self.symbols if s.section != SHN_UNDEF and s.name}

    def string(self, table, at):
        end = self.data.index(b"\0", table + at)
        return self.data[table + at:end].decode("ascii")

    def bytes_of(self, section):
        if section.kind == SHT_NOBITS:
            return b"\0" * section.size
        return self.data[section.offset:section.offset + section.size]

    def attributes(self):
        """The file-wide ARM build attributes ("aeabi"): {tag: number or text}."""
        found = {}
        for section in self.sections:
            if section.name != ".ARM.attributes":
                continue
            data = self.bytes_of(section)
            at = 1  # after the format version 'A'
            while at < len(data):
                length = struct.unpack_from("<I", data, at)[0]
                end, vendor_end = at + length, data.index(b"\0", at + 4)
                if data[at + 4:vendor_end] == b"aeabi":
                    self._file_attributes(data, vendor_end + 1, end, found)
                at = end
        return found

    @staticmethod
    def _file_attributes(data, at, end, found):
        while at < end:
            tag, at = uleb128(data, at)
            size = struct.unpack_from("<I", data, at)[0]
            stop = at - 1 + size
            at += 4
            while tag == 1 and at < stop:  # Tag_File: the attributes of the whole file
                name, at = uleb128(data, at)
                # Tags 4, 5 and 67 and odd ones above 32 are texts; the others numbers.
                if name in (4, 5, 67) or (name > 32 and name % 2):
                    text_end = data.index(b"\0", at)
                    found[name], at = data[at:text_end].decode("ascii", "replace"), text_end + 1
                else:
                    found[name], at = uleb128(data, at)
            at = stop

    def relocations(self):
        """(section the relocations apply to, address, type, symbol) for every kept relocation."""
        for section in self.sections:
            if section.kind == SHT_RELA:
                raise ElfError("relocations with addends (%s) are not an ARM link's" % section.name)
            if section.kind != SHT_REL:
                continue
            target = self.sections[section.info]
            table = self.sections[section.link]
            for at in range(section.offset, section.offset + section.size, 8):
                address, info = struct.unpack_from("<II", self.data, at)
                yield target, address, info & 0xFF, self.symbol_at(table, info >> 8)

    def symbol_at(self, table, index):
        name, value, _, info, _, section = struct.unpack_from("<IIIBBH", self.data, table.offset + 16 * index)
        return Symbol(self.string(self.sections[table.link].offset, name), value, info >> 4, section)
