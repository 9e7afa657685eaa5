// Procedures that device code hands to the host (window, dialog and subclass procedures)
// run through host procedures of their own, so no device code address reaches the host;
// host procedures that device code receives (a control's own window procedure, when it is
// subclassed) are traps that call them.
#include "ce-run/CeRun.h"

#include <array>
#include <map>
#include <utility>
#include <vector>

namespace cerun {

namespace {

const int SLOTS = 128;

struct Slot {
  Addr device;
  ProcKind kind;
};
Slot g_slots[SLOTS];
int g_used = 0;
std::map<void *, uint32_t> g_hostProcs;  // host procedure -> its trap
std::map<HWND, void *> g_subclassed;     // host window -> the host procedure device code replaced

// A message the device never sends goes where it would go without device code: to the
// host's procedure of a subclassed control, else the default handling.
LRESULT PassOverDevice(ProcKind kind, HWND window, UINT message, WPARAM w, LPARAM l)
{
  auto found = g_subclassed.find(window);
  if (found != g_subclassed.end()) {
    void *previous = found->second;
    if (message == WM_NCDESTROY)
      g_subclassed.erase(found);
    return CallWindowProcW(reinterpret_cast<WNDPROC>(previous), window, message, w, l);
  }
  return kind == PROC_WINDOW ? DefWindowProcW(window, message, w, l) : 0;
}

LRESULT RunDeviceProc(int index, HWND window, UINT message, WPARAM w, LPARAM l)
{
  const Slot &slot = g_slots[index];
  if (!DeviceDelivers(message))
    return PassOverDevice(slot.kind, window, message, w, l);
  uint32_t mark = ScratchMark();
  Converted converted;
  if (!HandleFits(reinterpret_cast<INT_PTR>(window)) || !MessageToDevice(message, w, l, &converted)) {
    ScratchRelease(mark);
    Trace("message 0x%x left to the host's default handling", message);
    return slot.kind == PROC_WINDOW ? DefWindowProcW(window, message, w, l) : 0;
  }
  PushConverted(&converted);
  uint32_t args[4] = {static_cast<uint32_t>(reinterpret_cast<INT_PTR>(window)), message, converted.w, converted.l};
  uint32_t result = CallDevice(slot.device, args, 4);
  PopConverted();
  MessageBackToHost(converted);
  ScratchRelease(mark);
  return Wide(result);
}

template <int N> LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM w, LPARAM l)
{
  return RunDeviceProc(N, window, message, w, l);
}

// The host procedures, one a slot (kept as plain addresses: a template argument drops the
// calling convention of a function pointer type).
template <int... N> std::array<void *, sizeof...(N)> MakeThunks(std::integer_sequence<int, N...>)
{
  return {{reinterpret_cast<void *>(&Thunk<N>)...}};
}
const std::array<void *, SLOTS> g_thunks = MakeThunks(std::make_integer_sequence<int, SLOTS>());

// A host procedure called by device code, directly or through CallWindowProcW.
uint64_t CallHostProc(const Call &call, void *host)
{
  Outgoing out;
  MessageToHost(call.Arg(1), call.Arg(2), call.Arg(3), &out);
  LRESULT result = CallWindowProcW(reinterpret_cast<WNDPROC>(host), HostOf<HWND>(call.Arg(0)), out.message, out.w,
                                   out.l);
  MessageAfterHost(out);
  return static_cast<uint32_t>(MessageResultToDevice(out, result));
}

}  // namespace

void *HostProcFor(Addr device, ProcKind kind)
{
  if (device == 0)
    return nullptr;
  if (void *host = TrapHostOf(device, CallHostProc))
    return host;
  for (int i = 0; i < g_used; ++i)
    if (g_slots[i].device == CodeAddress(device) && g_slots[i].kind == kind)
      return g_thunks[i];
  if (g_used == SLOTS)
    Fail("more than %d device procedures", SLOTS);
  g_slots[g_used] = Slot{CodeAddress(device), kind};
  return g_thunks[g_used++];
}

uint32_t DeviceProcFor(void *host)
{
  if (host == nullptr)
    return 0;
  for (int i = 0; i < g_used; ++i)
    if (g_thunks[i] == host)
      return g_slots[i].device;
  auto found = g_hostProcs.find(host);
  if (found != g_hostProcs.end())
    return found->second;
  uint32_t trap = AddTrap("a host window procedure", CallHostProc, host);
  g_hostProcs[host] = trap;
  return trap;
}

void *HostProcBehind(uint32_t device) { return TrapHostOf(device, CallHostProc); }

void NoteSubclassed(HWND window, void *previous)
{
  if (previous == nullptr)
    return;
  for (int i = 0; i < g_used; ++i)
    if (g_thunks[i] == previous)
      return;  // a procedure of device code: it receives nothing the device does not send
  g_subclassed[window] = previous;
}

// ---- handles that are host pointers ----

namespace {
std::vector<void *> g_handles;
const uint32_t HANDLE_BASE = 0x7E000000;
}  // namespace

uint32_t DeviceHandle(void *host)
{
  if (host == nullptr)
    return 0;
  if (Fits(reinterpret_cast<INT_PTR>(host)) && reinterpret_cast<uintptr_t>(host) < HANDLE_BASE)
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(host));
  for (size_t i = 0; i < g_handles.size(); ++i)
    if (g_handles[i] == host)
      return HANDLE_BASE + 4 * static_cast<uint32_t>(i);
  for (size_t i = 0; i < g_handles.size(); ++i)
    if (g_handles[i] == nullptr) {
      g_handles[i] = host;
      return HANDLE_BASE + 4 * static_cast<uint32_t>(i);
    }
  g_handles.push_back(host);
  return HANDLE_BASE + 4 * static_cast<uint32_t>(g_handles.size() - 1);
}

void *HostHandle(uint32_t device)
{
  if (device < HANDLE_BASE)
    return reinterpret_cast<void *>(static_cast<uintptr_t>(device));
  uint32_t index = (device - HANDLE_BASE) / 4;
  if ((device - HANDLE_BASE) % 4 != 0 || index >= g_handles.size() || g_handles[index] == nullptr)
    Fail("device code passed the handle 0x%08x, which it was never given", device);
  return g_handles[index];
}

void ForgetHandle(uint32_t device)
{
  if (device < HANDLE_BASE)
    return;
  uint32_t index = (device - HANDLE_BASE) / 4;
  if (index < g_handles.size())
    g_handles[index] = nullptr;
}

}  // namespace cerun
