// Entry icons and hot keys, against the prefix's real files, icons and hot-key table.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "cecompat/IconDrawing.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/EntryIcons.h"
#include "launcher/presentation/IconCache.h"
#include "support/TestSupport.h"

namespace {

struct IconPicture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  bool operator==(const IconPicture &other) const
  {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
};

// The colour pixels of an icon, as 32-bit values, with its size.
IconPicture Picture(HICON icon)
{
  IconPicture picture;
  ICONINFO info;
  if (icon == nullptr || !GetIconInfo(icon, &info))
    return picture;
  picture.pixels = test::BitmapPixels(info.hbmColor, &picture.width, &picture.height);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return picture;
}

IconPicture ResourcePicture(int id, int size)
{
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  IconPicture picture = Picture(icon);
  if (icon != nullptr)
    DestroyIcon(icon);
  return picture;
}

std::wstring OwnPath()
{
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(GetModuleHandleW(nullptr), path, MAX_PATH);
  return path;
}

class EntryIconsTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    ZeroMemory(&g_entries, sizeof g_entries);
    ZeroMemory(&g_settings, sizeof g_settings);
    g_app.instance = GetModuleHandleW(nullptr);
    g_app.highResolution = false;
    g_settings.mode = MODE_DETAILS;
    window_ = CreateWindowExW(0, L"STATIC", L"hot keys", WS_POPUP, 0, 0, 240, 320, nullptr,
                              nullptr, g_app.instance, nullptr);
    ASSERT_NE(nullptr, window_);
    g_app.mainWindow = window_;
  }

  void TearDown() override
  {
    UnregisterEntryHotKeys();
    ClearProgramEntries();  // the entries' owner gives back what they own, and only that
    g_app.mainWindow = nullptr;
    DestroyWindow(window_);
  }

  ProgramEntry &AddEntry(const std::wstring &name, LONG icon = 0)
  {
    ProgramEntry &entry = g_entries.entries[g_entries.count++];
    CopyText(entry.name, TEXT_CAPACITY, name.c_str());
    CopyText(entry.description, TEXT_CAPACITY, L"entry");
    entry.icon = icon;
    return entry;
  }

  ProgramEntry &AddCall(const std::wstring &configuration)
  {
    ProgramEntry &entry = AddEntry(L"", ICON_CALL);
    CopyText(entry.call, TEXT_CAPACITY, configuration.c_str());
    entry.isCall = 1;
    return entry;
  }

  HWND window_ = nullptr;
};

TEST_F(EntryIconsTest, EntryWithoutIconOrFileShowsTheDefaultEntryIcon)
{
  ProgramEntry &missing = AddEntry(L"\\No Such Folder\\missing.exe");
  ProgramEntry &empty = AddEntry(L"");
  EXPECT_EQ(1, LoadEntryIcons());

  IconPicture defaultSmall = ResourcePicture(ICON_DEFAULT_ENTRY, 16);
  IconPicture defaultLarge = ResourcePicture(ICON_DEFAULT_ENTRY, 32);
  ASSERT_EQ(16, defaultSmall.width);
  for (ProgramEntry *entry : {&missing, &empty}) {
    EXPECT_TRUE(Picture(entry->smallIcon) == defaultSmall);
    EXPECT_TRUE(Picture(entry->largeIcon) == defaultLarge);
  }
}

TEST_F(EntryIconsTest, CallEntryAndIconValueUseTheLauncherIcons)
{
  ProgramEntry &call = AddCall(L"Menu2");
  // An Icon value wins over the file's own icon.
  ProgramEntry &about = AddEntry(OwnPath(), ICON_ABOUT);
  LoadEntryIcons();

  IconPicture callSmall = ResourcePicture(ICON_CALL, 16);
  ASSERT_FALSE(callSmall == ResourcePicture(ICON_DEFAULT_ENTRY, 16)) << "icons must differ";
  EXPECT_TRUE(Picture(call.smallIcon) == callSmall);
  EXPECT_TRUE(Picture(call.largeIcon) == ResourcePicture(ICON_CALL, 32));
  EXPECT_TRUE(Picture(about.smallIcon) == ResourcePicture(ICON_ABOUT, 16));
  EXPECT_TRUE(Picture(about.largeIcon) == ResourcePicture(ICON_ABOUT, 32));
}

TEST_F(EntryIconsTest, FileIconIsLookedUpExceptInMenuBarsWithoutProgramIcons)
{
  const IconPicture defaultLarge = ResourcePicture(ICON_DEFAULT_ENTRY, 32);
  const struct {
    LONG mode;
    DWORD useProgramIcons;
    bool fileIcon;
  } cases[] = {
      {MODE_DETAILS, 0, true},     {MODE_LIST, 0, true},         {MODE_LARGE_ICONS, 0, true},
      {MODE_MENU_BARS, 0, false},  {MODE_MENU_BARS, 1, true},
  };
  for (const auto &c : cases) {
    TearDown();
    SetUp();
    g_settings.mode = c.mode;
    g_settings.useProgramIcons = c.useProgramIcons;
    ProgramEntry &entry = AddEntry(OwnPath());
    LoadEntryIcons();
    ASSERT_NE(nullptr, entry.largeIcon);
    ASSERT_NE(nullptr, entry.smallIcon);
    bool isDefault = Picture(entry.largeIcon) == defaultLarge;
    EXPECT_EQ(c.fileIcon, !isDefault) << "mode " << c.mode << " UseProgramIcons "
                                      << c.useProgramIcons;
  }
}

