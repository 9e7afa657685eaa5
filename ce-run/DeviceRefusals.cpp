// What the device documents that it refuses, or does otherwise than a desktop, and ce-run
// does the same, so that a desktop habit in the image fails here as it would on a device
// instead of being served by the host's forgiving call. One row a rule, each with the
// device's page it comes from (the Windows CE 5.0 reference and SDK headers; the CE 6.0
// and Compact 2013 pages say the same where they have the call).
#include "ce-run/CeRun.h"

#include <commctrl.h>
#include <wincrypt.h>

namespace cerun {

namespace {

uint32_t Arg(const Call &c, int i) { return c.Arg(i); }

bool ImportKeyFlagsUndocumented(const Call &c) { return (Arg(c, 4) & ~(CRYPT_EXPORTABLE | CRYPT_NO_SALT)) != 0; }
bool Always(const Call &) { return true; }
bool ImageListWithoutColour(const Call &c) { return (Arg(c, 2) & 0xFE) == 0; }
void AskFourBits(Call *c) { c->r[2] |= ILC_COLOR4; }
bool AnotherProcessWindow(const Call &c)
{
  DWORD owner = 0;
  GetWindowThreadProcessId(HostOf<HWND>(Arg(c, 0)), &owner);
  return owner != 0 && owner != GetCurrentProcessId();
}
// Security attributes (2, 3), inheritance (4), environment (6), current folder (7), start-up
// record (8).
bool ProcessArgumentsNotNull(const Call &c)
{
  return Arg(c, 2) != 0 || Arg(c, 3) != 0 || Arg(c, 4) != 0 || Arg(c, 6) != 0 || Arg(c, 7) != 0 || Arg(c, 8) != 0;
}
bool OpenKeyReservedOrAccess(const Call &c) { return Arg(c, 2) != 0 || Arg(c, 3) != 0; }
bool CreateKeyReservedOrAccess(const Call &c)
{
  return Arg(c, 2) != 0 || Arg(c, 4) != 0 || Arg(c, 5) != 0 || Arg(c, 6) != 0;
}
// The device's queue has no hot keys and no raw input: its QS_ALLINPUT is 0x7F.
bool WakeMaskOrFlagsUndocumented(const Call &c)
{
  return (Arg(c, 3) & ~0x7Fu) != 0 || (Arg(c, 4) & ~static_cast<uint32_t>(MWMO_INPUTAVAILABLE)) != 0;
}
template <int reserved> bool ReservedNotZero(const Call &c) { return Arg(c, reserved) != 0; }
bool TimerIdentifierWithoutWindow(const Call &c) { return Arg(c, 0) == 0 && Arg(c, 1) != 0; }
void IgnoreTimerIdentifier(Call *c) { c->r[1] = 0; }
bool EverlastingTimer(const Call &c) { return IsEverlastingTimer(Arg(c, 0), Arg(c, 1)); }
// A width or height (4, 5) that is neither 0 nor the icon's own.
bool IconAtAnotherSize(const Call &c)
{
  int width = static_cast<int>(Arg(c, 4)), height = static_cast<int>(Arg(c, 5));
  ICONINFO info = {};
  if ((width == 0 && height == 0) || !GetIconInfo(HostOf<HICON>(Arg(c, 3)), &info))
    return false;
  BITMAP shape = {};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof shape, &shape);
  int ownHeight = info.hbmColor != nullptr ? shape.bmHeight : shape.bmHeight / 2;
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr)
    DeleteObject(info.hbmColor);
  return width != shape.bmWidth || height != ownHeight;
}

struct Rule {
  const char *function;        // the import, or nullptr for a rule on messages
  UINT firstMessage, lastMessage;  // messages never delivered to device procedures
  bool (*applies)(const Call &call);
  void (*adjust)(Call *call);  // the device's own way with the arguments, or nullptr: refused
  DWORD error;                 // the last error of a refusal
  uint32_t result;             // what a refusal returns
  const char *page;
};

