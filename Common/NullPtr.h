#pragma once
// nullptr for compilers that know only C++03 (the device SDKs' compilers among them).
// Compilers that have it keep their own.
#include <stddef.h>

#if defined(__cplusplus) && __cplusplus < 201103L && !(defined(_MSC_VER) && _MSC_VER >= 1600)
#define nullptr NULL
#endif
