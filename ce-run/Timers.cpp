// The device's timers. One with a procedure of device code and no window runs through a host
// timer procedure of ce-run's, which the host's DispatchMessageW calls for that timer's
// WM_TIMER, as the device's message dispatch calls the device procedure; the message's
// lParam, the procedure's address, is the device's on the device side and the host's on the
// host side. A timer with neither a window nor a procedure is never delivered (SetTimer,
// CE 5.0): it is given an identifier of its own and the host never sees it. The rules that
// refuse or adjust the calls (the identifier of a timer without a window ignored, KillTimer
// failing for one of INFINITE milliseconds) are rows of DeviceRefusals.cpp.
#include "ce-run/ImportCalls.h"

namespace cerun {

namespace {

const int TIMER_RECORDS = 64;
// Identifiers of the timers that are never delivered, which the host never sees.
const uint32_t SILENT_TIMER_BASE = 0x7FFF0000;

struct TimerRecord {
  bool used;
  HWND window;
  UINT_PTR id;       // as the host gave it, or a silent timer's own
  Addr deviceProc;   // the device's timer procedure, 0 for none
  bool silent;       // neither a window nor a procedure: never delivered
  bool everlasting;  // INFINITE milliseconds
};
TimerRecord g_timers[TIMER_RECORDS];
uint32_t g_nextSilent = SILENT_TIMER_BASE;

TimerRecord *FindTimer(HWND window, UINT_PTR id)
{
  for (TimerRecord &t : g_timers)
    if (t.used && t.window == window && t.id == id)
      return &t;
  return nullptr;
}

TimerRecord *NewTimer()
{
  for (TimerRecord &t : g_timers)
    if (!t.used)
      return &t;
  Fail("more than %d timers that ce-run keeps a record of", TIMER_RECORDS);
}

void CALLBACK RunDeviceTimer(HWND window, UINT message, UINT_PTR id, DWORD time)
{
  const TimerRecord *t = FindTimer(window, id);
  if (t == nullptr || t->deviceProc == 0)
    return;  // killed after its message was queued
  uint32_t args[4] = {static_cast<uint32_t>(reinterpret_cast<INT_PTR>(window)), message, static_cast<uint32_t>(id),
                      time};
  CallDevice(t->deviceProc, args, 4);
}

// SetTimer(window, id, milliseconds, procedure).
uint64_t SetTimer_(const Call &c, void *)
{
  HWND window = P<HWND>(c, 0);
  uint32_t elapse = c.Arg(2);
  Addr proc = c.Arg(3);
  if (window != nullptr && proc != 0)
    Fail("SetTimer with both a window and a timer procedure");
  bool silent = window == nullptr && proc == 0;
  UINT_PTR id = silent ? g_nextSilent++ : SetTimer(window, c.Arg(1), elapse, proc != 0 ? RunDeviceTimer : nullptr);
  if (id == 0)
    return 0;
  if (id > 0xFFFFFFFFu || (!silent && window == nullptr && id >= SILENT_TIMER_BASE))
    Fail("the host gave the timer identifier 0x%llx, outside those ce-run gives the device",
         static_cast<unsigned long long>(id));
  // A window's timer is known by the identifier given, set again it replaces the one before;
  // a record is kept of what the host does not know.
  UINT_PTR key = window != nullptr ? c.Arg(1) : id;
  TimerRecord *t = FindTimer(window, key);
  if (proc == 0 && !silent && elapse != INFINITE) {
    if (t != nullptr)
      t->used = false;
    return id;
  }
  if (t == nullptr)
    t = NewTimer();
  *t = TimerRecord{true, window, key, proc, silent, elapse == INFINITE};
  return id;
}

// KillTimer(window, id).
uint64_t KillTimer_(const Call &c, void *)
{
  HWND window = P<HWND>(c, 0);
  UINT_PTR id = c.Arg(1);
  TimerRecord *t = FindTimer(window, id);
  if (t != nullptr && t->silent) {
    t->used = false;
    return TRUE;
  }
  BOOL killed = KillTimer(window, id);
  if (killed && t != nullptr)
    t->used = false;
  return killed;
}

const ImportRow kRows[] = {
    {"SetTimer", SetTimer_, false},
    {"KillTimer", KillTimer_, false},
};

}  // namespace

uint32_t TimerParamToDevice(const MSG &m)
{
  if (m.message == WM_TIMER && m.lParam == reinterpret_cast<LPARAM>(RunDeviceTimer)) {
    const TimerRecord *t = FindTimer(m.hwnd, m.wParam);
    return t != nullptr ? t->deviceProc : 0;
  }
  return static_cast<uint32_t>(m.lParam);
}

LPARAM TimerParamToHost(UINT message, HWND window, WPARAM id, uint32_t deviceL)
{
  if (message != WM_TIMER || deviceL == 0)
    return Wide(deviceL);
  const TimerRecord *t = FindTimer(window, id);
  if (t == nullptr || t->deviceProc != deviceL)
    Fail("a WM_TIMER of timer %lu carries the procedure 0x%08x, which that timer does not have",
         static_cast<unsigned long>(id), deviceL);
  return reinterpret_cast<LPARAM>(RunDeviceTimer);
}

bool IsEverlastingTimer(uint32_t window, uint32_t id)
{
  const TimerRecord *t = FindTimer(HostOf<HWND>(window), id);
  return t != nullptr && t->everlasting;
}

const ImportTable kTimerImports = CERUN_IMPORT_TABLE(kRows);

}  // namespace cerun
