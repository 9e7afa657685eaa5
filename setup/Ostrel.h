#pragma once
// The setup extension's own operations and its one state record. The four hooks that the
// CAB installer calls are declared in cecompat/CeSetup.h.
#include <windows.h>

#include "Common/NullPtr.h"

#include "cecompat/CePlatform.h"
#include "cecompat/CeSetup.h"

enum { SETUP_PATH_CAPACITY = 260, PLATFORM_TYPE_CHARACTERS = 260 };

// Decided by the init hooks, read by the exit hooks.
struct SetupState {
  bool plainCePlatform;  // true: plain Windows CE; false: Windows Mobile
};
extern SetupState g_setup;

// The files that differ between the two platform variants.
struct VariantFiles {
  const wchar_t *shippedScript;
  const wchar_t *keptScript;
  const wchar_t *shippedCopyNote;
  const wchar_t *keptCopyNote;
  const wchar_t *shortcut;
};

// Platform variant (PlatformVariant.cpp).
bool IsPlainCePlatform();
const VariantFiles &CurrentVariant();

// Files and folders (SetupFiles.cpp).
bool FileExists(const wchar_t *path);
void DeleteTree(const wchar_t *directory);

// Registry (SetupRegistry.cpp).
bool KeyExists(HKEY root, const wchar_t *path);
bool SetupKeyExists(const wchar_t *path);
void DeleteKeyTree(HKEY root, const wchar_t *path);

// The platform's registry-merge tool (RegistryMerge.cpp). process, when given, receives the
// tool's process handle (or null); the caller closes it.
bool RunRegistryMerge(const wchar_t *arguments, HANDLE *process = nullptr);
void AwaitRegistryMerge(HANDLE process);

// The installation registered under the maker's former name (OldInstallation.cpp).
void RemoveOldInstallation();

// Bounded text handling (SetupText.cpp).
bool CopyBounded(wchar_t *buffer, size_t capacity, const wchar_t *text);
bool AppendBounded(wchar_t *buffer, size_t capacity, const wchar_t *text);
bool TextEquals(const wchar_t *left, const wchar_t *right);
bool StartsWithNoCase(const wchar_t *text, const wchar_t *prefix);

// Paths and keys that the launcher and its setup share.
#define INSTALL_FOLDER L"\\Application\\Ferrolt"
#define INSTALLED_PROGRAM L"\\Application\\Ferrolt\\Ferrolt.exe"
#define PRODUCT_KEY L"Software\\OrvantLLC\\Ferrolt"
#define FORMER_PRODUCT_KEY L"Software\\Kelvane\\Ferrolt"
#define PROFILES_KEY L"Software\\OrvantLLC\\Ferrolt\\Profiles"
#define FORMER_PROFILES_KEY L"Software\\Kelvane\\Ferrolt\\Profiles"
#define REINSTALL_MARKER L"Software\\OrvantLLC\\reinstallLaunch"
#define FORMER_REINSTALL_MARKER L"Software\\Kelvane\\reinstallLaunch"
