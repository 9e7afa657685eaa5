// /preview: the check's walk shows each configuration to the renderer, which saves its
// picture; the page is written from the finished report.
#include "checker/PreviewRun.h"

#include <windows.h>

#include <set>

#include "checker/PngWriter.h"
#include "checker/PreviewRender.h"
#include "checker/ReportOutput.h"
#include "checker/ReportPage.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/ShellLockdown.h"

namespace preview {
namespace {

enum { LARGEST_PICTURE_SIDE = 2048 };

std::wstring FolderOfScript(const std::wstring &script)
{
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(script.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return L"";
  std::wstring path = full;
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

// The items the presentation appended, as the device numbers them.
std::vector<AddedItem> AddedItems()
{
  std::vector<AddedItem> items;
  if (g_presentation.aboutIndex >= 0)
    items.push_back({g_presentation.aboutIndex + 1, g_settings.aboutText});
  if (g_presentation.exitIndex >= 0)
    items.push_back({g_presentation.exitIndex + 1, g_settings.exitText});
  if (g_presentation.returnIndex >= 0)
    items.push_back({g_presentation.returnNumberedZero ? 0 : g_presentation.returnIndex + 1,
                     g_settings.returnText});
  return items;
}

bool MakeFolder(const std::wstring &folder)
{
  if (CreateDirectoryW(folder.c_str(), nullptr))
    return true;
  DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteText(const std::wstring &path, const std::string &text)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
  CloseHandle(file);
  return whole;
}

struct PendingShot {
  std::wstring profileKey;
  Shot shot;
  Picture picture;  // written once the check is over: the imaging component's classes
                    // are not in the check's own registry
};

}  // namespace

bool WritePreview(const check::CheckOptions &options, const std::wstring &folder,
                  check::CheckReport *report, std::wstring *error)
{
  // Every picture is kept until the check is over; a larger screen than any device's
  // would hold gigabytes.
  if (options.screenWidth > LARGEST_PICTURE_SIDE || options.screenHeight > LARGEST_PICTURE_SIDE) {
    *error = L"No pictures of a screen wider or higher than " +
             std::to_wstring(LARGEST_PICTURE_SIDE) + L" pixels";
    check::CheckScript(options, report);
    return false;
  }
  if (!MakeFolder(folder)) {
    *error = L"Cannot make the folder " + folder;
    check::CheckScript(options, report);
    return false;
  }
  Screen screen;
  screen.width = options.screenWidth;
  screen.height = options.screenHeight;
  screen.windowsMobile = options.windowsMobile;
  screen.fileFolder = FolderOfScript(options.script);

  std::vector<PendingShot> pending;
  std::set<std::wstring> usedNames = {L"index.html"};
  bool written = true;
  bool anyStrip = false;
  auto visit = [&](const check::CheckedProfile &profile,
                   const check::CheckedConfiguration &configuration) {
    DWORD fullScreen = 0;
    ReadProfileValue(profile.keyPath.c_str(), L"FullScreen", &fullScreen, sizeof(fullScreen),
                     REG_DWORD);
    screen.fullScreen = fullScreen != 0;
    // Read without a message: the check reports a wrong value once.
    DWORD strip = 0;
    ReadProfileValue(profile.keyPath.c_str(), L"StatusStrip", &strip, sizeof(strip), REG_DWORD);
    screen.statusStrip = strip <= STATUS_STRIP_BOTTOM ? strip : STATUS_STRIP_OFF;
    anyStrip = anyStrip || screen.statusStrip != STATUS_STRIP_OFF;
    RECT usable = {0, 0, screen.width, screen.height};
    int forceState = FORCE_SCREEN_NONE;
    DWORD left = 0, top = 0, right = 0, bottom = 0;
    screen.forced = JudgeForceScreen(&usable, &forceState) && forceState == FORCE_SCREEN_VALID &&
                    ReadForceScreenRect(&left, &top, &right, &bottom);
    SetRect(&screen.forcedRect, static_cast<int>(left), static_cast<int>(top),
            static_cast<int>(right), static_cast<int>(bottom));
    PendingShot entry;
    entry.profileKey = profile.keyPath;
    entry.shot.configuration = static_cast<size_t>(&configuration - profile.configurations.data());
    entry.shot.numbered = g_settings.number == 1;
    for (const check::CheckedEntry &item : configuration.entries)
      entry.shot.callTargets.push_back(item.call.empty() ? L"" : check::CalledConfigurationName(item.call));
    if (RenderLoadedConfiguration(screen, &entry.picture)) {
      std::wstring name = options.allProfiles ? profile.name + L"-" + configuration.name
                                              : configuration.name;
      entry.shot.file = SafeFileName(name, L".png", &usedNames);
      entry.shot.caption = entry.picture.caption;
      entry.shot.added = AddedItems();
    }
    pending.push_back(std::move(entry));
  };
  check::CheckScript(options, report, visit);

  std::vector<Shot> shots;
  for (PendingShot &entry : pending) {
    if (!entry.shot.file.empty() && !WritePng(folder + L"\\" + entry.shot.file, entry.picture)) {
      entry.shot.file.clear();
      written = false;
    }
    entry.picture.pixels.clear();
    for (size_t p = 0; p < report->profiles.size(); ++p)
      if (report->profiles[p].keyPath == entry.profileKey) {
        entry.shot.profile = p;
        shots.push_back(entry.shot);
        break;
      }
  }
  PageOptions page;
  page.screen = screen;
  page.statusStrip = anyStrip;
  if (!WriteText(folder + L"\\index.html", MakeReportPage(*report, shots, page))) {
    *error = L"Cannot write " + folder + L"\\index.html";
    return false;
  }
  if (!written)
    *error = L"Cannot write every picture into " + folder;
  return written;
}

}  // namespace preview
