// The About box over a real main window: its texts and icon, closing it, a second
// request while it is open, and a message shown over it.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "resources/resource.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/TestSupport.h"

namespace {

using test::FrameworkHarness;

void ShowLauncherAbout()
{
  ShowAboutBox(TEXT_ID(IDS_VERSION), TEXT_ID(IDS_WINDOW_TEXT), IDI_PROGRAM, TEXT_ID(IDS_COPYRIGHT),
               TEXT_ID(IDS_COMPANY));
}

std::wstring StringResource(UINT id)
{
  wchar_t buffer[TEXT_CAPACITY] = {0};
  LoadStringW(GetModuleHandleW(nullptr), id, buffer, TEXT_CAPACITY);
  return buffer;
}

// Asks the About dialog to draw its icon button into a white bitmap; counts the pixels
// that are no longer white.
int PaintedIconPixels(HWND dialog)
{
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 48, 48);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, 48, 48};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.CtlID = IDC_ABOUT_ICON;
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = GetDlgItem(dialog, IDC_ABOUT_ICON);
  item.hDC = memory;
  item.rcItem = all;
  SendMessageW(dialog, WM_DRAWITEM, IDC_ABOUT_ICON, reinterpret_cast<LPARAM>(&item));
  int painted = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x)
      if ((GetPixel(memory, x, y) & 0xFFFFFF) != 0xFFFFFF)
        painted++;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return painted;
}

TEST(AboutBox, ShowsTitleVersionCopyrightCompanyAndIcon)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  std::wstring texts[4], ok;
  bool shown = false, presentationVisible = true;
  int iconPixels = 0;
  RECT rect = {};
  test::RunLater(50, [&] {
    HWND dialog = g_app.openDialog;
    shown = dialog != nullptr && IsWindowVisible(dialog);
    presentationVisible = IsWindowVisible(harness.presentation) != FALSE;
    texts[0] = test::ItemText(dialog, IDC_ABOUT_TEXT1);
    texts[1] = test::ItemText(dialog, IDC_ABOUT_TEXT2);
    texts[2] = test::ItemText(dialog, IDC_ABOUT_COPYRIGHT);
    texts[3] = test::ItemText(dialog, IDC_ABOUT_COMPANY);
    ok = test::ItemText(dialog, IDOK);
    rect = test::RectInParent(dialog);
    iconPixels = PaintedIconPixels(dialog);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  ShowLauncherAbout();

  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(presentationVisible);
  EXPECT_EQ(L"Ferrolt", texts[0]);
  EXPECT_EQ(L"Ferrolt- Version 1.70.00", texts[1]);
  EXPECT_EQ(StringResource(IDS_COPYRIGHT), texts[2]);
  EXPECT_EQ(StringResource(IDS_COMPANY), texts[3]);
  EXPECT_FALSE(texts[2].empty());
  EXPECT_EQ(L"OK", ok);
  EXPECT_GT(iconPixels, 0);
  RECT client;
  GetClientRect(harness.main, &client);
  EXPECT_TRUE(EqualRect(&client, &rect));

  // The main window's title is not touched; afterwards the presentation is back, the
  // main window has the focus and the launcher's keys are current again.
  EXPECT_EQ(L"Harness title", test::WindowText(harness.main));
  EXPECT_TRUE(IsWindowVisible(harness.presentation));
  EXPECT_EQ(harness.main, GetFocus());
  EXPECT_EQ(harness.launcherTable, g_app.currentAccelerators);
  EXPECT_EQ(0, g_dialogs.levelCount);
}

TEST(AboutBox, IconIdZeroLeavesTheButtonBlank)
{
  FrameworkHarness harness;
  int iconPixels = -1;
  std::wstring title;
  test::RunLater(50, [&] {
    iconPixels = PaintedIconPixels(g_app.openDialog);
    title = test::ItemText(g_app.openDialog, IDC_ABOUT_TEXT1);
    PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
  });
  ShowAboutBox(L"version", L"title", 0, nullptr, L"company");
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(0, iconPixels);
  EXPECT_EQ(L"title", title);
}

TEST(AboutBox, ClosesWithOkEnterEscapeAndCtrlQButNotWithTheIconButton)
{
  for (const auto &way : test::kCloseWays) {
    FrameworkHarness harness(3000);
    bool openAfterIconButton = false;
    test::RunLater(50, [&] {
      HWND dialog = g_app.openDialog;
      SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, BM_CLICK, 0, 0);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_ICON, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_ICON)));
      openAfterIconButton = g_app.openDialog == dialog && IsWindow(dialog);
      // The focus is where the box put it, not on the icon button.
      SetFocus(GetDlgItem(dialog, IDC_ABOUT_TEXT1));
      test::CloseOpenDialog(way.way);
    });
    ShowLauncherAbout();
    test::SetControlDown(false);
    EXPECT_TRUE(openAfterIconButton) << way.name;
    EXPECT_FALSE(FrameworkHarness::WatchdogFired()) << way.name << L" did not close it";
    EXPECT_EQ(0, g_dialogs.levelCount) << way.name;
  }
}

