#!/usr/bin/env python3
"""Reads the ARMV4I device images with pefile, an independent PE reader, and fails unless
each is what a Windows CE 5.0 or Windows Mobile device loads: machine 0x1C2, the Windows CE
GUI subsystem 5.0, its preferred base, sections on the page grid, a valid checksum, imports
only from coredll.dll and commctrl.dll and only names their export lists hold, every base
relocation pointing at an address inside the image, resources the same bytes the resource
compiler wrote, no TLS; Ostrel.dll exports the installer's four hooks, each in its code.
Usage: check_armv4i_image.py <armv4i folder> <Ferrolt.res> <coredll list> <commctrl list>"""
import struct
import sys

import pefile

HOOKS = {"Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"}
EXPECTED = {"Ferrolt.exe": (0x10000, False), "Ostrel.dll": (0x10000000, True)}
sys.path.insert(0, __file__.rsplit("/", 2)[0] + "/ceimage")
from resource_table import read_res  # noqa: E402  (the .res file's own entries)


def code_section(pe, rva):
    return any(s.VirtualAddress <= rva < s.VirtualAddress + s.Misc_VirtualSize and
               s.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"] for s in pe.sections)


def header_problems(pe, base, dll):
    found = []
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    expect = [("machine", header.Machine, 0x1C2), ("subsystem", optional.Subsystem, 9),
              ("subsystem version", (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion), (5, 0)),
              ("OS version", (optional.MajorOperatingSystemVersion, optional.MinorOperatingSystemVersion), (5, 0)),
              ("image base", optional.ImageBase, base), ("library flag", header.IMAGE_FILE_DLL, dll),
              ("checksum", optional.CheckSum, pe.generate_checksum())]
    found += ["%s is %r, not %r" % (what, got, want) for what, got, want in expect if got != want]
    if not code_section(pe, optional.AddressOfEntryPoint):
        found.append("the entry 0x%x is not in code" % optional.AddressOfEntryPoint)
    for s in pe.sections:
        if s.VirtualAddress % optional.SectionAlignment or s.PointerToRawData % optional.FileAlignment:
            found.append("section %s is off the grid" % s.Name.rstrip(b"\0").decode())
    if hasattr(pe, "DIRECTORY_ENTRY_TLS"):
        found.append("has a TLS directory")
    return found


def import_problems(pe, allowed):
    found = []
    imports = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    if not imports:
        found.append("imports nothing")
    for entry in imports:
        dll = entry.dll.decode().lower()
        names = {i.name.decode() if i.name else "#%d" % i.ordinal for i in entry.imports}
        if dll not in allowed:
            found.append("imports from %s" % dll)
        else:
            found += ["imports %s, which %s does not export" % (n, dll) for n in sorted(names - allowed[dll])]
    return found


def relocation_problems(pe, base):
    found = []
    blocks = getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
    if not blocks:
        found.append("has no base relocations: it cannot be moved")
    size = pe.OPTIONAL_HEADER.SizeOfImage
    for block in blocks:
        for entry in block.entries:
            if entry.type == pefile.RELOCATION_TYPE["IMAGE_REL_BASED_ABSOLUTE"]:
                continue
            if entry.type != pefile.RELOCATION_TYPE["IMAGE_REL_BASED_HIGHLOW"]:
                found.append("relocation type %d at 0x%x" % (entry.type, entry.rva))
                continue
            value = pe.get_dword_at_rva(entry.rva)
            if not base <= value < base + size:
                found.append("the relocated word at 0x%x holds 0x%x, outside the image" % (entry.rva, value))
    return found


def export_problems(pe, dll):
    names = {}
    for symbol in getattr(getattr(pe, "DIRECTORY_ENTRY_EXPORT", None), "symbols", []):
        names[symbol.name.decode()] = symbol.address
    if not dll:
        return ["exports %s" % ", ".join(sorted(names))] if names else []
    found = ["does not export %s" % hook for hook in sorted(HOOKS - set(names))]
    found += ["exports %s outside its code" % n for n, rva in sorted(names.items()) if not code_section(pe, rva)]
    return found


def resource_key(entry):
    return str(entry.name) if entry.name is not None else entry.id


def resource_problems(pe, res_path):
    if res_path is None:
        return []
    raw = open(res_path, "rb").read()
    wanted = {(kind, name, language): raw[at:at + size] for kind, name, language, at, size in read_res(res_path)}
    here = {}
    for kind in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                here[(resource_key(kind), resource_key(name), language.id)] = pe.get_data(data.OffsetToData, data.Size)
    found = ["resource %r is missing" % (key,) for key in sorted(set(wanted) - set(here), key=str)]
    found += ["resource %r is not the compiler's" % (key,) for key in sorted(set(wanted) & set(here), key=str)
              if here[key] != wanted[key]]
    found += ["resource %r was never compiled" % (key,) for key in sorted(set(here) - set(wanted), key=str)]
    return found


def problems(path, base, dll, allowed, res_path):
    pe = pefile.PE(path)
    # Zero-filled records are the launcher's fixed buffers, not a cut-off file.
    warnings = [w for w in pe.get_warnings() if "makes up" not in w]
    return pe, (["pefile: %s" % w for w in warnings] + header_problems(pe, base, dll) + import_problems(pe, allowed) +
                relocation_problems(pe, base) + export_problems(pe, dll) + resource_problems(pe, res_path))


def main():
    folder, res_path, coredll, commctrl = sys.argv[1:5]
    allowed = {dll: {line.strip() for line in open(path) if line.strip()}
               for dll, path in (("coredll.dll", coredll), ("commctrl.dll", commctrl))}
    failed = False
    for name, (base, dll) in sorted(EXPECTED.items()):
        try:
            pe, found = problems("%s/%s" % (folder, name), base, dll, allowed, None if dll else res_path)
        except (OSError, pefile.PEFormatError, struct.error) as error:
            pe, found = None, ["cannot be read: %s" % error]
        for problem in found:
            print("%s: %s" % (name, problem))
        failed = failed or bool(found)
        if pe is not None and not found:
            print("%s: %d bytes, ARMV4I, Windows CE GUI 5.00, imports %s" % (
                name, len(pe.__data__), ", ".join("%s (%d)" % (e.dll.decode(), len(e.imports))
                                                   for e in pe.DIRECTORY_ENTRY_IMPORT)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
