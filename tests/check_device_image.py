#!/usr/bin/env python3
"""Reads the device images (Ferrolt.exe, Ostrel.dll) and fails unless each is what a
Compact 2013-class device loads: ARM Thumb-2 code, the Windows CE GUI subsystem, imports
only from coredll.dll and commctrl.dll and only names their export lists hold, no TLS
directory; Ostrel.dll exports the installer's four hooks.
Usage: check_device_image.py <build-device folder> <coredll list> <commctrl list>"""
import struct
import sys

MACHINE_ARMNT = 0x01C4
SUBSYSTEM_WINDOWS_CE_GUI = 9
HOOKS = {"Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"}


class Image:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        if self.data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        if struct.unpack_from("<H", self.data, optional)[0] != 0x10B:
            raise ValueError("not a 32-bit image")
        self.subsystem_version = struct.unpack_from("<HH", self.data, optional + 48)
        self.subsystem = struct.unpack_from("<H", self.data, optional + 68)[0]
        count = struct.unpack_from("<I", self.data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", self.data, optional + 96 + 8 * i)
                            for i in range(min(count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((rva, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address 0x%x lies in no section" % rva)

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        found = {}
        rva, size = self.directory(1)
        at = self.offset(rva) if size else None
        while at is not None:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                break
            names = found.setdefault(self.text(name).lower(), [])
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<I", self.data, entry)[0]
                if value == 0:
                    break
                names.append("#%d" % (value & 0xFFFF) if value & 0x80000000 else self.text(value + 2))
                entry += 4
            at += 20
        return found

    def exports(self):
        rva, size = self.directory(0)
        if not size:
            return set()
        at = self.offset(rva)
        count = struct.unpack_from("<I", self.data, at + 24)[0]
        names = struct.unpack_from("<I", self.data, at + 32)[0]
        return {self.text(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]) for i in range(count)}


def problems(path, allowed):
    image = Image(path)
    found = []
    if image.machine != MACHINE_ARMNT:
        found.append("machine is 0x%04x, not ARM Thumb-2 (0x01c4)" % image.machine)
    if image.subsystem != SUBSYSTEM_WINDOWS_CE_GUI:
        found.append("subsystem is %d, not Windows CE GUI (9)" % image.subsystem)
    if image.directory(9)[1]:
        found.append("has a TLS directory")
    imports = image.imports()
    if not imports:
        found.append("imports nothing: is this a device image?")
    for dll, names in sorted(imports.items()):
        if dll not in allowed:
            found.append("imports from %s" % dll)
            continue
        for name in sorted(set(names) - allowed[dll]):
            found.append("imports %s, which %s does not export" % (name, dll))
    if path.endswith("Ostrel.dll"):
        for hook in sorted(HOOKS - image.exports()):
            found.append("does not export %s" % hook)
    return image, found


def main():
    folder, coredll, commctrl = sys.argv[1:4]
    allowed = {dll: {line.strip() for line in open(path) if line.strip()}
               for dll, path in (("coredll.dll", coredll), ("commctrl.dll", commctrl))}
    failed = False
    for name in ("Ferrolt.exe", "Ostrel.dll"):
        path = "%s/%s" % (folder, name)
        try:
            image, found = problems(path, allowed)
        except (OSError, ValueError, struct.error) as error:
            found, image = ["cannot be read: %s" % error], None
        for problem in found:
            print("%s: %s" % (name, problem))
        failed = failed or bool(found)
        if image is not None and not found:
            print("%s: %d bytes, ARM Thumb-2, Windows CE GUI %d.%02d, imports %s" % (
                name, len(image.data), image.subsystem_version[0], image.subsystem_version[1],
                ", ".join("%s (%d)" % (dll, len(names)) for dll, names in sorted(image.imports().items()))))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
