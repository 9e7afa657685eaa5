// The device's core library (coredll.dll) and common controls (commctrl.dll) as the image
// sees them. Functions whose arguments are numbers, handles and pointers to plain data run
// the host's function as they are; the others convert their structures, give handles that
// are host pointers a 32-bit stand-in, and hand device procedures host procedures of their
// own. The CE-only functions behave as the desktop stand-ins in cecompat/ do. An import
// not listed here ends the run with its name when the image is loaded.
#include "ce-run/CeRun.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>
#include <wincrypt.h>

#include <map>
#include <string>

#include "cecompat/CePlatform.h"
#include "cecompat/cedb/CeDatabase.h"

#undef SystemParametersInfoW
#undef RegDeleteKeyW
#undef CreateWindowExW
#undef SHGetFileInfoW
#undef GetProcAddressW

namespace cerun {

namespace {

typedef INT_PTR(WINAPI *HostFn)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR,
                                INT_PTR, INT_PTR, INT_PTR);

Image g_main;
wchar_t g_mainPath[MAX_PATH];  // the image's file, as this machine names it

INT_PTR A(const Call &c, int i) { return Wide(c.Arg(i)); }
template <class T> T P(const Call &c, int i) { return HostOf<T>(c.Arg(i)); }
uint64_t R(INT_PTR value) { return static_cast<uint32_t>(value); }
uint64_t RHandle(const void *h) { return DeviceHandle(const_cast<void *>(h)); }

// ---- the plain ones ----
uint64_t Pass(const Call &c, void *host)
{
  HostFn f = reinterpret_cast<HostFn>(host);
  return R(f(A(c, 0), A(c, 1), A(c, 2), A(c, 3), A(c, 4), A(c, 5), A(c, 6), A(c, 7), A(c, 8), A(c, 9), A(c, 10),
             A(c, 11)));
}

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

// ---- system colours: the device's indexes carry a flag, also as class and fill brushes
// (index + 1); the host's are the plain numbers ----
const uint32_t SYS_COLOR_FLAG = 0x40000000;

uint32_t HostColorIndex(uint32_t value)
{
  return (value & SYS_COLOR_FLAG) && (value & ~SYS_COLOR_FLAG) <= COLOR_MENUBAR + 1 ? value & ~SYS_COLOR_FLAG : value;
}

uint64_t GetSysColor_(const Call &c, void *) { return GetSysColor(HostColorIndex(c.Arg(0))); }

uint64_t GetSysColorBrush_(const Call &c, void *)
{
  return R(reinterpret_cast<INT_PTR>(GetSysColorBrush(HostColorIndex(c.Arg(0)))));
}

uint64_t FillRect_(const Call &c, void *)
{
  return R(FillRect(P<HDC>(c, 0), P<const RECT *>(c, 1), HostOf<HBRUSH>(HostColorIndex(c.Arg(2)))));
}

// ---- messages ----
struct DevMSG {
  uint32_t hwnd, message, wParam, lParam, time;
  POINT pt;
};
static_assert(sizeof(DevMSG) == 28, "MSG");

// The last message GetMessageW gave, whole: its parameters may be wider than the device's.
MSG g_lastMessage;
Addr g_lastMessageAt = 0;

void ToDeviceMsg(const MSG &m, Addr at)
{
  DevMSG *d = At<DevMSG>(at);
  d->hwnd = static_cast<uint32_t>(reinterpret_cast<INT_PTR>(m.hwnd));
  d->message = m.message;
  d->wParam = static_cast<uint32_t>(m.wParam);
  d->lParam = static_cast<uint32_t>(m.lParam);
  d->time = m.time;
  d->pt = m.pt;
  g_lastMessage = m;
  g_lastMessageAt = at;
}

MSG ToHostMsg(Addr at)
{
  const DevMSG *d = At<DevMSG>(at);
  if (at == g_lastMessageAt && d->message == g_lastMessage.message &&
      d->hwnd == static_cast<uint32_t>(reinterpret_cast<INT_PTR>(g_lastMessage.hwnd)) &&
      d->wParam == static_cast<uint32_t>(g_lastMessage.wParam) &&
      d->lParam == static_cast<uint32_t>(g_lastMessage.lParam))
    return g_lastMessage;
  MSG m;
  memset(&m, 0, sizeof m);
  m.hwnd = HostOf<HWND>(d->hwnd);
  m.message = d->message;
  m.wParam = d->wParam;
  m.lParam = Wide(d->lParam);
  m.time = d->time;
  m.pt = d->pt;
  return m;
}

uint64_t GetMessageW_(const Call &c, void *)
{
  MSG m;
  BOOL r = GetMessageW(&m, P<HWND>(c, 1), c.Arg(2), c.Arg(3));
  if (r != -1)
    ToDeviceMsg(m, c.Arg(0));
  return R(r);
}

uint64_t PeekMessageW_(const Call &c, void *)
{
  MSG m;
  BOOL r = PeekMessageW(&m, P<HWND>(c, 1), c.Arg(2), c.Arg(3), c.Arg(4));
  if (r)
    ToDeviceMsg(m, c.Arg(0));
  return R(r);
}

uint64_t TranslateMessage_(const Call &c, void *)
{
  MSG m = ToHostMsg(c.Arg(0));
  return R(TranslateMessage(&m));
}

uint64_t DispatchMessageW_(const Call &c, void *)
{
  MSG m = ToHostMsg(c.Arg(0));
  if (m.message == WM_TIMER && m.lParam != 0 && m.hwnd == nullptr)
    Fail("a timer procedure reached DispatchMessageW");
  return R(DispatchMessageW(&m));
}

uint64_t TranslateAcceleratorW_(const Call &c, void *)
{
  MSG m = ToHostMsg(c.Arg(2));
  return R(TranslateAcceleratorW(P<HWND>(c, 0), P<HACCEL>(c, 1), &m));
}

uint64_t IsDialogMessageW_(const Call &c, void *)
{
  MSG m = ToHostMsg(c.Arg(1));
  return R(IsDialogMessageW(P<HWND>(c, 0), &m));
}

uint64_t SendMessageW_(const Call &c, void *)
{
  Outgoing out;
  MessageToHost(c.Arg(1), c.Arg(2), c.Arg(3), &out);
  LRESULT r = SendMessageW(P<HWND>(c, 0), out.message, out.w, out.l);
  MessageAfterHost(out);
  return R(MessageResultToDevice(out, r));
}

uint64_t PostMessageW_(const Call &c, void *)
{
  Outgoing out;
  MessageToHost(c.Arg(1), c.Arg(2), c.Arg(3), &out);
  if (out.kind != 0)
    Fail("message 0x%x with a structure was posted", c.Arg(1));
  return R(PostMessageW(P<HWND>(c, 0), out.message, out.w, out.l));
}

uint64_t DefWindowProcW_(const Call &c, void *)
{
  Outgoing out;
  MessageToHost(c.Arg(1), c.Arg(2), c.Arg(3), &out);
  LRESULT r = DefWindowProcW(P<HWND>(c, 0), out.message, out.w, out.l);
  MessageAfterHost(out);
  return R(MessageResultToDevice(out, r));
}

uint64_t CallWindowProcW_(const Call &c, void *)
{
  uint32_t proc = c.Arg(0);
  void *host = HostProcBehind(proc);
  if (host == nullptr) {
    // Device code calling its own procedure.
    uint32_t args[4] = {c.Arg(1), c.Arg(2), c.Arg(3), c.Arg(4)};
    return CallDevice(proc, args, 4);
  }
  Outgoing out;
  MessageToHost(c.Arg(2), c.Arg(3), c.Arg(4), &out);
  LRESULT r = CallWindowProcW(reinterpret_cast<WNDPROC>(host), P<HWND>(c, 1), out.message, out.w, out.l);
  MessageAfterHost(out);
  return R(MessageResultToDevice(out, r));
}

// ---- windows and classes ----
struct DevWNDCLASSW {
  uint32_t style, lpfnWndProc;
  int32_t cbClsExtra, cbWndExtra;
  uint32_t hInstance, hIcon, hCursor, hbrBackground, lpszMenuName, lpszClassName;
};

uint64_t RegisterClassW_(const Call &c, void *)
{
  const DevWNDCLASSW *d = At<DevWNDCLASSW>(c.Arg(0));
  WNDCLASSW w;
  w.style = d->style;
  w.lpfnWndProc = reinterpret_cast<WNDPROC>(HostProcFor(d->lpfnWndProc, PROC_WINDOW));
  w.cbClsExtra = d->cbClsExtra;
  w.cbWndExtra = d->cbWndExtra;
  w.hInstance = HostOf<HINSTANCE>(d->hInstance);
  w.hIcon = HostOf<HICON>(d->hIcon);
  w.hCursor = HostOf<HCURSOR>(d->hCursor);
  w.hbrBackground = HostOf<HBRUSH>(HostColorIndex(d->hbrBackground));
  w.lpszMenuName = HostOf<LPCWSTR>(d->lpszMenuName);
  w.lpszClassName = HostOf<LPCWSTR>(d->lpszClassName);
  return R(RegisterClassW(&w));
}

uint64_t GetClassInfoW_(const Call &c, void *)
{
  WNDCLASSW w;
  BOOL r = GetClassInfoW(P<HINSTANCE>(c, 0), P<LPCWSTR>(c, 1), &w);
  if (r) {
    DevWNDCLASSW *d = At<DevWNDCLASSW>(c.Arg(2));
    d->style = w.style;
    d->lpfnWndProc = DeviceProcFor(reinterpret_cast<void *>(w.lpfnWndProc));
    d->cbClsExtra = w.cbClsExtra;
    d->cbWndExtra = w.cbWndExtra;
    d->hInstance = DeviceHandle(w.hInstance);
    d->hIcon = NarrowHandle(reinterpret_cast<INT_PTR>(w.hIcon), "icon");
    d->hCursor = NarrowHandle(reinterpret_cast<INT_PTR>(w.hCursor), "cursor");
    d->hbrBackground = NarrowHandle(reinterpret_cast<INT_PTR>(w.hbrBackground), "brush");
    d->lpszMenuName = Fits(reinterpret_cast<INT_PTR>(w.lpszMenuName)) ? AddrOf(w.lpszMenuName) : 0;
    d->lpszClassName = c.Arg(1);
  }
  return R(r);
}

uint64_t CreateWindowExW_(const Call &c, void *)
{
  // As the device does: a top-level window without caption bits has no caption.
  return R(reinterpret_cast<INT_PTR>(CeCreateWindowExW(
      c.Arg(0), P<LPCWSTR>(c, 1), P<LPCWSTR>(c, 2), c.Arg(3), static_cast<int32_t>(c.Arg(4)),
      static_cast<int32_t>(c.Arg(5)), static_cast<int32_t>(c.Arg(6)), static_cast<int32_t>(c.Arg(7)),
      P<HWND>(c, 8), P<HMENU>(c, 9), P<HINSTANCE>(c, 10), P<LPVOID>(c, 11))));
}

uint64_t CreateDialogIndirectParamW_(const Call &c, void *)
{
  DLGPROC proc = reinterpret_cast<DLGPROC>(HostProcFor(c.Arg(3), PROC_DIALOG));
  return R(reinterpret_cast<INT_PTR>(CreateDialogIndirectParamW(P<HINSTANCE>(c, 0), P<LPCDLGTEMPLATEW>(c, 1),
                                                                P<HWND>(c, 2), proc, A(c, 4))));
}

bool IsPointerIndex(int index)
{
  return index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA;
}

uint64_t SetWindowLongW_(const Call &c, void *)
{
  int index = static_cast<int32_t>(c.Arg(1));
  HWND window = P<HWND>(c, 0);
  if (index == GWLP_WNDPROC) {
    void *proc = HostProcFor(c.Arg(2), PROC_WINDOW);
    void *previous = reinterpret_cast<void *>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    NoteSubclassed(window, previous);
    return DeviceProcFor(previous);
  }
  if (IsPointerIndex(index))
    return R(SetWindowLongPtrW(window, index, A(c, 2)));
  return R(SetWindowLongW(window, index, static_cast<LONG>(c.Arg(2))));
}

uint64_t GetWindowLongW_(const Call &c, void *)
{
  int index = static_cast<int32_t>(c.Arg(1));
  HWND window = P<HWND>(c, 0);
  if (index == GWLP_WNDPROC)
    return DeviceProcFor(reinterpret_cast<void *>(GetWindowLongPtrW(window, GWLP_WNDPROC)));
  if (IsPointerIndex(index))
    return R(GetWindowLongPtrW(window, index));
  return R(GetWindowLongW(window, index));
}

uint64_t SetClassLongW_(const Call &c, void *)
{
  int index = static_cast<int32_t>(c.Arg(1));
  if (index == GCLP_WNDPROC)
    Fail("SetClassLongW with a window procedure");
  if (index == GCLP_HBRBACKGROUND || index == GCLP_HCURSOR || index == GCLP_HICON || index == GCLP_HICONSM ||
      index == GCLP_MENUNAME || index == GCLP_HMODULE)
    return R(SetClassLongPtrW(P<HWND>(c, 0), index, A(c, 2)));
  return R(SetClassLongW(P<HWND>(c, 0), index, static_cast<LONG>(c.Arg(2))));
}

uint64_t SetTimer_(const Call &c, void *)
{
  if (c.Arg(3) != 0)
    Fail("SetTimer with a timer procedure");
  return R(SetTimer(P<HWND>(c, 0), c.Arg(1), c.Arg(2), nullptr));
}

// ---- painting and GDI ----
struct DevPAINTSTRUCT {
  uint32_t hdc, fErase;
  RECT rcPaint;
  uint32_t fRestore, fIncUpdate;
  BYTE rgbReserved[32];
};
static_assert(sizeof(DevPAINTSTRUCT) == 64, "PAINTSTRUCT");

uint64_t BeginPaint_(const Call &c, void *)
{
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(P<HWND>(c, 0), &ps);
  DevPAINTSTRUCT *d = At<DevPAINTSTRUCT>(c.Arg(1));
  d->hdc = NarrowHandle(reinterpret_cast<INT_PTR>(ps.hdc), "device context");
  d->fErase = ps.fErase;
  d->rcPaint = ps.rcPaint;
  d->fRestore = ps.fRestore;
  d->fIncUpdate = ps.fIncUpdate;
  memcpy(d->rgbReserved, ps.rgbReserved, 32);
  return R(reinterpret_cast<INT_PTR>(dc));
}

uint64_t EndPaint_(const Call &c, void *)
{
  const DevPAINTSTRUCT *d = At<DevPAINTSTRUCT>(c.Arg(1));
  PAINTSTRUCT ps;
  ps.hdc = HostOf<HDC>(d->hdc);
  ps.fErase = d->fErase;
  ps.rcPaint = d->rcPaint;
  ps.fRestore = d->fRestore;
  ps.fIncUpdate = d->fIncUpdate;
  memcpy(ps.rgbReserved, d->rgbReserved, 32);
  return R(EndPaint(P<HWND>(c, 0), &ps));
}

struct DevBITMAP {
  int32_t bmType, bmWidth, bmHeight, bmWidthBytes;
  uint16_t bmPlanes, bmBitsPixel;
  uint32_t bmBits;
};
struct DevLOGBRUSH {
  uint32_t lbStyle, lbColor, lbHatch;
};

uint64_t GetObjectW_(const Call &c, void *)
{
  HGDIOBJ object = P<HGDIOBJ>(c, 0);
  int size = static_cast<int32_t>(c.Arg(1));
  Addr out = c.Arg(2);
  DWORD type = GetObjectType(object);
  if (type == OBJ_BITMAP) {
    BITMAP b;
    if (GetObjectW(object, sizeof b, &b) == 0)
      return 0;
    if (out == 0)
      return sizeof(DevBITMAP);
    if (size < static_cast<int>(sizeof(DevBITMAP)))
      return 0;
    DevBITMAP d = {b.bmType, b.bmWidth, b.bmHeight, b.bmWidthBytes, b.bmPlanes, b.bmBitsPixel,
                   Fits(reinterpret_cast<INT_PTR>(b.bmBits)) ? AddrOf(b.bmBits) : 0};
    memcpy(At<void>(out), &d, sizeof d);
    return sizeof d;
  }
  if (type == OBJ_BRUSH) {
    LOGBRUSH b;
    if (GetObjectW(object, sizeof b, &b) == 0)
      return 0;
    if (out == 0)
      return sizeof(DevLOGBRUSH);
    if (size < static_cast<int>(sizeof(DevLOGBRUSH)))
      return 0;
    DevLOGBRUSH d = {b.lbStyle, b.lbColor, static_cast<uint32_t>(b.lbHatch)};
    memcpy(At<void>(out), &d, sizeof d);
    return sizeof d;
  }
  if (type == OBJ_FONT || type == OBJ_PEN)  // LOGFONTW and LOGPEN hold no pointers
    return R(GetObjectW(object, size, HostOf<void *>(out)));
  Fail("GetObjectW of an object of type %lu", type);
}

// ---- registry: the device's keys have no access rights, so the image asks for none (0);
// a key opened on the device can be read and written ----
REGSAM DeviceAccess(uint32_t asked) { return asked == 0 ? KEY_ALL_ACCESS : asked; }

uint64_t RegOpenKeyExW_(const Call &c, void *)
{
  HKEY key = nullptr;
  LONG r = RegOpenKeyExW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1), c.Arg(2), DeviceAccess(c.Arg(3)), &key);
  if (c.Arg(4) != 0)
    Put32(c.Arg(4), r == ERROR_SUCCESS ? NarrowHandle(reinterpret_cast<INT_PTR>(key), "registry key") : 0);
  return R(r);
}

