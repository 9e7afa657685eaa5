#pragma once
// What the install header of a cabinet (its ".000" file) asks the installer to do.
#include <windows.h>

#include <string>
#include <vector>

struct InstallHeader {
  struct File {
    unsigned number;  // the cabinet's "<name>.<number>"
    std::wstring folder, name;
  };
  struct Value {
    HKEY root;
    std::wstring key, name;
    DWORD type;
    bool keepExisting;
    std::vector<BYTE> data;
  };
  struct Shortcut {
    std::wstring path, target;  // "\folder\name.lnk" and the target's device path
  };
  std::wstring appName, provider;
  DWORD processor;
  std::vector<File> files;
  std::vector<Value> values;
  std::vector<Shortcut> shortcuts;
};

// Reads and checks a header: every offset and length inside it and no two parts overlapping,
// every number naming an entry that exists, every folder a device path, every installed name
// one the device keeps as it is and no two naming the same file, every registry text whole.
// `installFolder` is where the package goes (the shortcuts' "%InstallDir%"). False, with the
// entry and the reason, at the first fault.
bool ReadInstallHeader(const std::vector<BYTE> &bytes, const wchar_t *installFolder, InstallHeader *header,
                       std::wstring *error);
