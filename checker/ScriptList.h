#pragma once
// The scripts a run is about: the files named, and every .reg script of a folder named.
#include <string>
#include <vector>

namespace check {

// Each argument in turn: a folder gives its .reg files, sorted by name (without regard to
// case); anything else is taken as a script, readable or not (its check says so). False,
// with the reason, for a folder without a single script.
bool ListScripts(const std::vector<std::wstring> &arguments, std::vector<std::wstring> *scripts,
                 std::wstring *error);

// True when the path names a folder.
bool IsFolder(const std::wstring &path);

}  // namespace check
