// The checker's memory registry answers as the platform's registry does: the same calls on
// both give the same results, call by call; routed, the checker's calls never reach the
// platform's keys.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "checker/MemoryRegistry.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t kBase[] = L"Software\\FerroltMemoryRegistryTest";

typedef check::RegistryCalls Registry;

const Registry kPlatform = {RegOpenKeyExW,  RegCreateKeyExW, RegQueryValueExW,
                            RegSetValueExW, RegEnumKeyExW,   RegCloseKey, RegEnumValueW};
const Registry kMemory = {check::memory::OpenKeyEx,  check::memory::CreateKeyEx,
                          check::memory::QueryValueEx, check::memory::SetValueEx,
                          check::memory::EnumKeyEx,  check::memory::CloseKey,
                          check::memory::EnumValue};

std::wstring Hex(const BYTE *bytes, size_t count)
{
  std::wstring text;
  for (size_t i = 0; i < count; ++i) {
    wchar_t pair[4];
    swprintf(pair, 4, L"%02x", bytes[i]);
    text += pair;
  }
  return text;
}

// What one registry answers to a fixed run of calls, one line per call.
std::vector<std::wstring> Transcript(const Registry &registry)
{
  std::vector<std::wstring> lines;
  auto note = [&lines](const std::wstring &what, LONG result, const std::wstring &detail = L"") {
    lines.push_back(what + L" -> " + std::to_wstring(result) + L" " + detail);
  };
  HKEY base = nullptr;
  DWORD disposition = 0;
  note(L"create base", registry.createKeyEx(HKEY_CURRENT_USER, kBase, 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &base, &disposition),
       std::to_wstring(disposition));

  // Sub-keys come back in the registry's order, whatever the order of creation.
  const wchar_t *const names[] = {L"b",  L"B_", L"Ba", L"a_", L"aB", L"A1", L"_x",  L"[y",
                                  L"z",  L"Z1", L"{",  L"~",  L"\x00e4", L"\x00c4" L"2"};
  for (const wchar_t *name : names) {
    HKEY key = nullptr;
    registry.createKeyEx(base, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    registry.closeKey(key);
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[64];
    DWORD length = 64;
    LONG result = registry.enumKeyEx(base, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    note(L"enum " + std::to_wstring(index), result,
         result == ERROR_SUCCESS ? Hex(reinterpret_cast<BYTE *>(name), length * 2) : L"");
    if (result != ERROR_SUCCESS)
      break;
  }
  wchar_t small[2];
  DWORD smallLength = 2;
  note(L"enum short", registry.enumKeyEx(base, 0, small, &smallLength, nullptr, nullptr, nullptr,
                                         nullptr),
       std::to_wstring(smallLength));

  const wchar_t *const paths[] = {L"b\\", L"\\b", L"b\\\\", L"", nullptr, L"B_\\..", L"B",
                                  L"missing", L"b\\missing", L"n\\m"};
  for (const wchar_t *path : paths) {
    HKEY key = reinterpret_cast<HKEY>(1);
    LONG result = registry.openKeyEx(base, path, 0, KEY_READ, &key);
    note(std::wstring(L"open ") + (path ? path : L"(null)"), result, key ? L"handle" : L"null");
    if (result == ERROR_SUCCESS)
      registry.closeKey(key);
  }
  for (const wchar_t *path : {L"n\\\\m", L"\\lead", L"trail\\", L"n\\M"}) {
    HKEY key = nullptr;
    disposition = 0;
    LONG result = registry.createKeyEx(base, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                       &disposition);
    note(std::wstring(L"create ") + path, result, std::to_wstring(disposition));
    if (result == ERROR_SUCCESS)
      registry.closeKey(key);
  }

  // Texts with and without their terminator, read into buffers of every size.
  const wchar_t text[] = {L'a', L'b', L'c', 0, L'Z', 0};
  const BYTE *textBytes = reinterpret_cast<const BYTE *>(text);
  note(L"set counted", registry.setValueEx(base, L"Counted", 0, REG_SZ, textBytes, 8));
  note(L"set uncounted", registry.setValueEx(base, L"Uncounted", 0, REG_SZ, textBytes, 6));
  note(L"set odd", registry.setValueEx(base, L"Odd", 0, REG_SZ, textBytes, 7));
  note(L"set raw", registry.setValueEx(base, L"Raw", 0, REG_BINARY, textBytes, 6));
  DWORD number = 0x01020304;
  const BYTE *numberBytes = reinterpret_cast<const BYTE *>(&number);
  note(L"set dword", registry.setValueEx(base, L"Number", 0, REG_DWORD, numberBytes, 4));
  note(L"set short dword", registry.setValueEx(base, L"Short", 0, REG_DWORD, numberBytes, 3));
  note(L"set default", registry.setValueEx(base, nullptr, 0, REG_DWORD, numberBytes, 4));
  note(L"set no data", registry.setValueEx(base, L"Empty", 0, REG_BINARY, nullptr, 0));
  note(L"set missing data", registry.setValueEx(base, L"Bad", 0, REG_BINARY, nullptr, 4));
  note(L"retype", registry.setValueEx(base, L"number", 0, REG_SZ, textBytes, 8));
  note(L"set back", registry.setValueEx(base, L"Number", 0, REG_DWORD, numberBytes, 4));

  const wchar_t *const valueNames[] = {L"counted", L"Uncounted", L"Odd", L"Raw", L"NUMBER",
                                       L"Short", L"", L"Empty", L"Bad", L"Absent"};
  for (const wchar_t *name : valueNames) {
    for (DWORD room : {0u, 4u, 6u, 8u, 10u, 16u}) {
      BYTE data[16];
      memset(data, 0xEE, sizeof(data));
      DWORD type = 99, size = room;
      LONG result = registry.queryValueEx(base, name, nullptr, &type, data, &size);
      note(std::wstring(L"query ") + name + L" in " + std::to_wstring(room), result,
           std::to_wstring(type) + L" " + std::to_wstring(size) + L" " + Hex(data, sizeof(data)));
    }
    DWORD type = 99, size = 0;
    note(std::wstring(L"size of ") + name, registry.queryValueEx(base, name, nullptr, &type,
                                                                 nullptr, &size),
         std::to_wstring(type) + L" " + std::to_wstring(size));
    BYTE data[4];
    note(std::wstring(L"no count ") + name,
         registry.queryValueEx(base, name, nullptr, nullptr, data, nullptr));
    note(std::wstring(L"nothing ") + name,
         registry.queryValueEx(base, name, nullptr, nullptr, nullptr, nullptr));
  }

  // Values come back in the registry's order, with their names as first set; a name or
  // data that does not fit tells only the type and size.
  for (DWORD index = 0;; ++index) {
    LONG result = ERROR_SUCCESS;
    for (DWORD room : {0u, 6u, 16u}) {
      wchar_t name[64];
      DWORD length = 64, type = 99, size = room;
      BYTE data[16];
      memset(data, 0xEE, sizeof(data));
      result = registry.enumValue(base, index, name, &length, nullptr, &type, data, &size);
      note(L"enum value " + std::to_wstring(index) + L" in " + std::to_wstring(room), result,
           (result == ERROR_SUCCESS ? std::wstring(name, length) : L"") + L" " +
               std::to_wstring(type) + L" " + std::to_wstring(size) + L" " + Hex(data, 16));
    }
    wchar_t small[3];
    DWORD smallLength = 3, type = 99, size = 0;
    note(L"enum value short name", registry.enumValue(base, index, small, &smallLength, nullptr,
                                                      &type, nullptr, &size),
         std::to_wstring(type) + L" " + std::to_wstring(size));
    if (result == ERROR_NO_MORE_ITEMS)
      break;
  }

  // What a handle may do depends on the access it was opened with.
  const REGSAM accesses[] = {KEY_READ, KEY_QUERY_VALUE, KEY_SET_VALUE, KEY_WRITE, GENERIC_READ};
  for (REGSAM access : accesses) {
    HKEY key = nullptr;
    std::wstring what = L"access " + std::to_wstring(access);
    note(what, registry.openKeyEx(base, nullptr, 0, access, &key));
    DWORD size = 4, data = 0;
    note(what + L" query", registry.queryValueEx(key, L"Number", nullptr, nullptr,
                                                 reinterpret_cast<BYTE *>(&data), &size));
    note(what + L" set", registry.setValueEx(key, L"Written", 0, REG_DWORD, numberBytes, 4));
    wchar_t name[64];
    DWORD length = 64;
    note(what + L" enum",
         registry.enumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
    length = 64;
    note(what + L" enum value",
         registry.enumValue(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
    registry.closeKey(key);
  }

  note(L"close root", registry.closeKey(HKEY_CURRENT_USER));
  HKEY opened = nullptr;
  note(L"open root", registry.openKeyEx(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &opened));
  registry.closeKey(opened);
  registry.closeKey(base);
  return lines;
}

TEST(MemoryRegistry, AnswersEveryCallAsThePlatformRegistryDoes)
{
  test::DeleteTree(HKEY_CURRENT_USER, kBase);
  check::memory::Clear();
  std::vector<std::wstring> platform = Transcript(kPlatform);
  std::vector<std::wstring> memory = Transcript(kMemory);
  test::DeleteTree(HKEY_CURRENT_USER, kBase);
  check::memory::Clear();
  ASSERT_EQ(platform.size(), memory.size());
  for (size_t i = 0; i < platform.size(); ++i)
    EXPECT_EQ(platform[i], memory[i]);
}

// Routed, the calls made through this program's imports land in memory and the
// platform's keys never see them; routed back, the platform answers again and the memory
// is gone.
TEST(MemoryRegistry, RoutedCallsStayInMemory)
{
  test::DeleteTree(HKEY_CURRENT_USER, kBase);
  ASSERT_TRUE(check::UseMemoryRegistry());
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  DWORD number = 7;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Value", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE *>(&number), 4));
  RegCloseKey(key);
  DWORD read = 0;
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, kBase, L"Value", &read));
  EXPECT_EQ(7u, read);
  check::LeaveMemoryRegistry();
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, kBase));
  ASSERT_TRUE(check::UseMemoryRegistry());
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, kBase));
  check::LeaveMemoryRegistry();
}

}  // namespace
