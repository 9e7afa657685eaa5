#pragma once
// The messages the launcher's code would have shown, collected through its message seam
// while the checker runs that code.
#include <string>
#include <vector>

namespace check {

struct ShownMessage {
  std::wstring text;
  std::wstring detail;
  std::wstring caption;
};

// From now on messages are collected instead of shown.
void StartCollectingMessages();
// The messages collected since the last call, oldest first.
std::vector<ShownMessage> TakeMessages();

}  // namespace check
