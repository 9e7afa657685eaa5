#pragma once
// The files of a cabinet, read with the platform's own cabinet functions (FDI).
#include <windows.h>

#include <string>
#include <vector>

struct CabinetFile {
  std::wstring name;
  std::vector<BYTE> bytes;
};

// Reads every file of the cabinet into memory. False, with the reason, when the cabinet
// cannot be opened or read to its end (cut short, damaged, spanning several cabinets, or
// holding more than an installer package can).
bool ReadCabinetFiles(const wchar_t *path, std::vector<CabinetFile> *files, std::wstring *error);
