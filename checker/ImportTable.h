#pragma once
// A module's table of imported functions, which its calls into a DLL go through.
#include <windows.h>

#include <stddef.h>

namespace check {

// Points the module's imports of the named functions of one DLL at the replacements and
// hands back what each entry held (null for a function the module does not import). All
// or nothing: false, with the table as it was, when an entry cannot be written.
bool ReplaceImports(HMODULE module, const char *dll, const char *const *names,
                    void *const *replacements, void **previous, size_t count);

}  // namespace check
