// Lays out the install header: the fixed part, the application and provider names, then the
// sections of strings, folders, files, registry hives, registry values and shortcuts. Every
// path is stored as a list of string numbers, each string a name between backslashes, so
// that a name shared by several paths is stored once.
#include "packaging/SetupHeader.h"

#include <cctype>
#include <map>
#include <set>

namespace cesetup {
namespace {

const size_t MAX_ENTRIES = 0xFFFF;

class Writer {
public:
  std::vector<uint8_t> bytes;

  void U16(uint32_t value)
  {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value)
  {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  void Text(const std::string &text)
  {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  void Put16(size_t at, uint32_t value)
  {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  void Put32(size_t at, uint32_t value)
  {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
  }
};

// The strings of the header, numbered from 1 in the order first used.
struct StringTable {
  std::vector<std::string> texts;
  std::map<std::string, uint16_t> numbers;

  uint16_t Number(const std::string &text)
  {
    auto found = numbers.find(text);
    if (found != numbers.end())
      return found->second;
    texts.push_back(text);
    uint16_t number = static_cast<uint16_t>(texts.size());
    numbers[text] = number;
    return number;
  }

  // A path as string numbers, one per name between backslashes, ending in 0. An absolute
  // path keeps its backslash on its first name ("\Application").
  std::vector<uint16_t> Path(const std::string &path)
  {
    std::vector<uint16_t> list;
    size_t start = 0;
    while (start < path.size()) {
      size_t end = path.find('\\', start == 0 && path[0] == '\\' ? 1 : start);
      if (end == std::string::npos)
        end = path.size();
      list.push_back(Number(path.substr(start, end - start)));
      start = end + 1;
    }
    list.push_back(0);
    return list;
  }
};

bool Fail(std::string *error, const std::string &reason)
{
  *error = reason;
  return false;
}

// A name the device's file system would store under another name, or not as a file at all:
// a trailing dot or blank is dropped, a name of dots and blanks names the folder itself, and
// the device names (CON, NUL, COM1, ...) stand for devices with any extension.
bool RewrittenName(const std::string &name)
{
  if (name.empty() || name.back() == '.' || name.back() == ' ' ||
      name.find_first_not_of(". ") == std::string::npos)
    return true;
  std::string stem = name.substr(0, name.find('.'));
  for (char &c : stem)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
    return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

bool PlainName(const std::string &name)
{
  return !RewrittenName(name) && name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

std::string Folded(std::string text)
{
  for (char &c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool GoodPath(const std::string &path)
{
  if (path.empty() || path.back() == '\\' || path.find("\\\\") != std::string::npos)
    return false;
  size_t start = path[0] == '\\' ? 1 : 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos)
      end = path.size();
    if (!PlainName(path.substr(start, end - start)))
      return false;
    start = end + 1;
  }
  return true;
}

bool Checked(const Package &package, std::string *error)
{
  if (package.appName.empty() || package.provider.empty())
    return Fail(error, "the application and its provider need names");
  if (package.appName.size() > 255 || package.provider.size() > 255)
    return Fail(error, "the application's or the provider's name is longer than 255 characters");
  if (package.files.size() > MAX_FILES)
    return Fail(error, "more than 998 files");
  if (package.folders.size() > MAX_ENTRIES || package.keys.size() > MAX_ENTRIES ||
      package.values.size() > MAX_ENTRIES || package.shortcuts.size() > MAX_ENTRIES)
    return Fail(error, "too many entries in a section");
  for (const std::string &folder : package.folders)
    if (!GoodPath(folder))
      return Fail(error, "folder \"" + folder + "\" is not a device path");
  std::set<std::string> installed;
  for (const File &file : package.files) {
    if (!PlainName(file.name))
      return Fail(error, "file \"" + file.name + "\" must be a plain file name the device keeps as it is");
    if (file.folder < 1 || static_cast<size_t>(file.folder) > package.folders.size())
      return Fail(error, "file \"" + file.name + "\" names no folder of the package");
    if (!installed.insert(Folded(package.folders[file.folder - 1] + "\\" + file.name)).second)
      return Fail(error, "file \"" + file.name + "\" is installed twice into the same folder");
  }
  for (const Key &key : package.keys)
    if (!GoodPath(key.path) || key.path[0] == '\\' || key.root < ROOT_CLASSES || key.root > ROOT_USERS)
      return Fail(error, "registry key \"" + key.path + "\" is not a key path");
  for (const Value &value : package.values)
    if (value.key < 1 || static_cast<size_t>(value.key) > package.keys.size())
      return Fail(error, "registry value \"" + value.name + "\" names no key of the package");
  for (const Shortcut &shortcut : package.shortcuts) {
    size_t targets = shortcut.toFile ? package.files.size() : package.folders.size();
    int lowestTarget = shortcut.toFile ? 1 : 0;  // folder 0: the installation folder
    if (!PlainName(shortcut.name) || shortcut.base < SHORTCUT_IN_INSTALL_FOLDER ||
        shortcut.base > MAX_STANDARD_FOLDER || shortcut.target < lowestTarget ||
        static_cast<size_t>(shortcut.target) > targets)
      return Fail(error, "shortcut \"" + shortcut.name + "\" names no folder or target of the package");
  }
  return true;
}

}  // namespace

bool WriteSetupHeader(const Package &package, std::vector<uint8_t> *out, std::string *error)
{
  if (!Checked(package, error))
    return false;
  StringTable strings;
  std::vector<std::vector<uint16_t>> folderPaths, keyPaths, shortcutPaths;
  for (const std::string &folder : package.folders)
    folderPaths.push_back(strings.Path(folder));
  for (const Key &key : package.keys)
    keyPaths.push_back(strings.Path(key.path));
  for (const Shortcut &shortcut : package.shortcuts)
    shortcutPaths.push_back(strings.Path(shortcut.name));
  if (strings.texts.size() > MAX_ENTRIES)
    return Fail(error, "too many strings");

  Writer w;
  w.bytes.assign(FIXED_SIZE, 0);
  w.bytes[0] = 'M', w.bytes[1] = 'S', w.bytes[2] = 'C', w.bytes[3] = 'E';
  w.Put32(AT_ONE, 1);
  const uint32_t fixed[] = {package.processor, package.minMajor, package.minMinor, package.maxMajor,
                            package.maxMinor,  package.minBuild, package.maxBuild};
  for (size_t i = 0; i < sizeof fixed / sizeof fixed[0]; ++i)
    w.Put32(AT_PROCESSOR + 4 * i, fixed[i]);

  const std::string *names[] = {&package.appName, &package.provider};
  for (int i = 0; i < 2; ++i) {
    w.Put16(AT_APP_NAME + 4 * i, static_cast<uint32_t>(w.bytes.size()));
    w.Put16(AT_APP_NAME + 4 * i + 2, static_cast<uint32_t>(names[i]->size() + 1));
    w.Text(*names[i]);
  }

  const size_t counts[SECTION_COUNT] = {strings.texts.size(),   package.folders.size(), package.files.size(),
                                        package.keys.size(),    package.values.size(),  package.shortcuts.size()};
  auto begin = [&](Section section) {
    w.Put16(AT_COUNTS + 2 * section, static_cast<uint32_t>(counts[section]));
    w.Put32(AT_OFFSETS + 4 * section, static_cast<uint32_t>(w.bytes.size()));
  };
  auto list = [&](const std::vector<uint16_t> &numbers) {
    w.U16(static_cast<uint32_t>(2 * numbers.size()));
    for (uint16_t number : numbers)
      w.U16(number);
  };

  begin(STRINGS);
  for (size_t i = 0; i < strings.texts.size(); ++i) {
    w.U16(static_cast<uint32_t>(i + 1));
    w.U16(static_cast<uint32_t>(strings.texts[i].size() + 1));
    w.Text(strings.texts[i]);
  }
  begin(FOLDERS);
  for (size_t i = 0; i < folderPaths.size(); ++i) {
    w.U16(static_cast<uint32_t>(i + 1));
    list(folderPaths[i]);
  }
  begin(FILES);
  for (size_t i = 0; i < package.files.size(); ++i) {
    const File &file = package.files[i];
    w.U16(static_cast<uint32_t>(i + 1));
    w.U16(static_cast<uint32_t>(file.folder));
    w.U16(static_cast<uint32_t>(i + 1));
    w.U32(file.flags);
    w.U16(static_cast<uint32_t>(file.name.size() + 1));
    w.Text(file.name);
  }
  begin(HIVES);
  for (size_t i = 0; i < package.keys.size(); ++i) {
    w.U16(static_cast<uint32_t>(i + 1));
    w.U16(package.keys[i].root);
    w.U16(0);
    list(keyPaths[i]);
  }
  begin(VALUES);
  for (size_t i = 0; i < package.values.size(); ++i) {
    const Value &value = package.values[i];
    size_t length = value.name.size() + 1 + value.data.size();
    if (length > 0xFFFF)
      return Fail(error, "registry value \"" + value.name + "\" is too long");
    w.U16(static_cast<uint32_t>(i + 1));
    w.U16(static_cast<uint32_t>(value.key));
    w.U16(1);
    w.U32(value.type);
    w.U16(static_cast<uint32_t>(length));
    w.Text(value.name);
    w.bytes.insert(w.bytes.end(), value.data.begin(), value.data.end());
  }
  begin(SHORTCUTS);
  for (size_t i = 0; i < package.shortcuts.size(); ++i) {
    const Shortcut &shortcut = package.shortcuts[i];
    w.U16(static_cast<uint32_t>(i + 1));
    w.U16(0);
    w.U16(static_cast<uint32_t>(shortcut.base));
    w.U16(static_cast<uint32_t>(shortcut.target));
    w.U16(shortcut.toFile ? 1 : 0);
    list(shortcutPaths[i]);
  }
  if (w.bytes.size() > 0x7FFFFFFF)
    return Fail(error, "the header is too large");
  w.Put32(AT_LENGTH, static_cast<uint32_t>(w.bytes.size()));
  *out = w.bytes;
  return true;
}

}  // namespace cesetup
