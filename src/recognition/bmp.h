#pragma once
// Windows BMP files: 24-bit images written by captures, and reading of uncompressed 24- and
// 32-bit images (what screenshot tools and our own captures produce) for the dictionary tool.

#include <string>

#include "platform/image.h"

namespace tavik {

// The bytes of `image` as a 24-bit bottom-up BMP file; empty for an empty image.
std::string EncodeBmp(const Image& image);

// Writes `image` as a 24-bit bottom-up BMP through a temporary file renamed into place.
bool WriteBmp(const std::string& path, const Image& image, std::string& error);

// Writes the BMP in place without waiting for the disk: for diagnostic screenshots, where a
// lost last picture after a power cut matters less than a stalled writer.
bool WriteBmpUnsynced(const std::string& path, const Image& image, std::string& error);

// Reads an uncompressed 24- or 32-bit BMP (bottom-up or top-down).
bool ReadBmp(const std::string& path, Image& out, std::string& error);

}  // namespace tavik
