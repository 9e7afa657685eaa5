#pragma once
// What the registry script tests share: script files, the test key, tree snapshots.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "launcher/regscript/RegistryScript.h"
#include "tests/support/TestSupport.h"

namespace scripttest {

// Every key these tests write lies below this one, under HKEY_CURRENT_USER.
const std::wstring kTestKey = L"Software\\FerroltScriptTest";
const std::string kTestSection = "HKEY_CURRENT_USER\\Software\\FerroltScriptTest";

inline std::wstring Key(const std::wstring &sub)
{
  return sub.empty() ? kTestKey : kTestKey + L"\\" + sub;
}

// "[HKEY_CURRENT_USER\Software\FerroltScriptTest\sub]"
inline std::string SectionLine(const std::string &sub)
{
  return "[" + kTestSection + (sub.empty() ? "" : "\\" + sub) + "]";
}

inline std::wstring Widen(const std::string &text)
{
  std::wstring wide;
  for (char c : text)
    wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

inline std::wstring ScriptPath(const std::wstring &fileName)
{
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + fileName;
}

// Writes the bytes as a script file and loads it; returns what the loader returned.
inline bool LoadScriptBytes(const std::string &bytes, const std::wstring &fileName = L"script.reg")
{
  std::wstring path = ScriptPath(fileName);
  test::WriteFileBytes(path, bytes);
  bool loaded = LoadRegistryScript(path.c_str());
  DeleteFileW(path.c_str());
  return loaded;
}

// Lines joined with the given line end, each line ended by it.
inline std::string JoinLines(const std::vector<std::string> &lines, const std::string &end = "\n")
{
  std::string text;
  for (const std::string &line : lines)
    text += line + end;
  return text;
}

inline bool GetValue(HKEY root, const std::wstring &path, const std::wstring &name, DWORD *type,
                     std::vector<BYTE> *data)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    data->assign(size, 0);
    result = RegQueryValueExW(key, name.c_str(), nullptr, type, data->empty() ? nullptr : &(*data)[0],
                              &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

inline bool ValuePresent(const std::wstring &path, const std::wstring &name)
{
  DWORD type = 0;
  std::vector<BYTE> data;
  return GetValue(HKEY_CURRENT_USER, path, name, &type, &data);
}

struct StoredValue {
  DWORD type;
  std::vector<BYTE> data;
  bool operator==(const StoredValue &other) const { return type == other.type && data == other.data; }
};
// Key path (lower case) -> value name (lower case) -> value.
typedef std::map<std::wstring, std::map<std::wstring, StoredValue>> TreeSnapshot;

inline std::wstring Lower(std::wstring text)
{
  for (wchar_t &c : text)
    c = static_cast<wchar_t>(towlower(c));
  return text;
}

inline void SnapshotInto(HKEY root, const std::wstring &path, TreeSnapshot *snapshot)
{
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  std::map<std::wstring, StoredValue> &values = (*snapshot)[Lower(path)];
  std::vector<wchar_t> name(32768);
  std::vector<BYTE> data(1 << 16);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()),
          type = 0;
    LONG result = RegEnumValueW(key, index, &name[0], &nameLength, nullptr, &type, &data[0], &size);
    if (result == ERROR_MORE_DATA) {
      data.resize(data.size() * 4);
      --index;
      continue;
    }
    if (result != ERROR_SUCCESS)
      break;
    values[Lower(std::wstring(&name[0], nameLength))] =
        StoredValue{type, std::vector<BYTE>(data.begin(), data.begin() + size)};
  }
  std::vector<std::wstring> children;
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, index, &name[0], &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.push_back(std::wstring(&name[0], nameLength));
  }
  RegCloseKey(key);
  for (const std::wstring &child : children)
    SnapshotInto(root, path.empty() ? child : path + L"\\" + child, snapshot);
}

inline TreeSnapshot Snapshot(HKEY root, const std::wstring &path)
{
  TreeSnapshot snapshot;
  SnapshotInto(root, path, &snapshot);
  return snapshot;
}

// A fresh load state: no section yet, boxes shown.
inline void ResetScriptState(long lineNumber = 1)
{
  g_script.lineNumber = lineNumber;
  g_script.sectionSeen = false;
  g_script.quiet = false;
  g_script.failed = false;
  g_script.section[0] = 0;
}

}  // namespace scripttest