uint64_t RegCreateKeyExW_(const Call &c, void *)
{
  HKEY key = nullptr;
  if (c.Arg(6) != 0)
    Fail("RegCreateKeyExW with security attributes");
  LONG r = RegCreateKeyExW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1), c.Arg(2), P<LPWSTR>(c, 3), c.Arg(4),
                           DeviceAccess(c.Arg(5)), nullptr,
                           &key, P<LPDWORD>(c, 8));
  if (c.Arg(7) != 0)
    Put32(c.Arg(7), r == ERROR_SUCCESS ? NarrowHandle(reinterpret_cast<INT_PTR>(key), "registry key") : 0);
  return R(r);
}

uint64_t RegDeleteKeyW_(const Call &c, void *)
{
  // As the device does: the key goes with its sub-keys.
  return R(CeRegDeleteKeyW(P<HKEY>(c, 0), P<LPCWSTR>(c, 1)));
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

template <unsigned handles> uint64_t ReleaseHandle(const Call &c, void *host)
{
  uint32_t device = c.Arg(0);
  uint64_t r = PassHandles<handles, false>(c, host);
  if (r)
    ForgetHandle(device);
  return r;
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

// ---- shell ----
struct DevSHFILEINFOW {
  uint32_t hIcon;
  int32_t iIcon;
  uint32_t dwAttributes;
  WCHAR szDisplayName[MAX_PATH];
  WCHAR szTypeName[80];
};

uint64_t SHGetFileInfo_(const Call &c, void *)
{
  SHFILEINFOW info;
  memset(&info, 0, sizeof info);
  UINT flags = c.Arg(4);
  DevSHFILEINFOW *d = At<DevSHFILEINFOW>(c.Arg(2));
  if (d != nullptr && c.Arg(3) < sizeof(DevSHFILEINFOW))
    return 0;
  DWORD_PTR r = CeSHGetFileInfoW(P<LPCWSTR>(c, 0), c.Arg(1), d != nullptr ? &info : nullptr,
                                 d != nullptr ? sizeof info : 0, flags);
  if (d != nullptr) {
    d->hIcon = NarrowHandle(reinterpret_cast<INT_PTR>(info.hIcon), "icon");
    d->iIcon = info.iIcon;
    d->dwAttributes = info.dwAttributes;
    memcpy(d->szDisplayName, info.szDisplayName, sizeof d->szDisplayName);
    memcpy(d->szTypeName, info.szTypeName, sizeof d->szTypeName);
  }
  if ((flags & SHGFI_SYSICONINDEX) && r != 0)
    return RHandle(reinterpret_cast<void *>(r));
  return R(static_cast<INT_PTR>(r));
}

struct DevSHELLEXECUTEINFOW {
  uint32_t cbSize, fMask, hwnd, lpVerb, lpFile, lpParameters, lpDirectory;
  int32_t nShow;
  uint32_t hInstApp, lpIDList, lpClass, hkeyClass, dwHotKey, hIcon, hProcess;
};
static_assert(sizeof(DevSHELLEXECUTEINFOW) == 60, "SHELLEXECUTEINFOW");

uint64_t ShellExecuteEx_(const Call &c, void *)
{
  DevSHELLEXECUTEINFOW *d = At<DevSHELLEXECUTEINFOW>(c.Arg(0));
  if (d->cbSize != sizeof *d)
    return 0;
  SHELLEXECUTEINFOW info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = d->fMask;
  info.hwnd = HostOf<HWND>(d->hwnd);
  info.lpVerb = HostOf<LPCWSTR>(d->lpVerb);
  info.lpFile = HostOf<LPCWSTR>(d->lpFile);
  info.lpParameters = HostOf<LPCWSTR>(d->lpParameters);
  info.lpDirectory = HostOf<LPCWSTR>(d->lpDirectory);
  info.nShow = d->nShow;
  info.lpIDList = HostOf<void *>(d->lpIDList);
  info.lpClass = HostOf<LPCWSTR>(d->lpClass);
  info.hkeyClass = HostOf<HKEY>(d->hkeyClass);
  info.dwHotKey = d->dwHotKey;
  info.hIcon = HostOf<HANDLE>(d->hIcon);
  BOOL r = ShellExecuteExW(&info);
  d->hInstApp = static_cast<uint32_t>(reinterpret_cast<INT_PTR>(info.hInstApp));
  d->hProcess = r && info.hProcess != nullptr ? NarrowHandle(reinterpret_cast<INT_PTR>(info.hProcess), "process") : 0;
  return R(r);
}

uint64_t SHGetShortcutTarget_(const Call &c, void *)
{
  return R(SHGetShortcutTarget(P<LPCWSTR>(c, 0), P<LPWSTR>(c, 1), static_cast<int32_t>(c.Arg(2))));
}

uint64_t SHLoadDIBitmap_(const Call &c, void *)
{
  return R(reinterpret_cast<INT_PTR>(SHLoadDIBitmap(P<LPCWSTR>(c, 0))));
}

uint64_t SHGetSpecialFolderPath_(const Call &c, void *)
{
  return R(SHGetSpecialFolderPathW(P<HWND>(c, 0), P<LPWSTR>(c, 1), static_cast<int32_t>(c.Arg(2)), c.Arg(3)));
}

uint64_t SystemParametersInfoW_(const Call &c, void *)
{
  // As the device does, with the platform type the desktop stand-in gives.
  return R(CeSystemParametersInfoW(c.Arg(0), c.Arg(1), P<PVOID>(c, 2), c.Arg(3)));
}

uint64_t GetSystemPowerStatusEx2_(const Call &c, void *)
{
  return R(GetSystemPowerStatusEx2(P<PSYSTEM_POWER_STATUS_EX2>(c, 0), c.Arg(1), c.Arg(2)));
}

// ---- processes ----
struct DevSTARTUPINFOW {
  uint32_t cb, lpReserved, lpDesktop, lpTitle, dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars,
      dwFillAttribute, dwFlags;
  uint16_t wShowWindow, cbReserved2;
  uint32_t lpReserved2, hStdInput, hStdOutput, hStdError;
};
static_assert(sizeof(DevSTARTUPINFOW) == 68, "STARTUPINFOW");

uint64_t CreateProcessW_(const Call &c, void *)
{
  STARTUPINFOW si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  if (c.Arg(8) != 0) {
    const DevSTARTUPINFOW *d = At<DevSTARTUPINFOW>(c.Arg(8));
    si.dwFlags = d->dwFlags;
    si.wShowWindow = d->wShowWindow;
  }
  PROCESS_INFORMATION pi;
  memset(&pi, 0, sizeof pi);
  BOOL r = CreateProcessW(P<LPCWSTR>(c, 0), P<LPWSTR>(c, 1), nullptr, nullptr, c.Arg(4), c.Arg(5), P<LPVOID>(c, 6),
                          P<LPCWSTR>(c, 7), &si, &pi);
  if (r && c.Arg(9) != 0) {
    Put32(c.Arg(9), NarrowHandle(reinterpret_cast<INT_PTR>(pi.hProcess), "process"));
    Put32(c.Arg(9) + 4, NarrowHandle(reinterpret_cast<INT_PTR>(pi.hThread), "thread"));
    Put32(c.Arg(9) + 8, pi.dwProcessId);
    Put32(c.Arg(9) + 12, pi.dwThreadId);
  }
  return R(r);
}

// ---- files: the device's WIN32_FIND_DATAW has dwOID and its name at offset 40 ----
struct DevWIN32_FIND_DATAW {
  uint32_t dwFileAttributes;
  FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
  uint32_t nFileSizeHigh, nFileSizeLow, dwOID;
  WCHAR cFileName[MAX_PATH];
};
static_assert(sizeof(DevWIN32_FIND_DATAW) == 560, "WIN32_FIND_DATAW");

void ToDeviceFindData(const WIN32_FIND_DATAW &f, Addr at)
{
  DevWIN32_FIND_DATAW *d = At<DevWIN32_FIND_DATAW>(at);
  d->dwFileAttributes = f.dwFileAttributes;
  d->ftCreationTime = f.ftCreationTime;
  d->ftLastAccessTime = f.ftLastAccessTime;
  d->ftLastWriteTime = f.ftLastWriteTime;
  d->nFileSizeHigh = f.nFileSizeHigh;
  d->nFileSizeLow = f.nFileSizeLow;
  d->dwOID = 0;
  memcpy(d->cFileName, f.cFileName, sizeof d->cFileName);
}

uint64_t FindFirstFileW_(const Call &c, void *)
{
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW(P<LPCWSTR>(c, 0), &f);
  if (h != INVALID_HANDLE_VALUE)
    ToDeviceFindData(f, c.Arg(1));
  return R(reinterpret_cast<INT_PTR>(h));
}

uint64_t FindNextFileW_(const Call &c, void *)
{
  WIN32_FIND_DATAW f;
  BOOL r = FindNextFileW(P<HANDLE>(c, 0), &f);
  if (r)
    ToDeviceFindData(f, c.Arg(1));
  return R(r);
}

// ---- modules ----
uint64_t GetModuleHandleW_(const Call &c, void *)
{
  if (c.Arg(0) == 0)
    return g_main.base;
  return RHandle(GetModuleHandleW(P<LPCWSTR>(c, 0)));
}

// The host's own call, not the launcher's desktop stand-in for it.
#undef GetModuleFileNameW
// The image's own file: the path it has on the device where FERROLT_MODULE_PATH names it, as
// the desktop stand-in answers, else the image's file here.
uint64_t GetModuleFileNameW_(const Call &c, void *)
{
  LPWSTR path = P<LPWSTR>(c, 1);
  DWORD capacity = static_cast<DWORD>(c.Arg(2));
  if (c.Arg(0) != 0 && c.Arg(0) != g_main.base)
    return R(GetModuleFileNameW(static_cast<HMODULE>(HostHandle(c.Arg(0))), path, capacity));
  if (path == nullptr || capacity == 0)
    return 0;
  DWORD length = GetEnvironmentVariableW(L"FERROLT_MODULE_PATH", path, capacity);
  if (length == 0 || length >= capacity) {
    lstrcpynW(path, g_mainPath, static_cast<int>(capacity));
    length = lstrlenW(path);
  }
  return length;
}

uint64_t LoadLibraryW_(const Call &c, void *)
{
  if (c.Arg(0) != 0)
    if (uint32_t shell = LoadShellLibrary(P<LPCWSTR>(c, 0)))
      return shell;
  return RHandle(LoadLibraryW(P<LPCWSTR>(c, 0)));
}

uint64_t FreeLibrary_(const Call &c, void *)
{
  if (IsShellLibrary(c.Arg(0)))
    return TRUE;
  BOOL r = FreeLibrary(static_cast<HMODULE>(HostHandle(c.Arg(0))));
  if (r)
    ForgetHandle(c.Arg(0));
  return R(r);
}

uint64_t GetProcAddressW_(const Call &c, void *)
{
  if (IsShellLibrary(c.Arg(0)))
    return ShellLibraryEntry(P<LPCWSTR>(c, 1));
  HMODULE module = static_cast<HMODULE>(HostHandle(c.Arg(0)));
  FARPROC f = CeGetProcAddressW(module, P<LPCWSTR>(c, 1));
  if (f == nullptr)
    return 0;
  // Device code cannot call host code: an entry point of a host library needs a trap.
  // Those whose records hold no pointers or handles (the IP helper's address table: numbers
  // only, the same on both) take their arguments as they are.
  char name[128];
  WideCharToMultiByte(CP_ACP, 0, P<LPCWSTR>(c, 1), -1, name, sizeof name, nullptr, nullptr);
  // One trap each, however often the image looks it up.
  static const char *const plainEntries[] = {"GetIpAddrTable"};
  static Addr traps[sizeof plainEntries / sizeof plainEntries[0]];
  static void *hosts[sizeof plainEntries / sizeof plainEntries[0]];
  for (size_t i = 0; i < sizeof plainEntries / sizeof plainEntries[0]; ++i)
    if (strcmp(plainEntries[i], name) == 0) {
      if (traps[i] == 0 || hosts[i] != reinterpret_cast<void *>(f)) {
        traps[i] = GuardedTrap(plainEntries[i], Pass, reinterpret_cast<void *>(f));
        hosts[i] = reinterpret_cast<void *>(f);
      }
      return traps[i];
    }
  Fail("GetProcAddressW(%s) of a host library: device code cannot call it", name);
}

// ---- heap: blocks in emulated memory ----
const uint32_t PROCESS_HEAP = 0x7DFF0000;

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

// ---- the object-store database, through the desktop stand-in ----
uint64_t CeOpenDatabaseEx2_(const Call &c, void *)
{
  if (c.Arg(3) != 0 || c.Arg(5) != 0)
    Fail("CeOpenDatabaseEx2 with a sort order or notification");
  return R(reinterpret_cast<INT_PTR>(
      CeOpenDatabaseEx2(P<PCEGUID>(c, 0), P<PCEOID>(c, 1), P<LPWSTR>(c, 2), nullptr, c.Arg(4), nullptr)));
}

uint64_t CeDeleteRecord_(const Call &c, void *) { return R(CeDeleteRecord(P<HANDLE>(c, 0), c.Arg(1))); }

// The records come back as device CEPROPVALs (16 bytes each: id, length, flags, 8 bytes of
// value) followed by their strings, in a block of the device heap the caller frees.
uint64_t CeReadRecordPropsEx_(const Call &c, void *)
{
  if (c.Arg(3) != 0 || !(c.Arg(1) & CEDB_ALLOWREALLOC) || c.Arg(6) != PROCESS_HEAP)
    Fail("CeReadRecordPropsEx other than all properties into the process heap");
  LPBYTE hostBuffer = nullptr;
  DWORD hostSize = 0;
  WORD count = 0;
  HANDLE heap = GetProcessHeap();
  CEOID record = CeReadRecordPropsEx(P<HANDLE>(c, 0), CEDB_ALLOWREALLOC, &count, nullptr, &hostBuffer, &hostSize, heap);
  if (record != 0) {
    const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(hostBuffer);
    uint32_t size = 16 * count;
    for (WORD i = 0; i < count; ++i)
      if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR && values[i].val.lpwstr != nullptr)
        size += 2 * (lstrlenW(values[i].val.lpwstr) + 1);
    Addr buffer = Get32(c.Arg(4));
    if (HeapSize32(buffer) < size)
      buffer = HeapReAlloc32(buffer, size);
    if (buffer == 0)
      Fail("the device heap is full");
    Put32(c.Arg(4), buffer);
    if (c.Arg(5) != 0)
      Put32(c.Arg(5), size);
    Addr strings = buffer + 16 * count;
    for (WORD i = 0; i < count; ++i) {
      Addr at = buffer + 16 * i;
      Put32(at, values[i].propid);
      *At<uint16_t>(at + 4) = values[i].wLenData;
      *At<uint16_t>(at + 6) = values[i].wFlags;
      if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR) {
        Put32(at + 8, 0);
        if (values[i].val.lpwstr != nullptr) {
          int length = lstrlenW(values[i].val.lpwstr) + 1;
          memcpy(At<void>(strings), values[i].val.lpwstr, 2 * length);
          Put32(at + 8, strings);
          strings += 2 * length;
        }
      } else if (TypeFromPropID(values[i].propid) == CEVT_BLOB) {
        Fail("a database property holds a blob");
      } else {
        memcpy(At<void>(at + 8), &values[i].val, 8);
      }
    }
    if (c.Arg(2) != 0)
      *At<uint16_t>(c.Arg(2)) = count;
  }
  if (hostBuffer != nullptr)
    HeapFree(heap, 0, hostBuffer);
  return record;
}

