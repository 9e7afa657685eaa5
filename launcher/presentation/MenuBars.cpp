// Builds the menu-bar presentation: the container, the header, one row of static controls
// per visible item, the arrows; and releases what a build made.
#include "launcher/presentation/MenuBars.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/presentation/IconCache.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resource.h"

MenuBarState g_menuBars;

// Windows CE clips every window's children and siblings; the desktop build asks for it,
// so that the container's painting and the stacked row controls behave as on the device.
static const DWORD CONTAINER_STYLE = WS_CHILD | WS_CLIPCHILDREN;
static const DWORD CHILD_STYLE = WS_CHILD | WS_CLIPSIBLINGS;

static HINSTANCE LauncherInstance()
{
  return g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
}

int MenuItemCount()
{
  LONG count = g_entries.count;
  if (count < 0)
    return 0;
  return count > ENTRY_TABLE_SLOTS ? ENTRY_TABLE_SLOTS : static_cast<int>(count);
}

int MenuRowHeight()
{
  return g_settings.menuItemHeight > 0 ? static_cast<int>(g_settings.menuItemHeight) : 1;
}

int ShownRows()
{
  int count = MenuItemCount();
  return g_menuBars.visibleRows < count ? g_menuBars.visibleRows : count;
}

int RowsThatFit()
{
  RECT usable;
  GetUsableArea(&usable);
  int space = usable.bottom - g_menuBars.headerHeight - usable.top;
  int rows = space > 0 ? space / MenuRowHeight() : 0;
  // A row is always there, even cut at the bottom: the user can still scroll to every item.
  return rows > 0 ? rows : 1;
}

static void ForgetBuild()
{
  ZeroMemory(&g_menuBars, sizeof(g_menuBars));
}

void ReleaseMenuBars()
{
  // A container left standing would paint with the brushes released below. One that is
  // gone has forgotten itself (WM_DESTROY).
  if (g_menuBars.container != nullptr && IsWindow(g_menuBars.container))
    DestroyWindow(g_menuBars.container);
  if (g_menuBars.areaBrush != nullptr)
    DeleteObject(g_menuBars.areaBrush);
  if (g_menuBars.itemBrush != nullptr)
    DeleteObject(g_menuBars.itemBrush);
  if (g_menuBars.selectedBrush != nullptr)
    DeleteObject(g_menuBars.selectedBrush);
  if (g_menuBars.itemFont != nullptr)
    DeleteObject(g_menuBars.itemFont);
  // The arrows are the launcher's shared icons; one made when no place for sharing was
  // left belongs to the build.
  ReleaseEntryIcon(&g_menuBars.upArrowIcon);
  ReleaseEntryIcon(&g_menuBars.downArrowIcon);
  ForgetBuild();
}

HFONT CreateItemFont()
{
  int pixelsPerInch = 96;
  HDC dc = GetDC(g_app.mainWindow);
  if (dc != nullptr) {
    pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(g_app.mainWindow, dc);
  }
  LOGFONTW font;
  ZeroMemory(&font, sizeof(font));
  font.lfHeight = -static_cast<LONG>(static_cast<DWORD>(pixelsPerInch) *
                                     g_settings.menuItemFontSize / 72);
  font.lfWeight = 600;
  CopyText(font.lfFaceName, LF_FACESIZE, g_settings.menuItemFont);
  return CreateFontIndirectW(&font);
}

void SetMenuLabel(int index, const wchar_t *text, HICON largeIcon, HICON smallIcon)
{
  bool isReturn = index < 0;
  if (isReturn)
    index = -index;
  if (index >= ENTRY_TABLE_SLOTS)
    return;
  if (text == nullptr)
    text = L"";

  wchar_t *label = g_menuBars.labels[index];
  label[0] = 0;
  if (g_settings.number == 1 && (isReturn || index <= 8)) {
    wchar_t number[16];
    int shown = isReturn && g_presentation.returnNumberedZero ? 0 : index + 1;
    wsprintfW(number, L"%d - ", shown);
    CopyText(label, MENU_LABEL_CAPACITY, number);
  }
  AppendText(label, MENU_LABEL_CAPACITY, text);
  g_menuBars.itemIcons[index] = largeIcon != nullptr ? largeIcon : smallIcon;
}

