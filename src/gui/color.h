// An RGBA colour of the editor. It serves as a pen (lines), a brush (fills) or both, and keeps
// the premultiplied pixel of itself that opaque fills write and the blend of translucent fills
// starts from.
#pragma once

#include <cstdint>

#include "gui/gdi_resource.h"
#include "gui/pixel.h"

namespace qv {

class CGuiWindow;

enum : std::uint32_t {
    kColorPen = 1,
    kColorBrush = 2,
    kColorPenAndBrush = 3,
};

class CColor : public CGdiResource {
public:
    // Components 0..1. The owner window may be null (colours of off-screen layers).
    CColor(CGuiWindow* owner, float red, float green, float blue, float alpha, std::uint32_t mode);
    ~CColor() override = default;

    virtual void set(float red, float green, float blue, float alpha, std::uint32_t mode);

    bool hasPen() const { return (mode & kColorPen) != 0; }
    bool hasBrush() const { return (mode & kColorBrush) != 0; }
    std::uint32_t getMode() const { return mode; }
    float getRed() const { return red; }
    float getGreen() const { return green; }
    float getBlue() const { return blue; }
    float getAlpha() const { return alpha; }
    CGuiWindow* getOwner() const { return owner; }

    // Component x 255 truncated and masked to 8 bits: the colour value of pens, brushes and text.
    std::uint8_t redByte() const { return red8; }
    std::uint8_t greenByte() const { return green8; }
    std::uint8_t blueByte() const { return blue8; }
    std::uint8_t alphaByte() const { return alpha8; }

    // The colour premultiplied by its alpha: A = alpha byte, each colour byte = byte x A / 255.
    std::uint32_t premultipliedPixel() const { return pixel; }
    // What a pen or a brush paints without blending: the red, green, blue and alpha bytes as
    // they are (not premultiplied, like a solid brush of the window system; an opaque colour
    // gives an opaque pixel, the all-zero colour clears to transparent).
    std::uint32_t brushPixel() const { return packPixel(blue8, green8, red8, alpha8); }

private:
    void store(float r, float g, float b, float a, std::uint32_t m);

    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 0.0f;
    std::uint32_t mode = 0;
    CGuiWindow* owner = nullptr;
    std::uint8_t red8 = 0, green8 = 0, blue8 = 0, alpha8 = 0;
    std::uint32_t pixel = 0;
};

}  // namespace qv