// ---- the table ----
struct Entry {
  const char *name;
  Handler handler;
};

const Entry kSpecial[] = {
    {"__rt_sdiv", RtSdiv},
    {"__rt_udiv", RtUdiv},
    {"GetMessageW", GetMessageW_},
    {"GetSysColor", GetSysColor_},
    {"GetSysColorBrush", GetSysColorBrush_},
    {"FillRect", FillRect_},
    {"PeekMessageW", PeekMessageW_},
    {"TranslateMessage", TranslateMessage_},
    {"DispatchMessageW", DispatchMessageW_},
    {"TranslateAcceleratorW", TranslateAcceleratorW_},
    {"IsDialogMessageW", IsDialogMessageW_},
    {"SendMessageW", SendMessageW_},
    {"PostMessageW", PostMessageW_},
    {"DefWindowProcW", DefWindowProcW_},
    {"CallWindowProcW", CallWindowProcW_},
    {"RegisterClassW", RegisterClassW_},
    {"GetClassInfoW", GetClassInfoW_},
    {"CreateWindowExW", CreateWindowExW_},
    {"CreateDialogIndirectParamW", CreateDialogIndirectParamW_},
    {"SetWindowLongW", SetWindowLongW_},
    {"GetWindowLongW", GetWindowLongW_},
    {"SetClassLongW", SetClassLongW_},
    {"SetTimer", SetTimer_},
    {"BeginPaint", BeginPaint_},
    {"EndPaint", EndPaint_},
    {"GetObjectW", GetObjectW_},
    {"RegOpenKeyExW", RegOpenKeyExW_},
    {"RegCreateKeyExW", RegCreateKeyExW_},
    {"RegDeleteKeyW", RegDeleteKeyW_},
    {"CryptAcquireContextW", CryptAcquireContextW_},
    {"CryptSetHashParam", CryptSetHashParam_},
    {"SHGetFileInfo", SHGetFileInfo_},
    {"ShellExecuteEx", ShellExecuteEx_},
    {"SHGetShortcutTarget", SHGetShortcutTarget_},
    {"SHLoadDIBitmap", SHLoadDIBitmap_},
    {"SHGetSpecialFolderPath", SHGetSpecialFolderPath_},
    {"SystemParametersInfoW", SystemParametersInfoW_},
    {"GetSystemPowerStatusEx2", GetSystemPowerStatusEx2_},
    {"CreateProcessW", CreateProcessW_},
    {"FindFirstFileW", FindFirstFileW_},
    {"FindNextFileW", FindNextFileW_},
    {"GetModuleHandleW", GetModuleHandleW_},
    {"GetModuleFileNameW", GetModuleFileNameW_},
    {"LoadLibraryW", LoadLibraryW_},
    {"FreeLibrary", FreeLibrary_},
    {"GetProcAddressW", GetProcAddressW_},
    {"GetProcessHeap", GetProcessHeap_},
    {"HeapAlloc", HeapAlloc_},
    {"HeapReAlloc", HeapReAlloc_},
    {"HeapFree", HeapFree_},
    {"LocalAlloc", LocalAlloc_},
    {"LocalFree", LocalFree_},
    {"CeOpenDatabaseEx2", CeOpenDatabaseEx2_},
    {"CeReadRecordPropsEx", CeReadRecordPropsEx_},
    {"CeDeleteRecord", CeDeleteRecord_},
    {"EnumWindows", EnumWindows_},
    {"MsgWaitForMultipleObjectsEx", MsgWaitForMultipleObjectsEx_},
};

