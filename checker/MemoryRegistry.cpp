#include "checker/MemoryRegistry.h"

#include <string.h>

#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "checker/ImportTable.h"

namespace check {
namespace {

// Names are kept and compared folded to lower case, the order in which the desktop
// registry the tests run on enumerates sub-keys.
std::wstring Folded(const wchar_t *text, size_t length)
{
  std::wstring folded(text, length);
  if (length > 0)
    CharLowerBuffW(&folded[0], static_cast<DWORD>(length));
  return folded;
}

// The registry calls routed to memory: those of RegistryCalls.
enum { ROUTED_CALLS = 7 };

struct Value {
  std::wstring name;  // as first set
  DWORD type;
  std::vector<BYTE> data;
};

struct Key {
  std::wstring name;
  std::map<std::wstring, std::unique_ptr<Key>> children;  // by folded name
  std::map<std::wstring, Value> values;                   // by folded name
};

struct OpenKey {
  Key *key;
  REGSAM access;
};

struct Root {
  HKEY handle;
  Key key;
};


struct MemoryRegistryState {
  CRITICAL_SECTION lock;
  Root roots[4];
  std::set<OpenKey *> open;
  RegistryCalls platform;  // the platform's own entry points, for keys not held here
  HMODULE routedModule;
  void *replaced[ROUTED_CALLS];  // what the routed imports held before
};

template <typename Function>
void Resolve(HMODULE module, const char *name, Function *function)
{
  *function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

MemoryRegistryState &State()
{
  static MemoryRegistryState *state = [] {
    MemoryRegistryState *made = new MemoryRegistryState();
    InitializeCriticalSection(&made->lock);
    made->roots[0].handle = HKEY_CURRENT_USER;
    made->roots[1].handle = HKEY_LOCAL_MACHINE;
    made->roots[2].handle = HKEY_CLASSES_ROOT;
    made->roots[3].handle = HKEY_USERS;
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (advapi == nullptr)
      advapi = LoadLibraryW(L"advapi32.dll");
    RegistryCalls &platform = made->platform;
    Resolve(advapi, "RegOpenKeyExW", &platform.openKeyEx);
    Resolve(advapi, "RegCreateKeyExW", &platform.createKeyEx);
    Resolve(advapi, "RegQueryValueExW", &platform.queryValueEx);
    Resolve(advapi, "RegSetValueExW", &platform.setValueEx);
    Resolve(advapi, "RegEnumKeyExW", &platform.enumKeyEx);
    Resolve(advapi, "RegCloseKey", &platform.closeKey);
    Resolve(advapi, "RegEnumValueW", &platform.enumValue);
    return made;
  }();
  return *state;
}

class Locked {
 public:
  Locked() { EnterCriticalSection(&State().lock); }
  ~Locked() { LeaveCriticalSection(&State().lock); }
  Locked(const Locked &) = delete;
  Locked &operator=(const Locked &) = delete;
};

const REGSAM FULL_ACCESS = KEY_ALL_ACCESS;

// The rights a request for access gives, generic rights mapped as the registry maps them.
REGSAM GrantedAccess(REGSAM asked)
{
  REGSAM granted = asked & (KEY_ALL_ACCESS | KEY_WOW64_RES);
  if (asked & (GENERIC_ALL | MAXIMUM_ALLOWED))
    granted |= KEY_ALL_ACCESS;
  if (asked & GENERIC_READ)
    granted |= KEY_READ;
  if (asked & GENERIC_WRITE)
    granted |= KEY_WRITE;
  if (asked & GENERIC_EXECUTE)
    granted |= KEY_EXECUTE;
  return granted;
}

// The key behind a handle of this registry: a root or a key opened here. Null for any
// other handle, which belongs to the platform.
bool FindKey(HKEY handle, Key **key, REGSAM *access)
{
  MemoryRegistryState &state = State();
  for (Root &root : state.roots) {
    if (root.handle == handle) {
      *key = &root.key;
      *access = FULL_ACCESS;
      return true;
    }
  }
  OpenKey *open = reinterpret_cast<OpenKey *>(handle);
  if (state.open.count(open) == 0)
    return false;
  *key = open->key;
  *access = open->access;
  return true;
}

// Each name of a path as written and folded.
typedef std::vector<std::pair<std::wstring, std::wstring>> Names;

// Splits a sub-key path into the names the registry takes from it: empty names (doubled
// or trailing backslashes) are passed over, a leading backslash makes it a bad path.
LONG SplitPath(LPCWSTR path, Names *names)
{
  if (path == nullptr)
    return ERROR_SUCCESS;
  if (path[0] == L'\\')
    return ERROR_BAD_PATHNAME;
  const wchar_t *start = path;
  for (const wchar_t *c = path;; ++c) {
    if (*c == L'\\' || *c == 0) {
      size_t length = static_cast<size_t>(c - start);
      if (length > 0)
        names->emplace_back(std::wstring(start, length), Folded(start, length));
      if (*c == 0)
        break;
      start = c + 1;
    }
  }
  return ERROR_SUCCESS;
}

HKEY NewHandle(Key *key, REGSAM access)
{
  OpenKey *open = new OpenKey{key, GrantedAccess(access)};
  State().open.insert(open);
  return reinterpret_cast<HKEY>(open);
}

// Opens the key a path names below a key of this registry, creating what is missing when
// asked; false when the parent belongs to the platform.
bool ReachKey(HKEY parent, LPCWSTR path, REGSAM access, bool create, PHKEY result,
              LPDWORD disposition, LONG *outcome)
{
  Locked locked;
  Key *key = nullptr;
  REGSAM parentAccess = 0;
  if (!FindKey(parent, &key, &parentAccess))
    return false;
  if (result == nullptr) {
    *outcome = ERROR_INVALID_PARAMETER;
    return true;
  }
  *result = nullptr;
  Names names;
  *outcome = SplitPath(path, &names);
  if (*outcome != ERROR_SUCCESS)
    return true;
  DWORD made = REG_OPENED_EXISTING_KEY;
  for (const auto &name : names) {
    auto found = key->children.find(name.second);
    if (found == key->children.end()) {
      if (!create) {
        *outcome = ERROR_FILE_NOT_FOUND;
        return true;
      }
      std::unique_ptr<Key> &child = key->children[name.second];
      child.reset(new Key());
      child->name = name.first;
      made = REG_CREATED_NEW_KEY;
      key = child.get();
    } else {
      key = found->second.get();
    }
  }
  if (disposition != nullptr)
    *disposition = made;
  *result = NewHandle(key, access);
  return true;
}

Value *FindValue(Key *key, LPCWSTR name)
{
  std::wstring folded = name == nullptr ? std::wstring() : Folded(name, wcslen(name));
  auto found = key->values.find(folded);
  return found == key->values.end() ? nullptr : &found->second;
}

bool IsStringType(DWORD type)
{
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies a value's data into a buffer it fits. A string stored without its terminator gets
// one where the buffer has room.
void CopyData(const Value &value, LPBYTE data, DWORD room)
{
  DWORD stored = static_cast<DWORD>(value.data.size());
  if (stored > 0)
    memcpy(data, value.data.data(), stored);
  if (IsStringType(value.type) && stored + sizeof(wchar_t) <= room && stored >= sizeof(wchar_t)) {
    wchar_t last = 0;
    memcpy(&last, data + stored - sizeof(wchar_t), sizeof(wchar_t));
    if (last != 0)
      memset(data + stored, 0, sizeof(wchar_t));
  }
}

}  // namespace

namespace memory {

LONG WINAPI OpenKeyEx(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY result)
{
  LONG outcome = ERROR_SUCCESS;
  if (ReachKey(parent, path, access, false, result, nullptr, &outcome))
    return outcome;
  return State().platform.openKeyEx(parent, path, options, access, result);
}

LONG WINAPI CreateKeyEx(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR keyClass,
                        DWORD options, REGSAM access, const LPSECURITY_ATTRIBUTES security,
                        PHKEY result, LPDWORD disposition)
{
  LONG outcome = ERROR_SUCCESS;
  if (ReachKey(parent, path, access, true, result, disposition, &outcome))
    return outcome;
  return State().platform.createKeyEx(parent, path, reserved, keyClass, options, access,
                                      security, result, disposition);
}

LONG WINAPI QueryValueEx(HKEY handle, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size)
{
  {
    Locked locked;
    Key *key = nullptr;
    REGSAM access = 0;
    if (FindKey(handle, &key, &access)) {
      if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
      if ((access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
      const Value *value = FindValue(key, name);
      if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
      DWORD stored = static_cast<DWORD>(value->data.size());
      if (type != nullptr)
        *type = value->type;
      LONG result = ERROR_SUCCESS;
      if (data != nullptr) {
        if (stored > *size)
          result = ERROR_MORE_DATA;
        else
          CopyData(*value, data, *size);
      }
      if (size != nullptr)
        *size = stored;
      return result;
    }
  }
  return State().platform.queryValueEx(handle, name, reserved, type, data, size);
}

LONG WINAPI SetValueEx(HKEY handle, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data,
                       DWORD size)
{
  {
    Locked locked;
    Key *key = nullptr;
    REGSAM access = 0;
    if (FindKey(handle, &key, &access)) {
      if ((access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
      if (data == nullptr && size != 0)
        return ERROR_NOACCESS;
      // A string whose count leaves out the terminator that follows it keeps it, as the
      // platform does.
      if (data != nullptr && IsStringType(type) && size >= sizeof(wchar_t)) {
        const wchar_t *text = reinterpret_cast<const wchar_t *>(data);
        DWORD characters = size / sizeof(wchar_t);
        if (text[characters - 1] != 0 && text[characters] == 0)
          size += sizeof(wchar_t);
      }
      std::wstring folded = name == nullptr ? std::wstring() : Folded(name, wcslen(name));
      auto placed = key->values.emplace(folded, Value());
      Value &value = placed.first->second;
      if (placed.second)
        value.name = name == nullptr ? std::wstring() : std::wstring(name);
      value.type = type;
      value.data.assign(data, data + size);
      return ERROR_SUCCESS;
    }
  }
  return State().platform.setValueEx(handle, name, reserved, type, data, size);
}

LONG WINAPI EnumKeyEx(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classLength, PFILETIME written)
{
  {
    Locked locked;
    Key *key = nullptr;
    REGSAM access = 0;
    if (FindKey(handle, &key, &access)) {
      if (name == nullptr || nameLength == nullptr)
        return ERROR_INVALID_PARAMETER;
      if ((access & KEY_ENUMERATE_SUB_KEYS) == 0)
        return ERROR_ACCESS_DENIED;
      if (index >= key->children.size())
        return ERROR_NO_MORE_ITEMS;
      auto child = key->children.begin();
      std::advance(child, index);
      const std::wstring &childName = child->second->name;
      if (childName.size() >= *nameLength)
        return ERROR_MORE_DATA;
      memcpy(name, childName.c_str(), (childName.size() + 1) * sizeof(wchar_t));
      *nameLength = static_cast<DWORD>(childName.size());
      if (keyClass != nullptr && classLength != nullptr && *classLength > 0)
        keyClass[0] = 0;
      if (classLength != nullptr)
        *classLength = 0;
      if (written != nullptr)
        *written = FILETIME{0, 0};
      return ERROR_SUCCESS;
    }
  }
  return State().platform.enumKeyEx(handle, index, name, nameLength, reserved, keyClass,
                                    classLength, written);
}

LONG WINAPI EnumValue(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD size)
{
  {
    Locked locked;
    Key *key = nullptr;
    REGSAM access = 0;
    if (FindKey(handle, &key, &access)) {
      if (name == nullptr || nameLength == nullptr || reserved != nullptr ||
          (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
      if ((access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
      if (index >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
      auto found = key->values.begin();
      std::advance(found, index);
      const Value &value = found->second;
      DWORD stored = static_cast<DWORD>(value.data.size());
      LONG result = ERROR_SUCCESS;
      // A name or data that does not fit: only the type and the size are told.
      if (value.name.size() >= *nameLength || (data != nullptr && stored > *size)) {
        result = ERROR_MORE_DATA;
      } else {
        memcpy(name, value.name.c_str(), (value.name.size() + 1) * sizeof(wchar_t));
        *nameLength = static_cast<DWORD>(value.name.size());
        if (data != nullptr)
          CopyData(value, data, *size);
      }
      if (type != nullptr)
        *type = value.type;
      if (size != nullptr)
        *size = stored;
      return result;
    }
  }
  return State().platform.enumValue(handle, index, name, nameLength, reserved, type, data, size);
}

LONG WINAPI CloseKey(HKEY handle)
{
  {
    Locked locked;
    MemoryRegistryState &state = State();
    for (const Root &root : state.roots)
      if (root.handle == handle)
        return ERROR_SUCCESS;
    OpenKey *open = reinterpret_cast<OpenKey *>(handle);
    if (state.open.erase(open) > 0) {
      delete open;
      return ERROR_SUCCESS;
    }
  }
  return State().platform.closeKey(handle);
}

void Clear()
{
  Locked locked;
  MemoryRegistryState &state = State();
  for (OpenKey *open : state.open)
    delete open;
  state.open.clear();
  for (Root &root : state.roots) {
    root.key.children.clear();
    root.key.values.clear();
  }
}

}  // namespace memory

namespace {

const char *const kRoutedNames[] = {"RegOpenKeyExW",  "RegCreateKeyExW", "RegQueryValueExW",
                                    "RegSetValueExW", "RegEnumKeyExW",   "RegCloseKey",
                                    "RegEnumValueW"};

void *const kMemoryEntries[] = {
    reinterpret_cast<void *>(&memory::OpenKeyEx),    reinterpret_cast<void *>(&memory::CreateKeyEx),
    reinterpret_cast<void *>(&memory::QueryValueEx), reinterpret_cast<void *>(&memory::SetValueEx),
    reinterpret_cast<void *>(&memory::EnumKeyEx),    reinterpret_cast<void *>(&memory::CloseKey),
    reinterpret_cast<void *>(&memory::EnumValue)};

const size_t kRoutedCount = ROUTED_CALLS;
static_assert(sizeof(kRoutedNames) / sizeof(kRoutedNames[0]) == ROUTED_CALLS, "one name per call");

}  // namespace

bool UseMemoryRegistry()
{
  MemoryRegistryState &state = State();
  if (state.routedModule != nullptr)
    return true;
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&UseMemoryRegistry), &module))
    return false;
  memory::Clear();
  void *previous[kRoutedCount] = {};
  if (!ReplaceImports(module, "advapi32.dll", kRoutedNames, kMemoryEntries, previous,
                      kRoutedCount))
    return false;
  for (size_t i = 0; i < kRoutedCount; ++i)
    state.replaced[i] = previous[i];
  state.routedModule = module;
  return true;
}

void LeaveMemoryRegistry()
{
  MemoryRegistryState &state = State();
  if (state.routedModule == nullptr)
    return;
  void *ignored[kRoutedCount] = {};
  ReplaceImports(state.routedModule, "advapi32.dll", kRoutedNames,
                 const_cast<void *const *>(state.replaced), ignored, kRoutedCount);
  state.routedModule = nullptr;
  memory::Clear();
}

}  // namespace check
