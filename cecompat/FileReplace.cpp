// DeleteAndRenameFile: the desktop replaces a file in one step with MoveFileExW. As on the
// device, both files must exist, and a failure leaves both as they were.
#include "cecompat/CePlatform.h"

extern "C" BOOL WINAPI DeleteAndRenameFile(LPCWSTR destination, LPCWSTR source)
{
  if (destination == nullptr || source == nullptr ||
      GetFileAttributesW(destination) == INVALID_FILE_ATTRIBUTES ||
      GetFileAttributesW(source) == INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  return MoveFileExW(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
