// The control toolkit's fixture: a headless 240 x 160 window with panels added on demand, a
// probe view, and film strips whose frames are told apart by their pixels.
#pragma once

#include "gui/bitmap.h"
#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/pixel.h"
#include "gui/png_writer.h"
#include "gui/rect_math.h"
#include "headless_rig.h"

namespace qv::test {

// Counts its draws and fills its rect, or a repainted area, with one pixel (0: paints nothing).
class ProbeView : public CView {
public:
    ProbeView(CViewOwner* o, const CRect& r, std::uint32_t pixel, bool mouse = false, bool capture = false)
        : CView(o, 7), fill(nullptr, pixelRed(pixel) / 255.0f, pixelGreen(pixel) / 255.0f, pixelBlue(pixel) / 255.0f,
                            1.0f, pixel ? std::uint32_t{kColorBrush} : 0u) {
        rect = r, mouseEnabled = mouse, captureMouse = capture;
    }
    void draw(CDrawState state) override { ++draws, paint(rect, state); }
    void redrawArea(CRect area, CDrawState state) override { areas.push_back(area), paint(area, state); }
    void paint(const CRect& area, const CDrawState& state) {
        owner->getDrawContext(&state)->fillRect(rectOffset(area, containerOrigin().x, containerOrigin().y), fill);
    }
    void onMouseDown(std::int32_t, std::int32_t, std::int32_t x, std::int32_t y) override { presses.push_back({x, y}); }
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) override { presses.push_back({x, y}); }
    void cancelMouse() override { ++cancels; }

    CColor fill;
    int draws = 0, cancels = 0;
    std::vector<CRect> areas;
    std::vector<CPoint> presses;  // and moves
};

class ControlsTest : public HeadlessTest<RecordingOwner> {
protected:
    static constexpr std::uint32_t kBlack = 0xFF000000u;

    ControlsTest() : HeadlessTest(240, 160) {}

    // `frames` frames of w x h stacked along y (x when horizontal), copied when drawn.
    CBitmap* strip(std::int32_t w, std::int32_t h, std::int32_t frames, bool horizontal = false) {
        const std::int32_t fw = horizontal ? w * frames : w, fh = horizontal ? h : h * frames;
        std::vector<std::uint32_t> px(static_cast<std::size_t>(fw) * fh);
        for (std::size_t i = 0; i < px.size(); ++i)
            px[i] = packPixel(40, 40 + static_cast<std::int32_t>(horizontal ? i % fw / w : i / fw / h), 200, 255);
        const std::vector<std::uint8_t> png = encodePng(PixelSurface{px.data(), fw, fh});
        auto* bitmap = new CBitmap(png.data(), png.size());
        bitmap->setBlendEnabled(false);
        window->addResource(bitmap);
        return bitmap;
    }
    // The frame shown at (x, y), or -1; loading premultiplies by alpha 255: c * 255 >> 8.
    std::int32_t frameAt(std::int32_t x, std::int32_t y) const {
        const std::uint32_t p = pixel(x, y);
        const bool inStrip = pixelBlue(p) == 39 && pixelRed(p) == 199 && pixelAlpha(p) == 255;
        return inStrip ? static_cast<std::int32_t>(pixelGreen(p)) - 39 : -1;
    }
};

}  // namespace qv::test
