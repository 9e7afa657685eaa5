// Writing the kept registry script: the product key as REGEDIT4 text the loader reads back.
#include "launcher/config/KeptScript.h"

#include <string.h>
#include <wchar.h>

#include "Common/StdFuncs.h"
#include "launcher/config/BlockFile.h"
#include "launcher/regscript/RegistryScript.h"

enum {
  KEPT_DEPTH_LIMIT = 24,
  KEPT_VALUE_CAPACITY = 2 * SCRIPT_LINE_CAPACITY,  // bytes: the longest text a line holds
};

struct KeptWriter {
  BlockFile io;
  const wchar_t *reason;
};
static KeptWriter s_writer;
static BYTE s_data[KEPT_VALUE_CAPACITY];
static wchar_t s_name[TEXT_CAPACITY];

static void PutByte(char byte)
{
  PutBlockBytes(&s_writer.io, &byte, 1);
}

static void PutAscii(const char *text)
{
  for (; *text != 0; ++text)
    PutByte(*text);
}

// The device's core library has no 8-bit formatting: hexadecimal digits by hand.
static void PutHex(DWORD value, int digits)
{
  static const char hex[] = "0123456789abcdef";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    PutByte(hex[(value >> shift) & 15]);
}

static void Fail(const wchar_t *reason)
{
  if (!s_writer.io.failed)
    s_writer.reason = reason;
  s_writer.io.failed = true;
}

// The loader reads one byte per character: only characters up to 0xFF, and no line break.
static void PutText(const wchar_t *text, size_t length)
{
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    if (c > 0xFF || c == L'\r' || c == L'\n' || c == 0) {
      Fail(L"a text holds a character the kept script cannot carry");
      return;
    }
    PutByte(static_cast<char>(c));
  }
}

// A string value between quotes, its backslashes and quotes escaped. The loader folds any
// run of backslashes into one and a backslash before a quote into the quote, so a text
// with either is not kept.
static void PutString(const wchar_t *text, size_t length)
{
  PutByte('"');
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    if (c == L'\\' && i + 1 < length && (text[i + 1] == L'\\' || text[i + 1] == L'"')) {
      Fail(L"a text holds a backslash the loader would fold");
      return;
    }
    if (c == L'\\' || c == L'"')
      PutByte('\\');
    PutText(&c, 1);
  }
  PutByte('"');
}

static void PutValue(const wchar_t *name, DWORD type, const BYTE *data, DWORD size)
{
  // The loader splits a value line at its first '=': a name with one cannot be read back.
  if (wcschr(name, L'=') != nullptr) {
    Fail(L"a value name holds '='");
    return;
  }
  if (name[0] == 0) {
    PutByte('@');
  } else {
    PutByte('"');
    PutText(name, wcslen(name));
    PutByte('"');
  }
  PutByte('=');
  if (type == REG_SZ) {
    size_t length = size / sizeof(wchar_t);
    const wchar_t *text = reinterpret_cast<const wchar_t *>(data);
    while (length > 0 && text[length - 1] == 0)
      --length;
    PutString(text, length);
  } else if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD value;
    memcpy(&value, data, sizeof(value));
    PutAscii("dword:");
    PutHex(value, 8);
  } else if (type == REG_BINARY && size > 0 && size <= SCRIPT_HEX_CAPACITY) {
    PutAscii("hex:");
    for (DWORD i = 0; i < size; ++i) {
      if (i > 0)
        PutByte(',');
      PutHex(data[i], 2);
    }
  } else {
    Fail(L"a value has a type the loader cannot write");
  }
  PutAscii("\r\n");
}

// The section path of the key being written: each level appends "\child" for its
// children and cuts it off again, so that no level keeps a path of its own on the stack
// (a device's stack grows a page at a time).
static wchar_t s_path[TEXT_CAPACITY];

static void PutKey(HKEY key, int depth)
{
  size_t length = wcslen(s_path);
  if (depth > KEPT_DEPTH_LIMIT || length + 2 > TEXT_CAPACITY - 1) {
    Fail(L"a key lies too deep for a section line");
    return;
  }
  PutAscii("\r\n[");
  PutText(s_path, length);
  PutAscii("]\r\n");
  for (DWORD index = 0; !s_writer.io.failed; ++index) {
    DWORD nameLength = TEXT_CAPACITY;
    DWORD size = KEPT_VALUE_CAPACITY;
    DWORD type = 0;
    LONG result = RegEnumValueW(key, index, s_name, &nameLength, nullptr, &type, s_data, &size);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      Fail(L"a value could not be read");
      return;
    }
    s_name[nameLength < TEXT_CAPACITY ? nameLength : TEXT_CAPACITY - 1] = 0;
    PutValue(s_name, type, s_data, size);
  }
  // Each child's name is read straight behind this key's path and its separator.
  wchar_t *child = s_path + length + 1;
  for (DWORD index = 0; !s_writer.io.failed; ++index) {
    DWORD room = static_cast<DWORD>(TEXT_CAPACITY - length - 1);
    LONG result = RegEnumKeyExW(key, index, child, &room, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    HKEY opened;
    if (result != ERROR_SUCCESS || RegOpenKeyExW(key, child, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      s_path[length] = 0;
      Fail(L"a key could not be read");
      return;
    }
    s_path[length] = L'\\';
    PutKey(opened, depth + 1);
    RegCloseKey(opened);
    s_path[length] = 0;
  }
  s_path[length] = 0;
}

// Puts the written file in place of the kept one in one step: the platform's replace where
// the file system has it, else the old one moved aside first and removed last.
static bool ReplaceKept(const wchar_t *path, const wchar_t *beside)
{
  if (GetFileAttributesW(path) == 0xFFFFFFFF)
    return MoveFileW(beside, path) != FALSE;
  if (DeleteAndRenameFile(path, beside))
    return true;
  wchar_t aside[TEXT_CAPACITY];
  if (!CopyText(aside, TEXT_CAPACITY, path) || !AppendText(aside, TEXT_CAPACITY, L".old"))
    return false;
  DeleteFileW(aside);
  if (!MoveFileW(path, aside))
    return false;
  if (!MoveFileW(beside, path)) {
    MoveFileW(aside, path);
    return false;
  }
  DeleteFileW(aside);
  return true;
}

bool RewriteKeptScript(const wchar_t *path, const wchar_t *productKey, const wchar_t **reason)
{
  *reason = L"the kept script could not be written";
  wchar_t beside[TEXT_CAPACITY];
  HKEY key;
  if (!CopyText(beside, TEXT_CAPACITY, path) || !AppendText(beside, TEXT_CAPACITY, L".new") ||
      !CopyText(s_path, TEXT_CAPACITY, L"HKEY_CURRENT_USER\\") ||
      !AppendText(s_path, TEXT_CAPACITY, productKey) ||
      RegOpenKeyExW(HKEY_CURRENT_USER, productKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  if (!CreateBlockFile(&s_writer.io, beside)) {
    RegCloseKey(key);
    return false;
  }
  s_writer.reason = nullptr;
  PutAscii("REGEDIT4\r\n");
  PutKey(key, 0);
  RegCloseKey(key);
  bool written = FinishBlockFile(&s_writer.io);
  if (s_writer.reason != nullptr)
    *reason = s_writer.reason;
  if (!written || !ReplaceKept(path, beside)) {
    DeleteFileW(beside);
    return false;
  }
  *reason = nullptr;
  return true;
}
