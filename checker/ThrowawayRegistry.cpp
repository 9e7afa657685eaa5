#include "checker/ThrowawayRegistry.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace check {
namespace {

// Below the real HKEY_CURRENT_USER; one sub-key per running check, named by its process id.
// The checker's own key and Scratch exist only while a check runs: the last run to end
// removes them.
const wchar_t kOwnKey[] = L"Software\\FerroltCheck";
const wchar_t kScratchParent[] = L"Software\\FerroltCheck\\Scratch";
enum { CREATE_ATTEMPTS = 5 };

struct Redirection {
  HKEY root;
  const wchar_t *name;
};
const Redirection kRoots[] = {
    {HKEY_CURRENT_USER, L"HKCU"},
    {HKEY_LOCAL_MACHINE, L"HKLM"},
    {HKEY_CLASSES_ROOT, L"HKCR"},
    {HKEY_USERS, L"HKU"},
};
const size_t kRootCount = sizeof(kRoots) / sizeof(kRoots[0]);

HKEY s_parent = nullptr;              // the real Scratch key, opened before redirecting
std::wstring s_scratchName;           // this run's sub-key of it
HKEY s_overrides[kRootCount] = {};
CRITICAL_SECTION s_lock;
bool s_open = false;

std::wstring ProcessKeyName(DWORD processId)
{
  wchar_t name[32];
  _snwprintf(name, 32, L"%lu", static_cast<unsigned long>(processId));
  name[31] = 0;
  return name;
}

bool ProcessRuns(DWORD processId)
{
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr)
    return false;
  bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// Deletes the key an open handle names, in one round trip to the registry where the
// system's own entry point is there; RegDeleteKeyW with an empty name opens the key again.
LONG DeleteOpenKey(HKEY key)
{
  typedef LONG(WINAPI * DeleteKeyFunction)(HANDLE);
  static DeleteKeyFunction deleteKey = reinterpret_cast<DeleteKeyFunction>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  if (deleteKey == nullptr)
    return RegDeleteKeyW(key, L"");
  return deleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Deletes the key and everything below it. Each key is opened once and deleted through
// that handle; the platform's tree delete opens and queries every key several times.
LONG DeleteKeyTree(HKEY parent, const wchar_t *name)
{
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | DELETE, &key);
  if (result != ERROR_SUCCESS)
    return result;
  std::vector<std::wstring> children;
  for (DWORD index = 0;; ++index) {
    wchar_t child[MAX_PATH];  // a key name holds at most 255 characters
    DWORD length = MAX_PATH;
    if (RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.push_back(child);
  }
  for (const std::wstring &child : children)
    DeleteKeyTree(key, child.c_str());
  result = DeleteOpenKey(key);
  RegCloseKey(key);
  // Whatever this way left behind, the platform's own tree delete removes.
  if (result != ERROR_SUCCESS)
    result = RegDeleteTreeW(parent, name);
  return result;
}

// Keys left by runs that were killed before they could clean up.
void RemoveStaleScratch()
{
  std::vector<std::wstring> stale;
  for (DWORD index = 0;; ++index) {
    wchar_t name[MAX_PATH];  // a key name holds at most 255 characters
    DWORD length = MAX_PATH;
    if (RegEnumKeyExW(s_parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DWORD owner = static_cast<DWORD>(wcstoul(name, nullptr, 10));
    if (owner == 0 || !ProcessRuns(owner))
      stale.push_back(name);
  }
  for (const std::wstring &name : stale)
    DeleteKeyTree(s_parent, name.c_str());
}

bool KeyIsEmpty(HKEY key)
{
  DWORD children = 1, values = 1;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &children, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         children == 0 && values == 0;
}

// Scratch, then the checker's own key, once nothing is left in them. A key that still
// holds a concurrent run's key is not deleted (the registry refuses to delete a key with
// sub-keys); a run that opened Scratch just before it went makes it again (OpenScratch).
void RemoveEmptyParents()
{
  if (!KeyIsEmpty(s_parent) || DeleteOpenKey(s_parent) != ERROR_SUCCESS)
    return;
  HKEY own = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kOwnKey, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE,
                    &own) != ERROR_SUCCESS)
    return;
  if (KeyIsEmpty(own))
    DeleteOpenKey(own);
  RegCloseKey(own);
}

// Opens Scratch and makes this run's key in it. A concurrent run may delete an empty
// Scratch between the two steps; then both are made again.
bool OpenScratch()
{
  for (int attempt = 0; attempt < CREATE_ATTEMPTS; ++attempt) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kScratchParent, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &s_parent, nullptr) != ERROR_SUCCESS)
      return false;
    HKEY own = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(s_parent, s_scratchName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &own, &disposition) == ERROR_SUCCESS) {
      // What a killed run of the same process id left there.
      if (disposition == REG_OPENED_EXISTING_KEY)
        for (const Redirection &root : kRoots)
          DeleteKeyTree(own, root.name);
      RegCloseKey(own);
      return true;
    }
    RegCloseKey(s_parent);
    s_parent = nullptr;
  }
  return false;
}

