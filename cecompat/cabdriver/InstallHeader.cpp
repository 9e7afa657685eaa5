// Reads the install header the device's installer reads: a fixed part of 100 bytes with the
// counts and offsets of six sections (strings, folders, files, registry hives, registry
// values, shortcuts) and of the application's and provider's names, then those parts. Paths
// are lists of string numbers joined by backslashes. Nothing is trusted: every read is
// checked against the header's size, and the parts may neither overlap nor lie in the
// fixed part.
#include "cecompat/cabdriver/InstallHeader.h"

#include <wctype.h>

#include <algorithm>
#include <map>
#include <utility>

#include "packaging/SetupHeader.h"

namespace {

using namespace cesetup;

class Cursor {
public:
  Cursor(const std::vector<BYTE> &bytes, size_t at) : bytes_(bytes), start_(at), at_(at), ok_(at <= bytes.size()) {}
  bool Ok() const { return ok_; }
  size_t Start() const { return start_; }
  size_t At() const { return at_; }
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
  std::vector<BYTE> Bytes(size_t length)
  {
    if (!Need(length))
      return std::vector<BYTE>();
    std::vector<BYTE> out(bytes_.begin() + at_, bytes_.begin() + at_ + length);
    at_ += length;
    return out;
  }
  // `length` bytes holding one text and its terminator, nothing after it.
  std::wstring Text(size_t length)
  {
    std::vector<BYTE> raw = Bytes(length);
    std::wstring text;
    size_t i = 0;
    for (; i < raw.size() && raw[i] != 0; ++i)
      text += static_cast<wchar_t>(raw[i]);
    if (i + 1 != raw.size())
      ok_ = false;
    return text;
  }
  // A list of 16-bit numbers `length` bytes long: numbers other than 0, then a 0.
  std::vector<unsigned> List(size_t length)
  {
    std::vector<unsigned> list;
    if (length < 2 || length % 2 != 0) {
      ok_ = false;
      return list;
    }
    for (size_t i = 0; i < length / 2; ++i)
      list.push_back(U16());
    for (size_t i = 0; i < list.size(); ++i)
      if ((list[i] == 0) != (i + 1 == list.size()))
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
  size_t start_, at_;
  bool ok_;
};

struct Reading {
  const std::vector<BYTE> &bytes;
  const wchar_t *installFolder;
  std::wstring *error;
  std::map<unsigned, std::wstring> strings, folders, keys;
  std::map<unsigned, HKEY> roots;
  std::map<unsigned, std::wstring> fileNames;  // by number: the target of a shortcut
  std::map<unsigned, std::wstring> fileFolders;
  std::map<std::wstring, std::wstring> installed;  // folded device path -> the entry that names it
  std::vector<std::pair<size_t, size_t> > parts;    // [start, end) of every part read
};

bool Fail(Reading *r, const std::wstring &reason)
{
  *r->error = reason;
  return false;
}

std::wstring Number(unsigned number)
{
  return std::to_wstring(number);
}

// Why the device's file system would not keep `name` as it is, or null: a trailing dot or
// blank is dropped, a name of dots and blanks is the folder itself, and the device names
// (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9) name devices whatever their extension.
const wchar_t *RewrittenName(const std::wstring &name)
{
  if (name.empty())
    return L"it is empty";
  if (name.find_first_not_of(L". ") == std::wstring::npos)
    return L"it is made only of dots and blanks, which name the folder itself";
  if (name[name.size() - 1] == L'.' || name[name.size() - 1] == L' ')
    return L"it ends in a dot or a blank, which the device drops";
  std::wstring stem = name.substr(0, name.find(L'.'));
  for (wchar_t &c : stem)
    c = static_cast<wchar_t>(towupper(c));
  static const wchar_t *const devices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
  for (const wchar_t *device : devices)
    if (stem == device)
      return L"it is a device name";
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) && stem[3] >= L'1' &&
      stem[3] <= L'9')
    return L"it is a device name";
  for (wchar_t c : name)
    if (c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
        c == L'>' || c == L'|')
      return L"it holds a character a file name cannot hold";
  return nullptr;
}

// The folders the installer's %CE<n>% stand for (those of a Pocket PC where they differ).
const wchar_t *StandardFolder(unsigned number)
{
  switch (number) {
  case 1: return L"\\Program Files";
  case 2: return L"\\Windows";
  case 4: return L"\\Windows\\StartUp";
  case 5: return L"\\My Documents";
  case 11: return L"\\Windows\\Start Menu\\Programs";
  case 17: return L"\\Windows\\Start Menu";
  default: return nullptr;
  }
}

const wchar_t *Macro(const std::wstring &name)
{
  if (name.size() < 5 || name.compare(0, 3, L"%CE") != 0 || name[name.size() - 1] != L'%')
    return nullptr;
  unsigned number = 0;
  for (size_t i = 3; i + 1 < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9' || number > 100)
      return nullptr;
    number = number * 10 + (name[i] - L'0');
  }
  return StandardFolder(number);
}

