// Damaged files an administrator may copy to a device: header pictures, entry icons, run
// files and shortcuts. The launcher must show what it can, say what it cannot, and close
// normally.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/FileChecks.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/LauncherRun.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Hostile";
const std::wstring kSettings = kProfile + L"\\Default\\Settings";

std::wstring Program(int number)
{
  return kProfile + L"\\Default\\Programs\\Prog" + std::to_wstring(number);
}

void AddEntry(int number, const std::wstring &description, const std::wstring &name)
{
  test::SetString(HKEY_CURRENT_USER, Program(number), L"Description", description);
  test::SetString(HKEY_CURRENT_USER, Program(number), L"Name", name);
}

std::string Le(DWORD value, int bytes)
{
  std::string out;
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// A bitmap file as the headers describe it; keep cuts the file to that many bytes.
struct Picture {
  const char *what;
  LONG width, height;
  WORD bitsPerPixel;
  DWORD compression;
  DWORD headerSize;
  long offsetShift;     // added to the true pixel offset (0x7FFFFFFF: far outside)
  long pixelShortfall;  // pixel bytes missing at the end (-1: none at all)
  bool sound;
};

std::string PictureBytes(const Picture &p)
{
  DWORD colours = p.bitsPerPixel <= 8 ? 1u << p.bitsPerPixel : 0;
  DWORD header = p.headerSize;
  DWORD tables = p.headerSize == 12 ? 3 * colours : 4 * colours;
  if (p.compression == BI_BITFIELDS && p.headerSize == 40)
    tables += 12;  // the three colour masks
  DWORD offset = 14 + header + tables;
  ULONGLONG row = (static_cast<ULONGLONG>(p.width < 0 ? 0 : p.width) * p.bitsPerPixel + 31) / 32 * 4;
  ULONGLONG pixels = row * static_cast<ULONGLONG>(p.height < 0 ? -static_cast<LONGLONG>(p.height) : p.height);
  if (p.pixelShortfall < 0)
    pixels = 0;
  else
    pixels -= static_cast<ULONGLONG>(p.pixelShortfall);
  std::string out = "BM" + Le(static_cast<DWORD>(offset + pixels), 4) + Le(0, 4) +
                    Le(p.offsetShift == 0x7FFFFFFF ? 0x7FFFFFF0u : offset + p.offsetShift, 4);
  if (header == 12) {
    out += Le(12, 4) + Le(static_cast<DWORD>(p.width), 2) + Le(static_cast<DWORD>(p.height), 2) +
           Le(1, 2) + Le(p.bitsPerPixel, 2);
  } else {
    out += Le(header, 4) + Le(static_cast<DWORD>(p.width), 4) + Le(static_cast<DWORD>(p.height), 4) +
           Le(1, 2) + Le(p.bitsPerPixel, 2) + Le(p.compression, 4) + Le(0, 4) + Le(2835, 4) +
           Le(2835, 4) + Le(0, 4) + Le(0, 4);
    out += std::string(header > 40 ? header - 40 : 0, '\0');
  }
  if (p.compression == BI_BITFIELDS && header == 40) {
    out += Le(0xF800, 4) + Le(0x07E0, 4) + Le(0x001F, 4);
    tables -= 12;
  }
  out += std::string(tables, '\x40');
  out += std::string(static_cast<size_t>(pixels), '\x55');
  return out;
}

const Picture kPictures[] = {
    {"24-bit picture", 200, 90, 24, BI_RGB, 40, 0, 0, true},
    {"top-down 32-bit picture", 64, -64, 32, BI_RGB, 40, 0, 0, true},
    {"8-bit picture with palette", 90, 30, 8, BI_RGB, 40, 0, 0, true},
    {"1-bit picture with a long header", 33, 17, 1, BI_RGB, 124, 0, 0, true},
    {"16-bit picture with bit fields", 40, 40, 16, BI_BITFIELDS, 40, 0, 0, true},
    {"picture with the oldest header", 50, 20, 24, BI_RGB, 12, 0, 0, true},
    {"pixels cut short", 200, 90, 24, BI_RGB, 40, 0, 9000, false},
    {"20,000 x 20,000 with no pixels", 20000, 20000, 24, BI_RGB, 40, 0, -1, false},
    {"pixel offset outside the file", 200, 90, 24, BI_RGB, 40, 0x7FFFFFFF, 0, false},
    {"pixel offset inside the headers", 200, 90, 24, BI_RGB, 40, -30, 0, false},
    {"7 bits per pixel", 20, 20, 7, BI_RGB, 40, 0, 0, false},
    {"negative width", -20, 20, 24, BI_RGB, 40, 0, 0, false},
    {"zero height", 20, 0, 24, BI_RGB, 40, 0, 0, false},
    {"run-length compressed", 20, 20, 8, BI_RLE8, 40, 0, 0, false},
    {"unknown header size", 20, 20, 24, BI_RGB, 41, 0, 0, false},
    {"9000 pixels wide", 9000, 1, 24, BI_RGB, 40, 0, 0, false},
};

const wchar_t kPicturePath[] = L"C:\\hostile_header.bmp";

class HostileFiles : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    test::SetString(HKEY_CURRENT_USER, kSettings, L"TitleBar", L"Hostile");
    AddEntry(1, L"Notes", L"\\Windows\\notepad.exe");
  }
  void TearDown() override
  {
    test::ClearLauncherRegistry();
    DeleteFileW(kPicturePath);
  }

  void UseHeaderPicture(const Picture &picture)
  {
    test::WriteFileBytes(kPicturePath, PictureBytes(picture));
    test::SetString(HKEY_CURRENT_USER, kSettings, L"Mode", L"Menu Bars");
    test::SetDword(HKEY_CURRENT_USER, kSettings, L"BitmapHeight", 50);
    test::SetString(HKEY_CURRENT_USER, kSettings, L"BitmapFilePath", kPicturePath);
  }
};

