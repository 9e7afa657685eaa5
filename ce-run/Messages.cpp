// Messages across the boundary. Most carry numbers or handles, which pass as they are; the
// ones whose structures hold pointers or handles are copied into the device's 32-bit
// shapes (host to device) or the host's (device to host), and results copied back.
#include "ce-run/CeRun.h"

#include <commctrl.h>
#include <string.h>

#include <vector>

namespace cerun {

namespace {

// The device's shapes, as the 32-bit image lays them out: the list-view records are the
// device build's own (cecompat/DeviceRecords.h), the others declared here.
typedef CE_NMHDR DevNMHDR;
typedef CE_LVITEMW DevLVITEMW;
typedef CE_LVCOLUMNW DevLVCOLUMNW;
typedef CE_NMLVKEYDOWN DevNMLVKEYDOWN;
struct DevNMLISTVIEW {
  DevNMHDR hdr;
  int32_t iItem, iSubItem;
  uint32_t uNewState, uOldState, uChanged;
  POINT ptAction;
  uint32_t lParam;
  uint32_t uKeyFlags;  // NMITEMACTIVATE only
};
struct DevCREATESTRUCTW {
  uint32_t lpCreateParams, hInstance, hMenu, hwndParent;
  int32_t cy, cx, y, x;
  int32_t style;
  uint32_t lpszName, lpszClass, dwExStyle;
};
struct DevDRAWITEMSTRUCT {
  uint32_t CtlType, CtlID, itemID, itemAction, itemState, hwndItem, hDC;
  RECT rcItem;
  uint32_t itemData;
};
static_assert(sizeof(DevNMHDR) == 12, "NMHDR");
static_assert(sizeof(DevLVITEMW) == 44, "LVITEMW");
static_assert(sizeof(DevLVCOLUMNW) == 32, "LVCOLUMNW");
static_assert(sizeof(CE_NMLVDISPINFOW) == 56, "NMLVDISPINFOW");
static_assert(sizeof(DevNMLVKEYDOWN) == 20, "NMLVKEYDOWN");
static_assert(sizeof(DevCREATESTRUCTW) == 48, "CREATESTRUCTW");
static_assert(sizeof(DevDRAWITEMSTRUCT) == 48, "DRAWITEMSTRUCT");

std::vector<const Converted *> g_active;
// The device's messages whose structures have a host copy while the host handles them.
std::vector<Outgoing *> g_outgoing;

uint32_t Low(INT_PTR value) { return Fits(value) ? static_cast<uint32_t>(value) : 0; }
uint32_t LowPtr(const void *p) { return Low(reinterpret_cast<INT_PTR>(p)); }
uint32_t LowHandle(const void *h)
{
  INT_PTR value = reinterpret_cast<INT_PTR>(h);
  return HandleFits(value) ? static_cast<uint32_t>(value) : 0;
}

void ItemToDevice(const LVITEMW &host, DevLVITEMW *dev)
{
  dev->mask = host.mask;
  dev->iItem = host.iItem;
  dev->iSubItem = host.iSubItem;
  dev->state = host.state;
  dev->stateMask = host.stateMask;
  dev->pszText = LowPtr(host.pszText);
  dev->cchTextMax = host.cchTextMax;
  dev->iImage = host.iImage;
  dev->lParam = static_cast<uint32_t>(host.lParam);
  dev->iIndent = host.iIndent;
}

void ItemToHost(const DevLVITEMW &dev, LVITEMW *host)
{
  memset(host, 0, sizeof *host);
  host->mask = dev.mask;
  host->iItem = dev.iItem;
  host->iSubItem = dev.iSubItem;
  host->state = dev.state;
  host->stateMask = dev.stateMask;
  host->pszText = HostOf<LPWSTR>(dev.pszText);
  host->cchTextMax = dev.cchTextMax;
  host->iImage = dev.iImage;
  host->lParam = Wide(dev.lParam);
  host->iIndent = dev.iIndent;
}

bool IsListView(HWND window)
{
  wchar_t name[64];
  return GetClassNameW(window, name, 64) > 0 && lstrcmpiW(name, WC_LISTVIEWW) == 0;
}

// Notification codes are negative numbers kept in unsigned integers.
int Code(UINT code) { return static_cast<int>(code); }

enum Kind { KIND_PLAIN, KIND_ITEM, KIND_COLUMN, KIND_IMAGELIST, KIND_STRUCTSIZE };

// The host's copy of the device's list-view record that out carries.
void CopyToHost(Outgoing *out)
{
  if (out->kind == KIND_ITEM) {
    ItemToHost(*At<DevLVITEMW>(out->deviceL), reinterpret_cast<LVITEMW *>(out->host));
    return;
  }
  const DevLVCOLUMNW *dev = At<DevLVCOLUMNW>(out->deviceL);
  LVCOLUMNW *host = reinterpret_cast<LVCOLUMNW *>(out->host);
  memset(host, 0, sizeof *host);
  host->mask = dev->mask;
  host->fmt = dev->fmt;
  host->cx = dev->cx;
  host->pszText = HostOf<LPWSTR>(dev->pszText);
  host->cchTextMax = dev->cchTextMax;
  host->iSubItem = dev->iSubItem;
  host->iImage = dev->iImage;
  host->iOrder = dev->iOrder;
}

}  // namespace

void PushConverted(const Converted *converted) { g_active.push_back(converted); }
void PopConverted() { g_active.pop_back(); }

bool MessageToDevice(UINT message, WPARAM w, LPARAM l, Converted *out)
{
  out->message = message;
  out->hostW = w;
  out->hostL = l;
  out->device = 0;
  out->from = nullptr;
  out->w = static_cast<uint32_t>(w);
  out->l = static_cast<uint32_t>(l);
  if (w > 0xFFFFFFFFu && !Fits(static_cast<INT_PTR>(w)))
    return false;
  if (l == 0)
    return true;
  // The device's own message on its way to device code (a subclass procedure of a control
  // the device sent it to): device code gets its own record, never the host's copy of it.
  for (size_t i = g_outgoing.size(); i-- > 0;) {
    Outgoing *sent = g_outgoing[i];
    if (sent->message == message && sent->l == l) {
      out->l = sent->deviceL;
      out->from = sent;
      return true;
    }
  }
  switch (message) {
  case WM_CREATE: {
    const CREATESTRUCTW *cs = reinterpret_cast<const CREATESTRUCTW *>(l);
    Addr at = ScratchAlloc(sizeof(DevCREATESTRUCTW));
    DevCREATESTRUCTW *dev = At<DevCREATESTRUCTW>(at);
    dev->lpCreateParams = LowPtr(cs->lpCreateParams);
    dev->hInstance = LowHandle(cs->hInstance);
    dev->hMenu = LowHandle(cs->hMenu);
    dev->hwndParent = LowHandle(cs->hwndParent);
    dev->cy = cs->cy;
    dev->cx = cs->cx;
    dev->y = cs->y;
    dev->x = cs->x;
    dev->style = cs->style;
    dev->lpszName = LowPtr(cs->lpszName);
    dev->lpszClass = LowPtr(cs->lpszClass);
    dev->dwExStyle = cs->dwExStyle;
    out->device = out->l = at;
    return true;
  }
  case WM_DRAWITEM: {
    const DRAWITEMSTRUCT *ds = reinterpret_cast<const DRAWITEMSTRUCT *>(l);
    Addr at = ScratchAlloc(sizeof(DevDRAWITEMSTRUCT));
    DevDRAWITEMSTRUCT *dev = At<DevDRAWITEMSTRUCT>(at);
    dev->CtlType = ds->CtlType;
    dev->CtlID = ds->CtlID;
    dev->itemID = ds->itemID;
    dev->itemAction = ds->itemAction;
    dev->itemState = ds->itemState;
    dev->hwndItem = LowHandle(ds->hwndItem);
    dev->hDC = LowHandle(ds->hDC);
    dev->rcItem = ds->rcItem;
    dev->itemData = static_cast<uint32_t>(ds->itemData);
    out->device = out->l = at;
    return true;
  }
  case WM_NOTIFY: {
    const NMHDR *hdr = reinterpret_cast<const NMHDR *>(l);
    Addr at = ScratchAlloc(128);
    DevNMHDR *dev = At<DevNMHDR>(at);
    dev->hwndFrom = LowHandle(hdr->hwndFrom);
    dev->idFrom = static_cast<uint32_t>(hdr->idFrom);
    dev->code = hdr->code;
    int code = static_cast<int>(hdr->code);
    bool fromList = IsListView(hdr->hwndFrom);
    if (code == Code(LVN_GETDISPINFOW)) {
      const NMLVDISPINFOW *info = reinterpret_cast<const NMLVDISPINFOW *>(l);
      DevLVITEMW *item = At<DevLVITEMW>(at + sizeof(DevNMHDR));
      ItemToDevice(info->item, item);
      if ((info->item.mask & LVIF_TEXT) && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
        item->pszText = ScratchAlloc(2 * static_cast<uint32_t>(info->item.cchTextMax));
      }
    } else if (code == Code(LVN_KEYDOWN)) {
      const NMLVKEYDOWN *key = reinterpret_cast<const NMLVKEYDOWN *>(l);
      DevNMLVKEYDOWN *devKey = At<DevNMLVKEYDOWN>(at);
      devKey->wVKey = key->wVKey;
      devKey->flags = key->flags;
    } else if (fromList && ((code <= Code(LVN_ITEMCHANGING) && code >= Code(LVN_BEGINRDRAG)) ||
                            code == Code(LVN_ITEMACTIVATE) || code == Code(NM_CLICK) || code == Code(NM_DBLCLK) ||
                            code == Code(NM_RCLICK) || code == Code(NM_RDBLCLK))) {
      const NMITEMACTIVATE *list = reinterpret_cast<const NMITEMACTIVATE *>(l);
      DevNMLISTVIEW *devList = At<DevNMLISTVIEW>(at);
      devList->iItem = list->iItem;
      devList->iSubItem = list->iSubItem;
      devList->uNewState = list->uNewState;
      devList->uOldState = list->uOldState;
      devList->uChanged = list->uChanged;
      devList->ptAction = list->ptAction;
      devList->lParam = static_cast<uint32_t>(list->lParam);
      if (code == Code(LVN_ITEMACTIVATE) || code == Code(NM_CLICK) || code == Code(NM_DBLCLK) ||
          code == Code(NM_RCLICK) || code == Code(NM_RDBLCLK))
        devList->uKeyFlags = list->uKeyFlags;
    }
    out->device = out->l = at;
    return true;
  }
  default:
    break;
  }
  // Any other structure passes as it is when device code can hold its address.
  return Fits(l);
}

void MessageBackToHost(const Converted &converted)
{
  if (converted.from != nullptr) {
    // What device code did to its record is what the host's copy says now.
    CopyToHost(converted.from);
    return;
  }
  if (converted.message != WM_NOTIFY || converted.device == 0)
    return;
  NMLVDISPINFOW *info = reinterpret_cast<NMLVDISPINFOW *>(converted.hostL);
  if (info->hdr.code != LVN_GETDISPINFOW)
    return;
  const DevLVITEMW *item = At<DevLVITEMW>(converted.device + sizeof(DevNMHDR));
  LVITEMW &host = info->item;
  if (host.mask & LVIF_TEXT) {
    Addr given = item->pszText;
    bool ownBuffer = host.pszText != nullptr && host.cchTextMax > 0 && given != LowPtr(host.pszText) &&
                     given >= converted.device && given < converted.device + 128 + 2 * host.cchTextMax + 16;
    if (ownBuffer) {
      const wchar_t *text = At<const wchar_t>(given);
      int i = 0;
      for (; i < host.cchTextMax - 1 && text[i] != 0; ++i)
        host.pszText[i] = text[i];
      host.pszText[i] = 0;
    } else {
      host.pszText = HostOf<LPWSTR>(given);  // device memory stays where it is
    }
  }
  if (host.mask & LVIF_IMAGE)
    host.iImage = item->iImage;
  if (host.mask & LVIF_STATE)
    host.state = item->state;
  if (host.mask & LVIF_INDENT)
    host.iIndent = item->iIndent;
  if (host.mask & LVIF_DI_SETITEM)
    host.mask = item->mask;
}

void MessageToHost(UINT message, uint32_t w, uint32_t l, Outgoing *out)
{
  out->message = message;
  out->w = w;
  out->l = Wide(l);
  out->deviceL = l;
  out->kind = KIND_PLAIN;
  // A message the host gave device code, passed on: the host's own parameters again,
  // whether device code had a copy of the structure or the host's address as it was.
  for (size_t i = g_active.size(); i-- > 0;) {
    const Converted *given = g_active[i];
    if (given->message == message && l != 0 && (given->device != 0 ? given->device == l : given->l == l)) {
      out->w = given->hostW;
      out->l = given->hostL;
      return;
    }
  }
  switch (message) {
  case LVM_INSERTITEMW:
  case LVM_SETITEMW:
  case LVM_GETITEMW:
  case LVM_SETITEMTEXTW:
  case LVM_GETITEMTEXTW:
  case LVM_SETITEMSTATE:
    if (l != 0)
      out->kind = KIND_ITEM;
    break;
  case LVM_INSERTCOLUMNW:
  case LVM_SETCOLUMNW:
    if (l != 0)
      out->kind = KIND_COLUMN;
    break;
  case LVM_SETIMAGELIST:
    out->l = reinterpret_cast<LPARAM>(HostHandle(l));
    out->kind = KIND_IMAGELIST;
    break;
  case LVM_GETIMAGELIST:
    out->kind = KIND_IMAGELIST;
    break;
  case TB_BUTTONSTRUCTSIZE:
    out->w = sizeof(TBBUTTON);
    break;
  default:
    break;
  }
  if (out->kind == KIND_ITEM || out->kind == KIND_COLUMN) {
    CopyToHost(out);
    out->l = reinterpret_cast<LPARAM>(out->host);
    g_outgoing.push_back(out);
  }
}

void MessageAfterHost(const Outgoing &out)
{
  if (!g_outgoing.empty() && g_outgoing.back() == &out)
    g_outgoing.pop_back();
  if (out.kind != KIND_ITEM)
    return;
  const LVITEMW *host = reinterpret_cast<const LVITEMW *>(out.host);
  DevLVITEMW *dev = At<DevLVITEMW>(out.deviceL);
  if (out.message == LVM_GETITEMW) {
    dev->state = host->state;
    dev->iImage = host->iImage;
    dev->lParam = static_cast<uint32_t>(host->lParam);
    dev->iIndent = host->iIndent;
    if (Fits(reinterpret_cast<INT_PTR>(host->pszText)))
      dev->pszText = LowPtr(host->pszText);
  }
}

INT_PTR MessageResultToDevice(const Outgoing &out, INT_PTR result)
{
  if (out.kind == KIND_IMAGELIST)
    return DeviceHandle(reinterpret_cast<void *>(result));
  return result;
}

}  // namespace cerun
