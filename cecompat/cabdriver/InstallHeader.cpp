// Reads the install header the device's installer reads: a fixed part with the counts and
// offsets of six sections (strings, folders, files, registry hives, registry values,
// shortcuts), the application and provider names, and the sections. Paths are lists of
// string numbers joined by backslashes. Nothing is trusted: every read is checked against
// the header's size.
#include "cecompat/cabdriver/InstallHeader.h"

#include <map>

#include "packaging/SetupHeader.h"

namespace {

using namespace cesetup;

class Cursor {
public:
  Cursor(const std::vector<BYTE> &bytes, size_t at) : bytes_(bytes), at_(at), ok_(at <= bytes.size()) {}
  bool Ok() const { return ok_; }
  unsigned U16()
  {
    if (!Need(2))
      return 0;
    unsigned value = bytes_[at_] | bytes_[at_ + 1] << 8;
    at_ += 2;
    return value;
  }
  DWORD U32()
  {
    DWORD low = U16();
    return low | static_cast<DWORD>(U16()) << 16;
  }
  // `length` bytes; a text ends at its first terminator, which must lie inside them.
  std::vector<BYTE> Bytes(size_t length)
  {
    if (!Need(length))
      return std::vector<BYTE>();
    std::vector<BYTE> out(bytes_.begin() + at_, bytes_.begin() + at_ + length);
    at_ += length;
    return out;
  }
  std::wstring Text(size_t length)
  {
    std::vector<BYTE> raw = Bytes(length);
    std::wstring text;
    size_t i = 0;
    for (; i < raw.size() && raw[i] != 0; ++i)
      text += static_cast<wchar_t>(raw[i]);
    if (i == raw.size())
      ok_ = false;
    return text;
  }
  // A list of 16-bit numbers `length` bytes long, ending in 0.
  std::vector<unsigned> List(size_t length)
  {
    std::vector<unsigned> list;
    if (length < 2 || length % 2 != 0) {
      ok_ = false;
      return list;
    }
    for (size_t i = 0; i < length / 2; ++i)
      list.push_back(U16());
    if (list.back() != 0)
      ok_ = false;
    list.pop_back();
    return list;
  }

private:
  bool Need(size_t length)
  {
    if (!ok_ || length > bytes_.size() - at_)
      ok_ = false;
    return ok_;
  }
  const std::vector<BYTE> &bytes_;
  size_t at_;
  bool ok_;
};

struct Reading {
  const std::vector<BYTE> &bytes;
  std::wstring *error;
  std::map<unsigned, std::wstring> strings, folders, keys;
  std::map<unsigned, HKEY> roots;
  std::map<unsigned, std::wstring> fileNames;  // by number: the target of a shortcut
  std::map<unsigned, std::wstring> fileFolders;
};

bool Fail(Reading *r, const std::wstring &reason)
{
  *r->error = reason;
  return false;
}

bool PlainName(const std::wstring &name)
{
  if (name.empty() || name == L"." || name == L"..")
    return false;
  for (wchar_t c : name)
    if (c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
        c == L'>' || c == L'|')
      return false;
  return true;
}

// The folders the installer's macros stand for.
const wchar_t *Macro(const std::wstring &name)
{
  static const struct {
    const wchar_t *name, *path;
  } macros[] = {{L"%CE1%", L"\\Program Files"}, {L"%CE2%", L"\\Windows"}, {L"%CE4%", L"\\Windows\\StartUp"},
                {L"%CE5%", L"\\My Documents"}, {L"%CE11%", L"\\Windows\\Start Menu\\Programs"},
                {L"%CE17%", L"\\Windows\\Start Menu"}};
  for (const auto &macro : macros)
    if (_wcsicmp(name.c_str(), macro.name) == 0)
      return macro.path;
  return nullptr;
}

// A list of string numbers as a path: a device folder ("\A\B", or a macro first), or a
// registry key ("A\B").
bool JoinPath(Reading *r, const std::vector<unsigned> &list, bool folder, std::wstring *path)
{
  path->clear();
  if (list.empty())
    return false;
  for (size_t i = 0; i < list.size(); ++i) {
    auto found = r->strings.find(list[i]);
    if (found == r->strings.end())
      return false;
    std::wstring name = found->second;
    if (i == 0 && folder) {
      const wchar_t *macro = Macro(name);
      if (macro != nullptr) {
        *path = macro;
        continue;
      }
      if (name.empty() || name[0] != L'\\')
        return false;
      name.erase(0, 1);
    }
    if (!PlainName(name))
      return false;
    if (i > 0 || folder)
      *path += L"\\";
    *path += name;
  }
  return path->size() < MAX_PATH;
}

bool ReadStrings(Reading *r, Cursor *c, unsigned count)
{
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16();
    r->strings[id] = c->Text(c->U16());
  }
  return c->Ok() || Fail(r, L"a string runs past the end of the header");
}

