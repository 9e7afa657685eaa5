// The list-view presentation, built in a real main window of the prefix: items, labels,
// columns, images, keys and selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/ShellLockdown.h"
#include "support/TestSupport.h"

namespace {

const wchar_t kMainClass[] = L"ListPresentationTestMain";
const int kClientWidth = 240;
const int kClientHeight = 320;

struct Received {
  UINT message;
  WPARAM wParam;
};

std::vector<Received> g_received;
std::vector<LRESULT> g_keyResults;  // what the main window answered to each LVN_KEYDOWN

// Stands in for the launcher's main window: records what it gets and hands list-view
// notifications to the presentation.
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_NOTIFY: {
    LRESULT result = HandleListNotify(window, message, wParam, reinterpret_cast<NMHDR *>(lParam));
    if (reinterpret_cast<NMHDR *>(lParam)->code == LVN_KEYDOWN)
      g_keyResults.push_back(result);
    return result;
  }
  case WM_CLOSE:
  case MSG_BACK:
  case MSG_ENTER_CONFIGURATION:
    g_received.push_back({message, wParam});
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

class ListPresentationTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    g_app.instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = g_app.instance;
    windowClass.lpszClassName = kMainClass;
    RegisterClassW(&windowClass);
    main_ = CreateWindowExW(0, kMainClass, L"main", WS_POPUP | WS_VISIBLE, 0, 0, kClientWidth,
                            kClientHeight, nullptr, nullptr, g_app.instance, nullptr);
    ASSERT_NE(nullptr, main_);
    g_app.mainWindow = main_;
    g_app.presentationWindow = nullptr;
    g_app.focusFlag = false;
    g_app.backOnZero = 0;
    g_app.exitOnEsc = 0;
    g_shell.plainCe = true;
    g_shell.fullScreen = 0;
    g_received.clear();
    g_keyResults.clear();

    ZeroMemory(&g_entries, sizeof g_entries);
    ZeroMemory(&g_settings, sizeof g_settings);
    g_presentation = {nullptr, nullptr, -1, -1, -1, false, 1};
    g_settings.mode = MODE_DETAILS;
    g_settings.detailColumns = 1;
    g_settings.headings = 1;
    g_settings.menuItemFontSize = 12;
    CopyText(g_settings.titleText, TEXT_CAPACITY, L"Ferrolt");
    CopyText(g_settings.descriptionHeading, TEXT_CAPACITY, L"Description");
    CopyText(g_settings.nameHeading, TEXT_CAPACITY, L"Name");
    CopyText(g_settings.commandHeading, TEXT_CAPACITY, L"Command");
  }

  void TearDown() override
  {
    if (g_app.presentationWindow != nullptr)
      DestroyWindow(g_app.presentationWindow);
    g_app.presentationWindow = nullptr;
    if (g_presentation.smallImages != nullptr)
      ImageList_Destroy(g_presentation.smallImages);
    if (g_presentation.largeImages != nullptr)
      ImageList_Destroy(g_presentation.largeImages);
    g_presentation.smallImages = g_presentation.largeImages = nullptr;
    for (HICON icon : icons_)
      DestroyIcon(icon);
    icons_.clear();
    g_app.mainWindow = nullptr;
    DestroyWindow(main_);
    test::PumpMessages(0);
  }

  void AddEntries(int count)
  {
    for (int i = 0; i < count; ++i) {
      ProgramEntry &entry = g_entries.entries[g_entries.count++];
      wsprintfW(entry.description, L"Program %d", i + 1);
      wsprintfW(entry.name, L"\\Windows\\prog%d.exe", i + 1);
      wsprintfW(entry.command, L"-arg%d", i + 1);
    }
  }

  void ShowItem(DWORD *shown, wchar_t *text, const wchar_t *label)
  {
    *shown = 1;
    CopyText(text, TEXT_CAPACITY, label);
  }

  HWND Build()
  {
    test::BoxAnswerer boxes;
    EXPECT_EQ(1, BuildPresentation(main_));
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions().c_str();
    return g_app.presentationWindow;
  }

  HICON SolidIcon(int size, COLORREF colour)
  {
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, picture);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, size, size};
    FillRect(memory, &all, brush);
    SelectObject(memory, mask);
    PatBlt(memory, 0, 0, size, size, BLACKNESS);  // opaque everywhere
    SelectObject(memory, old);
    ICONINFO info = {TRUE, 0, 0, mask, picture};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(brush);
    DeleteDC(memory);
    DeleteObject(picture);
    DeleteObject(mask);
    ReleaseDC(nullptr, screen);
    icons_.push_back(icon);
    return icon;
  }

  HWND main_ = nullptr;
  std::vector<HICON> icons_;
};