// Every picture is either shown as the header or treated as one that cannot be loaded:
// no header, height 0, no message.
TEST_F(HostileFiles, HeaderPicturesAreShownOrLeftOutSilently)
{
  for (const Picture &picture : kPictures) {
    SCOPED_TRACE(picture.what);
    UseHeaderPicture(picture);
    EXPECT_EQ(picture.sound, IsSoundBitmapFile(kPicturePath));
    bool header = false;
    DWORD height = 99;
    test::LauncherRun run = test::RunLauncherHere(L"Hostile", {[&] {
      header = g_settings.headerBitmap != nullptr;
      height = g_settings.bitmapHeight;
    }});
    EXPECT_TRUE(run.shown && !run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << run.Describe().c_str();
    EXPECT_EQ(picture.sound, header);
    EXPECT_EQ(picture.sound ? 50u : 0u, height);
  }
}

// The damaged pictures that took the whole program down before its window existed.
TEST_F(HostileFiles, DamagedHeaderPictureDoesNotEndTheProgram)
{
  for (const Picture &picture : kPictures) {
    if (picture.sound || (picture.pixelShortfall == 0 && picture.offsetShift != 0x7FFFFFFF))
      continue;
    SCOPED_TRACE(picture.what);
    UseHeaderPicture(picture);
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\" Hostile"));
    HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 15000);
    EXPECT_NE(nullptr, window) << "no main window";
    if (window != nullptr) {
      Sleep(300);
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
    DWORD exitCode = 99;
    EXPECT_TRUE(launcher.Wait(15000, &exitCode));
    EXPECT_EQ(0u, exitCode);
  }
}

