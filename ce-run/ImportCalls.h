#pragma once
// What the units serving the device's imports share: the device's arguments as the host
// takes them, the host's results as the device holds them, and each unit's table of the
// functions it serves.
#include "ce-run/CeRun.h"

namespace cerun {

typedef INT_PTR(WINAPI *HostFn)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR,
                                INT_PTR, INT_PTR, INT_PTR);

inline INT_PTR A(const Call &c, int i) { return Wide(c.Arg(i)); }
template <class T> T P(const Call &c, int i) { return HostOf<T>(c.Arg(i)); }
inline uint64_t R(INT_PTR value) { return static_cast<uint32_t>(value); }
inline uint64_t RHandle(const void *h) { return DeviceHandle(const_cast<void *>(h)); }

// The handle of the process heap, whose blocks lie in emulated memory.
const uint32_t PROCESS_HEAP = 0x7DFF0000;

// The host's function run as it is: numbers, handles the host keeps small, pointers to
// plain data or to device memory.
uint64_t Pass(const Call &c, void *host);

// Arguments and results that are handles to host objects (image lists, crypto objects,
// modules): `handles` says which arguments, by bit; a result of one is narrowed through
// the handle table.
template <unsigned handles, bool handleResult> uint64_t PassHandles(const Call &c, void *host)
{
  INT_PTR a[12];
  for (int i = 0; i < 12; ++i)
    a[i] = (handles & (1u << i)) ? reinterpret_cast<INT_PTR>(HostHandle(c.Arg(i))) : A(c, i);
  INT_PTR r = reinterpret_cast<HostFn>(host)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]);
  return handleResult ? RHandle(reinterpret_cast<void *>(r)) : R(r);
}

// A call that ends the life of the host object its first argument is the handle of.
template <unsigned handles> uint64_t ReleaseHandle(const Call &c, void *host)
{
  uint32_t device = c.Arg(0);
  uint64_t r = PassHandles<handles, false>(c, host);
  if (r)
    ForgetHandle(device);
  return r;
}

// One function a unit serves: its handler, and whether the handler runs the host's function
// of the same name (looked up when the image imports it).
struct ImportRow {
  const char *name;
  Handler handler;
  bool runsHostFunction;
};
struct ImportTable {
  const ImportRow *rows;
  size_t count;
};
#define CERUN_IMPORT_TABLE(rows) {rows, sizeof rows / sizeof rows[0]}

extern const ImportTable kWindowImports;        // WindowImports.cpp
extern const ImportTable kShellAndFileImports;  // ShellAndFileImports.cpp
extern const ImportTable kStoreImports;         // StoreImports.cpp
extern const ImportTable kRuntimeImports;       // RuntimeImports.cpp
extern const ImportTable kTimerImports;         // Timers.cpp

// A WM_TIMER's lParam, the timer's procedure, as the device holds it and as the host does;
// other messages' lParam as it is (Timers.cpp).
uint32_t TimerParamToDevice(const MSG &m);
LPARAM TimerParamToHost(UINT message, HWND window, WPARAM id, uint32_t deviceL);

}  // namespace cerun
