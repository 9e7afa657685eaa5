#pragma once
// Which line of the script wrote which key and value, learned from the loader while it
// imports the script.
#include <map>
#include <string>

namespace check {

class ScriptLines {
public:
  // Starts listening to the loader; one map listens at a time.
  void Listen();
  void StopListening();

  // Paths are below HKEY_CURRENT_USER, compared without regard to case.
  // The last line that wrote the value, 0 when none did.
  long ValueLine(const std::wstring &keyPath, const std::wstring &valueName) const;
  // The first line that named the key or a key below it, 0 when none did.
  long KeyLine(const std::wstring &keyPath) const;

private:
  static void Observe(long line, const wchar_t *section, const wchar_t *valueName);
  std::map<std::wstring, long> keys_;    // lower-case key path -> first section line
  std::map<std::wstring, long> values_;  // lower-case key path "\n" value name -> line
};

}  // namespace check
