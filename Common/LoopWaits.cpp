// The objects the message loop waits on besides its messages.
#include "Common/StdInit.h"

struct LoopWaitState {
  HANDLE handles[LOOP_WAIT_LIMIT];
  int count;
  DWORD timeout;
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
  s_waits.handler = count > 0 ? handler : nullptr;
}

void SetLoopWaitTimeout(DWORD timeoutMs)
{
  s_waits.timeout = timeoutMs;
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
  DWORD woken = MsgWaitForMultipleObjectsEx(count, s_waits.handles, s_waits.timeout,
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
  if (s_waits.handler != nullptr)
    s_waits.handler(woken == WAIT_TIMEOUT ? -1 : static_cast<int>(woken - WAIT_OBJECT_0));
  return false;
}
