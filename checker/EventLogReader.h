#pragma once
// Reads the launcher's event log (Ferrolt.log and the older Ferrolt.log.1) as the README
// describes it: UTF-8 text, one event per line ended by CR LF (LF alone is accepted),
// "YYYY-MM-DD HH:MM:SS KIND name=value ...", a value either a bare number or a text between
// double quotes with a quote inside doubled. A file is read up to its first damaged line
// (a reset cuts the line being written, or leaves zero bytes), and the place is kept.
#include <string>
#include <utility>
#include <vector>

namespace eventlog {

enum { MAX_LINE_BYTES = 2048 };  // no event line is longer, its line end included

struct Event {
  std::wstring file;
  long line = 0;
  std::string time;  // "YYYY-MM-DD HH:MM:SS", local time of the device
  std::string kind;
  std::vector<std::pair<std::string, std::wstring>> fields;  // in the order written
  std::string text;  // the line as read, without its line end

  bool Has(const std::string &name) const;
  std::wstring Field(const std::string &name) const;  // empty when missing
};

// Where a file stopped being readable.
struct Stop {
  std::wstring file;
  long line = 0;                  // the damaged line, counted from 1
  unsigned long long offset = 0;  // its first byte
  std::string reason;
};

struct Reading {
  std::vector<std::wstring> files;       // in the order read
  std::vector<Event> events;             // in the order they happened
  std::vector<Stop> stops;               // one per damaged file
  std::vector<std::wstring> unreadable;  // files that could not be opened
};

// The files in the order their events happened: an older file "X.1" goes before "X",
// whatever the order given; otherwise as given.
std::vector<std::wstring> OrderLogFiles(const std::vector<std::wstring> &files);
// Reads the files in that order.
Reading ReadLogs(const std::vector<std::wstring> &files);
// Reads one file's bytes into reading, up to its first damaged line.
void ReadLogBytes(const std::wstring &file, const std::string &bytes, Reading *reading);

}  // namespace eventlog
