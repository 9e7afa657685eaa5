#pragma once
// The lock mark that a preview picture shows beside the label of an entry with a Password.
#include <windows.h>

#include "checker/PreviewRender.h"

namespace preview {

// The mark's body colour (0x00RRGGBB, as a picture's pixels hold it without their alpha).
enum : uint32_t { LOCK_MARK_BODY = 0xD9A400, LOCK_MARK_EDGE = 0x000000 };

// Draws the mark into the captured picture of window (the launcher's main window, its
// presentation still standing) beside the label of each protected entry it shows.
void MarkProtectedEntries(HWND window, Picture *picture);

}  // namespace preview
