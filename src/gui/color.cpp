#include "gui/color.h"

namespace qv {
namespace {
// Truncation toward zero, then the low 8 bits, as the colour value of the window system is made.
std::uint8_t toByte(float component) {
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(component * 255.0f) & 0xFF);
}
}  // namespace

CColor::CColor(CGuiWindow* window, float r, float g, float b, float a, std::uint32_t m) : owner(window) {
    store(r, g, b, a, m);
}

void CColor::set(float r, float g, float b, float a, std::uint32_t m) { store(r, g, b, a, m); }

void CColor::store(float r, float g, float b, float a, std::uint32_t m) {
    red = r;
    green = g;
    blue = b;
    alpha = a;
    mode = m;
    red8 = toByte(r);
    green8 = toByte(g);
    blue8 = toByte(b);
    alpha8 = toByte(a);
    const std::uint32_t A = alpha8;
    pixel = packPixel(blue8 * A / 255u, green8 * A / 255u, red8 * A / 255u, A);
}

}  // namespace qv