bool ReadFolders(Reading *r, Cursor *c, unsigned count)
{
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16();
    std::vector<unsigned> list = c->List(c->U16());
    if (!c->Ok())
      return Fail(r, L"a folder runs past the end of the header");
    if (!JoinPath(r, list, true, &r->folders[id]))
      return Fail(r, L"folder " + std::to_wstring(id) + L" is not a device folder");
  }
  return true;
}

bool ReadFiles(Reading *r, Cursor *c, unsigned count, InstallHeader *header)
{
  for (unsigned i = 0; i < count; ++i) {
    InstallHeader::File file;
    file.number = c->U16();
    unsigned folder = c->U16();
    c->U16();
    c->U32();
    file.name = c->Text(c->U16());
    if (!c->Ok())
      return Fail(r, L"a file entry runs past the end of the header");
    if (!PlainName(file.name))
      return Fail(r, L"file " + std::to_wstring(file.number) + L" is installed as \"" + file.name +
                         L"\", which is not a plain file name");
    if (r->folders.count(folder) == 0)
      return Fail(r, L"file \"" + file.name + L"\" goes to a folder the header lacks");
    if (file.number < 1 || file.number > static_cast<int>(MAX_FILES) || r->fileNames.count(file.number) != 0)
      return Fail(r, L"file \"" + file.name + L"\" has a number the installer cannot take");
    file.folder = r->folders[folder];
    if (file.folder.size() + 1 + file.name.size() >= MAX_PATH)
      return Fail(r, L"file \"" + file.name + L"\" has too long a path");
    r->fileNames[file.number] = file.name;
    r->fileFolders[file.number] = file.folder;
    header->files.push_back(file);
  }
  return true;
}

bool ReadHives(Reading *r, Cursor *c, unsigned count)
{
  const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16(), root = c->U16();
    c->U16();
    std::vector<unsigned> list = c->List(c->U16());
    if (!c->Ok())
      return Fail(r, L"a registry key runs past the end of the header");
    if (root < ROOT_CLASSES || root > ROOT_USERS || !JoinPath(r, list, false, &r->keys[id]))
      return Fail(r, L"registry key " + std::to_wstring(id) + L" is not a key path");
    r->roots[id] = roots[root - 1];
  }
  return true;
}

bool ReadValues(Reading *r, Cursor *c, unsigned count, InstallHeader *header)
{
  for (unsigned i = 0; i < count; ++i) {
    c->U16();
    unsigned hive = c->U16();
    c->U16();
    DWORD flags = c->U32();
    std::vector<BYTE> data = c->Bytes(c->U16());
    if (!c->Ok())
      return Fail(r, L"a registry value runs past the end of the header");
    if (r->keys.count(hive) == 0)
      return Fail(r, L"a registry value belongs to a key the header lacks");
    InstallHeader::Value value;
    value.root = r->roots[hive];
    value.key = r->keys[hive];
    size_t end = 0;
    while (end < data.size() && data[end] != 0)
      value.name += static_cast<wchar_t>(data[end++]);
    if (end == data.size())
      return Fail(r, L"a registry value has no name");
    value.data.assign(data.begin() + end + 1, data.end());
    value.keepExisting = (flags & VALUE_KEEP_EXISTING) != 0;
    DWORD kind = flags & VALUE_DWORD;
    value.type = kind == VALUE_DWORD          ? REG_DWORD
                 : kind == VALUE_MULTI_STRING ? REG_MULTI_SZ
                 : kind == VALUE_BINARY       ? REG_BINARY
                                              : REG_SZ;
    if (value.type == REG_DWORD && value.data.size() != 4)
      return Fail(r, L"registry value \"" + value.name + L"\" is not a DWORD");
    if (value.type == REG_SZ || value.type == REG_MULTI_SZ) {
      // The header's texts are 8-bit; the registry's are UTF-16, ending in a terminator.
      std::vector<BYTE> text;
      for (BYTE b : value.data)
        text.push_back(b), text.push_back(0);
      if (value.data.empty() || value.data.back() != 0)
        text.push_back(0), text.push_back(0);
      value.data = text;
    }
    header->values.push_back(value);
  }
  return true;
}

