// Writes 32-bit premultiplied bottom-up pixels as a PNG (screenshots of tests and the demo).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/blend_target.h"

namespace qv {

enum class PngAlpha {
    kOpaque,  // 8-bit RGB: the colour bytes as a window shows them, alpha ignored
    kKeep,    // 8-bit RGBA with the colours divided back by alpha
};

// The PNG file bytes of the image, upright; empty when the surface is not valid or encoding fails.
std::vector<std::uint8_t> encodePng(const PixelSurface& image, PngAlpha alpha = PngAlpha::kOpaque);

// Writes encodePng's bytes to path; false when there is nothing to write or the file fails.
bool writePngFile(const std::string& path, const PixelSurface& image, PngAlpha alpha = PngAlpha::kOpaque);

}  // namespace qv