TEST(AboutBox, ASecondRequestWhileOpenShowsNothing)
{
  FrameworkHarness harness;
  bool secondReturnedAtOnce = false;
  int levelsDuring = 0;
  test::RunLater(50, [&] {
    HWND first = g_app.openDialog;
    ShowLauncherAbout();
    secondReturnedAtOnce = g_app.openDialog == first;
    levelsDuring = g_dialogs.levelCount;
    PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
  });
  ShowLauncherAbout();
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_TRUE(secondReturnedAtOnce);
  EXPECT_EQ(1, levelsDuring);
  EXPECT_EQ(1, FrameworkHarness::log.opening);

  // Closed, it can be opened again.
  test::RunLater(50, [&] { PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0); });
  ShowLauncherAbout();
  EXPECT_EQ(2, FrameworkHarness::log.opening);
  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
}

TEST(AboutBox, AMessageCoversItAndClosingTheMessageShowsItAgain)
{
  FrameworkHarness harness;
  test::BoxAnswerer boxes;
  bool aboutHiddenUnderMessage = false, messageShown = false, aboutBack = false;
  bool presentationHidden = false, aboutFocused = false, aboutClosedByEnter = false;
  std::wstring messageText;
  test::RunLater(50, [&] {
    HWND about = g_app.openDialog;
    test::RunLater(50, [&, about] {
      HWND message = g_app.openDialog;
      messageShown = message != about && IsWindowVisible(message);
      aboutHiddenUnderMessage = !IsWindowVisible(about);
      messageText = test::ItemText(message, IDC_MSGSTR1);
      PostMessageW(message, WM_COMMAND, IDOK, 0);
    });
    ShowErrorMessage(L"over the About box", L"");
    aboutBack = g_app.openDialog == about && IsWindowVisible(about);
    presentationHidden = !IsWindowVisible(harness.presentation);
    HWND focus = GetFocus();
    aboutFocused = focus == about || IsChild(about, focus);
    // The About box still takes the keyboard: Enter closes it.
    test::PostKey(test::KeyTarget(), VK_RETURN);
    test::RunLater(300, [&] { aboutClosedByEnter = g_app.openDialog == nullptr; });
  });
  ShowLauncherAbout();
  test::PumpMessages(400);

  EXPECT_FALSE(FrameworkHarness::WatchdogFired());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_TRUE(messageShown);
  EXPECT_EQ(L"over the About box", messageText);
  EXPECT_TRUE(aboutHiddenUnderMessage);
  EXPECT_TRUE(aboutBack);
  EXPECT_TRUE(presentationHidden);
  EXPECT_TRUE(aboutFocused);
  EXPECT_TRUE(aboutClosedByEnter);
  EXPECT_TRUE(IsWindowVisible(harness.presentation));
  EXPECT_EQ(2, FrameworkHarness::log.opening);
  EXPECT_EQ(2, FrameworkHarness::log.closed);
  EXPECT_EQ(1, FrameworkHarness::log.workAreaChanges);
}

}  // namespace
