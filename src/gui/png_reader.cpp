#include "gui/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <new>

namespace qv {
namespace {

struct ReadCursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

// Hands libpng the next bytes of the memory block. A request that would run past the end is an
// error: the rest of a truncated image is never made up from stale buffer contents.
void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (length > cursor->size - cursor->offset) png_error(png, "read past the end of the data");
    for (png_size_t i = 0; i < length; ++i) out[i] = cursor->data[cursor->offset + i];
    cursor->offset += length;
}

void ignoreWarning(png_structp, png_const_charp) {}

void failOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void premultiply(std::uint32_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        const std::uint32_t a = p >> 24;
        if (a == 0) {
            pixels[i] = 0;
            continue;
        }
        const std::uint32_t b = ((p & 0xFFu) * a) >> 8;
        const std::uint32_t g = (((p >> 8) & 0xFFu) * a) >> 8;
        const std::uint32_t r = (((p >> 16) & 0xFFu) * a) >> 8;
        pixels[i] = b | g << 8 | r << 16 | a << 24;
    }
}

// Everything that libpng may jump out of lives here, outside the frame that calls setjmp, so the
// jump skips no destructor and reads no stale local.
struct DecodeState {
    ReadCursor cursor{};
    png_structp png = nullptr;
    png_infop info = nullptr;
    DecodedImage* out = nullptr;
};

bool decodeRows(DecodeState& st) {
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_set_read_fn(st.png, &st.cursor, readFromMemory);
    png_read_info(st.png, st.info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(st.png, st.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide ||
        std::uint64_t{width} * height > kMaxPngPixels) {
        return false;
    }

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(st.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(st.png);
    if (png_get_valid(st.png, st.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(st.png);
    if (bitDepth == 16) png_set_strip_16(st.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(st.png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(st.png, st.info, PNG_INFO_tRNS)) {
        png_set_filler(st.png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_bgr(st.png);
    const int passes = png_set_interlace_handling(st.png);
    png_read_update_info(st.png, st.info);
    if (png_get_rowbytes(st.png, st.info) != static_cast<png_size_t>(width) * 4) return false;

    DecodedImage& image = *st.out;
    image.pixels.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(width) * height]());
    if (!image.pixels) return false;
    // Image row r (top first) goes to memory row height - 1 - r, so the picture stands upright
    // in the bottom-up layout. Later passes of an interlaced image refine the same rows.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 r = 0; r < height; ++r) {
            auto* row = reinterpret_cast<png_bytep>(image.pixels.get() + static_cast<std::size_t>(height - 1 - r) * width);
            png_read_row(st.png, row, nullptr);
        }
    }
    png_read_end(st.png, nullptr);
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    return true;
}

}  // namespace

bool decodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out) {
    out = DecodedImage{};
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
    DecodeState st;
    st.cursor = {data, size, 0};
    st.out = &out;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failOnError, ignoreWarning);
    if (st.png == nullptr) return false;
    st.info = png_create_info_struct(st.png);
    const bool ok = st.info != nullptr && decodeRows(st);
    png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
    if (!ok) {
        out = DecodedImage{};
        return false;
    }
    premultiply(out.pixels.get(), static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    return true;
}

}  // namespace qv