const Rule kRules[] = {
    {"CryptImportKey", 0, 0, ImportKeyFlagsUndocumented, nullptr, static_cast<DWORD>(NTE_BAD_FLAGS), FALSE,
     "CryptImportKey (CE 5.0): dwFlags is CRYPT_EXPORTABLE or CRYPT_NO_SALT; others give NTE_BAD_FLAGS"},
    {"CryptDuplicateHash", 0, 0, Always, nullptr, ERROR_CALL_NOT_IMPLEMENTED, FALSE,
     "CryptDuplicateHash (CE 5.0): may not be implemented by existing CSPs (ERROR_CALL_NOT_IMPLEMENTED)"},
    {"ImageList_Create", 0, 0, ImageListWithoutColour, AskFourBits, 0, 0,
     "ImageList_Create (CE 5.0): without an ILC_COLOR flag the default depth, typically ILC_COLOR4"},
    {"SetWindowLongW", 0, 0, AnotherProcessWindow, nullptr, ERROR_ACCESS_DENIED, 0,
     "SetWindowLong (CE 5.0): fails for a window that does not belong to the calling process"},
    {"CreateProcessW", 0, 0, ProcessArgumentsNotNull, nullptr, ERROR_INVALID_PARAMETER, FALSE,
     "CreateProcess (CE 5.0): lpsaProcess, lpsaThread, pvEnvironment, pszCurDir, psiStartInfo not "
     "supported, set to NULL; fInheritHandles set to FALSE"},
    {"RegOpenKeyExW", 0, 0, OpenKeyReservedOrAccess, nullptr, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
     "RegOpenKeyEx (CE 5.0): ulOptions reserved, set to 0; samDesired not supported, set to 0"},
    {"RegCreateKeyExW", 0, 0, CreateKeyReservedOrAccess, nullptr, ERROR_INVALID_PARAMETER,
     ERROR_INVALID_PARAMETER,
     "RegCreateKeyEx (CE 5.0): Reserved, dwOptions and samDesired set to 0; lpSecurityAttributes set to NULL"},
    {"RegQueryValueExW", 0, 0, ReservedNotZero<2>, nullptr, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
     "RegQueryValueEx (CE 5.0): lpReserved reserved, set to NULL"},
    {"RegSetValueExW", 0, 0, ReservedNotZero<2>, nullptr, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
     "RegSetValueEx (CE 5.0): Reserved, set to 0"},
    {"RegEnumKeyExW", 0, 0, ReservedNotZero<4>, nullptr, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
     "RegEnumKeyEx (CE 5.0): lpReserved reserved, set to NULL"},
    {"RegEnumValueW", 0, 0, ReservedNotZero<4>, nullptr, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
     "RegEnumValue (CE 5.0): lpReserved reserved, set to NULL"},
    {"SetTimer", 0, 0, TimerIdentifierWithoutWindow, IgnoreTimerIdentifier, 0, 0,
     "SetTimer (CE 5.0): with hWnd NULL no window is associated with the timer and nIDEvent is ignored"},
    {"KillTimer", 0, 0, EverlastingTimer, nullptr, 0, FALSE,
     "SetTimer (CE 5.0): if uElapse is INFINITE, KillTimer fails to destroy the timer"},
    {"MsgWaitForMultipleObjectsEx", 0, 0, WakeMaskOrFlagsUndocumented, nullptr, ERROR_INVALID_PARAMETER,
     WAIT_FAILED,
     "MsgWaitForMultipleObjectsEx (CE 5.0): dwWakeMask a combination of the QS_ values listed (winuser.h: "
     "QS_ALLINPUT 0x7F, no QS_HOTKEY or QS_RAWINPUT); dwFlags 0 or MWMO_INPUTAVAILABLE"},
    {"DrawIconEx", 0, 0, IconAtAnotherSize, nullptr, ERROR_INVALID_PARAMETER, FALSE,
     "DrawIconEx (CE 6.0, Compact 2013; DrawIconEx_I, CE 5.0): cxWidth and cyWidth must be zero or the "
     "native dimensions of the icon"},
    {nullptr, WM_NCCREATE, WM_NCACTIVATE, nullptr, nullptr, 0, 0,
     "Windows Overview (CE 5.0): the non-client area is the system's, no WM_NC messages; CreateWindow and "
     "DestroyWindow send no WM_NCCREATE or WM_NCDESTROY"},
    {nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, nullptr, nullptr, 0, 0,
     "Windows Overview (CE 5.0): no non-client mouse messages"},
    {nullptr, WM_TIMECHANGE, WM_TIMECHANGE, nullptr, nullptr, 0, 0,
     "winuser.h (CE 5.0 SDK) has no WM_TIMECHANGE: a changed clock comes as a notification"},
    {nullptr, WM_POWERBROADCAST, WM_POWERBROADCAST, nullptr, nullptr, 0, 0,
     "winuser.h (CE 5.0 SDK) has no WM_POWERBROADCAST: power comes through RequestPowerNotifications"},
};

// An import with its rule, and the trap that serves it when the rule lets it through.
struct Guarded {
  const Rule *rule;
  Handler handler;
  void *host;
};
const int MAX_GUARDED = sizeof kRules / sizeof kRules[0];
Guarded g_guarded[MAX_GUARDED];
int g_guardedCount = 0;

uint64_t Guard(const Call &call, void *slot)
{
  const Guarded *guarded = static_cast<const Guarded *>(slot);
  const Rule &rule = *guarded->rule;
  Call served = call;
  if (rule.applies(call)) {
    if (rule.adjust == nullptr) {
      Trace("%s refused as the device does: %s", rule.function, rule.page);
      SetLastError(rule.error);
      return rule.result;
    }
    rule.adjust(&served);
  }
  return guarded->handler(served, guarded->host);
}

}  // namespace

Addr GuardedTrap(const char *name, Handler handler, void *host)
{
  for (const Rule &rule : kRules) {
    if (rule.function == nullptr || lstrcmpA(rule.function, name) != 0)
      continue;
    if (g_guardedCount == MAX_GUARDED)
      Fail("%s bound twice", name);
    g_guarded[g_guardedCount] = Guarded{&rule, handler, host};
    return AddTrap(name, Guard, &g_guarded[g_guardedCount++]);
  }
  return AddTrap(name, handler, host);
}

bool DeviceDelivers(UINT message)
{
  for (const Rule &rule : kRules)
    if (rule.function == nullptr && message >= rule.firstMessage && message <= rule.lastMessage)
      return false;
  return true;
}

}  // namespace cerun