TEST_F(EntryIconsTest, SmallAndLargeIconAreSeparateHandlesOfTheRightSize)
{
  AddEntry(OwnPath());
  AddEntry(L"\\missing.exe");
  AddCall(L"Menu2");
  AddEntry(L"", ICON_EXIT);
  for (bool highResolution : {false, true}) {
    g_app.highResolution = highResolution;
    LoadEntryIcons();  // a second run replaces the icons of the first
    int smallSize = highResolution ? 32 : 16;
    for (int i = 0; i < g_entries.count; ++i) {
      const ProgramEntry &entry = g_entries.entries[i];
      ASSERT_NE(nullptr, entry.smallIcon) << i;
      ASSERT_NE(nullptr, entry.largeIcon) << i;
      EXPECT_NE(entry.smallIcon, entry.largeIcon) << i;
      if (i == 0)
        continue;  // the shell chooses the size of a file's own icon
      EXPECT_EQ(smallSize, Picture(entry.smallIcon).width) << i;
      EXPECT_EQ(smallSize * 2, Picture(entry.largeIcon).width) << i;
    }
  }
}

IconPicture ShellPicture(const wchar_t *path)
{
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICON))
    return IconPicture();
  IconPicture picture = Picture(info.hIcon);
  DestroyIcon(info.hIcon);
  return picture;
}

bool IconAlive(HICON icon)
{
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info))
    return false;
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return true;
}

TEST_F(EntryIconsTest, AnEntryNamingARealProgramByItsDevicePathShowsThatProgramsIcon)
{
  // The device root is the current drive: \Windows is the prefix's windows folder.
  ProgramEntry &entry = AddEntry(L"\\Windows\\notepad.exe");
  LoadEntryIcons();
  IconPicture program = ShellPicture(L"C:\\windows\\notepad.exe");
  ASSERT_GT(program.width, 0) << "the shell has no icon for the program";
  ASSERT_FALSE(program == ResourcePicture(ICON_DEFAULT_ENTRY, program.width));
  EXPECT_TRUE(Picture(entry.largeIcon) == program);
}

TEST_F(EntryIconsTest, AnUnchangedFileIsAskedForOnceUntilTheLauncherEnds)
{
  const std::wstring copy = L"C:\\icon-cache-test.exe";
  ASSERT_TRUE(CopyFileW(L"C:\\windows\\notepad.exe", copy.c_str(), FALSE));
  AddEntry(copy);
  AddEntry(copy);
  AddEntry(L"", ICON_ABOUT);
  LoadEntryIcons();
  const ProgramEntry first = g_entries.entries[0];
  const HICON about = g_entries.entries[2].largeIcon;
  // Both entries show the one answer; an entry shows it without owning it.
  EXPECT_EQ(first.largeIcon, g_entries.entries[1].largeIcon);
  EXPECT_EQ(first.smallIcon, g_entries.entries[1].smallIcon);
  ClearProgramEntries();
  for (HICON kept : {first.smallIcon, first.largeIcon, about})
    EXPECT_TRUE(IconAlive(kept));

  // Entering again: the same handles, the shell is not asked again.
  AddEntry(copy);
  AddEntry(L"", ICON_ABOUT);
  LoadEntryIcons();
  EXPECT_EQ(first.largeIcon, g_entries.entries[0].largeIcon);
  EXPECT_EQ(first.smallIcon, g_entries.entries[0].smallIcon);
  EXPECT_EQ(about, g_entries.entries[1].largeIcon);

  // A file written since is asked for anew.
  HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FILETIME later = {0x12345678, 0x01D00000};
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);
  LoadEntryIcons();
  EXPECT_NE(first.largeIcon, g_entries.entries[0].largeIcon);
  EXPECT_TRUE(Picture(first.largeIcon) == Picture(g_entries.entries[0].largeIcon));

  // At the end each kept file icon is destroyed, the launcher's own icons are not.
  const HICON changed = g_entries.entries[0].largeIcon;
  ClearProgramEntries();
  ReleaseFileIcons();
  for (HICON released : {first.smallIcon, first.largeIcon, changed})
    EXPECT_FALSE(IconAlive(released));
  EXPECT_TRUE(IconAlive(about));
  DeleteFileW(copy.c_str());
}

// Whether the key combination is free: another window can take it for a moment.
bool HotKeyFree(UINT modifiers, UINT key)
{
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  bool free = RegisterHotKey(other, 77, modifiers, key) != FALSE;
  if (free)
    UnregisterHotKey(other, 77);
  DestroyWindow(other);
  return free;
}