// A list of string numbers as a path: a device folder ("\A\B", or a macro first), or a
// relative one ("A\B": a registry key, a shortcut's name below its folder). False, with
// `why`, for a list that names no such path.
bool JoinPath(Reading *r, const std::vector<unsigned> &list, bool folder, std::wstring *path, std::wstring *why)
{
  path->clear();
  if (list.empty())
    return *why = L"it names nothing", false;
  for (size_t i = 0; i < list.size(); ++i) {
    auto found = r->strings.find(list[i]);
    if (found == r->strings.end())
      return *why = L"it names string " + Number(list[i]) + L", which the header lacks", false;
    std::wstring name = found->second;
    if (i == 0 && folder) {
      const wchar_t *macro = Macro(name);
      if (macro != nullptr) {
        *path = macro;
        continue;
      }
      if (name.empty() || name[0] != L'\\')
        return *why = L"it does not start at the device's root", false;
      name.erase(0, 1);
    }
    const wchar_t *rewritten = RewrittenName(name);
    if (rewritten != nullptr)
      return *why = L"its part \"" + name + L"\" is refused: " + rewritten, false;
    if (i > 0 || folder)
      *path += L"\\";
    *path += name;
  }
  if (path->size() >= MAX_PATH)
    return *why = L"it is too long", false;
  return true;
}

// A device path is installed by one entry only, whatever the case of its letters.
bool ClaimPath(Reading *r, const std::wstring &path, const std::wstring &entry)
{
  std::wstring folded = path;
  for (wchar_t &c : folded)
    c = static_cast<wchar_t>(towlower(c));
  auto claimed = r->installed.find(folded);
  if (claimed != r->installed.end())
    return Fail(r, entry + L" names the same file as " + claimed->second + L" (\"" + path + L"\")");
  r->installed[folded] = entry;
  return true;
}

void NotePart(Reading *r, const Cursor &c)
{
  if (c.At() > c.Start())
    r->parts.push_back(std::make_pair(c.Start(), c.At()));
}

bool ReadStrings(Reading *r, Cursor *c, unsigned count)
{
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16();
    std::wstring text = c->Text(c->U16());
    if (!c->Ok())
      return Fail(r, L"a string runs past the end of the header or past its length");
    if (id == 0 || r->strings.count(id) != 0)
      return Fail(r, L"string \"" + text + L"\" has number " + Number(id) + L", which is 0 or taken");
    r->strings[id] = text;
  }
  return true;
}

bool ReadFolders(Reading *r, Cursor *c, unsigned count)
{
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16();
    std::vector<unsigned> list = c->List(c->U16());
    std::wstring why;
    if (!c->Ok())
      return Fail(r, L"folder " + Number(id) + L" runs past the end of the header or holds a 0 in its list");
    if (id == 0 || r->folders.count(id) != 0)
      return Fail(r, L"folder " + Number(id) + L" has a number that is 0 or taken");
    if (!JoinPath(r, list, true, &r->folders[id], &why))
      return Fail(r, L"folder " + Number(id) + L" is refused: " + why);
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
    std::wstring entry = L"file " + Number(file.number) + L" (\"" + file.name + L"\")";
    if (!c->Ok())
      return Fail(r, L"a file entry runs past the end of the header or past its length");
    const wchar_t *rewritten = RewrittenName(file.name);
    if (rewritten != nullptr)
      return Fail(r, entry + L" is refused: " + rewritten);
    if (r->folders.count(folder) == 0)
      return Fail(r, entry + L" goes to a folder the header lacks");
    if (file.number < 1 || file.number > MAX_FILES || r->fileNames.count(file.number) != 0)
      return Fail(r, entry + L" has a number the installer cannot take");
    file.folder = r->folders[folder];
    if (file.folder.size() + 1 + file.name.size() >= MAX_PATH)
      return Fail(r, entry + L" has too long a path");
    if (!ClaimPath(r, file.folder + L"\\" + file.name, entry))
      return false;
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
    std::wstring why = L"its root is unknown";
    if (!c->Ok())
      return Fail(r, L"registry key " + Number(id) + L" runs past the end of the header or holds a 0 in its list");
    if (id == 0 || r->keys.count(id) != 0)
      return Fail(r, L"registry key " + Number(id) + L" has a number that is 0 or taken");
    if (root < ROOT_CLASSES || root > ROOT_USERS || !JoinPath(r, list, false, &r->keys[id], &why))
      return Fail(r, L"registry key " + Number(id) + L" is refused: " + why);
    r->roots[id] = roots[root - 1];
  }
  return true;
}

