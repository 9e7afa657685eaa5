// /preview: the check's walk shows each configuration to the renderer, which saves its
// picture; the page is written from the finished report.
#include "checker/PreviewRun.h"

#include <windows.h>

#include <cwchar>
#include <set>

#include "checker/DiffPage.h"
#include "checker/IndexPage.h"
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

// A profile-wide value as the check recorded it, 0 when it recorded none.
DWORD UsedNumber(const check::CheckedProfile &profile, const wchar_t *name)
{
  for (const check::UsedValue &used : profile.values)
    if (used.name == name)
      return static_cast<DWORD>(std::wcstoul(used.value.c_str(), nullptr, 10));
  return 0;
}

// Checks the script with a picture of each screen it shows; the pictures are written into
// the folder once the check is over, named after their configuration behind the prefix
// and unique among the names used. False when a picture could not be written.
bool CheckWithPictures(const check::CheckOptions &options, const std::wstring &folder,
                       const std::wstring &prefix, std::set<std::wstring> *usedNames,
                       check::CheckReport *report, std::vector<Shot> *shots, Screen *screen)
{
  screen->width = options.screenWidth;
  screen->height = options.screenHeight;
  screen->windowsMobile = options.windowsMobile;
  screen->fileFolder = FolderOfScript(options.script);

  std::vector<PendingShot> pending;
  auto visit = [&](const check::CheckedProfile &profile,
                   const check::CheckedConfiguration &configuration) {
    DWORD fullScreen = 0;
    ReadProfileValue(profile.keyPath.c_str(), L"FullScreen", &fullScreen, sizeof(fullScreen),
                     REG_DWORD);
    screen->fullScreen = fullScreen != 0;
    // As the check found the device uses it (a wrong value counts as off).
    screen->statusStrip = UsedNumber(profile, L"StatusStrip");
    screen->anyStrip = screen->anyStrip || screen->statusStrip != STATUS_STRIP_OFF;
    RECT usable = {0, 0, screen->width, screen->height};
    int forceState = FORCE_SCREEN_NONE;
    DWORD left = 0, top = 0, right = 0, bottom = 0;
    screen->forced = JudgeForceScreen(&usable, &forceState) && forceState == FORCE_SCREEN_VALID &&
                     ReadForceScreenRect(&left, &top, &right, &bottom);
    SetRect(&screen->forcedRect, static_cast<int>(left), static_cast<int>(top),
            static_cast<int>(right), static_cast<int>(bottom));
    PendingShot entry;
    entry.profileKey = profile.keyPath;
    entry.shot.configuration = static_cast<size_t>(&configuration - profile.configurations.data());
    entry.shot.numbered = g_settings.number == 1;
    for (const check::CheckedEntry &item : configuration.entries)
      entry.shot.callTargets.push_back(item.enters);
    if (RenderLoadedConfiguration(*screen, &entry.picture)) {
      std::wstring name = options.allProfiles ? profile.name + L"-" + configuration.name
                                              : configuration.name;
      entry.shot.file = SafeFileName(prefix + name, L".png", usedNames);
      entry.shot.caption = entry.picture.caption;
      entry.shot.added = AddedItems();
    }
    pending.push_back(std::move(entry));
  };
  check::CheckScript(options, report, visit);

  bool written = true;
  for (PendingShot &entry : pending) {
    if (!entry.shot.file.empty() && !WritePng(folder + L"\\" + entry.shot.file, entry.picture)) {
      entry.shot.file.clear();
      written = false;
    }
    entry.picture.pixels.clear();
    for (size_t p = 0; p < report->profiles.size(); ++p)
      if (report->profiles[p].keyPath == entry.profileKey) {
        entry.shot.profile = p;
        shots->push_back(entry.shot);
        break;
      }
  }
  return written;
}

// Wine without a display, and without its null graphics driver, makes no window at all;
// every screen would then pass for one the launcher refuses to show.
bool CanMakeWindows()
{
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr)
    return false;
  DestroyWindow(probe);
  return true;
}

// Every picture is kept until the check is over; a larger screen than any device's would
// hold gigabytes.
bool CanPicture(const check::CheckOptions &options, const std::wstring &folder,
                std::wstring *error)
{
  if (options.screenWidth > LARGEST_PICTURE_SIDE || options.screenHeight > LARGEST_PICTURE_SIDE) {
    *error = L"No pictures of a screen wider or higher than " +
             std::to_wstring(LARGEST_PICTURE_SIDE) + L" pixels";
    return false;
  }
  if (!CanMakeWindows()) {
    *error = L"No pictures: no window can be made to draw the screens in (under Wine: no "
             L"display; use xvfb-run or Wine's null graphics driver)";
    return false;
  }
  if (!MakeFolder(folder)) {
    *error = L"Cannot make the folder " + folder;
    return false;
  }
  return true;
}