bool ReadShortcuts(Reading *r, Cursor *c, unsigned count, InstallHeader *header)
{
  for (unsigned i = 0; i < count; ++i) {
    c->U16();
    c->U16();
    unsigned folder = c->U16(), target = c->U16(), toFile = c->U16();
    std::vector<unsigned> list = c->List(c->U16());
    if (!c->Ok())
      return Fail(r, L"a shortcut runs past the end of the header");
    std::wstring name;
    if (list.size() != 1 || !JoinPath(r, list, false, &name) || r->folders.count(folder) == 0)
      return Fail(r, L"a shortcut has no name or folder of the header");
    InstallHeader::Shortcut shortcut;
    shortcut.path = r->folders[folder] + L"\\" + name + L".lnk";
    if (toFile != 0 && r->fileNames.count(target) != 0)
      shortcut.target = r->fileFolders[target] + L"\\" + r->fileNames[target];
    else if (toFile == 0 && r->folders.count(target) != 0)
      shortcut.target = r->folders[target];
    else
      return Fail(r, L"shortcut \"" + name + L"\" points at nothing the header installs");
    if (shortcut.path.size() >= MAX_PATH)
      return Fail(r, L"shortcut \"" + name + L"\" has too long a path");
    header->shortcuts.push_back(shortcut);
  }
  return true;
}

bool ReadName(Reading *r, size_t at, std::wstring *name)
{
  Cursor field(r->bytes, at);
  unsigned offset = field.U16(), length = field.U16();
  Cursor text(r->bytes, offset);
  *name = text.Text(length);
  return text.Ok() && !name->empty();
}

}  // namespace

bool ReadInstallHeader(const std::vector<BYTE> &bytes, InstallHeader *header, std::wstring *error)
{
  Reading r = {bytes, error, {}, {}, {}, {}, {}, {}};
  *header = InstallHeader();
  if (bytes.size() < FIXED_SIZE || bytes[0] != 'M' || bytes[1] != 'S' || bytes[2] != 'C' || bytes[3] != 'E')
    return Fail(&r, L"it is not an install header");
  Cursor fixed(bytes, AT_LENGTH);
  if (fixed.U32() != bytes.size())
    return Fail(&r, L"its length is not the length it gives");
  Cursor processor(bytes, AT_PROCESSOR);
  header->processor = processor.U32();
  if (!ReadName(&r, AT_APP_NAME, &header->appName) || !ReadName(&r, AT_PROVIDER, &header->provider))
    return Fail(&r, L"the application's or the provider's name lies outside it");
  unsigned counts[SECTION_COUNT];
  DWORD offsets[SECTION_COUNT];
  Cursor table(bytes, AT_COUNTS);
  for (unsigned &count : counts)
    count = table.U16();
  for (DWORD &offset : offsets) {
    offset = table.U32();
    if (offset < FIXED_SIZE || offset > bytes.size())
      return Fail(&r, L"a section lies outside it");
  }
  Cursor strings(bytes, offsets[STRINGS]), folders(bytes, offsets[FOLDERS]), files(bytes, offsets[FILES]),
      hives(bytes, offsets[HIVES]), values(bytes, offsets[VALUES]), shortcuts(bytes, offsets[SHORTCUTS]);
  return ReadStrings(&r, &strings, counts[STRINGS]) && ReadFolders(&r, &folders, counts[FOLDERS]) &&
         ReadFiles(&r, &files, counts[FILES], header) && ReadHives(&r, &hives, counts[HIVES]) &&
         ReadValues(&r, &values, counts[VALUES], header) && ReadShortcuts(&r, &shortcuts, counts[SHORTCUTS], header);
}
