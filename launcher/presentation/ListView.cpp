// The list view of the Details, List, Small Icons and Large Icons modes: window, image
// lists, columns, items and the notifications it sends its parent.
#include "launcher/presentation/ListPresentation.h"

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/NetworkProbe.h"
#include "resource.h"

enum {
  // The image lists belong to the presentation, which destroys them when it is torn down;
  // LVS_SHAREIMAGELISTS keeps the control from destroying them a second time.
  LIST_VIEW_BASE_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_NOSORTHEADER |
                         LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS,
  IMAGE_BACKGROUND = 0x00FFFFFF,
  MAX_LIST_COLUMNS = 3,
};

static DWORD ListViewStyle()
{
  DWORD style = LIST_VIEW_BASE_STYLE;
  if (g_settings.number == 1)
    style |= LVS_AUTOARRANGE;
  if (g_settings.headings == 0)
    style |= LVS_NOCOLUMNHEADER;
  if (g_settings.mode == MODE_SMALL_ICONS)
    style |= LVS_ALIGNLEFT;
  return style;
}

static void SetListViewStyle(HWND listView)
{
  DWORD view = LVS_REPORT;
  switch (g_settings.mode) {
  case MODE_LIST: view = LVS_LIST; break;
  case MODE_SMALL_ICONS: view = LVS_SMALLICON; break;
  case MODE_LARGE_ICONS: view = LVS_ICON; break;
  default: break;
  }
  LONG_PTR style = GetWindowLongPtrW(listView, GWL_STYLE);
  SetWindowLongPtrW(listView, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | view);
}

static void SetCellSizes(HWND listView)
{
  int fontSize = static_cast<int>(g_settings.menuItemFontSize);
  if (g_settings.mode != MODE_LARGE_ICONS) {
    ImageList_SetBkColor(g_presentation.smallImages, IMAGE_BACKGROUND);
    ImageList_SetIconSize(g_presentation.smallImages, 32, fontSize + 16);
  } else if (g_app.highResolution) {
    ImageList_SetBkColor(g_presentation.largeImages, IMAGE_BACKGROUND);
    ImageList_SetIconSize(g_presentation.largeImages, 64, fontSize + 64);
    SendMessageW(listView, LVM_SETICONSPACING, 0, MAKELPARAM(128, 3 * (fontSize + 48)));
  } else {
    SendMessageW(listView, LVM_SETICONSPACING, 0, MAKELPARAM(64, 3 * (fontSize + 16)));
  }
}

// A transparent image that stands in for a missing icon, so that item i always finds its
// picture at image index i in both lists.
static bool AppendBlankImage(HIMAGELIST list)
{
  int width = 0, height = 0;
  if (!ImageList_GetIconSize(list, &width, &height))
    return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, width, height);
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  bool added = false;
  if (memory != nullptr && colour != nullptr && mask != nullptr) {
    HGDIOBJ old = SelectObject(memory, colour);
    PatBlt(memory, 0, 0, width, height, BLACKNESS);
    SelectObject(memory, mask);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    SelectObject(memory, old);
    added = ImageList_Add(list, colour, mask) >= 0;
  }
  if (mask != nullptr)
    DeleteObject(mask);
  if (colour != nullptr)
    DeleteObject(colour);
  if (memory != nullptr)
    DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return added;
}

// The icon behind each image of a list so far (none for a blank image), so that an icon
// shown again is copied inside the list instead of being converted once more.
struct ImageSources {
  HICON icons[ENTRY_TABLE_SLOTS];
  int count;
};
static ImageSources s_smallSources, s_largeSources;

// Grows the list by one image and copies image from into it.
static bool AppendCopy(HIMAGELIST list, int from, int to)
{
  if (!ImageList_SetImageCount(list, static_cast<UINT>(to + 1)))
    return false;
  if (ImageList_Copy(list, to, list, from, ILCF_MOVE))
    return true;
  ImageList_SetImageCount(list, static_cast<UINT>(to));
  return false;
}

static bool AppendImage(HIMAGELIST list, ImageSources *sources, HICON icon)
{
  if (sources->count >= ENTRY_TABLE_SLOTS)
    return false;
  int index = sources->count;
  bool added = false;
  for (int j = 0; j < index && !added; ++j)
    if (sources->icons[j] == icon)
      added = AppendCopy(list, j, index);
  if (!added)
    added = icon == nullptr ? AppendBlankImage(list) : ImageList_ReplaceIcon(list, -1, icon) >= 0;
  if (added)
    sources->icons[sources->count++] = icon;
  return added;
}

static bool AppendEntryImages(int index, HICON smallIcon, HICON largeIcon, TextOrId smallError,
                              TextOrId largeError)
{
  wchar_t message[TEXT_CAPACITY];
  if (!AppendImage(g_presentation.smallImages, &s_smallSources, smallIcon)) {
    FormatStringById(message, TEXT_CAPACITY, smallError, static_cast<ULONG_PTR>(index));
    ShowLastError(message);
    return false;
  }
  if (!AppendImage(g_presentation.largeImages, &s_largeSources, largeIcon)) {
    FormatStringById(message, TEXT_CAPACITY, largeError, static_cast<ULONG_PTR>(index));
    ShowLastError(message);
    return false;
  }
  return true;
}

