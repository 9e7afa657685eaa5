#include "checker/CheckReport.h"

namespace check {

static size_t CountIn(const std::vector<Finding> &findings, Severity severity)
{
  size_t count = 0;
  for (const Finding &finding : findings)
    if (finding.severity == severity)
      ++count;
  return count;
}

size_t CheckReport::Count(Severity severity) const
{
  size_t count = CountIn(findings, severity);
  for (const CheckedProfile &profile : profiles) {
    count += CountIn(profile.findings, severity);
    for (const CheckedConfiguration &configuration : profile.configurations)
      count += CountIn(configuration.findings, severity);
  }
  return count;
}

int CheckReport::ExitCode() const
{
  if (unreadable)
    return 3;
  if (Count(Severity::Error) > 0)
    return 2;
  return Count(Severity::Warning) > 0 ? 1 : 0;
}

}  // namespace check
