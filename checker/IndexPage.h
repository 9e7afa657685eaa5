#pragma once
// The index page of a preview of many scripts: every script with its counts and a small
// picture of its home screen, linking to the script's own page.
#include <string>
#include <vector>

#include "checker/CheckReport.h"

namespace preview {

struct IndexRow {
  const check::CheckReport *report = nullptr;
  std::wstring folder;       // the script's folder beside the index page
  std::wstring homePicture;  // its home screen's picture in that folder; empty for none
};

struct IndexOptions {
  int width = 240;  // the device's screen
  int height = 320;
};

std::string MakeIndexPage(const std::vector<IndexRow> &rows, const IndexOptions &options);

}  // namespace preview
