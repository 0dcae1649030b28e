// The one seam for text: a renderer turns a run of single-byte (Windows-1252) characters in one
// font into 8-bit coverage. Layout (ellipsis, alignment, centring) and compositing into the back
// buffer are shared code of the drawing context, so every platform places text alike.
// FreeType with the embedded Liberation Sans on Linux and headless; GDI with Arial on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qv {

enum class CFontFace : std::uint8_t {
    kSans,    // Arial, or the metric-compatible Liberation Sans
    kSymbol,  // Symbol: Latin letters show as Greek
};

struct CFontSpec {
    CFontFace face = CFontFace::kSans;
    std::int32_t pixelHeight = 12;  // character (em) height in pixels
    bool bold = false;
    bool italic = false;
    bool underline = false;

    friend bool operator==(const CFontSpec&, const CFontSpec&) = default;
};

struct CFontMetrics {
    std::int32_t ascent = 0;   // pixels above the baseline
    std::int32_t descent = 0;  // pixels below the baseline
};

// An 8-bit top-down coverage image the caller owns; the renderer adds to it (saturating).
struct CCoverageMask {
    std::uint8_t* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class CTextRenderer {
public:
    virtual ~CTextRenderer() = default;

    // Selects the font of the following calls.
    virtual void selectFont(const CFontSpec& selectedFont) = 0;
    virtual CFontMetrics metrics() = 0;
    // Advance width in pixels of one character of the selected font.
    virtual std::int32_t charWidth(unsigned char c) = 0;
    // Writes the coverage of text[0..length) into mask with the pen starting at (penX, baseline)
    // in mask pixels; glyph parts outside the mask are dropped.
    virtual void renderRun(const char* text, std::size_t length, std::int32_t penX, std::int32_t baseline,
                           const CCoverageMask& mask) = 0;
};

// The renderer of this platform.
std::unique_ptr<CTextRenderer> createTextRenderer();

}  // namespace qv
