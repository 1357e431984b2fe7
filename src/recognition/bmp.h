#pragma once
// Windows BMP files: 24-bit images written by captures, and reading of uncompressed 24- and
// 32-bit images (what screenshot tools and our own captures produce) for the dictionary tool.

#include <string>

#include "platform/image.h"

namespace tavik {

// Writes `image` as a 24-bit bottom-up BMP through a temporary file renamed into place.
bool WriteBmp(const std::string& path, const Image& image, std::string& error);

// Reads an uncompressed 24- or 32-bit BMP (bottom-up or top-down).
bool ReadBmp(const std::string& path, Image& out, std::string& error);

}  // namespace tavik