// Device functions a desktop lacks, run as the stand-ins of cecompat/ run them.
const struct {
  const char *name;
  void *function;
} kStandIns[] = {
    {"DeleteAndRenameFile", reinterpret_cast<void *>(&DeleteAndRenameFile)},
    {"SetSystemPowerState", reinterpret_cast<void *>(&CeSetSystemPowerState)},
};

// Host functions with handles to host objects: which arguments (by bit) and whether the
// result is one.
struct HandleEntry {
  const char *name;
  Handler handler;
};
const HandleEntry kHandles[] = {
    {"ImageList_Create", PassHandles<0, true>},
    {"ImageList_Destroy", ReleaseHandle<1>},
    {"ImageList_Add", PassHandles<1, false>},
    {"ImageList_Copy", PassHandles<5, false>},
    {"ImageList_GetIconSize", PassHandles<1, false>},
    {"ImageList_ReplaceIcon", PassHandles<1, false>},
    {"ImageList_SetBkColor", PassHandles<1, false>},
    {"ImageList_SetIconSize", PassHandles<1, false>},
    {"ImageList_SetImageCount", PassHandles<1, false>},
    {"ImageList_GetImageCount", PassHandles<1, false>},
    {"ImageList_Draw", PassHandles<1, false>},
    {"CryptCreateHash", CryptWithOutHandle<4>},
    {"CryptImportKey", CryptWithOutHandle<5>},
    {"CryptDuplicateHash", CryptWithOutHandle<3>},
    {"CryptHashData", PassHandles<1, false>},
    {"CryptGetHashParam", PassHandles<1, false>},
    {"CryptDestroyHash", ReleaseHandle<1>},
    {"CryptDestroyKey", ReleaseHandle<1>},
    {"CryptReleaseContext", ReleaseHandle<1>},
};

