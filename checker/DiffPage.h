#pragma once
// The page of /diff /preview: every change as a line, and each screen that changes with
// its picture before and after the change side by side, the changed items marked.
#include <string>
#include <vector>

#include "checker/CheckReport.h"
#include "checker/PreviewRender.h"
#include "checker/ReportPage.h"
#include "checker/ScriptDiff.h"

namespace preview {

struct DiffPageInput {
  const check::CheckReport *before;
  const check::CheckReport *after;
  const std::vector<Shot> *beforeShots;
  const std::vector<Shot> *afterShots;
  const std::vector<check::Change> *changes;
  Screen screen;
};

std::string MakeDiffPage(const DiffPageInput &input);

}  // namespace preview
