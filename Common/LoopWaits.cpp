// The objects the message loop waits on besides its messages.
#include "Common/StdInit.h"

struct LoopWaitState {
  HANDLE handles[LOOP_WAIT_LIMIT];
  int count;
  DWORD timeout;
  DWORD since;  // GetTickCount() when the time-out was set: it runs from there
  LoopWaitHandler handler;
};
static LoopWaitState s_waits;

void SetLoopWaits(const HANDLE *handles, int count, DWORD timeoutMs, LoopWaitHandler handler)
{
  if (count < 0 || handles == nullptr || handler == nullptr)
    count = 0;
  if (count > LOOP_WAIT_LIMIT)
    count = LOOP_WAIT_LIMIT;
  for (int i = 0; i < count; ++i)
    s_waits.handles[i] = handles[i];
  s_waits.count = count;
  s_waits.timeout = timeoutMs;
  s_waits.since = GetTickCount();
  s_waits.handler = count > 0 ? handler : nullptr;
}

void SetLoopWaitTimeout(DWORD timeoutMs)
{
  s_waits.timeout = timeoutMs;
  s_waits.since = GetTickCount();
}

// What is left of the time-out: it runs from when it was set, not from each wait, or a
// timer that ticks more often would put it off for ever.
static DWORD RemainingTimeout()
{
  if (s_waits.timeout == INFINITE)
    return INFINITE;
  DWORD passed = GetTickCount() - s_waits.since;
  return passed >= s_waits.timeout ? 0 : s_waits.timeout - passed;
}

// True when a message waits to be taken. A message already in the queue always goes first,
// so the loop takes its messages in the order GetMessageW gives them; only an empty queue
// waits for the objects as well.
bool WaitForLoopMessage()
{
  if (s_waits.count == 0)
    return true;
  MSG peeked;
  if (PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE))
    return true;
  DWORD count = static_cast<DWORD>(s_waits.count);
  DWORD woken = MsgWaitForMultipleObjectsEx(count, s_waits.handles, RemainingTimeout(),
                                            QS_ALLINPUT, 0);
  // Messages sent from another thread are handled by the look itself; only a posted or an
  // input message is taken.
  if (woken == WAIT_OBJECT_0 + count)
    return PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
  if (woken == WAIT_FAILED) {
    // A handle gone bad must not spin the loop: it goes back to its messages alone.
    s_waits.count = 0;
    return true;
  }
  // The time-out runs again from now unless the handler sets another.
  s_waits.since = GetTickCount();
  if (s_waits.handler != nullptr)
    s_waits.handler(woken == WAIT_TIMEOUT ? -1 : static_cast<int>(woken - WAIT_OBJECT_0));
  return false;
}