// Functions that run as the host's: numbers, handles the host keeps small, pointers to
// plain data or to device memory.
const char *const kPlain[] = {
    "BitBlt", "CloseHandle", "CreateBitmap", "CreateCompatibleBitmap", "CreateCompatibleDC", "CreateFileW",
    "CreateFontIndirectW", "CreatePen", "CreateSolidBrush", "DeleteDC", "DeleteObject", "DestroyIcon",
    "DestroyWindow", "DrawIconEx", "DrawTextW", "EnableWindow", "FindClose", "FindResourceW",
    "FindWindowW", "GetCapture", "GetClientRect", "GetDC", "GetDeviceCaps", "GetDlgItem", "GetExitCodeProcess",
    "GetFileAttributesExW", "GetFileSize", "GetPixel", "GetForegroundWindow", "GetLastError", "GetLocalTime", "GetStockObject",
    "GetSystemMetrics", "GetTextMetricsW", "GetTickCount", "GetTimeFormatW", "GetWindow",
    "GetWindowRect", "GetClassNameW", "SetEndOfFile", "SetRectEmpty", "GetWindowTextLengthW", "GetWindowTextW", "GetWindowThreadProcessId", "InSendMessage",
    "InvalidateRect", "IsWindow", "IsWindowVisible", "KillTimer", "LineTo", "LoadAcceleratorsW", "LoadCursorW",
    "LoadImageW", "LoadResource", "LoadStringW", "MapWindowPoints", "MessageBoxW", "MoveToEx",
    "MultiByteToWideChar", "PatBlt", "Polygon", "PostQuitMessage", "ReadFile", "Rectangle", "RegCloseKey",
    "RegEnumKeyExW", "RegEnumValueW", "RegQueryValueExW", "RegSetValueExW", "RegisterHotKey", "ReleaseDC",
    "SelectObject", "SetBkColor", "SetBkMode", "SetCursor", "SetFocus", "SetForegroundWindow", "SetLastError",
    "SetRect", "SetTextColor", "SetWindowPos", "SetWindowTextW", "ShowWindow", "Sleep", "UnregisterHotKey",
    "UpdateWindow", "ValidateRect", "WaitForSingleObject", "WideCharToMultiByte", "CopyFileW", "DeleteFileW",
    "RemoveDirectoryW", "CreateDirectoryW", "GetFileAttributesW", "SizeofResource", "InitCommonControls",
    "CryptHashData", "WriteFile", "SetFilePointer", "FlushFileBuffers", "MoveFileW", "GetTempPathW",
    "CompareFileTime", "FindFirstChangeNotificationW", "FindNextChangeNotification",
    "FindCloseChangeNotification", "GetDlgItemTextW", "RegDeleteValueW", "RegFlushKey", "memchr",
    // The C library: 32-bit sizes and plain text; the host's are Microsoft's.
    "_snwprintf", "wsprintfW", "_wcsicmp", "_wcsnicmp", "_wtol", "_wtoi", "iswctype", "memcmp", "memcpy",
    "memmove", "memset", "wcschr", "wcscmp", "wcslen", "wcsncmp", "wcsncpy", "wcspbrk", "wcsrchr", "wcsstr",
    "wcscpy", "wcscat", "towlower", "towupper",
};

