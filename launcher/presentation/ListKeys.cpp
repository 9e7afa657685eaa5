// The list view's keyboard navigation and the selection operations the main window uses.
#include "launcher/presentation/ListPresentation.h"

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/shell/MainWindow.h"

static WNDPROC s_listViewProcedure = nullptr;

static int ItemCount(HWND listView)
{
  return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
}

static int NextItem(HWND listView, int start, UINT relation)
{
  return static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, start, MAKELPARAM(relation, 0)));
}

// The neighbour in the given direction, or -1 when there is none. Some list views answer
// with the index one past the last item, which counts as none.
static int Neighbour(HWND listView, int item, UINT relation)
{
  int next = NextItem(listView, item, relation);
  if (next < 0 || next >= ItemCount(listView) || next == item)
    return -1;
  return next;
}

// The last item reached by walking from start in one direction; a negative start comes
// back unchanged.
static int FindEndItem(HWND listView, int start, UINT relation)
{
  if (start < 0)
    return start;
  int item = start;
  int steps = ItemCount(listView);
  for (; steps > 0; --steps) {
    int next = Neighbour(listView, item, relation);
    if (next < 0)
      break;
    item = next;
  }
  return item;
}

static int FindTopItem(HWND listView, int start)
{
  return FindEndItem(listView, start, LVNI_ABOVE);
}

static int FindBottomItem(HWND listView, int start)
{
  return FindEndItem(listView, start, LVNI_BELOW);
}

static bool IsListMode()
{
  return g_settings.mode == MODE_DETAILS || g_settings.mode == MODE_LIST;
}

// Details and List wrap around at the ends; the icon modes only move to a neighbour that
// also lies the right way in index order, and otherwise stay.
static int MoveTarget(HWND listView, int current, WORD key)
{
  bool backwards = key == VK_UP || key == VK_LEFT;
  if (IsListMode()) {
    int next = Neighbour(listView, current, backwards ? LVNI_ABOVE : LVNI_BELOW);
    if (next >= 0)
      return next;
    return backwards ? FindBottomItem(listView, current) : FindTopItem(listView, current);
  }
  UINT relation = LVNI_ABOVE;
  switch (key) {
  case VK_LEFT: relation = LVNI_TOLEFT; break;
  case VK_DOWN: relation = LVNI_BELOW; break;
  case VK_RIGHT: relation = LVNI_TORIGHT; break;
  default: break;
  }
  int next = Neighbour(listView, current, relation);
  if (next < 0 || (backwards ? next >= current : next <= current))
    return current;
  return next;
}

static void MoveSelection(WORD key)
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return;
  int current = GetSelectedListItem();
  SetSelectionState(false);
  SelectListItem(MoveTarget(listView, current, key));
  SetSelectionState(true);
}

static bool IsDigitKey(WORD key)
{
  return (key >= 0x30 && key <= 0x39) || (key >= VK_NUMPAD0 && key <= VK_NUMPAD9);
}

LRESULT HandleListKey(WORD virtualKey)
{
  switch (virtualKey) {
  case VK_RETURN:
    return ActivateSelectedItem();
  case VK_ESCAPE:
    ConfirmExit();
    return 1;
  case VK_UP:
  case VK_LEFT:
  case VK_DOWN:
  case VK_RIGHT:
    MoveSelection(virtualKey);
    return 1;
  default:
    if (IsDigitKey(virtualKey))
      return g_settings.number == 1 ? 1 : 0;
    return 0;
  }
}

int GetSelectedListItem()
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return -1;
  return NextItem(listView, -1, LVNI_SELECTED);
}

static void SetItemSelected(HWND listView, int index, bool selected)
{
  LVITEMW item;
  ZeroMemory(&item, sizeof item);
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(listView, LVM_ENSUREVISIBLE, index, FALSE);
  SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void SelectListItem(int index)
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return;
  if (g_app.focusFlag)
    SetFocus(listView);
  if (index < 0)
    index = NextItem(listView, -1, LVNI_ALL);
  if (index < 0 || index >= ItemCount(listView))
    return;
  SetItemSelected(listView, index, true);
}

void SetSelectionState(bool selected)
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return;
  if (g_app.focusFlag)
    SetFocus(listView);
  int index = NextItem(listView, -1, LVNI_SELECTED);
  if (index >= 0)
    SetItemSelected(listView, index, selected);
}

int ActivateSelectedItem()
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return 0;
  int index = NextItem(listView, -1, LVNI_SELECTED);
  if (index >= 0 && index < g_entries.count)
    ActivateItem(index);
  return 0;
}

static bool IsNavigationKey(WPARAM key)
{
  return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT ||
         key == VK_RETURN || key == VK_ESCAPE;
}

// A desktop list view moves its own selection on the arrow keys whatever its parent
// answers to LVN_KEYDOWN, so these keys go to the launcher's navigation first and never
// reach the control; every other key takes the control's own way, LVN_KEYDOWN included.
static LRESULT CALLBACK ListViewKeyProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
  if (message == WM_KEYDOWN && IsNavigationKey(wParam)) {
    HandleListKey(static_cast<WORD>(wParam));
    return 0;
  }
  NoteScrollBarInput(message);
  if (s_listViewProcedure == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(s_listViewProcedure, window, message, wParam, lParam);
}

void RouteListKeys(HWND listView)
{
  WNDPROC previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      listView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListViewKeyProcedure)));
  if (previous != ListViewKeyProcedure && previous != nullptr)
    s_listViewProcedure = previous;
}