// The data of a text value: one text and its terminator; of a list of texts: texts, each
// with its terminator, then an empty one (an empty list is the empty text alone).
const wchar_t *BadText(DWORD type, const std::vector<BYTE> &data)
{
  if (data.empty() || data.back() != 0)
    return L"its text has no terminator";
  size_t inside = std::count(data.begin(), data.end() - 1, static_cast<BYTE>(0));
  if (type == REG_SZ)
    return inside == 0 ? nullptr : L"its text holds a 0";
  if (data.size() == 1)
    return nullptr;
  if (data.size() < 2 || data[data.size() - 2] != 0)
    return L"its list of texts lacks the final double terminator";
  for (size_t i = 0; i + 2 < data.size(); ++i)
    if (data[i] == 0 && (i == 0 || data[i - 1] == 0))
      return L"its list of texts holds an empty text, which would end it early";
  return nullptr;
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
      return Fail(r, L"a registry value of key \"" + value.key + L"\" has no name");
    value.data.assign(data.begin() + end + 1, data.end());
    value.keepExisting = (flags & VALUE_KEEP_EXISTING) != 0;
    DWORD kind = flags & VALUE_DWORD;
    value.type = kind == VALUE_DWORD          ? REG_DWORD
                 : kind == VALUE_MULTI_STRING ? REG_MULTI_SZ
                 : kind == VALUE_BINARY       ? REG_BINARY
                                              : REG_SZ;
    std::wstring entry = L"registry value \"" + value.name + L"\" of key \"" + value.key + L"\"";
    if (value.type == REG_DWORD && value.data.size() != 4)
      return Fail(r, entry + L" is not a DWORD");
    if (value.type == REG_SZ || value.type == REG_MULTI_SZ) {
      const wchar_t *bad = BadText(value.type, value.data);
      if (bad != nullptr)
        return Fail(r, entry + L" is refused: " + bad);
      // The header's texts are 8-bit; the registry's are UTF-16.
      std::vector<BYTE> text;
      for (BYTE b : value.data)
        text.push_back(b), text.push_back(0);
      value.data = text;
    }
    header->values.push_back(value);
  }
  return true;
}

bool ReadShortcuts(Reading *r, Cursor *c, unsigned count, InstallHeader *header)
{
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = c->U16();
    c->U16();
    unsigned base = c->U16(), target = c->U16(), toFile = c->U16();
    std::vector<unsigned> list = c->List(c->U16());
    if (!c->Ok())
      return Fail(r, L"shortcut " + Number(id) + L" runs past the end of the header or holds a 0 in its list");
    std::wstring name, why;
    if (!JoinPath(r, list, false, &name, &why))
      return Fail(r, L"shortcut " + Number(id) + L" is refused: " + why);
    std::wstring entry = L"shortcut " + Number(id) + L" (\"" + name + L"\")";
    const wchar_t *folder = base == SHORTCUT_IN_INSTALL_FOLDER ? r->installFolder : StandardFolder(base);
    if (folder == nullptr)
      return Fail(r, entry + L" goes to a standard folder the installer does not know");
    InstallHeader::Shortcut shortcut;
    shortcut.path = std::wstring(folder) + L"\\" + name + L".lnk";
    if (toFile != 0 && r->fileNames.count(target) != 0)
      shortcut.target = r->fileFolders[target] + L"\\" + r->fileNames[target];
    else if (toFile == 0 && target == 0)
      shortcut.target = r->installFolder;
    else if (toFile == 0 && r->folders.count(target) != 0)
      shortcut.target = r->folders[target];
    else
      return Fail(r, entry + L" points at nothing the header installs");
    if (shortcut.path.size() >= MAX_PATH)
      return Fail(r, entry + L" has too long a path");
    if (!ClaimPath(r, shortcut.path, entry))
      return false;
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
  NotePart(r, text);
  return text.Ok() && !name->empty() && offset >= FIXED_SIZE;
}

// The platforms the package refuses: texts, each terminated, then an empty one.
bool ReadUnsupported(Reading *r)
{
  Cursor field(r->bytes, AT_UNSUPPORTED);
  unsigned offset = field.U16(), length = field.U16();
  if (length == 0)
    return true;
  Cursor list(r->bytes, offset);
  std::vector<BYTE> data = list.Bytes(length);
  NotePart(r, list);
  return list.Ok() && offset >= FIXED_SIZE && BadText(REG_MULTI_SZ, data) == nullptr;
}

// No two parts of the header share a byte.
bool PartsApart(Reading *r)
{
  std::sort(r->parts.begin(), r->parts.end());
  for (size_t i = 1; i < r->parts.size(); ++i)
    if (r->parts[i].first < r->parts[i - 1].second)
      return false;
  return true;
}

}  // namespace

bool ReadInstallHeader(const std::vector<BYTE> &bytes, const wchar_t *installFolder, InstallHeader *header,
                       std::wstring *error)
{
  Reading r = {bytes, installFolder, error, {}, {}, {}, {}, {}, {}, {}, {}};
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
  if (!ReadUnsupported(&r))
    return Fail(&r, L"its list of unsupported platforms lies outside it or is not a list of texts");
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
  if (!(ReadStrings(&r, &strings, counts[STRINGS]) && ReadFolders(&r, &folders, counts[FOLDERS]) &&
        ReadFiles(&r, &files, counts[FILES], header) && ReadHives(&r, &hives, counts[HIVES]) &&
        ReadValues(&r, &values, counts[VALUES], header) && ReadShortcuts(&r, &shortcuts, counts[SHORTCUTS], header)))
    return false;
  const Cursor *sections[] = {&strings, &folders, &files, &hives, &values, &shortcuts};
  for (const Cursor *section : sections)
    NotePart(&r, *section);
  if (!PartsApart(&r))
    return Fail(&r, L"two of its parts overlap");
  return true;
}
