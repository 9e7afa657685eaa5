#!/usr/bin/env python3
"""The ARMV4I image tools stop the build, naming the cause, where an image would be wrong:
a relocation the converter does not know, a symbol nothing defines, code built for another
processor or calling convention, an import the device does not export. Each row links a few lines of assembly as the device build does."""
import os
import subprocess
import sys
import tempfile
import unittest

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "ceimage")
BASE = "0x10000"


def run(*command):
    return subprocess.run(command, capture_output=True, text=True)


class Refusals(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def convert(self, source):
        """Assembles and links the source at the base; returns the converter's result."""
        with open(self.path("in.S"), "w") as out:
            out.write("\t.text\n\t.global start\nstart:\tbx lr\n" + source)
        self.assertEqual(run("arm-none-eabi-as", "-march=armv4t", "-o", self.path("in.o"), self.path("in.S")).returncode, 0)
        linked = run("arm-none-eabi-ld", "-q", "-nostdlib", "-T", os.path.join(TOOLS, "image.ld"),
                     "--defsym=__image_base=" + BASE, "-e", "start", "--unresolved-symbols=ignore-all",
                     "-o", self.path("in.elf"), self.path("in.o"))
        self.assertEqual(linked.returncode, 0, linked.stderr)
        return run(sys.executable, os.path.join(TOOLS, "elf_to_pe.py"), self.path("in.elf"), self.path("out.exe"))

    def test_converter_refuses_and_names(self):
        rows = [
            ("an address of a kind it does not know", "\t.data\n\t.reloc ., R_ARM_ABS32_NOI, start\n\t.word 0\n",
             "relocation type 55 at .data+0x0 (start) is not known"),
            ("a symbol nothing defines", "\t.data\n\t.word missing_function\n", "undefined symbol: missing_function"),
            ("a table word that is no address in the image", "\t.section .idata,\"aw\"\n\t.word start\n",
             "the table word at .idata+0x0 (start) is no address in the image"),
            ("code for a later processor", "\t.arch armv5te\n\tldrd r0, [sp]\n",
             "code for ARMv5TE, which an ARMv4T device cannot run"),
            ("a 4-byte wchar_t", "\t.eabi_attribute 18, 4\n", "a wchar_t of 4 bytes, not the device's 2"),
        ]
        for what, source, message in rows:
            with self.subTest(what):
                result = self.convert(source)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_absolute_addresses_move_with_the_image(self):
        result = self.convert("\t.data\n\t.word start\n\t.word 0\n\t.word start\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        import pefile
        pe = pefile.PE(self.path("out.exe"))
        places = [e.rva for b in pe.DIRECTORY_ENTRY_BASERELOC for e in b.entries if e.type == 3]
        data = next(s.VirtualAddress for s in pe.sections if s.Name.startswith(b".data"))
        self.assertEqual(places, [data, data + 8])

    def test_import_outside_the_device_list_is_named(self):
        with open(self.path("undefined"), "w") as out:
            out.write("CreateWindowExW\nGetVersionExW\n")
        with open(self.path("coredll"), "w") as out:
            out.write("CreateWindowExW\n")
        result = run(sys.executable, os.path.join(TOOLS, "import_table.py"), BASE, self.path("undefined"),
                     self.path("imports.S"), "coredll.dll=" + self.path("coredll"))
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("not exported by the device (coredll.dll): GetVersionExW", result.stderr)


if __name__ == "__main__":
    unittest.main()
