#include "checker/ScriptLines.h"

#include <wctype.h>

#include "launcher/regscript/RegistryScript.h"

namespace check {
namespace {

ScriptLines *s_listening = nullptr;
const wchar_t kUserRoot[] = L"hkey_current_user\\";

std::wstring Lower(const std::wstring &text)
{
  std::wstring lower = text;
  for (wchar_t &c : lower)
    c = static_cast<wchar_t>(towlower(c));
  return lower;
}

// Keys compare in lower case and without trailing backslashes.
std::wstring KeyOf(const std::wstring &path)
{
  std::wstring key = Lower(path);
  while (!key.empty() && key.back() == L'\\')
    key.pop_back();
  return key;
}

}  // namespace

void ScriptLines::Listen()
{
  s_listening = this;
  g_script.observer = &ScriptLines::Observe;
}

void ScriptLines::StopListening()
{
  if (s_listening == this) {
    s_listening = nullptr;
    g_script.observer = nullptr;
  }
}

void ScriptLines::Observe(long line, const wchar_t *section, const wchar_t *valueName)
{
  if (s_listening == nullptr || section == nullptr)
    return;
  std::wstring key = KeyOf(section);
  if (key.compare(0, wcslen(kUserRoot), kUserRoot) != 0)
    return;  // the launcher reads HKEY_CURRENT_USER only
  key.erase(0, wcslen(kUserRoot));
  s_listening->keys_.emplace(key, line);
  if (valueName != nullptr)
    s_listening->values_[key + L"\n" + Lower(valueName)] = line;
}

long ScriptLines::ValueLine(const std::wstring &keyPath, const std::wstring &valueName) const
{
  auto found = values_.find(KeyOf(keyPath) + L"\n" + Lower(valueName));
  return found == values_.end() ? 0 : found->second;
}

long ScriptLines::KeyLine(const std::wstring &keyPath) const
{
  std::wstring key = KeyOf(keyPath);
  long first = 0;
  for (auto it = keys_.lower_bound(key); it != keys_.end(); ++it) {
    const std::wstring &name = it->first;
    if (name.compare(0, key.size(), key) != 0)
      break;
    if (name.size() > key.size() && name[key.size()] != L'\\')
      continue;
    if (first == 0 || it->second < first)
      first = it->second;
  }
  return first;
}

}  // namespace check
