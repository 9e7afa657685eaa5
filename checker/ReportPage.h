#pragma once
// The report page of a preview: one self-contained HTML file that ties the pictures of the
// configurations, their items and the findings of the check together.
#include <set>
#include <string>
#include <vector>

#include "checker/CheckReport.h"
#include "checker/PreviewRender.h"

namespace preview {

// An item the launcher adds after the program entries (About, Exit, Back).
struct AddedItem {
  int number;          // as the device numbers it (0 for a Back item numbered zero)
  std::wstring label;
};

// What the preview made of one configuration of the report.
struct Shot {
  size_t profile = 0;        // index into CheckReport::profiles
  size_t configuration = 0;  // index into CheckedProfile::configurations
  std::wstring file;         // picture file name beside the page; empty when none was made
  std::wstring caption;      // the title the device shows
  bool numbered = false;     // the device shows the numbers in the labels
  std::vector<AddedItem> added;
  // Configuration each program entry's Call enters, by entry position; empty for none.
  std::vector<std::wstring> callTargets;
};

struct PageOptions {
  Screen screen;
  bool statusStrip = false;  // some picture shows the status strip
};

// The page, as UTF-8 text. Everything that comes from the script is escaped.
std::string MakeReportPage(const check::CheckReport &report, const std::vector<Shot> &shots,
                           const PageOptions &options);

// Text for HTML element content and attribute values, as UTF-8.
std::string EscapeHtml(const std::wstring &text);
// A file name made of the configuration name that every file system takes: letters,
// digits, '-', '_' and '.'; unique (ignoring case) among the names already used, which it
// joins. The extension is added to the result.
std::wstring SafeFileName(const std::wstring &name, const std::wstring &extension,
                          std::set<std::wstring> *used);
// "Ctrl+Shift+F5" for a hot key; empty when the entry has none.
std::wstring HotKeyText(long key, long modifiers);

}  // namespace preview
