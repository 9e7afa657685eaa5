// The device's runtime as the image sees it: the compiler's division routines, the process
// heap in emulated memory, and cryptography whose handles are host pointers.
#include "ce-run/ImportCalls.h"

#include <wincrypt.h>

namespace cerun {

namespace {

// ---- runtime helpers: the device's division routines take the divisor first and give the
// quotient in r0 and the remainder in r1 ----
uint64_t RtSdiv(const Call &c, void *)
{
  int32_t divisor = static_cast<int32_t>(c.r[0]), dividend = static_cast<int32_t>(c.r[1]);
  if (divisor == 0)
    Fail("integer division by zero in device code");
  int32_t q = divisor == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(dividend)) : dividend / divisor;
  int32_t r = divisor == -1 ? 0 : dividend % divisor;
  return static_cast<uint32_t>(q) | (static_cast<uint64_t>(static_cast<uint32_t>(r)) << 32);
}

uint64_t RtUdiv(const Call &c, void *)
{
  uint32_t divisor = c.r[0], dividend = c.r[1];
  if (divisor == 0)
    Fail("integer division by zero in device code");
  return (dividend / divisor) | (static_cast<uint64_t>(dividend % divisor) << 32);
}

// ---- heap: blocks in emulated memory ----
uint64_t GetProcessHeap_(const Call &, void *) { return PROCESS_HEAP; }

uint64_t HeapAlloc_(const Call &c, void *)
{
  if (c.Arg(0) != PROCESS_HEAP)
    Fail("HeapAlloc on a heap other than the process heap");
  return HeapAlloc32(c.Arg(2));
}

uint64_t HeapReAlloc_(const Call &c, void *)
{
  if (c.Arg(0) != PROCESS_HEAP)
    Fail("HeapReAlloc on a heap other than the process heap");
  return HeapReAlloc32(c.Arg(2), c.Arg(3));
}

uint64_t HeapFree_(const Call &c, void *)
{
  if (c.Arg(0) != PROCESS_HEAP)
    Fail("HeapFree on a heap other than the process heap");
  HeapFree32(c.Arg(2));
  return 1;
}

uint64_t LocalAlloc_(const Call &c, void *) { return HeapAlloc32(c.Arg(1)); }
uint64_t LocalFree_(const Call &c, void *)
{
  HeapFree32(c.Arg(0));
  return 0;
}

// ---- cryptography: the handles are host pointers ----
uint64_t CryptAcquireContextW_(const Call &c, void *)
{
  HCRYPTPROV provider = 0;
  BOOL r = CryptAcquireContextW(&provider, P<LPCWSTR>(c, 1), P<LPCWSTR>(c, 2), c.Arg(3), c.Arg(4));
  Put32(c.Arg(0), r ? DeviceHandle(reinterpret_cast<void *>(provider)) : 0);
  return R(r);
}

template <int out> uint64_t CryptWithOutHandle(const Call &c, void *host)
{
  INT_PTR a[6];
  for (int i = 0; i < 6; ++i)
    a[i] = A(c, i);
  a[0] = reinterpret_cast<INT_PTR>(HostHandle(c.Arg(0)));
  if (out == 5 && c.Arg(3) != 0)  // CryptImportKey's public key
    a[3] = reinterpret_cast<INT_PTR>(HostHandle(c.Arg(3)));
  if (out == 4 && c.Arg(2) != 0)  // CryptCreateHash's key
    a[2] = reinterpret_cast<INT_PTR>(HostHandle(c.Arg(2)));
  ULONG_PTR handle = 0;
  a[out] = reinterpret_cast<INT_PTR>(&handle);
  INT_PTR r = reinterpret_cast<HostFn>(host)(a[0], a[1], a[2], a[3], a[4], a[5], 0, 0, 0, 0, 0, 0);
  Put32(c.Arg(out), r ? DeviceHandle(reinterpret_cast<void *>(handle)) : 0);
  return R(r);
}

struct DevHMAC_INFO {
  uint32_t HashAlgid, pbInnerString, cbInnerString, pbOuterString, cbOuterString;
};

uint64_t CryptSetHashParam_(const Call &c, void *)
{
  HCRYPTHASH hash = reinterpret_cast<HCRYPTHASH>(HostHandle(c.Arg(0)));
  DWORD param = c.Arg(1);
  if (param == HP_HMAC_INFO) {
    const DevHMAC_INFO *d = At<DevHMAC_INFO>(c.Arg(2));
    HMAC_INFO info = {d->HashAlgid, HostOf<BYTE *>(d->pbInnerString), d->cbInnerString,
                      HostOf<BYTE *>(d->pbOuterString), d->cbOuterString};
    return R(CryptSetHashParam(hash, param, reinterpret_cast<BYTE *>(&info), c.Arg(3)));
  }
  if (param != HP_HASHVAL)
    Fail("CryptSetHashParam with parameter %lu", param);
  return R(CryptSetHashParam(hash, param, P<BYTE *>(c, 2), c.Arg(3)));
}

const ImportRow kRows[] = {
    {"__rt_sdiv", RtSdiv, false},
    {"__rt_udiv", RtUdiv, false},
    {"GetProcessHeap", GetProcessHeap_, false},
    {"HeapAlloc", HeapAlloc_, false},
    {"HeapReAlloc", HeapReAlloc_, false},
    {"HeapFree", HeapFree_, false},
    {"LocalAlloc", LocalAlloc_, false},
    {"LocalFree", LocalFree_, false},
    {"CryptAcquireContextW", CryptAcquireContextW_, false},
    {"CryptSetHashParam", CryptSetHashParam_, false},
    {"CryptCreateHash", CryptWithOutHandle<4>, true},
    {"CryptImportKey", CryptWithOutHandle<5>, true},
    {"CryptDuplicateHash", CryptWithOutHandle<3>, true},
    {"CryptHashData", (PassHandles<1, false>), true},
    {"CryptGetHashParam", (PassHandles<1, false>), true},
    {"CryptDestroyHash", ReleaseHandle<1>, true},
    {"CryptDestroyKey", ReleaseHandle<1>, true},
    {"CryptReleaseContext", ReleaseHandle<1>, true},
};

}  // namespace

const ImportTable kRuntimeImports = CERUN_IMPORT_TABLE(kRows);

}  // namespace cerun
