// Builds small PNG files in memory with libpng, in any colour type, depth and interlace, so
// that the decoder can be checked against pixels known in advance.
#pragma once

#include <png.h>

#include <csetjmp>

#include "support/test_common.h"

namespace qvtest {

struct PngSpec {
    std::uint32_t width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> paletteAlpha;  // tRNS of a palette image
    bool hasColorKey = false;                // tRNS of a grey or RGB image
    png_color_16 colorKey{};
    // Packed rows as they stand in the file, top row first.
    std::vector<std::vector<std::uint8_t>> rows;
};

namespace detail {
inline void append(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void noFlush(png_structp) {}

inline bool write(png_structp png, png_infop info, const PngSpec& s, std::vector<png_bytep>& rows,
                  std::vector<std::uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, append, noFlush);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    const int alphas = static_cast<int>(s.paletteAlpha.size());
    if (alphas) png_set_tRNS(png, info, s.paletteAlpha.data(), alphas, nullptr);
    if (s.hasColorKey) png_set_tRNS(png, info, nullptr, 0, &s.colorKey);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}
}  // namespace detail

inline std::vector<std::uint8_t> makePng(const PngSpec& layout) {
    std::vector<std::uint8_t> out;
    std::vector<png_bytep> rows;
    for (const auto& r : layout.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = detail::write(png, info, layout, rows, &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return out;
}

}  // namespace qvtest