static bool AppendAddedItemImages(int index, HICON smallIcon, HICON largeIcon, UINT smallError,
                                  UINT largeError)
{
  if (index < 0)
    return true;
  return AppendEntryImages(index, smallIcon, largeIcon, TEXT_ID(smallError), TEXT_ID(largeError));
}

static bool AddImages()
{
  s_smallSources.count = 0;
  s_largeSources.count = 0;
  for (int i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    if (!AppendEntryImages(i, entry.smallIcon, entry.largeIcon,
                           TEXT_ID(IDS_CANNOT_ADD_SMALL_ICON), TEXT_ID(IDS_CANNOT_ADD_LARGE_ICON)))
      return false;
  }
  return AppendAddedItemImages(g_presentation.aboutIndex, g_settings.aboutSmallIcon,
                               g_settings.aboutLargeIcon, IDS_CANNOT_ADD_SMALL_ABOUT,
                               IDS_CANNOT_ADD_LARGE_ABOUT) &&
         AppendAddedItemImages(g_presentation.exitIndex, g_settings.exitSmallIcon,
                               g_settings.exitLargeIcon, IDS_CANNOT_ADD_SMALL_EXIT,
                               IDS_CANNOT_ADD_LARGE_EXIT) &&
         AppendAddedItemImages(g_presentation.returnIndex, g_settings.returnSmallIcon,
                               g_settings.returnLargeIcon, IDS_CANNOT_ADD_SMALL_RETURN,
                               IDS_CANNOT_ADD_LARGE_RETURN);
}

// The colour depth of the screen the icons are made for. Without a colour flag the device
// gives its default depth, typically 4 bits: icons in 16 colours.
static UINT ImageListColourFlag()
{
  HDC screen = GetDC(nullptr);
  int bits = 0;
  if (screen != nullptr) {
    bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
  }
  if (bits > 0 && bits <= 4)
    return ILC_COLOR4;
  if (bits > 0 && bits <= 8)
    return ILC_COLOR8;
  if (bits > 0 && bits <= 16)
    return ILC_COLOR16;
  if (bits > 0 && bits <= 24)
    return ILC_COLOR24;
  return ILC_COLOR32;
}

static bool CreateImageLists(HWND listView)
{
  int initial = g_entries.count > 0 ? static_cast<int>(g_entries.count) : 0;
  UINT flags = ILC_MASK | ImageListColourFlag();
  g_presentation.smallImages = ImageList_Create(16, 16, flags, initial, 0);
  g_presentation.largeImages = ImageList_Create(32, 32, flags, initial, 0);
  return g_presentation.smallImages != nullptr && g_presentation.largeImages != nullptr;
}

static void DestroyImageLists()
{
  if (g_presentation.smallImages != nullptr)
    ImageList_Destroy(g_presentation.smallImages);
  if (g_presentation.largeImages != nullptr)
    ImageList_Destroy(g_presentation.largeImages);
  g_presentation.smallImages = nullptr;
  g_presentation.largeImages = nullptr;
}

void AddListColumns(HWND listView)
{
  if (g_settings.mode != MODE_DETAILS && g_settings.mode != MODE_LIST)
    return;
  const wchar_t *headings[MAX_LIST_COLUMNS] = {g_settings.descriptionHeading,
                                               g_settings.nameHeading,
                                               g_settings.commandHeading};
  const DWORD widths[MAX_LIST_COLUMNS] = {g_settings.descriptionWidth, g_settings.nameWidth,
                                          g_settings.commandWidth};
  for (int c = 0; c < g_presentation.columnCount && c < MAX_LIST_COLUMNS; ++c) {
    RECT client;
    GetClientRect(listView, &client);
    int share = (client.right - client.left + 1 - GetSystemMetrics(SM_CXVSCROLL) - 16) /
                g_presentation.columnCount;
    LVCOLUMNW column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = widths[c] == 0 ? share : static_cast<int>(widths[c]);
    column.pszText = const_cast<wchar_t *>(headings[c]);
    column.iSubItem = c;
    if (SendMessageW(listView, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column)) < 0)
      break;
  }
}

// The item's label: the Description, or "<number> - <Description>" in a numbered list,
// cut to the label buffer when the Description is long, with the mark of an entry that
// waits for the network.
static void FormatItemLabel(int index, wchar_t *label, size_t capacity)
{
  const wchar_t *description = g_entries.entries[index].description;
  if (g_settings.number != 1) {
    CopyText(label, capacity, description);
    if (index < g_entries.programCount)
      AppendNetworkMark(g_entries.entries[index], label, capacity);
    return;
  }
  int number = index + 1;
  if (index == g_presentation.returnIndex && g_presentation.returnNumberedZero)
    number = 0;
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_NUMBERED_LABEL), pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters; the scratch holds them all.
  wchar_t scratch[1025];
  wsprintfW(scratch, pattern, number, description);
  scratch[1024] = L'\0';
  CopyText(label, capacity, scratch);
  if (index < g_entries.programCount)
    AppendNetworkMark(g_entries.entries[index], label, capacity);
}