void *HostFunction(const char *name)
{
  static const wchar_t *const libraries[] = {L"user32.dll", L"gdi32.dll", L"kernel32.dll", L"advapi32.dll",
                                             L"comctl32.dll", L"shell32.dll", L"msvcrt.dll"};
  for (const wchar_t *library : libraries) {
    HMODULE module = LoadLibraryW(library);
    if (module == nullptr)
      continue;
    if (FARPROC f = GetProcAddress(module, name))
      return reinterpret_cast<void *>(f);
  }
  return nullptr;
}

}  // namespace

void SetMainImage(const Image &image, const wchar_t *path)
{
  g_main = image;
  if (GetFullPathNameW(path, MAX_PATH, g_mainPath, nullptr) >= MAX_PATH)
    g_mainPath[0] = 0;
}
Addr MainImageBase() { return g_main.base; }

Addr BindImport(const char *dll, const char *name)
{
  if (lstrcmpiA(dll, "coredll.dll") != 0 && lstrcmpiA(dll, "commctrl.dll") != 0)
    Fail("the image imports %s from %s, which is not a library of the device", name, dll);
  static std::map<std::string, Addr> bound;
  auto found = bound.find(name);
  if (found != bound.end())
    return found->second;
  Addr trap = 0;
  for (const Entry &entry : kSpecial)
    if (strcmp(entry.name, name) == 0)
      trap = GuardedTrap(entry.name, entry.handler, nullptr);
  for (const HandleEntry &entry : kHandles)
    if (trap == 0 && strcmp(entry.name, name) == 0) {
      void *host = HostFunction(name);
      if (host == nullptr)
        Fail("the host has no %s", name);
      trap = GuardedTrap(entry.name, entry.handler, host);
    }
  for (const auto &standIn : kStandIns)
    if (trap == 0 && strcmp(standIn.name, name) == 0)
      trap = GuardedTrap(standIn.name, Pass, standIn.function);
  for (const char *plain : kPlain)
    if (trap == 0 && strcmp(plain, name) == 0) {
      void *host = HostFunction(name);
      if (host == nullptr)
        Fail("the host has no %s", name);
      trap = GuardedTrap(plain, Pass, host);
    }
  if (trap == 0)
    Fail("the image imports %s from %s, which ce-run does not know", name, dll);
  bound[name] = trap;
  return trap;
}

}  // namespace cerun
