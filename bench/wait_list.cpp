// Waits until a window of the given class shows a list view that answers with items, or
// with "/close" asks that window to close and waits until it is gone. Writes the file
// given as third argument when it is ready to watch. Exit code 0 on success, 1 on time-out.
#include <windows.h>
#include <commctrl.h>

#include <wchar.h>

static HWND AnsweringList(const wchar_t *className)
{
  HWND window = FindWindowW(className, nullptr);
  if (window == nullptr)
    return nullptr;
  HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  DWORD_PTR items = 0;
  if (list == nullptr ||
      !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &items) ||
      items == 0)
    return nullptr;
  return list;
}

int wmain(int argc, wchar_t **argv)
{
  if (argc < 3)
    return 2;
  const wchar_t *className = argv[1];
  if (wcscmp(argv[2], L"/close") == 0) {
    HWND window = FindWindowW(className, nullptr);
    if (window == nullptr)
      return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 300 && IsWindow(window); ++i)
      Sleep(20);
    return IsWindow(window) ? 1 : 0;
  }
  HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready != INVALID_HANDLE_VALUE)
    CloseHandle(ready);
  for (int i = 0; i < 6000; ++i) {
    if (AnsweringList(className) != nullptr)
      return 0;
    Sleep(5);
  }
  return 1;
}