void RefreshListLabels()
{
  HWND listView = GetListView();
  if (listView == nullptr)
    return;
  for (int i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i) {
    wchar_t label[TEXT_CAPACITY];
    FormatItemLabel(i, label, TEXT_CAPACITY);
    LVITEMW item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = 0;
    item.pszText = label;
    SendMessageW(listView, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
}

static bool InsertItems(HWND listView)
{
  for (int i = 0; i < g_entries.count && i < ENTRY_TABLE_SLOTS; ++i) {
    wchar_t label[TEXT_CAPACITY];
    FormatItemLabel(i, label, TEXT_CAPACITY);
    LVITEMW item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    item.iItem = i;
    item.iImage = i;
    item.lParam = reinterpret_cast<LPARAM>(&g_entries.entries[i]);
    item.pszText = label;
    if (SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
      ShowLastError(TEXT_ID(IDS_CANNOT_INSERT_ITEM));
      return false;
    }
    for (int c = 1; c < g_presentation.columnCount; ++c) {
      LVITEMW sub;
      ZeroMemory(&sub, sizeof sub);
      sub.iSubItem = c;
      sub.pszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(listView, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
  }
  return true;
}

static bool FillListView(HWND listView)
{
  SetListViewStyle(listView);
  if (!CreateImageLists(listView)) {
    ShowLastError(TEXT_ID(IDS_CANNOT_CREATE_LIST_VIEW));
    return false;
  }
  SetCellSizes(listView);
  if (!AddImages())
    return false;
  SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(g_presentation.smallImages));
  SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_NORMAL,
               reinterpret_cast<LPARAM>(g_presentation.largeImages));
  AddListColumns(listView);

  SendMessageW(listView, WM_SETREDRAW, FALSE, 0);
  SendMessageW(listView, LVM_SETITEMCOUNT, g_entries.count, 0);
  g_presentation.returnNumberedZero = IsReturnNumberedZero();
  bool inserted = InsertItems(listView);
  SendMessageW(listView, WM_SETREDRAW, TRUE, 0);
  return inserted;
}

HWND CreateListView(HWND parent)
{
  g_presentation.columnCount = 1;
  if (g_settings.mode == MODE_DETAILS) {
    DWORD columns = g_settings.detailColumns;
    g_presentation.columnCount = columns < 1 ? 1 : columns > MAX_LIST_COLUMNS ? MAX_LIST_COLUMNS
                                                                              : static_cast<int>(columns);
  }
  RECT usable;
  GetUsableArea(&usable);
  HWND listView = CreateWindowExW(0, WC_LISTVIEWW, g_settings.titleText, ListViewStyle(),
                                  usable.left, usable.top, usable.right - usable.left,
                                  usable.bottom - usable.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(LIST_VIEW_ID)),
                                  g_app.instance, nullptr);
  if (listView == nullptr) {
    ShowLastError(TEXT_ID(IDS_CANNOT_CREATE_LIST_VIEW));
    return nullptr;
  }
  RouteListKeys(listView);
  if (!FillListView(listView)) {
    // Nothing half-built stays behind for the next build to trip over.
    DestroyWindow(listView);
    DestroyImageLists();
    return nullptr;
  }
  return listView;
}

// Points the list view at the entry's own text, so that the further columns are never
// copied; a record pointer that is not one of the table's slots is ignored.
static void AnswerDisplayInfo(NMLVDISPINFOW *info)
{
  LVITEMW &item = info->item;
  if (!(item.mask & LVIF_TEXT))
    return;
  ULONG_PTR first = reinterpret_cast<ULONG_PTR>(&g_entries.entries[0]);
  ULONG_PTR record = static_cast<ULONG_PTR>(item.lParam);
  if (record < first || record - first >= sizeof g_entries.entries ||
      (record - first) % sizeof(ProgramEntry) != 0)
    return;
  ProgramEntry *entry = reinterpret_cast<ProgramEntry *>(item.lParam);
  switch (item.iSubItem) {
  case 0: item.pszText = entry->description; break;
  case 1: item.pszText = entry->name; break;
  case 2: item.pszText = entry->command; break;
  default: break;
  }
}

LRESULT HandleListNotify(HWND window, UINT message, WPARAM controlId, NMHDR *header)
{
  // A notification sent from another thread or process carries a pointer that is not ours.
  if (controlId != LIST_VIEW_ID || header == nullptr || InSendMessage())
    return 0;
  if (header->idFrom != LIST_VIEW_ID)
    return 0;
  switch (header->code) {
  case LVN_GETDISPINFOW:
    AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW *>(header));
    return 0;
  case LVN_KEYDOWN:
    return HandleListKey(reinterpret_cast<NMLVKEYDOWN *>(header)->wVKey);
  case NM_CLICK:
  case NM_DBLCLK:
    return ActivateSelectedItem();
  default:
    return 0;
  }
}
