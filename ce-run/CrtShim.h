#pragma once
// Declarations of the Microsoft C library functions that ce-run itself provides
// (ce-run/CrtShim.cpp) for the desktop stand-ins it compiles in.
extern "C" int _wtoi(const wchar_t *text);
// wcstoul for 16-bit characters (the Linux library's takes 32-bit ones), under a name of
// its own: the stand-ins that call it are compiled with -Dwcstoul=CeRunWcstoul (build.sh).
extern "C" unsigned long CeRunWcstoul(const wchar_t *text, wchar_t **end, int base);
