// Reads the text that describes a package, one statement a line.
#include <cstdlib>
#include <sstream>

#include "packaging/SetupHeader.h"

namespace cesetup {
namespace {

// The first word of `rest` into `word`; `rest` keeps what follows, blanks trimmed.
bool TakeWord(std::string *rest, std::string *word)
{
  size_t start = rest->find_first_not_of(" \t");
  if (start == std::string::npos)
    return false;
  size_t end = rest->find_first_of(" \t", start);
  *word = rest->substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t next = end == std::string::npos ? std::string::npos : rest->find_first_not_of(" \t", end);
  *rest = next == std::string::npos ? std::string() : rest->substr(next);
  return true;
}

bool TakeNumber(std::string *rest, uint32_t *number)
{
  std::string word;
  if (!TakeWord(rest, &word))
    return false;
  char *end = nullptr;
  unsigned long value = std::strtoul(word.c_str(), &end, 0);
  if (end == word.c_str() || *end != 0 || value > 0xFFFFFFFFul)
    return false;
  *number = static_cast<uint32_t>(value);
  return true;
}

bool TakeIndex(std::string *rest, int *index)
{
  uint32_t number;
  if (!TakeNumber(rest, &number) || number > 0xFFFF)
    return false;
  *index = static_cast<int>(number);
  return true;
}

bool TakeVersion(std::string *rest, uint32_t *major, uint32_t *minor)
{
  std::string word;
  if (!TakeWord(rest, &word))
    return false;
  size_t dot = word.find('.');
  std::string majorText = word.substr(0, dot), minorText = dot == std::string::npos ? "0" : word.substr(dot + 1);
  return TakeNumber(&majorText, major) && TakeNumber(&minorText, minor);
}

bool TakeRoot(std::string *rest, Root *root)
{
  std::string word;
  if (!TakeWord(rest, &word))
    return false;
  const struct {
    const char *name;
    Root root;
  } roots[] = {{"HKCR", ROOT_CLASSES}, {"HKCU", ROOT_CURRENT_USER}, {"HKLM", ROOT_LOCAL_MACHINE}, {"HKU", ROOT_USERS}};
  for (const auto &candidate : roots)
    if (word == candidate.name) {
      *root = candidate.root;
      return true;
    }
  return false;
}

// "<name>=<data>" of a value statement, stored as the installer stores the type.
bool TakeValue(const std::string &type, const std::string &rest, Value *value)
{
  size_t equals = rest.find('=');
  if (equals == std::string::npos)
    return false;
  value->name = rest.substr(0, equals);
  std::string data = rest.substr(equals + 1);
  if (type == "dword") {
    uint32_t number;
    if (!TakeNumber(&data, &number) || !data.empty())
      return false;
    value->type = VALUE_DWORD;
    for (int i = 0; i < 4; ++i)
      value->data.push_back(static_cast<uint8_t>(number >> (8 * i)));
    return true;
  }
  if (type != "string" && type != "multi")
    return false;
  value->type = type == "string" ? VALUE_STRING : VALUE_MULTI_STRING;
  for (char c : data)
    value->data.push_back(type == "multi" && c == '|' ? 0 : static_cast<uint8_t>(c));
  value->data.push_back(0);
  if (type == "multi")
    value->data.push_back(0);
  return true;
}

bool TakeProcessor(std::string *rest, uint32_t *processor, bool *fromImage)
{
  std::string word;
  if (!TakeWord(rest, &word))
    return false;
  *fromImage = word == "image";
  if (word == "any" || word == "arm" || word == "image") {
    *processor = word == "arm" ? PROCESSOR_ARM : PROCESSOR_ANY;
    return true;
  }
  return TakeNumber(&word, processor);
}

// Where a shortcut goes: "%InstallDir%" or a standard folder "%CE<n>%".
bool TakeShortcutBase(std::string *rest, int *base)
{
  std::string word;
  if (!TakeWord(rest, &word))
    return false;
  if (word == "%InstallDir%") {
    *base = SHORTCUT_IN_INSTALL_FOLDER;
    return true;
  }
  if (word.size() < 5 || word.compare(0, 3, "%CE") != 0 || word.back() != '%')
    return false;
  std::string number = word.substr(3, word.size() - 4);
  return TakeIndex(&number, base) && *base >= 1 && *base <= MAX_STANDARD_FOLDER;
}

bool TakeStatement(const std::string &keyword, std::string rest, Package *package)
{
  if (keyword == "app" || keyword == "provider") {
    (keyword == "app" ? package->appName : package->provider) = rest;
    return !rest.empty();
  }
  if (keyword == "processor") {
    bool fromImage = false;
    return TakeProcessor(&rest, &package->processor, &fromImage) && !fromImage && rest.empty();
  }
  if (keyword == "target") {
    Target target = {};
    if (!TakeWord(&rest, &target.cabinet) || !TakeProcessor(&rest, &target.processor, &target.processorFromImage) ||
        !TakeVersion(&rest, &target.minMajor, &target.minMinor) ||
        !TakeVersion(&rest, &target.maxMajor, &target.maxMinor) || !rest.empty())
      return false;
    package->targets.push_back(target);
    return true;
  }
  if (keyword == "versions")
    return TakeVersion(&rest, &package->minMajor, &package->minMinor) &&
           TakeVersion(&rest, &package->maxMajor, &package->maxMinor) && rest.empty();
  if (keyword == "builds")
    return TakeNumber(&rest, &package->minBuild) && TakeNumber(&rest, &package->maxBuild) && rest.empty();
  if (keyword == "folder") {
    package->folders.push_back(rest);
    return !rest.empty();
  }
  if (keyword == "file") {
    File file;
    if (!TakeIndex(&rest, &file.folder) || !TakeNumber(&rest, &file.flags) || rest.empty())
      return false;
    file.name = rest;
    package->files.push_back(file);
    return true;
  }
  if (keyword == "key") {
    Key key;
    if (!TakeRoot(&rest, &key.root) || rest.empty())
      return false;
    key.path = rest;
    package->keys.push_back(key);
    return true;
  }
  if (keyword == "value") {
    Value value;
    std::string type;
    if (!TakeIndex(&rest, &value.key) || !TakeWord(&rest, &type) || !TakeValue(type, rest, &value))
      return false;
    package->values.push_back(value);
    return true;
  }
  if (keyword == "shortcut") {
    Shortcut shortcut;
    std::string kind;
    if (!TakeShortcutBase(&rest, &shortcut.base) || !TakeWord(&rest, &kind) || (kind != "file" && kind != "folder") ||
        !TakeIndex(&rest, &shortcut.target) || rest.empty())
      return false;
    shortcut.toFile = kind == "file";
    shortcut.name = rest;
    package->shortcuts.push_back(shortcut);
    return true;
  }
  return false;
}

}  // namespace

bool ParseDescription(const std::string &text, Package *package, std::string *error)
{
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::string rest = line, keyword;
    if (!TakeWord(&rest, &keyword) || keyword[0] == '#')
      continue;
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
      rest.pop_back();
    if (!TakeStatement(keyword, rest, package)) {
      *error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
      return false;
    }
  }
  return true;
}

bool SelectTarget(const std::string &cabinet, Package *package, std::string *error)
{
  for (const Target &target : package->targets)
    if (target.cabinet == cabinet) {
      package->processor = target.processor;
      package->minMajor = target.minMajor, package->minMinor = target.minMinor;
      package->maxMajor = target.maxMajor, package->maxMinor = target.maxMinor;
      return true;
    }
  *error = "no target line for the cabinet " + cabinet;
  return false;
}

}  // namespace cesetup
