// The registry writers: equal values are left alone, keys are closed, binary always written.
#include <gtest/gtest.h>

#include "tests/ScriptTesting.h"

#include <sddl.h>
#include <winternl.h>

using namespace scripttest;

namespace {

const wchar_t kSection[] = L"HKEY_CURRENT_USER\\Software\\FerroltScriptTest\\Writers";

// This process's handles as the system lists them (GetProcessHandleCount says 0 under Wine).
size_t CountOwnHandles()
{
  typedef NTSTATUS(NTAPI * QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);
  struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ULONG grantedAccess;
  };
  const ULONG kSystemHandleInformation = 16;
  auto query = reinterpret_cast<QuerySystemInformation>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
  if (query == nullptr)
    return 0;
  std::vector<BYTE> buffer(1 << 20);
  ULONG needed = 0;
  while (query(kSystemHandleInformation, &buffer[0], static_cast<ULONG>(buffer.size()), &needed) ==
         static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  ULONG count = *reinterpret_cast<ULONG *>(&buffer[0]);
  const HandleEntry *entries = reinterpret_cast<const HandleEntry *>(&buffer[sizeof(ULONG_PTR)]);
  size_t own = 0;
  for (ULONG i = 0; i < count; ++i)
    own += entries[i].processId == static_cast<USHORT>(GetCurrentProcessId()) ? 1 : 0;
  return own;
}

class ScriptWriters : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    ResetScriptState(1);
  }
  void TearDown() override
  {
    AllowWrites();
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    ResetScriptState(0);
  }

  // Denies everyone KEY_SET_VALUE on the section's key: any attempt to write then fails,
  // so a writer that reports success cannot have tried to write.
  void DenyWrites() { SetKeyAcl(L"D:(D;;0x2;;;WD)(A;;KA;;;WD)"); }
  void AllowWrites() { SetKeyAcl(L"D:(A;;KA;;;WD)"); }
  void SetKeyAcl(const wchar_t *descriptor)
  {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"Writers").c_str(), 0, READ_CONTROL | WRITE_DAC,
                      &key) != ERROR_SUCCESS)
      return;
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     &security, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security));
    LocalFree(security);
    RegCloseKey(key);
  }
  static ULONGLONG LastWriteTime()
  {
    HKEY key;
    FILETIME time = {};
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"Writers").c_str(), 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, &time);
      RegCloseKey(key);
    }
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  }
  bool Apply(const std::string &line)
  {
    std::wstring wide = Widen(line);
    std::vector<wchar_t> buffer(wide.begin(), wide.end());
    buffer.push_back(0);
    return ApplyScriptLine(&buffer[0]);
  }
};

TEST_F(ScriptWriters, EqualValuesAreNotWrittenAgain)
{
  std::wstring long300(300, L'L');
  ASSERT_TRUE(WriteStringValue(kSection, L"Text", L"same"));
  ASSERT_TRUE(WriteStringValue(kSection, L"", L"default"));
  ASSERT_TRUE(WriteStringValue(kSection, L"Long", long300.c_str()));
  ASSERT_TRUE(WriteDwordValue(kSection, L"Number", 0xCAFE));
  // Same text, other type or size: not equal.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"Writers").c_str(), 0,
                                         KEY_SET_VALUE, &key));
  RegSetValueExW(key, L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(L"same"), 10);
  RegSetValueExW(key, L"Padded", 0, REG_SZ, reinterpret_cast<const BYTE *>(L"same\0\0"), 12);
  DWORD number = 0xCAFE;
  RegSetValueExW(key, L"Binary", 0, REG_BINARY, reinterpret_cast<const BYTE *>(&number), 4);
  RegCloseKey(key);

  DenyWrites();
  // Equal: reported in place without a write.
  EXPECT_TRUE(WriteStringValue(kSection, L"Text", L"same"));
  EXPECT_TRUE(WriteStringValue(kSection, L"", L"default"));
  EXPECT_TRUE(WriteDwordValue(kSection, L"Number", 0xCAFE));
  // Not equal: a write is tried, and the denied write is reported as failed.
  EXPECT_FALSE(WriteStringValue(kSection, L"Text", L"Same"));
  EXPECT_FALSE(WriteStringValue(kSection, L"Text", L"same "));
  EXPECT_FALSE(WriteStringValue(kSection, L"Text", L"sam"));
  EXPECT_FALSE(WriteStringValue(kSection, L"Expand", L"same"));
  EXPECT_FALSE(WriteStringValue(kSection, L"Padded", L"same"));
  EXPECT_FALSE(WriteStringValue(kSection, L"Missing", L"same"));
  EXPECT_FALSE(WriteDwordValue(kSection, L"Number", 0xCAFF));
  EXPECT_FALSE(WriteDwordValue(kSection, L"Binary", 0xCAFE));
  EXPECT_FALSE(WriteDwordValue(kSection, L"Text", 0));
  // Longer than the comparison buffer: always written.
  EXPECT_FALSE(WriteStringValue(kSection, L"Long", long300.c_str()));
  // Binary values: always written.
  const BYTE bytes[] = {0xFE, 0xCA, 0, 0};
  EXPECT_FALSE(WriteBinaryValue(kSection, L"Binary", bytes, 4));

  std::wstring stored;
  EXPECT_TRUE(test::GetString(HKEY_CURRENT_USER, Key(L"Writers"), L"Text", &stored));
  EXPECT_EQ(L"same", stored);
}

