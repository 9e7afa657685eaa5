#pragma once
// Replaces, for the life of one object, a platform function that this test program
// imports: its import table entry is pointed at a stand-in and put back afterwards. The
// product code linked into the program then meets the stand-in as it would a device's
// own behaviour (a provider that refuses a call, a function that fails).
#include <windows.h>

class ImportPatch {
public:
  // dll and function as the program imports them ("advapi32.dll", "CryptImportKey").
  ImportPatch(const char *dll, const char *function, void *standIn);
  ~ImportPatch();
  ImportPatch(const ImportPatch &) = delete;
  ImportPatch &operator=(const ImportPatch &) = delete;

  bool patched() const { return slot_ != nullptr; }
  // The real function, for a stand-in that passes some calls on.
  void *original() const { return original_; }

private:
  void **slot_ = nullptr;
  void *original_ = nullptr;
};

// The device's CryptoAPI providers as their reference pages describe the strictest of them:
// CryptImportKey takes only CRYPT_EXPORTABLE and CRYPT_NO_SALT (other flags: NTE_BAD_FLAGS),
// CryptDuplicateHash is not implemented (ERROR_CALL_NOT_IMPLEMENTED). While one lives,
// the program's provider behaves so (a function the program does not import needs no
// stand-in: nothing in it can call that function).
class StrictDeviceProvider {
public:
  StrictDeviceProvider();

private:
  ImportPatch import_;
  ImportPatch duplicate_;
};

// A provider that cannot be acquired at all (CryptAcquireContextW fails with
// NTE_PROVIDER_DLL_FAIL), as on a device whose cryptography is broken or missing.
class FailingProvider {
public:
  FailingProvider();
  bool active() const { return acquire_.patched(); }

private:
  ImportPatch acquire_;
};
