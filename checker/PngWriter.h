#pragma once
// Pictures as PNG files, through the platform's imaging component.
#include <string>

#include "checker/PreviewRender.h"

namespace preview {

// Writes the picture as a 24-bit PNG file, replacing what was there.
bool WritePng(const std::wstring &path, const Picture &picture);
// Reads a PNG (or any picture the imaging component knows) into 32-bit pixels.
bool ReadPng(const std::wstring &path, Picture *picture);

}  // namespace preview
