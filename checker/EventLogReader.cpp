// The event log's lines, read from their description: date, time, kind, fields.
#include "checker/EventLogReader.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace eventlog {

bool Event::Has(const std::string &name) const
{
  for (const auto &field : fields)
    if (field.first == name)
      return true;
  return false;
}

std::wstring Event::Field(const std::string &name) const
{
  for (const auto &field : fields)
    if (field.first == name)
      return field.second;
  return L"";
}

namespace {

bool IsDigit(char c)
{
  return c >= '0' && c <= '9';
}

bool IsKindCharacter(char c)
{
  return (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-';
}

bool IsNameCharacter(char c)
{
  return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-';
}

bool IsBareCharacter(char c)
{
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
         c == '-' || c == '+';
}

int Number(const std::string &text, size_t at, size_t digits)
{
  int value = 0;
  for (size_t i = at; i < at + digits; ++i)
    value = value * 10 + (text[i] - '0');
  return value;
}

// "YYYY-MM-DD HH:MM:SS" with every part in its range.
bool IsTimeStamp(const std::string &line)
{
  static const char pattern[] = "dddd-dd-dd dd:dd:dd";
  if (line.size() < sizeof(pattern) - 1)
    return false;
  for (size_t i = 0; i + 1 < sizeof(pattern); ++i) {
    if (pattern[i] == 'd' ? !IsDigit(line[i]) : line[i] != pattern[i])
      return false;
  }
  int month = Number(line, 5, 2), day = Number(line, 8, 2);
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && Number(line, 11, 2) <= 23 &&
         Number(line, 14, 2) <= 59 && Number(line, 17, 2) <= 60;
}

bool DecodeUtf8(const std::string &bytes, std::wstring *text)
{
  text->clear();
  if (bytes.empty())
    return true;
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                   static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0)
    return false;
  text->resize(static_cast<size_t>(length));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                      static_cast<int>(bytes.size()), &(*text)[0], length);
  return true;
}

// A text value from the opening quote at `at`; `at` ends after the closing quote.
bool ReadQuoted(const std::string &line, size_t *at, std::string *value, std::string *reason)
{
  size_t i = *at + 1;
  for (;;) {
    if (i >= line.size()) {
      *reason = "a text is not closed by its double quote";
      return false;
    }
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        value->push_back('"');
        i += 2;
        continue;
      }
      *at = i + 1;
      return true;
    }
    value->push_back(line[i++]);
  }
}

bool ParseFields(const std::string &line, size_t at, Event *event, std::string *reason)
{
  while (at < line.size()) {
    if (line[at] != ' ' || at + 1 >= line.size() || !IsNameCharacter(line[at + 1])) {
      *reason = "a field is not written as name=value";
      return false;
    }
    size_t nameStart = ++at;
    while (at < line.size() && IsNameCharacter(line[at]))
      ++at;
    std::string name = line.substr(nameStart, at - nameStart);
    if (at >= line.size() || line[at] != '=' || at + 1 >= line.size()) {
      *reason = "the field \"" + name + "\" has no value";
      return false;
    }
    ++at;
    std::string value;
    if (line[at] == '"') {
      if (!ReadQuoted(line, &at, &value, reason))
        return false;
    } else {
      size_t valueStart = at;
      while (at < line.size() && IsBareCharacter(line[at]))
        ++at;
      value = line.substr(valueStart, at - valueStart);
      if (value.empty()) {
        *reason = "the field \"" + name + "\" has no value";
        return false;
      }
    }
    std::wstring decoded;
    if (!DecodeUtf8(value, &decoded)) {
      *reason = "the field \"" + name + "\" is not UTF-8 text";
      return false;
    }
    event->fields.emplace_back(name, decoded);
  }
  return true;
}

bool ParseLine(const std::string &line, Event *event, std::string *reason)
{
  if (line.size() + 2 > MAX_LINE_BYTES) {
    *reason = "the line is longer than any event's";
    return false;
  }
  for (char c : line) {
    if (c == 0) {
      *reason = "zero bytes instead of text (the device was reset while writing)";
      return false;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      *reason = "a control character inside the line";
      return false;
    }
  }
  if (!IsTimeStamp(line)) {
    *reason = "the line does not begin with a date and a time";
    return false;
  }
  size_t at = 19;
  if (at >= line.size() || line[at] != ' ' || at + 1 >= line.size() ||
      !(line[at + 1] >= 'A' && line[at + 1] <= 'Z')) {
    *reason = "the line names no event";
    return false;
  }
  size_t kindStart = ++at;
  while (at < line.size() && IsKindCharacter(line[at]))
    ++at;
  event->time = line.substr(0, 19);
  event->kind = line.substr(kindStart, at - kindStart);
  event->text = line;
  return ParseFields(line, at, event, reason);
}

std::wstring Lower(std::wstring text)
{
  for (wchar_t &c : text)
    c = static_cast<wchar_t>(towlower(c));
  return text;
}

}  // namespace

void ReadLogBytes(const std::wstring &file, const std::string &bytes, Reading *reading)
{
  reading->files.push_back(file);
  size_t at = 0;
  long number = 0;
  while (at < bytes.size()) {
    ++number;
    size_t end = bytes.find('\n', at);
    Stop stop;
    stop.file = file;
    stop.line = number;
    stop.offset = at;
    if (end == std::string::npos) {
      bool zeros = bytes.find_first_not_of('\0', at) == std::string::npos;
      stop.reason = zeros ? "zero bytes after the last line (the device was reset while writing)"
                          : "the last line is cut: it has no line end";
      reading->stops.push_back(stop);
      return;
    }
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    Event event;
    event.file = file;
    event.line = number;
    if (!ParseLine(line, &event, &stop.reason)) {
      reading->stops.push_back(stop);
      return;
    }
    reading->events.push_back(event);
    at = end + 1;
  }
}

std::vector<std::wstring> OrderLogFiles(const std::vector<std::wstring> &files)
{
  std::vector<std::wstring> ordered = files;
  // Each older file moves to just before the file it was renamed from.
  for (const std::wstring &older : files) {
    std::wstring lower = Lower(older);
    if (lower.size() < 3 || lower.compare(lower.size() - 2, 2, L".1") != 0)
      continue;
    std::wstring newer = lower.substr(0, lower.size() - 2);
    auto olderAt = std::find(ordered.begin(), ordered.end(), older);
    auto newerAt = std::find_if(ordered.begin(), ordered.end(),
                                [&](const std::wstring &f) { return Lower(f) == newer; });
    if (newerAt != ordered.end() && newerAt < olderAt) {
      std::wstring moved = *olderAt;
      ordered.erase(olderAt);
      ordered.insert(newerAt, moved);
    }
  }
  return ordered;
}

namespace {

// The whole file; a log the launcher is writing may be read meanwhile.
bool ReadWholeFile(const std::wstring &path, std::string *bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  bytes->clear();
  char block[65536];
  DWORD count = 0;
  bool read = true;
  while ((read = ReadFile(file, block, sizeof(block), &count, nullptr) != FALSE) && count > 0)
    bytes->append(block, count);
  CloseHandle(file);
  return read;
}

}  // namespace

Reading ReadLogs(const std::vector<std::wstring> &files)
{
  Reading reading;
  for (const std::wstring &file : OrderLogFiles(files)) {
    std::string bytes;
    if (!ReadWholeFile(file, &bytes)) {
      reading.unreadable.push_back(file);
      continue;
    }
    ReadLogBytes(file, bytes, &reading);
  }
  return reading;
}

}  // namespace eventlog
