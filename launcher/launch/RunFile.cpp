// ".run" files: 8-bit text, line 1 the program to start instead, line 2 its arguments.
#include "launcher/launch/LaunchCommand.h"
#include "launcher/launch/LaunchSteps.h"

#include "resources/resource.h"

// Returns true when the line ended at CR, LF or the length limit; a line cut short by the
// end of the file is still delivered, but reported as false.
bool ReadTextLine(HANDLE file, wchar_t *buffer)
{
  char bytes[TEXT_CAPACITY] = {0};
  int count = 0;
  bool ended = false;
  for (;;) {
    char byte = 0;
    DWORD got = 0;
    if (!ReadFile(file, &byte, 1, &got, nullptr))
      break;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      break;
    }
    if (byte == '\r') {
      ended = true;
      break;
    }
    if (byte == '\n') {
      if (count > 0) {
        ended = true;
        break;
      }
      continue;
    }
    bytes[count++] = byte;
    if (count == TEXT_CAPACITY - 1) {
      ended = true;
      break;
    }
  }
  if (buffer == nullptr)
    return false;
  for (int i = 0; i < TEXT_CAPACITY; ++i)
    buffer[i] = 0;
  if (count > 0)
    MultiByteToWideChar(CP_ACP, 0, bytes, count, buffer, TEXT_CAPACITY - 1);
  return ended;
}

bool ReadRunFile(wchar_t *path, wchar_t *arguments)
{
  HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ReportLaunchError(TEXT_ID(IDS_CANNOT_OPEN_RUN), GetLastError());
    return false;
  }
  wchar_t runLine[TEXT_CAPACITY];
  if (!ReadTextLine(file, runLine)) {
    DWORD code = GetLastError();
    CloseHandle(file);
    ReportLaunchError(TEXT_ID(IDS_CANNOT_READ_RUN), code);
    return false;
  }
  wchar_t unexpanded[TEXT_CAPACITY];
  CopyText(unexpanded, TEXT_CAPACITY, runLine);
  bool expanded = ExpandPathMacros(runLine);
  ReadTextLine(file, arguments);
  CloseHandle(file);
  if (!expanded) {
    ReportLaunchFailure(TEXT_ID(IDS_COMMAND_TOO_LONG), unexpanded);
    return false;
  }
  CopyText(path, TEXT_CAPACITY, runLine);
  return true;
}
