// Platform calls that wait on several objects or walk the windows: their arguments are
// arrays of the device's 32-bit handles and a device procedure called back for each window.
#include "ce-run/CeRun.h"

namespace cerun {

namespace {

struct EnumContext {
  Addr proc;
  uint32_t lParam;
};

BOOL CALLBACK EnumToDevice(HWND window, LPARAM context)
{
  const EnumContext *e = reinterpret_cast<const EnumContext *>(context);
  uint32_t args[2] = {NarrowHandle(reinterpret_cast<INT_PTR>(window), "a window"), e->lParam};
  return CallDevice(e->proc, args, 2) != 0;
}

}  // namespace

// EnumWindows(proc, lParam): the device procedure is called for each top-level window.
uint64_t EnumWindows_(const Call &c, void *)
{
  EnumContext context = {c.Arg(0), c.Arg(1)};
  if (context.proc == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return EnumWindows(EnumToDevice, reinterpret_cast<LPARAM>(&context)) ? 1 : 0;
}

// MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wake mask, flags): the
// device's array holds 32-bit handles; the host's holds them widened.
uint64_t MsgWaitForMultipleObjectsEx_(const Call &c, void *)
{
  DWORD count = c.Arg(0);
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !InRegion(c.Arg(1), 4 * count))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i)
    handles[i] = HostOf<HANDLE>(Get32(c.Arg(1) + 4 * i));
  return MsgWaitForMultipleObjectsEx(count, count > 0 ? handles : nullptr, c.Arg(2), c.Arg(3), c.Arg(4));
}

}  // namespace cerun