static void BuildLabels()
{
  int count = MenuItemCount();
  int programs = g_entries.programCount < count ? static_cast<int>(g_entries.programCount) : count;
  for (int i = 0; i < programs; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    SetMenuLabel(i, entry.description, entry.largeIcon, entry.smallIcon);
    AppendNetworkMark(entry, g_menuBars.labels[i], MENU_LABEL_CAPACITY);
  }
  int next = programs;
  if (g_presentation.aboutIndex >= 0) {
    SetMenuLabel(next, g_settings.aboutText, g_settings.aboutLargeIcon, g_settings.aboutSmallIcon);
    ++next;
  }
  if (g_presentation.exitIndex >= 0) {
    SetMenuLabel(next, g_settings.exitText, g_settings.exitLargeIcon, g_settings.exitSmallIcon);
    ++next;
  }
  g_presentation.returnNumberedZero = IsReturnNumberedZero();
  if (g_presentation.returnIndex >= 0)
    SetMenuLabel(-next, g_settings.returnText, g_settings.returnLargeIcon,
                 g_settings.returnSmallIcon);
}

void RefreshMenuLabels()
{
  if (g_menuBars.container == nullptr)
    return;
  BuildLabels();
  for (int j = 0; j < ENTRY_TABLE_SLOTS; ++j)
    g_menuBars.labelItems[j] = -1;
  RefreshMenuRows();
}

static void RegisterContainerClass()
{
  WNDCLASSW windowClass;
  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MenuBarWindowProc;
  windowClass.hInstance = LauncherInstance();
  windowClass.hbrBackground = nullptr;  // each container lends the class its build's brush
  windowClass.lpszClassName = MENU_BAR_CLASS;
  // An earlier build registered it: asking again would only fail, after a trip to the
  // window server that looking it up here does not make.
  WNDCLASSW existing;
  if (!GetClassInfoW(windowClass.hInstance, MENU_BAR_CLASS, &existing))
    RegisterClassW(&windowClass);
}

static HWND CreateStatic(DWORD style, const wchar_t *text, int id, int x, int y, int width,
                         int height)
{
  return CreateWindowExW(0, L"STATIC", text, CHILD_STYLE | style, x, y, width, height,
                         g_menuBars.container, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         LauncherInstance(), nullptr);
}

// Where the header picture goes; returns the y where the rows start (0 without a header).
// The header gives way to the first row when the area is too low for both.
static int PlaceHeader(int width, int height, RECT *place)
{
  HBITMAP picture = g_settings.headerBitmap;
  BITMAP size;
  if (g_settings.bitmapHeight == 0 || picture == nullptr ||
      GetObjectW(picture, sizeof(size), &size) == 0)
    return 0;
  int band = static_cast<int>(g_settings.bitmapHeight);
  int room = height - MenuRowHeight();
  if (band > room)
    band = room;
  if (band <= 0)
    return 0;
  place->left = width < size.bmWidth ? 0 : (width - size.bmWidth) / 2;
  place->top = band >= size.bmHeight ? (band - size.bmHeight) / 2 : 0;
  place->right = place->left + (width < size.bmWidth ? width : size.bmWidth);
  place->bottom = place->top + (band < size.bmHeight ? band : size.bmHeight);
  return band;
}

static void CreateHeader(const RECT &place)
{
  if (g_menuBars.headerHeight == 0)
    return;
  g_menuBars.headerWindow =
      CreateStatic(WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, nullptr, 0, place.left, place.top,
                   place.right - place.left, place.bottom - place.top);
  if (g_menuBars.headerWindow != nullptr)
    SendMessageW(g_menuBars.headerWindow, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(g_settings.headerBitmap));
}