// Icon files named by entries are the pictures the list shows; damaged ones give the
// default entry icon.
TEST_F(HostileFiles, DamagedIconFilesGiveTheDefaultIcon)
{
  struct IconFile {
    const char *what;
    std::string bytes;
    bool sound;
  };
  std::string image = Le(40, 4) + Le(16, 4) + Le(32, 4) + Le(1, 2) + Le(32, 2) +
                      std::string(24, '\0') + std::string(16 * 16 * 4 + 16 * 4, '\x7F');
  std::string directory = Le(0, 2) + Le(1, 2) + Le(1, 2);
  auto entry = [](DWORD bytes, DWORD offset) {
    return std::string("\x10\x10\x00\x00", 4) + Le(1, 2) + Le(32, 2) + Le(bytes, 4) + Le(offset, 4);
  };
  const DWORD size = static_cast<DWORD>(image.size());
  const IconFile files[] = {
      {"sound icon", directory + entry(size, 22) + image, true},
      {"empty file", "", false},
      {"directory only", directory, false},
      {"image offset outside the file", directory + entry(size, 0x7FFFFFF0) + image, false},
      {"image larger than the file", directory + entry(0x7FFFFFF0, 22) + image, false},
      {"image cut short", directory + entry(size, 22) + image.substr(0, 60), false},
      {"65535 images listed", Le(0, 2) + Le(1, 2) + Le(0xFFFF, 2) + entry(size, 22) + image, false},
      {"not an icon", std::string(4000, '\xEE'), false},
  };
  test::SetString(HKEY_CURRENT_USER, kSettings, L"Mode", L"Large Icons");
  const std::wstring path = L"C:\\hostile_icon.ico";
  for (const IconFile &file : files) {
    SCOPED_TRACE(file.what);
    test::WriteFileBytes(path, file.bytes);
    AddEntry(2, L"Icon", path);
    EXPECT_EQ(file.sound, IsSoundIconFile(path.c_str()));
    test::LauncherRun run = test::RunLauncherHere(L"Hostile");
    EXPECT_TRUE(run.shown && !run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(L"", test::FirstUnprintable(run));
  }
  DeleteFileW(path.c_str());
}

// Run files and shortcuts that are empty, binary, endless or name themselves: each launch
// fails with a message and the launcher stays.
TEST_F(HostileFiles, DamagedRunFilesAndShortcutsAreReportedAndTheLauncherStays)
{
  struct LinkFile {
    const wchar_t *path;
    std::string bytes;
  };
  const LinkFile files[] = {
      {L"C:\\hostile_empty.run", ""},
      {L"C:\\hostile_binary.run", std::string("\x00\xFF\x01\x02\x7F\x80", 6) + "\r\n\x00\x00", },
      {L"C:\\hostile_long.run", std::string(65536, 'a')},
      {L"C:\\hostile_self.run", "C:\\hostile_self.run\r\n"},
      {L"C:\\hostile_control.run", "\x01\x02\x03\x04.exe\r\n\x07\x08\r\n"},
      {L"C:\\hostile_zero.lnk", "0#"},
      {L"C:\\hostile_huge.lnk", "99999999999#x"},
      {L"C:\\hostile_nohash.lnk", "\\Windows\\notepad.exe"},
      {L"C:\\hostile_binary.lnk", std::string("3#\x00\xFF\x01", 5)},
      {L"C:\\hostile_self.lnk", "19#C:\\hostile_self.lnk"},
      {L"C:\\hostile_big.lnk", std::string(70000, '9')},
  };
  test::SetString(HKEY_CURRENT_USER, kSettings, L"Mode", L"Details");
  std::vector<std::function<void()>> steps;
  int number = 2;
  for (const LinkFile &file : files) {
    test::WriteFileBytes(file.path, file.bytes);
    AddEntry(number, L"Damaged " + std::to_wstring(number), file.path);
    int index = number - 1;
    steps.push_back([index] { ActivateItem(index); });
    ++number;
  }
  test::LauncherRun run = test::RunLauncherHere(L"Hostile", steps, 30000);
  for (const LinkFile &file : files)
    DeleteFileW(file.path);
  EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(steps.size() + 1, run.screens.size()) << run.Describe().c_str();
  EXPECT_GE(run.boxes.size(), steps.size()) << run.Describe().c_str();
  EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
}

}  // namespace