void RemoveScratch()
{
  EnterCriticalSection(&s_lock);
  if (s_open) {
    for (size_t i = 0; i < kRootCount; ++i) {
      RegOverridePredefKey(kRoots[i].root, nullptr);
      if (s_overrides[i] != nullptr)
        RegCloseKey(s_overrides[i]);
      s_overrides[i] = nullptr;
    }
    DeleteKeyTree(s_parent, s_scratchName.c_str());
    RemoveEmptyParents();
    RegCloseKey(s_parent);
    s_parent = nullptr;
    s_open = false;
  }
  LeaveCriticalSection(&s_lock);
}

std::wstring s_interruptNote;

BOOL WINAPI OnInterrupt(DWORD)
{
  AbandonThrowawayRegistry();
  fflush(stdout);
  fputws(L"FerroltCheck: interrupted: the check did not finish\n", stderr);
  if (!s_interruptNote.empty()) {
    fputws(L"FerroltCheck: ", stderr);
    fputws(s_interruptNote.c_str(), stderr);
    fputws(L"\n", stderr);
  }
  fflush(stderr);
  ExitProcess(EXIT_INTERRUPTED);
  return TRUE;
}

}  // namespace

bool OpenThrowawayRegistry(std::wstring *error)
{
  static bool lockReady = false;
  if (!lockReady) {
    InitializeCriticalSection(&s_lock);
    lockReady = true;
  }
  if (s_open)
    return true;
  // Watched for before any key is made: an interruption at any moment finds what there
  // is to remove.
  SetConsoleCtrlHandler(OnInterrupt, TRUE);
  s_scratchName = ProcessKeyName(GetCurrentProcessId());
  if (!OpenScratch()) {
    *error = L"cannot create the temporary registry key";
    return false;
  }
  RemoveStaleScratch();

  EnterCriticalSection(&s_lock);
  s_open = true;
  bool redirected = true;
  for (size_t i = 0; i < kRootCount && redirected; ++i) {
    std::wstring path = s_scratchName + L"\\" + kRoots[i].name;
    redirected = RegCreateKeyExW(s_parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &s_overrides[i], nullptr) == ERROR_SUCCESS &&
                 RegOverridePredefKey(kRoots[i].root, s_overrides[i]) == ERROR_SUCCESS;
  }
  LeaveCriticalSection(&s_lock);
  if (!redirected) {
    RemoveScratch();
    *error = L"cannot redirect the registry to a temporary key";
    return false;
  }
  return true;
}

void CloseThrowawayRegistry()
{
  RemoveScratch();
}

void AbandonThrowawayRegistry()
{
  EnterCriticalSection(&s_lock);
  if (s_open) {
    DeleteKeyTree(s_parent, s_scratchName.c_str());
    s_open = false;
  }
  LeaveCriticalSection(&s_lock);
}

void SetInterruptNote(const std::wstring &note)
{
  s_interruptNote = note;
}

}  // namespace check
