#pragma once
// The visible check of a configuration before it is entered, and the values that belong
// to the whole profile or product.
#include <windows.h>

bool CheckConfiguration(const wchar_t *configurationName);
bool ReadCheckSettings(HKEY profileKey, const wchar_t *configurationName);
bool GetMinimumMenuHeight(DWORD *height);
bool ReadForceScreenRect(DWORD *left, DWORD *top, DWORD *right, DWORD *bottom);
int ReadExitOnEsc();
int ReadBackOnZero();
