#include "checker/CollectedMessages.h"

#include "Common/StdFuncs.h"

namespace check {
namespace {

std::vector<ShownMessage> s_messages;

void Collect(const wchar_t *text, const wchar_t *detail, const wchar_t *caption)
{
  s_messages.push_back({text, detail, caption});
}

}  // namespace

void StartCollectingMessages()
{
  CollectMessages(&Collect);
}

std::vector<ShownMessage> TakeMessages()
{
  std::vector<ShownMessage> taken;
  taken.swap(s_messages);
  return taken;
}

}  // namespace check