bool WritePage(const std::wstring &path, const std::string &page, std::wstring *error)
{
  if (WriteText(path, page))
    return true;
  *error = L"Cannot write " + path;
  return false;
}

// The preview of one script into its folder; the shots it made, for an index.
bool PreviewScript(const check::CheckOptions &options, const std::wstring &folder,
                   check::CheckReport *report, std::vector<Shot> *shots, std::wstring *error)
{
  if (!CanPicture(options, folder, error)) {
    check::CheckScript(options, report);
    return false;
  }
  Screen screen;
  std::set<std::wstring> usedNames = {L"index.html"};
  bool written = CheckWithPictures(options, folder, L"", &usedNames, report, shots, &screen);
  PageOptions page;
  page.screen = screen;
  page.statusStrip = screen.anyStrip;
  if (!WritePage(folder + L"\\index.html", MakeReportPage(*report, *shots, page), error))
    return false;
  if (!written)
    *error = L"Cannot write every picture into " + folder;
  return written;
}

std::wstring ScriptStem(const std::wstring &script)
{
  std::wstring name = script.substr(script.find_last_of(L"\\/") == std::wstring::npos
                                        ? 0
                                        : script.find_last_of(L"\\/") + 1);
  if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".reg") == 0)
    name.resize(name.size() - 4);
  return name;
}

}  // namespace

bool WritePreview(const check::CheckOptions &options, const std::wstring &folder,
                  check::CheckReport *report, std::wstring *error)
{
  std::vector<Shot> shots;
  return PreviewScript(options, folder, report, &shots, error);
}

bool WritePreviews(const check::CheckOptions &options, const std::vector<std::wstring> &scripts,
                   const std::wstring &folder, std::vector<check::CheckReport> *reports,
                   std::wstring *error)
{
  reports->assign(scripts.size(), check::CheckReport());
  bool written = CanPicture(options, folder, error);
  std::set<std::wstring> usedNames = {L"index.html"};
  std::vector<IndexRow> rows;
  for (size_t i = 0; i < scripts.size(); ++i) {
    check::CheckOptions one = options;
    one.script = scripts[i];
    if (!written) {
      check::CheckScript(one, &(*reports)[i]);
      continue;
    }
    IndexRow row;
    row.folder = SafeFileName(ScriptStem(scripts[i]), L"", &usedNames);
    std::vector<Shot> shots;
    std::wstring scriptError;
    if (!PreviewScript(one, folder + L"\\" + row.folder, &(*reports)[i], &shots, &scriptError)) {
      written = false;
      *error = scriptError;
    }
    for (const Shot &shot : shots)
      if (shot.profile == 0 && shot.configuration == 0 && !shot.file.empty())
        row.homePicture = shot.file;
    rows.push_back(row);
  }
  if (!written)
    return false;
  for (size_t i = 0; i < rows.size(); ++i)
    rows[i].report = &(*reports)[i];
  IndexOptions index;
  index.width = options.screenWidth;
  index.height = options.screenHeight;
  return WritePage(folder + L"\\index.html", MakeIndexPage(rows, index), error);
}

bool WriteDiffPreview(const check::CheckOptions &before, const check::CheckOptions &after,
                      const std::wstring &folder, check::CheckReport *beforeReport,
                      check::CheckReport *afterReport, std::vector<check::Change> *changes,
                      std::wstring *error)
{
  if (!CanPicture(after, folder, error)) {
    check::CheckScript(before, beforeReport);
    check::CheckScript(after, afterReport);
    *changes = check::CompareReports(*beforeReport, *afterReport);
    return false;
  }
  std::set<std::wstring> usedNames = {L"index.html"};
  Screen screen;
  std::vector<Shot> beforeShots, afterShots;
  bool written = CheckWithPictures(before, folder, L"before-", &usedNames, beforeReport,
                                   &beforeShots, &screen);
  written = CheckWithPictures(after, folder, L"after-", &usedNames, afterReport, &afterShots,
                              &screen) && written;
  *changes = check::CompareReports(*beforeReport, *afterReport);
  DiffPageInput input = {beforeReport, afterReport, &beforeShots, &afterShots, changes, screen};
  if (!WritePage(folder + L"\\index.html", MakeDiffPage(input), error))
    return false;
  if (!written)
    *error = L"Cannot write every picture into " + folder;
  return written;
}

}  // namespace preview