TEST_F(ScriptWriters, LoadingTheSameScriptAgainWritesNothing)
{
  std::string section = SectionLine("Writers");
  std::vector<std::string> lines = {"REGEDIT4", section, "\"Name\"=\"\\\\Windows\\\\a.exe\"",
                                    "@=\"home\"", "\"Count\"=dword:0000000c", "\"Zero\"=dword:"};
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(JoinLines(lines)));
  ASSERT_FALSE(g_script.failed);
  ULONGLONG written = LastWriteTime();
  Sleep(50);

  DenyWrites();
  ASSERT_TRUE(LoadScriptBytes(JoinLines(lines)));
  EXPECT_FALSE(g_script.failed);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(written, LastWriteTime());

  // A changed value is written: refused while denied, and it moves the key's time once allowed.
  lines.push_back("\"Count\"=dword:0000000d");
  ASSERT_TRUE(LoadScriptBytes(JoinLines(lines)));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 7: Add DWORD", boxes.Boxes()[0].caption);
  AllowWrites();
  boxes.Clear();
  Sleep(50);
  ULONGLONG before = LastWriteTime();
  ASSERT_TRUE(LoadScriptBytes(JoinLines(lines)));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_GT(LastWriteTime(), before);
  DWORD count = 0;
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, Key(L"Writers"), L"Count", &count));
  EXPECT_EQ(13u, count);

  // A hex line is written every time.
  DenyWrites();
  ASSERT_TRUE(LoadScriptBytes(JoinLines({section, "\"Bytes\"=hex:01"})));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 2: Add hex", boxes.Boxes()[0].caption);
}

TEST_F(ScriptWriters, EveryKeyOpenedIsClosedAgain)
{
  test::BoxAnswerer boxes;
  g_script.quiet = true;
  // Warm up whatever the registry calls keep open for the process.
  ASSERT_TRUE(Apply(SectionLine("Writers")));
  ASSERT_TRUE(Apply("\"Warm\"=dword:1"));
  size_t before = CountOwnHandles();
  ASSERT_GT(before, 0u);
  const char *lines[] = {"\"S\"=\"text\"", "\"S\"=\"text\"", "\"D\"=dword:5", "\"D\"=dword:5",
                         "\"H\"=hex:01,02", "\"S\"=\"other\"", "\"X\"=hex:0102",
                         "[HKEY_CURRENT_USER\\\\Software\\FerroltScriptTest\\Bad]", "\"S\"=\"x\"",
                         "[HKCU\\Software]", "\"S\"=\"x\"", "\"D\"=dword:1", "\"H\"=hex:01"};
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(Apply(SectionLine("Writers\\R" + std::to_string(round % 4))));
    for (const char *line : lines)
      Apply(line);
  }
  EXPECT_EQ(before, CountOwnHandles());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

}  // namespace