// Per row: the icon, the label over the bar, then the bar beneath them.
static void CreateRows(int width, int top)
{
  HFONT font = g_menuBars.itemFont;
  LOGFONTW metrics;
  LONG fontHeight = 0;
  if (font != nullptr && GetObjectW(font, sizeof(metrics), &metrics) != 0)
    fontHeight = metrics.lfHeight;
  int rowHeight = MenuRowHeight();
  int textHeight = 4 - fontHeight;
  int textOffset = (rowHeight - textHeight) / 2;
  bool icons = g_settings.useProgramIcons == 1;
  int iconWidth = static_cast<int>(g_settings.menuItemIconWidth);
  int textX = icons ? iconWidth : 3;
  int textWidth = icons ? width - iconWidth : width;

  int y = top;
  for (int j = 0; j < ShownRows(); ++j, y += rowHeight) {
    if (icons)
      g_menuBars.iconWindows[j] = CreateStatic(WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, nullptr, 0,
                                               0, y, iconWidth, rowHeight - 1);
    HWND label = CreateStatic(WS_VISIBLE | SS_LEFTNOWORDWRAP, g_menuBars.labels[j],
                              LABEL_ID_FIRST + j, textX, y + textOffset, textWidth, textHeight);
    g_menuBars.labelWindows[j] = label;
    g_menuBars.labelItems[j] = j;
    if (label != nullptr)
      SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    g_menuBars.rowWindows[j] = CreateStatic(WS_VISIBLE, nullptr, 0, 0, y, width, rowHeight - 1);
  }
}

// A new control goes beneath the ones made before it: the arrows are made first, the down
// arrow first, so that they lie above everything else without a z-order change, and each
// row's bar is made after its icon and label.
static HWND CreateArrow(int iconId, HICON *icon, DWORD shown, int x, int y, int width,
                        int height)
{
  ReleaseEntryIcon(icon);
  *icon = LoadLauncherIcon(iconId, 16);
  HWND arrow = CreateStatic(SS_ICON | SS_CENTERIMAGE | shown, nullptr, 0, x, y, width, height);
  if (arrow != nullptr)
    SendMessageW(arrow, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(*icon));
  return arrow;
}

static void CreateArrows(int width)
{
  int arrowWidth = g_app.highResolution ? 64 : 32;
  int rowHeight = MenuRowHeight();
  int top = g_menuBars.headerHeight;
  DWORD downShown = g_menuBars.visibleRows < MenuItemCount() ? WS_VISIBLE : 0;
  g_menuBars.downArrow = CreateArrow(IDI_ARROW_DOWN, &g_menuBars.downArrowIcon, downShown,
                                     width - arrowWidth,
                                     top + rowHeight * (g_menuBars.visibleRows - 1), arrowWidth,
                                     rowHeight - 4);
  g_menuBars.upArrow = CreateArrow(IDI_ARROW_UP, &g_menuBars.upArrowIcon, 0, width - arrowWidth,
                                   top + 2, arrowWidth, rowHeight - 4);
}

static void WarnBadForceScreenOnce(HWND parent)
{
  if (g_shell.forceScreenState != FORCE_SCREEN_INVALID)
    return;
  wchar_t text[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_BAD_FORCE_SCREEN), text, TEXT_CAPACITY);
  ShowMessageBox(parent, text, L"Ferrolt Warning", MB_OK);
  g_shell.forceScreenState = FORCE_SCREEN_NONE;
}

HWND CreateMenuBars(HWND parent)
{
  ReleaseMenuBars();
  g_menuBars.areaBrush = CreateSolidBrush(g_settings.menuAreaBackgroundColor);
  g_menuBars.itemBrush = CreateSolidBrush(g_settings.menuItemBackgroundColor);
  g_menuBars.selectedBrush = CreateSolidBrush(g_settings.selectedMenuItemBackgroundColor);

  RECT usable;
  GetUsableArea(&usable);
  int width = usable.right - usable.left;
  int height = usable.bottom - usable.top;

  RegisterContainerClass();
  // The container is shown once everything in it stands, so that no control is drawn
  // while the others are still being made.
  g_menuBars.container = CreateWindowExW(0, MENU_BAR_CLASS, nullptr, CONTAINER_STYLE, usable.left,
                                         usable.top, width, height, parent, nullptr,
                                         LauncherInstance(), nullptr);
  if (g_menuBars.container == nullptr)
    return nullptr;

  RECT headerPlace = {0, 0, 0, 0};
  g_menuBars.headerHeight = PlaceHeader(width, height, &headerPlace);
  BuildLabels();
  g_menuBars.itemFont = CreateItemFont();
  g_menuBars.visibleRows = RowsThatFit();
  CreateArrows(width);
  CreateHeader(headerPlace);
  CreateRows(width, g_menuBars.headerHeight);
  ShowWindow(g_menuBars.container, SW_SHOW);
  g_menuBars.unpainted = true;

  WarnBadForceScreenOnce(parent);
  if (g_app.focusFlag)
    SetFocus(g_menuBars.container);
  return g_menuBars.container;
}
