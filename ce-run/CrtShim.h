#pragma once
// Declarations of the Microsoft C library functions that ce-run itself provides
// (ce-run/CrtShim.cpp) for the desktop stand-ins it compiles in.
extern "C" int _wtoi(const wchar_t *text);
// wcstoul under its own name: the Linux library's takes 32-bit characters.
extern "C" unsigned long CeRunWcstoul(const wchar_t *text, wchar_t **end, int base);
#define wcstoul CeRunWcstoul
