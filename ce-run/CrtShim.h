#pragma once
// Declarations of the Microsoft C library functions that ce-run itself provides
// (ce-run/CrtShim.cpp) for the desktop stand-ins it compiles in.
extern "C" int _wtoi(const wchar_t *text);