std::wstring ItemText(HWND listView, int item, int subItem = 0)
{
  wchar_t buffer[1024] = {};
  LVITEMW request = {};
  request.iSubItem = subItem;
  request.pszText = buffer;
  request.cchTextMax = 1024;
  SendMessageW(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
  return buffer;
}

int ColumnCount(HWND listView)
{
  int count = 0;
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  while (count < 10 && SendMessageW(listView, LVM_GETCOLUMNW, count,
                                    reinterpret_cast<LPARAM>(&column)))
    ++count;
  return count;
}

std::wstring ColumnHeading(HWND listView, int index)
{
  wchar_t buffer[TEXT_CAPACITY] = {};
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = TEXT_CAPACITY;
  SendMessageW(listView, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  return buffer;
}

std::vector<int> SelectedItems(HWND listView)
{
  std::vector<int> selected;
  int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (SendMessageW(listView, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
      selected.push_back(i);
  }
  return selected;
}

// Presses a key on the list view as the message loop would deliver it.
void PressKey(HWND listView, WORD key)
{
  SendMessageW(listView, WM_KEYDOWN, key, 1);
  SendMessageW(listView, WM_KEYUP, key, 0xC0000001);
}

LRESULT NotifyKey(HWND main, UINT controlId, WORD key)
{
  NMLVKEYDOWN notification = {};
  notification.hdr.hwndFrom = GetDlgItem(main, LIST_VIEW_ID);
  notification.hdr.idFrom = controlId;
  notification.hdr.code = LVN_KEYDOWN;
  notification.wVKey = key;
  return SendMessageW(main, WM_NOTIFY, controlId, reinterpret_cast<LPARAM>(&notification));
}

// The colour in the middle of an image as drawn over grey.
COLORREF ImageColour(HIMAGELIST list, int index)
{
  int width = 0, height = 0;
  ImageList_GetIconSize(list, &width, &height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, canvas);
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  RECT all = {0, 0, width, height};
  FillRect(memory, &all, grey);
  ImageList_Draw(list, index, memory, 0, 0, ILD_TRANSPARENT);
  COLORREF colour = GetPixel(memory, width / 2, height / 2);
  SelectObject(memory, old);
  DeleteObject(grey);
  DeleteObject(canvas);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(ListPresentationTest, AddedItemsFollowTheProgramEntries)
{
  AddEntries(3);
  ShowItem(&g_settings.aboutShown, g_settings.aboutText, L"About");
  ShowItem(&g_settings.exitShown, g_settings.exitText, L"Exit");
  ShowItem(&g_settings.returnShown, g_settings.returnText, L"Back");
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);

  EXPECT_EQ(3, g_entries.programCount);
  EXPECT_EQ(6, g_entries.count);
  EXPECT_EQ(3, g_presentation.aboutIndex);
  EXPECT_EQ(4, g_presentation.exitIndex);
  EXPECT_EQ(5, g_presentation.returnIndex);
  const wchar_t *labels[] = {L"Program 1", L"Program 2", L"Program 3", L"About", L"Exit", L"Back"};
  ASSERT_EQ(6, SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(labels[i], ItemText(listView, i)) << i;
  EXPECT_STREQ(L"", g_entries.entries[4].name);
  // The first item starts selected, and only it.
  EXPECT_EQ(std::vector<int>{0}, SelectedItems(listView));
  EXPECT_EQ(0, GetSelectedListItem());
}

TEST_F(ListPresentationTest, NumberedLabelsCountFromOneAndBackOnZero)
{
  AddEntries(7);
  // A Description that fills its buffer gives a label cut to the label buffer.
  std::wstring longText(TEXT_CAPACITY - 1, L'x');
  CopyText(g_entries.entries[0].description, TEXT_CAPACITY, longText.c_str());
  ShowItem(&g_settings.aboutShown, g_settings.aboutText, L"About");
  ShowItem(&g_settings.exitShown, g_settings.exitText, L"Exit");
  ShowItem(&g_settings.returnShown, g_settings.returnText, L"Back");
  g_settings.number = 1;
  g_app.backOnZero = 1;
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  EXPECT_TRUE(g_presentation.returnNumberedZero);
  std::wstring label = ItemText(listView, 0);
  EXPECT_EQ(static_cast<size_t>(TEXT_CAPACITY - 1), label.size());
  EXPECT_EQ(L"1 - xxx", label.substr(0, 7));
  for (int i = 1; i < 7; ++i)
    EXPECT_EQ(L"" + std::to_wstring(i + 1) + L" - Program " + std::to_wstring(i + 1),
              ItemText(listView, i));
  EXPECT_EQ(L"8 - About", ItemText(listView, 7));
  EXPECT_EQ(L"9 - Exit", ItemText(listView, 8));
  EXPECT_EQ(L"0 - Back", ItemText(listView, 9));
  EXPECT_TRUE(GetWindowLongW(listView, GWL_STYLE) & LVS_AUTOARRANGE);
}

TEST_F(ListPresentationTest, ReturnIsNumberedZeroOnlyAsBackOnZeroSays)
{
  const struct {
    int backOnZero;
    LONG mode;
    bool returnItem, zero;
  } cases[] = {{1, MODE_DETAILS, true, true},   {0, MODE_DETAILS, true, false},
               {2, MODE_DETAILS, true, false},  {2, MODE_MENU_BARS, true, true},
               {0, MODE_MENU_BARS, true, false}, {1, MODE_DETAILS, false, false}};
  for (const auto &c : cases) {
    g_app.backOnZero = c.backOnZero;
    g_settings.mode = c.mode;
    g_presentation.returnIndex = c.returnItem ? 2 : -1;
    EXPECT_EQ(c.zero, IsReturnNumberedZero())
        << "BackOnZero " << c.backOnZero << " mode " << c.mode << " return " << c.returnItem;
  }
}

TEST_F(ListPresentationTest, EachModeHasItsViewStyleColumnsAndCells)
{
  const struct {
    LONG mode;
    DWORD view;
    int columns;
    bool alignLeft;
  } cases[] = {
      {MODE_DETAILS, LVS_REPORT, 3, false},
      {MODE_LIST, LVS_LIST, 1, false},
      {MODE_SMALL_ICONS, LVS_SMALLICON, 0, true},
      {MODE_LARGE_ICONS, LVS_ICON, 0, false},
  };
  for (const auto &c : cases) {
    TearDown();
    SetUp();
    g_settings.mode = c.mode;
    g_settings.detailColumns = 3;
    g_settings.menuItemFontSize = 10;
    AddEntries(4);
    HWND listView = Build();
    ASSERT_NE(nullptr, listView) << c.mode;
    DWORD style = static_cast<DWORD>(GetWindowLongW(listView, GWL_STYLE));
    const DWORD base = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_NOSORTHEADER |
                       LVS_SHOWSELALWAYS | LVS_SINGLESEL;
    EXPECT_EQ(base, style & base) << c.mode;
    EXPECT_EQ(c.view, style & LVS_TYPEMASK) << c.mode;
    EXPECT_EQ(c.alignLeft, (style & LVS_ALIGNLEFT) != 0) << c.mode;
    EXPECT_EQ(0u, style & (LVS_AUTOARRANGE | LVS_NOCOLUMNHEADER)) << c.mode;
    EXPECT_EQ(c.mode == MODE_DETAILS ? 3 : 1, g_presentation.columnCount) << c.mode;
    EXPECT_EQ(c.columns, ColumnCount(listView)) << c.mode;
    if (c.columns > 0) {
      EXPECT_EQ(L"Description", ColumnHeading(listView, 0)) << c.mode;
    }

    RECT client, usable;
    GetClientRect(main_, &client);
    GetWindowRect(listView, &usable);
    EXPECT_EQ(kClientWidth, usable.right - usable.left);
    EXPECT_EQ(client.bottom, usable.bottom - usable.top);

    int width = 0, height = 0;
    ImageList_GetIconSize(g_presentation.smallImages, &width, &height);
    bool smallCells = c.mode != MODE_LARGE_ICONS;
    EXPECT_EQ(smallCells ? 32 : 16, width) << c.mode;
    EXPECT_EQ(smallCells ? 10 + 16 : 16, height) << c.mode;
    ImageList_GetIconSize(g_presentation.largeImages, &width, &height);
    EXPECT_EQ(32, width) << c.mode;
    EXPECT_EQ(32, height) << c.mode;
    EXPECT_EQ(g_presentation.smallImages,
              reinterpret_cast<HIMAGELIST>(SendMessageW(listView, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
    EXPECT_EQ(g_presentation.largeImages,
              reinterpret_cast<HIMAGELIST>(SendMessageW(listView, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)));
    if (c.mode == MODE_LARGE_ICONS) {
      DWORD spacing = static_cast<DWORD>(SendMessageW(listView, LVM_GETITEMSPACING, FALSE, 0));
      EXPECT_EQ(64, LOWORD(spacing));
      EXPECT_EQ(3 * (10 + 16), HIWORD(spacing));
    }
  }
}

TEST_F(ListPresentationTest, DetailColumnsShareTheWidthOrTakeTheirSetting)
{
  g_settings.detailColumns = 3;
  AddEntries(2);
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  RECT client;
  GetClientRect(listView, &client);
  int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  int share = (client.right - client.left + 1 - scrollBar - 16) / 3;
  // The list view's border takes a pixel each side of the 240-pixel client area.
  EXPECT_EQ(kClientWidth - 2, client.right - client.left);
  const wchar_t *headings[] = {L"Description", L"Name", L"Command"};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(share, SendMessageW(listView, LVM_GETCOLUMNWIDTH, c, 0)) << c;
    EXPECT_EQ(headings[c], ColumnHeading(listView, c));
  }
  // The further columns are filled from the entry table on request.
  EXPECT_EQ(L"\\Windows\\prog2.exe", ItemText(listView, 1, 1));
  EXPECT_EQ(L"-arg2", ItemText(listView, 1, 2));
  EXPECT_TRUE(IsWindowVisible(reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0))));

  TearDown();
  SetUp();
  g_settings.detailColumns = 3;
  g_settings.nameWidth = 50;
  g_settings.commandWidth = 100;
  g_settings.headings = 0;
  AddEntries(2);
  listView = Build();
  ASSERT_NE(nullptr, listView);
  EXPECT_EQ(share, SendMessageW(listView, LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_EQ(50, SendMessageW(listView, LVM_GETCOLUMNWIDTH, 1, 0));
  EXPECT_EQ(100, SendMessageW(listView, LVM_GETCOLUMNWIDTH, 2, 0));
  EXPECT_TRUE(GetWindowLongW(listView, GWL_STYLE) & LVS_NOCOLUMNHEADER);
  HWND header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
  EXPECT_TRUE(header == nullptr || !IsWindowVisible(header));

  // A list 240 pixels wide inside its border with a 13-pixel scroll bar: (240 + 1 - 13 - 16)
  // / 3 gives three columns of 70 pixels.
  TearDown();
  SetUp();
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  NONCLIENTMETRICSW narrow = metrics;
  narrow.iScrollWidth = 13;
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof narrow, &narrow, 0));
  SetWindowPos(main_, nullptr, 0, 0, kClientWidth + 2, kClientHeight, SWP_NOMOVE | SWP_NOZORDER);
  g_settings.detailColumns = 3;
  AddEntries(2);
  listView = Build();
  scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  GetClientRect(listView, &client);
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  ASSERT_EQ(13, scrollBar);
  ASSERT_EQ(kClientWidth, client.right - client.left);
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(70, SendMessageW(listView, LVM_GETCOLUMNWIDTH, c, 0)) << c;
}

TEST_F(ListPresentationTest, ImagesStayWithTheirItemsWhenAnIconIsMissing)
{
  AddEntries(4);
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0);
  const COLORREF yellow = RGB(255, 255, 0), grey = RGB(128, 128, 128);
  g_entries.entries[0].smallIcon = SolidIcon(16, red);
  g_entries.entries[0].largeIcon = SolidIcon(32, red);
  // Entry 1 has no icon at all, entry 2 only a large one.
  g_entries.entries[2].largeIcon = SolidIcon(32, blue);
  g_entries.entries[3].smallIcon = SolidIcon(16, green);
  g_entries.entries[3].largeIcon = SolidIcon(32, green);
  ShowItem(&g_settings.exitShown, g_settings.exitText, L"Exit");
  g_settings.exitSmallIcon = SolidIcon(16, yellow);
  g_settings.exitLargeIcon = SolidIcon(32, yellow);
  ShowItem(&g_settings.aboutShown, g_settings.aboutText, L"About");  // no icons

  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  const COLORREF smallColours[] = {red, grey, grey, green, grey, yellow};
  const COLORREF largeColours[] = {red, grey, blue, green, grey, yellow};
  ASSERT_EQ(6, ImageList_GetImageCount(g_presentation.smallImages));
  ASSERT_EQ(6, ImageList_GetImageCount(g_presentation.largeImages));
  for (int i = 0; i < 6; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = i;
    SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(smallColours[i], ImageColour(g_presentation.smallImages, item.iImage)) << i;
    EXPECT_EQ(largeColours[i], ImageColour(g_presentation.largeImages, item.iImage)) << i;
  }
}

// The pixels of an image and of its mask as the list holds them.
std::vector<DWORD> ImageBits(HIMAGELIST list, int index)
{
  std::vector<DWORD> bits;
  IMAGEINFO info = {};
  if (!ImageList_GetImageInfo(list, index, &info))
    return bits;
  for (HBITMAP bitmap : {info.hbmImage, info.hbmMask}) {
    int width = 0;
    std::vector<DWORD> all = test::BitmapPixels(bitmap, &width);
    for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y)
      for (int x = info.rcImage.left; x < info.rcImage.right; ++x)
        bits.push_back(all[static_cast<size_t>(y) * width + x]);
  }
  return bits;
}

TEST_F(ListPresentationTest, AnIconShownAgainGivesTheSameImageAsConvertingIt)
{
  AddEntries(6);
  HICON redSmall = SolidIcon(16, RGB(255, 0, 0)), redLarge = SolidIcon(32, RGB(255, 0, 0));
  HICON blueSmall = SolidIcon(16, RGB(0, 0, 255)), blueLarge = SolidIcon(32, RGB(0, 0, 255));
  // Entries 0, 1, 3 and the Exit item share one icon; entries 2 and 4 lack a small one.
  const HICON smalls[] = {redSmall, redSmall, nullptr, redSmall, nullptr, blueSmall, redSmall};
  const HICON larges[] = {redLarge, redLarge, blueLarge, redLarge, blueLarge, blueLarge, redLarge};
  for (int i = 0; i < 6; ++i) {
    g_entries.entries[i].smallIcon = smalls[i];
    g_entries.entries[i].largeIcon = larges[i];
  }
  ShowItem(&g_settings.exitShown, g_settings.exitText, L"Exit");
  g_settings.exitSmallIcon = redSmall;
  g_settings.exitLargeIcon = redLarge;
  ASSERT_NE(nullptr, Build());

  for (HIMAGELIST built : {g_presentation.smallImages, g_presentation.largeImages}) {
    const HICON *icons = built == g_presentation.smallImages ? smalls : larges;
    ASSERT_EQ(7, ImageList_GetImageCount(built));
    // The same images made the plain way: every icon converted on its own.
    int width = 0, height = 0;
    ImageList_GetIconSize(built, &width, &height);
    // The lists take the screen's depth (ILC_COLORn is n), not the platform's default.
    IMAGEINFO info = {};
    ASSERT_TRUE(ImageList_GetImageInfo(built, 0, &info));
    BITMAP bitmap = {};
    GetObjectW(info.hbmImage, sizeof(bitmap), &bitmap);
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(depth, bitmap.bmBitsPixel);
    HIMAGELIST plain = ImageList_Create(width, height, ILC_MASK | depth, 7, 0);
    ImageList_SetBkColor(plain, ImageList_GetBkColor(built));
    for (int i = 0; i < 7; ++i) {
      if (icons[i] != nullptr)
        ImageList_ReplaceIcon(plain, -1, icons[i]);
      else
        ImageList_SetImageCount(plain, i + 1);  // a blank image, checked by colour elsewhere
    }
    for (int i = 0; i < 7; ++i)
      if (icons[i] != nullptr)
        EXPECT_EQ(ImageBits(plain, i), ImageBits(built, i)) << "image " << i << " of " << width;
    ImageList_Destroy(plain);
  }
}

// The presentation owns its image lists: the control going leaves them alone, and the
// tear-down is what destroys them.
TEST_F(ListPresentationTest, OnlyTheTearDownDestroysTheImageLists)
{
  AddEntries(3);
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  HIMAGELIST lists[] = {g_presentation.smallImages, g_presentation.largeImages};
  DestroyWindow(listView);
  for (HIMAGELIST list : lists)
    EXPECT_EQ(3, ImageList_GetImageCount(list)) << "destroyed with the control";

  listView = Build();
  ASSERT_NE(nullptr, listView);
  HIMAGELIST built[] = {g_presentation.smallImages, g_presentation.largeImages};
  TearDownPresentation();
  EXPECT_FALSE(IsWindow(listView));
  EXPECT_EQ(nullptr, g_presentation.smallImages);
  EXPECT_EQ(nullptr, g_presentation.largeImages);
  for (HIMAGELIST list : built)
    EXPECT_FALSE(ImageList_Destroy(list)) << "left standing by the tear-down";
  for (HIMAGELIST list : lists)
    EXPECT_TRUE(ImageList_Destroy(list));
}

TEST_F(ListPresentationTest, ArrowKeysWrapInDetailsAndListOnly)
{
  const struct {
    LONG mode;
    std::vector<WORD> keys;
    std::vector<int> selections;
  } cases[] = {
      {MODE_DETAILS, {VK_UP, VK_DOWN, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RIGHT}, {4, 0, 1, 0, 1, 2}},
      {MODE_DETAILS, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}, {1, 2, 3, 4, 0}},
      {MODE_LIST, {VK_UP, VK_UP, VK_DOWN, VK_DOWN}, {4, 3, 4, 0}},
      {MODE_LARGE_ICONS, {VK_UP, VK_LEFT, VK_RIGHT, VK_LEFT, VK_UP}, {0, 0, 1, 0, 0}},
      {MODE_SMALL_ICONS, {VK_UP, VK_LEFT, VK_DOWN}, {0, 0, 1}},
  };
  for (const auto &c : cases) {
    TearDown();
    SetUp();
    g_settings.mode = c.mode;
    AddEntries(5);
    HWND listView = Build();
    ASSERT_NE(nullptr, listView);
    for (size_t k = 0; k < c.keys.size(); ++k) {
      PressKey(listView, c.keys[k]);
      // Exactly one item selected: the list view did not move on its own as well.
      EXPECT_EQ(std::vector<int>{c.selections[k]}, SelectedItems(listView))
          << "mode " << c.mode << " key " << k;
    }
  }
}

TEST_F(ListPresentationTest, KeyNotificationsMoveAndReportConsumption)
{
  AddEntries(3);
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);

  EXPECT_EQ(1, NotifyKey(main_, LIST_VIEW_ID, VK_DOWN));
  EXPECT_EQ(1, GetSelectedListItem());
  EXPECT_EQ(1, NotifyKey(main_, LIST_VIEW_ID, VK_UP));
  EXPECT_EQ(1, NotifyKey(main_, LIST_VIEW_ID, VK_UP));
  EXPECT_EQ(2, GetSelectedListItem());

  // Another control's notification is not the list's.
  EXPECT_EQ(0, NotifyKey(main_, LIST_VIEW_ID + 1, VK_DOWN));
  EXPECT_EQ(2, GetSelectedListItem());
  NMHDR click = {listView, LIST_VIEW_ID + 1, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(0, SendMessageW(main_, WM_NOTIFY, LIST_VIEW_ID + 1, reinterpret_cast<LPARAM>(&click)));
  wchar_t untouched[] = L"untouched";
  NMLVDISPINFOW info = {};
  info.hdr = {listView, LIST_VIEW_ID + 1, static_cast<UINT>(LVN_GETDISPINFOW)};
  info.item.mask = LVIF_TEXT;
  info.item.iSubItem = 1;
  info.item.lParam = reinterpret_cast<LPARAM>(&g_entries.entries[0]);
  info.item.pszText = untouched;
  SendMessageW(main_, WM_NOTIFY, LIST_VIEW_ID + 1, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(untouched, info.item.pszText);
  // A record pointer that is not a slot of the table is ignored.
  info.hdr.idFrom = LIST_VIEW_ID;
  info.item.lParam = reinterpret_cast<LPARAM>(&g_entries.entries[0].description[3]);
  SendMessageW(main_, WM_NOTIFY, LIST_VIEW_ID, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(untouched, info.item.pszText);
  info.item.lParam = reinterpret_cast<LPARAM>(&g_entries.entries[1]);
  SendMessageW(main_, WM_NOTIFY, LIST_VIEW_ID, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(g_entries.entries[1].name, info.item.pszText);
  EXPECT_TRUE(g_received.empty());
}

TEST_F(ListPresentationTest, DigitKeysAreConsumedOnlyInANumberedList)
{
  for (DWORD number : {0u, 1u}) {
    TearDown();
    SetUp();
    g_settings.number = number;
    AddEntries(3);
    HWND listView = Build();
    ASSERT_NE(nullptr, listView);
    for (WORD key : {WORD('0'), WORD('5'), WORD('9'), WORD(VK_NUMPAD0), WORD(VK_NUMPAD9)})
      EXPECT_EQ(static_cast<LRESULT>(number), NotifyKey(main_, LIST_VIEW_ID, key)) << key;
    EXPECT_EQ(0, NotifyKey(main_, LIST_VIEW_ID, 'A'));
    EXPECT_EQ(0, NotifyKey(main_, LIST_VIEW_ID, VK_F1));

    // A real key press reaches the main window as LVN_KEYDOWN with the same answer.
    g_keyResults.clear();
    PressKey(listView, '5');
    ASSERT_EQ(1u, g_keyResults.size()) << number;
    EXPECT_EQ(static_cast<LRESULT>(number), g_keyResults[0]);
    EXPECT_EQ(0, GetSelectedListItem());
  }
}

TEST_F(ListPresentationTest, SelectionOperationsSelectOneItem)
{
  AddEntries(12);
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  SelectListItem(11);
  EXPECT_EQ(std::vector<int>{11}, SelectedItems(listView));
  SetSelectionState(false);
  EXPECT_TRUE(SelectedItems(listView).empty());
  EXPECT_EQ(-1, GetSelectedListItem());
  SelectListItem(-1);
  EXPECT_EQ(std::vector<int>{0}, SelectedItems(listView));

  // With the focus flag, selecting also gives the list view the keyboard focus.
  SetFocus(main_);
  g_app.focusFlag = true;
  SelectListItem(3);
  EXPECT_EQ(listView, GetFocus());
  EXPECT_EQ(3, GetSelectedListItem());
}

TEST_F(ListPresentationTest, EnterTapAndEscapeActOnTheSelectedItemOnce)
{
  AddEntries(2);
  ShowItem(&g_settings.exitShown, g_settings.exitText, L"Exit");
  g_app.exitOnEsc = 1;
  HWND listView = Build();
  ASSERT_NE(nullptr, listView);
  auto closes = [] {
    int count = 0;
    for (const Received &r : g_received)
      count += r.message == WM_CLOSE;
    return count;
  };

  SelectListItem(2);
  PressKey(listView, VK_RETURN);
  test::PumpMessages(50);
  EXPECT_EQ(1, closes());

  g_received.clear();
  NMHDR click = {listView, LIST_VIEW_ID, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(0, SendMessageW(main_, WM_NOTIFY, LIST_VIEW_ID, reinterpret_cast<LPARAM>(&click)));
  EXPECT_EQ(1, closes());

  g_received.clear();
  PressKey(listView, VK_ESCAPE);
  test::PumpMessages(50);
  EXPECT_EQ(1, closes());
}

}  // namespace
