#include "gui/png_writer.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

namespace qv {
namespace {

struct WriteState {
    std::vector<std::uint8_t>* bytes = nullptr;
    const PixelSurface* image = nullptr;
    PngAlpha alpha = PngAlpha::kOpaque;
    std::vector<std::uint8_t>* row = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        bytes->insert(bytes->end(), data, data + length);
    } catch (...) {  // no exception may cross libpng's C frames
        grown = false;
    }
    if (!grown) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}
void ignoreWarning(png_structp, png_const_charp) {}
void failOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// One upright output row from memory row y: RGB or RGBA bytes.
void convertRow(const PixelSurface& image, std::int32_t y, PngAlpha alpha, std::uint8_t* out) {
    const std::uint32_t* p = image.row(y);
    for (std::int32_t x = 0; x < image.width; ++x) {
        const std::uint32_t v = p[x];
        std::uint32_t b = v & 0xFFu, g = (v >> 8) & 0xFFu, r = (v >> 16) & 0xFFu;
        const std::uint32_t a = v >> 24;
        if (alpha == PngAlpha::kOpaque) {
            *out++ = static_cast<std::uint8_t>(r);
            *out++ = static_cast<std::uint8_t>(g);
            *out++ = static_cast<std::uint8_t>(b);
            continue;
        }
        if (a != 0) {
            r = std::min(255u, (r * 255u + a / 2) / a);
            g = std::min(255u, (g * 255u + a / 2) / a);
            b = std::min(255u, (b * 255u + a / 2) / a);
        }
        *out++ = static_cast<std::uint8_t>(r);
        *out++ = static_cast<std::uint8_t>(g);
        *out++ = static_cast<std::uint8_t>(b);
        *out++ = static_cast<std::uint8_t>(a);
    }
}

bool encodeRows(WriteState& st) {
    if (setjmp(png_jmpbuf(st.png))) return false;
    const PixelSurface& image = *st.image;
    png_set_write_fn(st.png, st.bytes, appendBytes, flushNothing);
    const int type = st.alpha == PngAlpha::kOpaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(st.png, st.info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(st.png, st.info);
    // Memory rows run bottom-up; the file's first row is the top one.
    for (std::int32_t y = image.height - 1; y >= 0; --y) {
        convertRow(image, y, st.alpha, st.row->data());
        png_write_row(st.png, st.row->data());
    }
    png_write_end(st.png, nullptr);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const PixelSurface& image, PngAlpha alpha) {
    std::vector<std::uint8_t> bytes;
    if (!image.isValid()) return bytes;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * 4);
    WriteState st;
    st.bytes = &bytes;
    st.image = &image;
    st.alpha = alpha;
    st.row = &row;
    st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failOnError, ignoreWarning);
    if (st.png == nullptr) return {};
    st.info = png_create_info_struct(st.png);
    const bool ok = st.info != nullptr && encodeRows(st);
    png_destroy_write_struct(&st.png, st.info ? &st.info : nullptr);
    if (!ok) bytes.clear();
    return bytes;
}

bool writePngFile(const std::string& path, const PixelSurface& image, PngAlpha alpha) {
    const std::vector<std::uint8_t> bytes = encodePng(image, alpha);
    if (bytes.empty()) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace qv
