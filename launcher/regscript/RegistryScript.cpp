// Reads a REGEDIT-format text file line by line and hands each logical line on.
#include "launcher/regscript/RegistryScript.h"

RegistryScriptState g_script;

// The current logical line: SCRIPT_LINE_CAPACITY characters and the terminator.
static wchar_t s_line[SCRIPT_LINE_CAPACITY + 1];

// The file is taken a block at a time and handed out byte by byte, so a large script
// costs its parsing rather than one read call per byte.
enum { SCRIPT_READ_BLOCK = 16384 };

struct ScriptReader {
  HANDLE file;
  DWORD position;  // next byte of the block to hand out
  DWORD filled;    // bytes in the block
  BYTE block[SCRIPT_READ_BLOCK];
};
static ScriptReader s_reader;

enum ScriptByte { BYTE_READ, BYTE_END, BYTE_FAILED };

static ScriptByte NextScriptByte(BYTE *byte)
{
  if (s_reader.position == s_reader.filled) {
    DWORD got = 0;
    s_reader.position = 0;
    s_reader.filled = 0;
    if (!ReadFile(s_reader.file, s_reader.block, SCRIPT_READ_BLOCK, &got, nullptr))
      return BYTE_FAILED;
    if (got == 0 || got > SCRIPT_READ_BLOCK)
      return BYTE_END;
    s_reader.filled = got;
  }
  *byte = s_reader.block[s_reader.position++];
  return BYTE_READ;
}

// Stops at the end of the file, at a failing read, at a line too long for the buffer
// and at the first rejected line. Each byte becomes the character with the same code.
static void ReadScriptLines(HANDLE file)
{
  s_reader.file = file;
  s_reader.position = 0;
  s_reader.filled = 0;
  size_t length = 0;   // characters in the buffer
  size_t counted = 0;  // characters read for this logical line, continuation backslashes included
  for (;;) {
    BYTE byte = 0;
    ScriptByte next = NextScriptByte(&byte);
    if (next == BYTE_FAILED) {
      ShowScriptError(L"Reading File");
      return;
    }
    if (next == BYTE_END)
      return;
    if (byte == '\r')
      continue;
    if (byte == '\n') {
      if (length > 0 && s_line[length - 1] == L'\\') {
        --length;
        continue;
      }
      s_line[length] = 0;
      ++g_script.lineNumber;
      if (!ApplyScriptLine(s_line))
        return;
      length = 0;
      counted = 0;
      continue;
    }
    if (counted == SCRIPT_LINE_CAPACITY) {
      g_script.failed = true;  // too long for the buffer: stops without a message
      return;
    }
    s_line[length++] = static_cast<wchar_t>(byte);
    ++counted;
  }
}

bool LoadRegistryScript(const wchar_t *path)
{
  if (path == nullptr)
    return false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  g_script.lineNumber = 0;
  g_script.sectionSeen = false;
  g_script.failed = false;
  g_script.section[0] = 0;
  ReadScriptLines(file);
  CloseHandle(file);
  return true;
}