TEST_F(EntryIconsTest, HotKeysAreRegisteredWithTheMainWindowUnderTheEntryIndex)
{
  AddEntry(L"a").hotKey = VK_F7;
  g_entries.entries[0].hotKeyModifiers = MOD_ALT;
  AddEntry(L"b").hotKey = 0x41;  // a key without a modifier is no hot key
  ProgramEntry &third = AddEntry(L"c");
  third.hotKey = VK_F8;
  third.hotKeyModifiers = MOD_CONTROL | MOD_SHIFT;
  g_hotKeysRegistered = false;

  EXPECT_EQ(1, RegisterEntryHotKeys());
  EXPECT_TRUE(g_hotKeysRegistered);
  EXPECT_FALSE(HotKeyFree(MOD_ALT, VK_F7));
  EXPECT_FALSE(HotKeyFree(MOD_CONTROL | MOD_SHIFT, VK_F8));
  // The id is the entry's index in the table.
  EXPECT_TRUE(UnregisterHotKey(window_, 2));
  EXPECT_TRUE(HotKeyFree(MOD_CONTROL | MOD_SHIFT, VK_F8));
  EXPECT_TRUE(RegisterHotKey(window_, 2, MOD_CONTROL | MOD_SHIFT, VK_F8));
  EXPECT_FALSE(UnregisterHotKey(window_, 1));
  EXPECT_TRUE(HotKeyFree(0, 0x41));

  EXPECT_EQ(1, UnregisterEntryHotKeys());
  EXPECT_TRUE(HotKeyFree(MOD_ALT, VK_F7));
  EXPECT_TRUE(HotKeyFree(MOD_CONTROL | MOD_SHIFT, VK_F8));
}

TEST_F(EntryIconsTest, SameHotKeyTwiceClearsTheSuccessFlagAndKeepsTheFirst)
{
  for (int i = 0; i < 3; ++i) {
    ProgramEntry &entry = AddEntry(L"x");
    entry.hotKey = i < 2 ? VK_F9 : VK_F10;
    entry.hotKeyModifiers = MOD_CONTROL;
  }
  RegisterEntryHotKeys();
  EXPECT_FALSE(g_hotKeysRegistered);
  EXPECT_TRUE(UnregisterHotKey(window_, 0));  // the first one holds the key
  EXPECT_FALSE(UnregisterHotKey(window_, 1));
  EXPECT_FALSE(HotKeyFree(MOD_CONTROL, VK_F10));  // later entries still registered
  UnregisterEntryHotKeys();
  EXPECT_TRUE(HotKeyFree(MOD_CONTROL, VK_F9));
  EXPECT_TRUE(HotKeyFree(MOD_CONTROL, VK_F10));

  // A later run that succeeds sets the flag again.
  g_entries.entries[1].hotKey = VK_F11;
  RegisterEntryHotKeys();
  EXPECT_TRUE(g_hotKeysRegistered);
}

// The device draws an icon only at its own size; the device build draws another size from
// the icon's bitmaps. A 16 x 16 icon, its left half red and its right half clear, drawn
// 32 x 32 on blue: stretched, the red reaches x 15; at its own size (no stretching calls),
// the red ends at x 7 and the blue stays from x 8. The target's text colours do not tint the
// mask.
TEST(IconDrawing, AnIconDrawnAtAnotherSizeIsStretchedFromItsOwnBitmaps)
{
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), black = 0;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(memory, colour);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      SetPixel(memory, x, y, x < 8 ? red : black);
  SelectObject(memory, mask);
  PatBlt(memory, 0, 0, 8, 16, BLACKNESS);
  PatBlt(memory, 8, 0, 8, 16, WHITENESS);
  SelectObject(memory, old);
  ICONINFO parts = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&parts);
  ASSERT_NE(nullptr, icon);
  const struct {
    IconInfoFunction iconInfo;
    StretchFunction stretch;
    COLORREF atX12;
  } rows[] = {{GetIconInfo, StretchBlt, red}, {nullptr, nullptr, blue}};
  HBITMAP target = CreateCompatibleBitmap(screen, 32, 32);
  HBRUSH background = CreateSolidBrush(blue);
  RECT all = {0, 0, 32, 32};
  for (const auto &row : rows) {
    SelectObject(memory, target);
    FillRect(memory, &all, background);
    SetTextColor(memory, RGB(0, 255, 0));
    SetBkColor(memory, RGB(0, 255, 0));
    EXPECT_TRUE(DrawIconStretched(memory, 0, 0, icon, 32, 32, row.iconInfo, row.stretch));
    EXPECT_EQ(red, GetPixel(memory, 4, 4));
    EXPECT_EQ(row.atX12, GetPixel(memory, 12, 4));
    EXPECT_EQ(blue, GetPixel(memory, 24, 4));
    SelectObject(memory, old);
  }
  DeleteObject(background);
  DeleteObject(target);
  DestroyIcon(icon);
  DeleteObject(mask);
  DeleteObject(colour);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace
