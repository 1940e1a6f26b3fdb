"""The portable zip as a user unpacks it: exactly the program, its library and the guide; the
binaries without debug information and needing no DLL that Windows does not have."""
import os
import re
import struct
import subprocess
import unittest
import zipfile

BASE = os.path.join(os.environ.get("BRINDLOW_PACKAGES", ""), os.environ.get("BRINDLOW_PACKAGE_BASE", ""))
SHIPPED = {"brindlow.exe", "mavrel.dll", "guide.txt", "dialog.png"}
# What every Windows from Vista on has (normaliz.dll: IDNA), plus our own library.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "normaliz.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
               "user32.dll", "wininet.dll", "ws2_32.dll", "mavrel.dll"}


# The PE machine of each build, and the objdump that reads it.
MACHINES = {"win32": (0x14C, "i686-w64-mingw32-objdump"), "win64": (0x8664, "x86_64-w64-mingw32-objdump")}
ARCH = BASE.rsplit("-", 1)[-1]


def machine(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    return struct.unpack_from("<H", image, pe + 4)[0]


def section_names(image):
    """Names in the section table of a PE image, and its count of symbols. A name longer than
    eight bytes is "/offset" into the string table that follows the symbol table."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0"
    count, _, symbol_table, symbols, optional = struct.unpack_from("<HIIIH", image, pe + 6)
    strings = symbol_table + 18 * symbols
    table = pe + 24 + optional
    names = []
    for i in range(count):
        name = image[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
        if name.startswith(b"/"):
            start = strings + int(name[1:])
            name = image[start:image.index(b"\0", start)]
        names.append(name.decode("ascii", "replace"))
    return names, symbols


class ZipTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip = zipfile.ZipFile(BASE + ".zip")

    def test_holds_the_program_its_library_and_the_guide_at_its_top(self):
        self.assertEqual(SHIPPED, set(self.zip.namelist()))

    def test_binaries_are_of_the_packages_architecture(self):
        for name in ("brindlow.exe", "mavrel.dll"):
            self.assertEqual(MACHINES[ARCH][0], machine(self.zip.read(name)), name)

    def test_binaries_carry_no_debug_information(self):
        for name in ("brindlow.exe", "mavrel.dll"):
            names, symbols = section_names(self.zip.read(name))
            self.assertIn(".text", names, name)
            self.assertFalse([n for n in names if n.startswith(".debug")], (name, names))
            self.assertEqual(0, symbols, name + " keeps its symbols")

    def test_binaries_need_only_windows_own_dlls(self):
        for name in ("brindlow.exe", "mavrel.dll"):
            path = os.path.join(os.path.dirname(BASE), "unpacked-" + name)
            with open(path, "wb") as f:
                f.write(self.zip.read(name))
            dump = subprocess.run([MACHINES[ARCH][1], "-p", path], check=True,
                                  capture_output=True, text=True).stdout
            os.remove(path)
            imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)}
            self.assertTrue(imports, name)
            self.assertLessEqual(imports, SYSTEM_DLLS, name)

    def test_guide_opens_in_notepad_and_names_its_screenshot(self):
        guide = self.zip.read("guide.txt")
        self.assertTrue(guide.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte-order mark")
        self.assertNotIn(b"\n", guide.replace(b"\r\n", b""), "a line ends without CR LF")
        text = guide.decode("utf-8")
        self.assertIn("dialog.png", text)
        self.assertIn("%APPDATA%\\Brindlow\\brindlow.ini", text)


if __name__ == "__main__":
    unittest.main()
