#pragma once
// ce-run: runs an ARM Thumb-2 Windows CE image (the launcher or the setup extension) on
// this machine. The image's own code runs in the Unicorn CPU emulator; every function it
// imports from the device's core library runs natively through Wine. Emulated memory lies
// at the same addresses in this process (below 2 GB), so strings and buffers pass as they
// are; structures holding pointers or handles are converted at the boundary in the
// device's 32-bit shapes.
#include <windows.h>

#include <stdint.h>

#include <unicorn/unicorn.h>

// The device's records with their pointers and handles as the 32-bit numbers it holds
// (ce-run/build.sh defines CE_DEVICE_RECORDS_AS_NUMBERS for every file of ce-run).
#ifndef CE_DEVICE_RECORDS_AS_NUMBERS
#error "ce-run reads device records as 32-bit numbers: build it with ce-run/build.sh"
#endif
#include "cecompat/DeviceRecords.h"

namespace cerun {

typedef uint32_t Addr;

extern bool g_verbose;

// Ends the run with the reason, exit code 3 (the image's own exit codes are its own).
[[noreturn]] void Fail(const char *format, ...);
void Trace(const char *format, ...);
// Traces into that file instead of the standard error (a Winelib program's standard error is
// its parent's, whatever handle a Windows parent gave it). False when it cannot be made.
bool TraceInto(const wchar_t *path);

// ---- memory (Memory.cpp) ----
void InitMemory();
uc_engine *Engine();
Addr ImageArea(uint32_t size);  // room for one image, aligned to 64 KB
Addr StackTop();
Addr TrapArea();                // the first trap; traps are 4 bytes each
Addr StopAddress();             // where device code returns to when a host call ends
Addr HeapAlloc32(uint32_t size);
Addr HeapReAlloc32(Addr block, uint32_t size);
void HeapFree32(Addr block);
uint32_t HeapSize32(Addr block);
Addr ScratchAlloc(uint32_t size);  // released with the mark
uint32_t ScratchMark();
void ScratchRelease(uint32_t mark);
bool InRegion(Addr address, uint32_t size);

template <class T> inline T *At(Addr address) { return reinterpret_cast<T *>(static_cast<uintptr_t>(address)); }
inline Addr AddrOf(const void *p) { return static_cast<Addr>(reinterpret_cast<uintptr_t>(p)); }
inline uint32_t Get32(Addr a) { return *At<uint32_t>(a); }
inline void Put32(Addr a, uint32_t v) { *At<uint32_t>(a) = v; }
// A device value as the host takes it: 32-bit values are sign-extended, so that handles
// such as HKEY_CURRENT_USER or HWND_TOPMOST keep their meaning; device pointers lie below
// 2 GB and are unchanged by it.
inline INT_PTR Wide(uint32_t v) { return static_cast<INT_PTR>(static_cast<int32_t>(v)); }
template <class T> inline T HostOf(uint32_t v) { return reinterpret_cast<T>(Wide(v)); }
// Whether device code can hold a host pointer.
inline bool Fits(INT_PTR value) { return value == Wide(static_cast<uint32_t>(value)); }
// Handles are not pointers: any 32-bit value is one a device holds, whether the host gives
// it zero- or sign-extended (a GDI handle such as 0xa70100a2), and it goes back to the
// host sign-extended, as a 64-bit system takes a 32-bit program's handles.
inline bool HandleFits(INT_PTR value) { return Fits(value) || (static_cast<uint64_t>(value) >> 32) == 0; }
uint32_t NarrowHandle(INT_PTR value, const char *what);

// ---- calls between device and host (Emulator.cpp) ----
struct Call {
  uint32_t r[4];
  Addr sp;
  uint32_t Arg(int i) const { return i < 4 ? r[i] : Get32(sp + 4 * (i - 4)); }
};
// A trap's host side: returns r0 (low half) and r1 (high half).
typedef uint64_t (*Handler)(const Call &call, void *host);
Addr AddTrap(const char *name, Handler handler, void *host);
const char *TrapName(Addr address);
// The host pointer of a trap made with that handler, or nullptr.
void *TrapHostOf(Addr address, Handler handler);
// The image's instruction set: Thumb-2 only (machine 0x1C4, every code address is Thumb) or
// ARM with Thumb interworking (0x1C0, 0x1C2: an address's low bit says Thumb).
void SetArmImage(bool arm);
// The address device code at `address` is entered at, its low bit giving the state.
Addr CodeAddress(Addr address);
// Calls device code at fn with the arguments; returns r0. Host calls it makes run
// natively and may call device code again.
uint32_t CallDevice(Addr fn, const uint32_t *args, int count);
void InitEmulator();

// ---- callbacks (Thunks.cpp) ----
enum ProcKind { PROC_WINDOW, PROC_DIALOG };
// A host procedure that runs the device procedure; the same one for the same address.
void *HostProcFor(Addr deviceProc, ProcKind kind);
// What the device sees for a host procedure (its own address when it is one of its own).
uint32_t DeviceProcFor(void *hostProc);
// The host procedure behind a value DeviceProcFor gave, or nullptr for device code.
void *HostProcBehind(uint32_t deviceValue);
// A window of the host's whose procedure device code replaced by one of its own, and the
// host's procedure it had: what the device never delivers goes there.
void NoteSubclassed(HWND window, void *previousHostProc);

// ---- handles that are host pointers (Handles.cpp) ----
uint32_t DeviceHandle(void *host);  // nullptr stays 0
void *HostHandle(uint32_t device);  // fails the run for a value it never gave
void ForgetHandle(uint32_t device);

// ---- messages (Messages.cpp) ----
// Host to device: lParam/wParam as the device procedure takes them. Returns false when the
// message cannot reach device code (a host pointer it could not hold) and is left to the
// host's default handling.
struct Outgoing;
struct Converted {
  UINT message;
  WPARAM hostW;
  LPARAM hostL;
  uint32_t w, l;
  Addr device;     // the device copy of the structure, 0 for none
  Outgoing *from;  // the device's own message coming back to device code, or nullptr
};
bool MessageToDevice(UINT message, WPARAM w, LPARAM l, Converted *out);
void MessageBackToHost(const Converted &converted);  // results the device wrote
void PushConverted(const Converted *converted);
void PopConverted();
// Device to host: a message the device sends or passes on; `after` copies results back.
struct Outgoing {
  UINT message;
  WPARAM w;
  LPARAM l;
  uint32_t deviceL;
  int kind;
  unsigned char host[256];
};
void MessageToHost(UINT message, uint32_t w, uint32_t l, Outgoing *out);
INT_PTR MessageResultToDevice(const Outgoing &out, INT_PTR result);
void MessageAfterHost(const Outgoing &out);

// ---- what the device refuses (DeviceRefusals.cpp) ----
// The trap for an import, guarded by what the device documents it refuses, if anything.
Addr GuardedTrap(const char *name, Handler handler, void *host);
// Whether the device ever delivers the message to a procedure of device code.
bool DeviceDelivers(UINT message);

// ---- timers (Timers.cpp) ----
// Whether the device's timer was set for INFINITE milliseconds.
bool IsEverlastingTimer(uint32_t window, uint32_t id);

// ---- waits on several objects, the windows walked (WaitsAndWindows.cpp) ----
uint64_t EnumWindows_(const Call &c, void *host);
uint64_t MsgWaitForMultipleObjectsEx_(const Call &c, void *host);

// ---- the images (Loader.cpp) ----
struct Image {
  Addr base;
  uint32_t size;
  Addr entry;
  bool dll;
};
bool LoadImage(const wchar_t *path, Image *image);
Addr ExportOf(const Image &image, const char *name);

// ---- imports (Imports.cpp) ----
// The trap for an import of the device's core library; fails the run for one it does not know.
Addr BindImport(const char *dll, const char *name);
void SetMainImage(const Image &image, const wchar_t *path);

// ---- the Windows Mobile shell library (ShellLibrary.cpp) ----
// The handle of aygshell.dll when the name is that library's and the run is Windows
// Mobile's, or 0.
uint32_t LoadShellLibrary(LPCWSTR name);
bool IsShellLibrary(uint32_t module);
Addr ShellLibraryEntry(LPCWSTR name);
Addr MainImageBase();

}  // namespace cerun
