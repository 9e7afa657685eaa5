// The install header written for the cabinets, read back byte by byte as the device's
// installer lays it out: the fixed fields, then each section spelled out entry by entry.
// (tests/package/read_install_header.py reads the cabinets' headers independently.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "packaging/SetupHeader.h"

namespace {

const char DESCRIPTION[] =
    "# every section once\n"
    "app Ferrolt\n"
    "provider OrvantLLC\n"
    "versions 5.1 8.0\n"
    "builds 3 0xE0000000\n"
    "processor arm\n"
    "folder \\Application\\Ferrolt\n"
    "folder \\Windows\\Start Menu\n"
    "file 1 0 Ferrolt.exe\n"
    "file 1 0x10 Ferrolt.txt\n"
    "key HKCU Software\\OrvantLLC\n"
    "value 1 dword Count=7\n"
    "value 1 string Hello=hi\n"
    "shortcut %CE17% file 1 Ferrolt\n";

// Little-endian numbers and terminated texts, the header's only building blocks.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes &U16(uint32_t v) { return b.push_back(v & 0xFF), b.push_back(v >> 8 & 0xFF), *this; }
  Bytes &U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes &Text(const std::string &t)
  {
    b.insert(b.end(), t.begin(), t.end());
    b.push_back(0);
    return *this;
  }
};

uint32_t At(const std::vector<uint8_t> &h, size_t at, int size)
{
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i)
    v = v << 8 | h.at(at + i);
  return v;
}

TEST(SetupHeader, FieldsAndSectionsLieWhereTheInstallerReadsThem)
{
  cesetup::Package package;
  std::vector<uint8_t> h;
  std::string error;
  ASSERT_TRUE(cesetup::ParseDescription(DESCRIPTION, &package, &error)) << error;
  ASSERT_TRUE(cesetup::WriteSetupHeader(package, &h, &error)) << error;

  const struct {
    size_t at;
    int size;
    uint32_t expected;
  } fields[] = {
      {0, 4, 0x4543534D},  // "MSCE"
      {4, 4, 0}, {8, 4, static_cast<uint32_t>(h.size())}, {12, 4, 0}, {16, 4, 1},
      {20, 4, 2577},
      {24, 4, 5}, {28, 4, 1}, {32, 4, 8}, {36, 4, 0}, {40, 4, 3}, {44, 4, 0xE0000000},
      // counts: strings (a repeated name is stored once), folders, files, hives, values, shortcuts
      {48, 2, 6}, {50, 2, 2}, {52, 2, 2}, {54, 2, 1}, {56, 2, 2}, {58, 2, 1},
      {84, 2, 100}, {86, 2, 8}, {88, 2, 108}, {90, 2, 10}, {92, 2, 0}, {94, 2, 0}, {96, 4, 0},
  };
  for (const auto &field : fields)
    EXPECT_EQ(field.expected, At(h, field.at, field.size)) << "field at 0x" << std::hex << field.at;
  EXPECT_EQ("Ferrolt", std::string(reinterpret_cast<const char *>(&h[100])));
  EXPECT_EQ("OrvantLLC", std::string(reinterpret_cast<const char *>(&h[108])));

  // Strings are numbered in the order the folders, keys and shortcuts first use them.
  Bytes strings, folders, files, hives, values, shortcuts;
  const char *const texts[] = {"\\Application", "Ferrolt", "\\Windows", "Start Menu", "Software", "OrvantLLC"};
  for (uint32_t i = 0; i < 6; ++i)
    strings.U16(i + 1).U16(static_cast<uint32_t>(strlen(texts[i]) + 1)).Text(texts[i]);
  folders.U16(1).U16(6).U16(1).U16(2).U16(0).U16(2).U16(6).U16(3).U16(4).U16(0);
  files.U16(1).U16(1).U16(1).U32(0).U16(12).Text("Ferrolt.exe");
  files.U16(2).U16(1).U16(2).U32(0x10).U16(12).Text("Ferrolt.txt");
  hives.U16(1).U16(2).U16(0).U16(6).U16(5).U16(6).U16(0);
  values.U16(1).U16(1).U16(1).U32(0x00010001).U16(10).Text("Count").U32(7);
  values.U16(2).U16(1).U16(1).U32(0).U16(9).Text("Hello").Text("hi");
  // In %CE17% (the Start menu), to file 1.
  shortcuts.U16(1).U16(0).U16(17).U16(1).U16(1).U16(4).U16(2).U16(0);
  const Bytes *sections[] = {&strings, &folders, &files, &hives, &values, &shortcuts};
  for (int s = 0; s < 6; ++s) {
    size_t offset = At(h, 60 + 4 * s, 4);
    ASSERT_LE(offset + sections[s]->b.size(), h.size()) << "section " << s;
    EXPECT_EQ(sections[s]->b, std::vector<uint8_t>(h.begin() + offset, h.begin() + offset + sections[s]->b.size()))
        << "section " << s;
  }
  EXPECT_EQ(At(h, 80, 4) + shortcuts.b.size(), h.size()) << "the shortcuts end the header";
}

TEST(SetupHeader, WhatTheHeaderCannotDescribeIsRefused)
{
  const struct {
    const char *lines, *reason;
  } cases[] = {
      {"folder \\A\nfile 1 0 ..\\evil.exe\n", "must be a plain file name"},
      {"folder \\A\nfile 1 0 Ferrolt.exe. \n", "must be a plain file name"},
      {"folder \\A\nfile 1 0 nul.txt\n", "must be a plain file name"},
      {"folder \\A\nfile 1 0 a.exe\nfile 1 0 A.EXE\n", "installed twice"},
      {"folder \\A\\...\nfile 1 0 a.exe\n", "is not a device path"},
      {"folder \\A\nshortcut %CE18% file 1 a\n", "line 4: cannot read"},
      {"folder \\A\nfile 2 0 a.exe\n", "names no folder"},
      {"folder \\A\\..\\Windows\nfile 1 0 a.exe\n", "is not a device path"},
      {"folder \\A\nshortcut %CE1% file 3 a\n", "names no folder or target"},
      {"folder \\A\nvalue 1 dword x=1\n", "names no key"},
      {"folder \\A\nfile 1 0\n", "line 4: cannot read \"file 1 0\""},
      {"folder \\A\nvalue 1 dword x=seven\n", "line 4: cannot read"},
  };
  for (const auto &c : cases) {
    cesetup::Package package;
    std::vector<uint8_t> header;
    std::string error;
    bool written = cesetup::ParseDescription(std::string("app A\nprovider P\n") + c.lines, &package, &error) &&
                   cesetup::WriteSetupHeader(package, &header, &error);
    EXPECT_FALSE(written) << c.lines;
    EXPECT_NE(std::string::npos, error.find(c.reason)) << c.lines << " gave: " << error;
  }
}

}  // namespace
