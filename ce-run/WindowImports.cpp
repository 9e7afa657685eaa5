// The device's windows as the image sees them: messages, window classes and procedures,
// painting and GDI objects, system colours and image lists. Records are converted
// between the device's 32-bit shapes and the host's; device procedures get host procedures
// of their own.
#include "ce-run/ImportCalls.h"

#include <commctrl.h>
#include <string.h>

#include "cecompat/CePlatform.h"

#undef CreateWindowExW

namespace cerun {

namespace {

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
uint32_t g_lastDeviceL = 0;  // its lParam as the device was given it

void ToDeviceMsg(const MSG &m, Addr at)
{
  DevMSG *d = At<DevMSG>(at);
  d->hwnd = static_cast<uint32_t>(reinterpret_cast<INT_PTR>(m.hwnd));
  d->message = m.message;
  d->wParam = static_cast<uint32_t>(m.wParam);
  d->lParam = TimerParamToDevice(m);
  d->time = m.time;
  d->pt = m.pt;
  g_lastMessage = m;
  g_lastMessageAt = at;
  g_lastDeviceL = d->lParam;
}

MSG ToHostMsg(Addr at)
{
  const DevMSG *d = At<DevMSG>(at);
  if (at == g_lastMessageAt && d->message == g_lastMessage.message &&
      d->hwnd == static_cast<uint32_t>(reinterpret_cast<INT_PTR>(g_lastMessage.hwnd)) &&
      d->wParam == static_cast<uint32_t>(g_lastMessage.wParam) &&
      d->lParam == g_lastDeviceL)
    return g_lastMessage;
  MSG m;
  memset(&m, 0, sizeof m);
  m.hwnd = HostOf<HWND>(d->hwnd);
  m.message = d->message;
  m.wParam = d->wParam;
  m.lParam = TimerParamToHost(d->message, m.hwnd, m.wParam, d->lParam);
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

const ImportRow kRows[] = {
    {"GetMessageW", GetMessageW_, false},
    {"GetSysColor", GetSysColor_, false},
    {"GetSysColorBrush", GetSysColorBrush_, false},
    {"FillRect", FillRect_, false},
    {"PeekMessageW", PeekMessageW_, false},
    {"TranslateMessage", TranslateMessage_, false},
    {"DispatchMessageW", DispatchMessageW_, false},
    {"TranslateAcceleratorW", TranslateAcceleratorW_, false},
    {"IsDialogMessageW", IsDialogMessageW_, false},
    {"SendMessageW", SendMessageW_, false},
    {"PostMessageW", PostMessageW_, false},
    {"DefWindowProcW", DefWindowProcW_, false},
    {"CallWindowProcW", CallWindowProcW_, false},
    {"RegisterClassW", RegisterClassW_, false},
    {"GetClassInfoW", GetClassInfoW_, false},
    {"CreateWindowExW", CreateWindowExW_, false},
    {"CreateDialogIndirectParamW", CreateDialogIndirectParamW_, false},
    {"SetWindowLongW", SetWindowLongW_, false},
    {"GetWindowLongW", GetWindowLongW_, false},
    {"SetClassLongW", SetClassLongW_, false},
    {"BeginPaint", BeginPaint_, false},
    {"EndPaint", EndPaint_, false},
    {"GetObjectW", GetObjectW_, false},
    {"ImageList_Create", (PassHandles<0, true>), true},
    {"ImageList_Destroy", ReleaseHandle<1>, true},
    {"ImageList_Add", (PassHandles<1, false>), true},
    {"ImageList_Copy", (PassHandles<5, false>), true},
    {"ImageList_GetIconSize", (PassHandles<1, false>), true},
    {"ImageList_ReplaceIcon", (PassHandles<1, false>), true},
    {"ImageList_SetBkColor", (PassHandles<1, false>), true},
    {"ImageList_SetIconSize", (PassHandles<1, false>), true},
    {"ImageList_SetImageCount", (PassHandles<1, false>), true},
    {"ImageList_GetImageCount", (PassHandles<1, false>), true},
    {"ImageList_Draw", (PassHandles<1, false>), true},
};

}  // namespace

const ImportTable kWindowImports = CERUN_IMPORT_TABLE(kRows);

}  // namespace cerun
