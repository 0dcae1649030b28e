#include "controls/overlay_color_picker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui/draw_context.h"
#include "gui/key_codes.h"
#include "gui/pixel.h"
#include "gui/rect_math.h"

namespace qv {

namespace {

constexpr std::int32_t kGap = 6;
constexpr std::int32_t kSide = 44;  // width of the swatch and button column
constexpr std::int32_t kButtonHeight = 18;
constexpr std::int32_t kPanelWidth = kGap + COverlayColorPicker::kSquare + kGap + COverlayColorPicker::kStrip + kGap + kSide + kGap;
constexpr std::int32_t kPanelHeight = kGap + COverlayColorPicker::kSquare + kGap;

std::uint32_t opaque(const CRgb& c) {
    return packPixel(static_cast<std::uint32_t>(c.blue * 255.0f), static_cast<std::uint32_t>(c.green * 255.0f),
                     static_cast<std::uint32_t>(c.red * 255.0f), 255);
}

}  // namespace

float clampChannel(float v) { return v >= 0.0f ? std::min(v, 1.0f) : 0.0f; }

CRgb hsvToRgb(float hue, float saturation, float value) {
    const float h = (hue - std::floor(hue)) * 6.0f;
    const int sector = std::min(5, static_cast<int>(h));
    const float f = h - static_cast<float>(sector);
    const float p = value * (1.0f - saturation);
    const float q = value * (1.0f - saturation * f);
    const float t = value * (1.0f - saturation * (1.0f - f));
    switch (sector) {
        case 0: return CRgb{value, t, p};
        case 1: return CRgb{q, value, p};
        case 2: return CRgb{p, value, t};
        case 3: return CRgb{p, q, value};
        case 4: return CRgb{t, p, value};
        default: return CRgb{value, p, q};
    }
}

void rgbToHsv(const CRgb& c, float& hue, float& saturation, float& value) {
    const float high = std::max({c.red, c.green, c.blue});
    const float low = std::min({c.red, c.green, c.blue});
    const float span = high - low;
    value = high;
    saturation = high > 0.0f ? span / high : 0.0f;
    if (span <= 0.0f) {
        hue = 0.0f;
        return;
    }
    float h;
    if (high == c.red) {
        h = (c.green - c.blue) / span;
    } else if (high == c.green) {
        h = 2.0f + (c.blue - c.red) / span;
    } else {
        h = 4.0f + (c.red - c.green) / span;
    }
    h /= 6.0f;
    hue = h < 0.0f ? h + 1.0f : h;
}

COverlayColorPicker::COverlayColorPicker(Client& c) : client(c) {}

void COverlayColorPicker::open(CGuiWindow* w, const CRect& field, const CRgb& start, const CRgb& old) {
    const CRgb s{clampChannel(start.red), clampChannel(start.green), clampChannel(start.blue)};
    oldColour = CRgb{clampChannel(old.red), clampChannel(old.green), clampChannel(old.blue)};
    rgbToHsv(s, hue, saturation, valueLevel);
    drag = Drag::kNone;
    attach(w);
    // Below the field when it fits, else above; inside the window either way.
    CRect r{field.x, field.y - kPanelHeight, kPanelWidth, kPanelHeight};
    if (r.y < 0) r.y = field.y + field.height;
    panel = keepInside(r);
}

CRgb COverlayColorPicker::getColor() const { return hsvToRgb(hue, saturation, valueLevel); }

CRect COverlayColorPicker::squareRect() const { return CRect{panel.x + kGap, panel.y + kGap, kSquare, kSquare}; }

CRect COverlayColorPicker::stripRect() const {
    return CRect{panel.x + kGap + kSquare + kGap, panel.y + kGap, kStrip, kSquare};
}

CRect COverlayColorPicker::okRect() const {
    return CRect{panel.x + kPanelWidth - kGap - kSide, panel.y + kGap + kButtonHeight + 4, kSide, kButtonHeight};
}

CRect COverlayColorPicker::cancelRect() const {
    return CRect{panel.x + kPanelWidth - kGap - kSide, panel.y + kGap, kSide, kButtonHeight};
}

void COverlayColorPicker::pointAt(std::int32_t x, std::int32_t y) {
    const CRect sq = squareRect();
    if (drag == Drag::kSquare) {
        saturation = std::clamp(static_cast<float>(x - sq.x) / (kSquare - 1), 0.0f, 1.0f);
        valueLevel = std::clamp(static_cast<float>(y - sq.y) / (kSquare - 1), 0.0f, 1.0f);
    } else if (drag == Drag::kStrip) {
        hue = std::clamp(static_cast<float>(y - sq.y) / kSquare, 0.0f, 0.999f);
    }
}

void COverlayColorPicker::answer() {
    const CRgb chosen = getColor();
    detach();
    client.colorPicked(chosen);
}

void COverlayColorPicker::onMouseDown(std::int32_t buttonPressed, std::int32_t, std::int32_t x, std::int32_t y) {
    if (!isOpen()) return;
    if (!rectContains(panel, x, y)) {
        detach();
        return;
    }
    recapture();
    if (buttonPressed != kButtonLeft) return;
    if (rectContains(okRect(), x, y)) {
        answer();
    } else if (rectContains(cancelRect(), x, y)) {
        detach();
    } else if (rectContains(squareRect(), x, y)) {
        drag = Drag::kSquare;
        pointAt(x, y);
    } else if (rectContains(stripRect(), x, y)) {
        drag = Drag::kStrip;
        pointAt(x, y);
    }
}

void COverlayColorPicker::onMouseUp(std::int32_t b, std::int32_t x, std::int32_t y) {
    drag = Drag::kNone;
    COverlayView::onMouseUp(b, x, y);
}

void COverlayColorPicker::onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) {
    if (isOpen()) pointAt(x, y);
}

bool COverlayColorPicker::onKeyDown(std::uint32_t key) {
    if (!isOpen()) return false;
    if (key == kKeyReturn) {
        answer();
        return true;
    }
    if (key == kKeyEscape) {
        detach();
        return true;
    }
    return false;
}

void COverlayColorPicker::makeSquare() {
    if (squareHue == hue && !squarePixels.empty()) return;
    squareHue = hue;
    squarePixels.resize(static_cast<std::size_t>(kSquare) * kSquare);
    for (std::int32_t y = 0; y < kSquare; ++y) {
        for (std::int32_t x = 0; x < kSquare; ++x) {
            squarePixels[static_cast<std::size_t>(y) * kSquare + x] =
                opaque(hsvToRgb(hue, static_cast<float>(x) / (kSquare - 1), static_cast<float>(y) / (kSquare - 1)));
        }
    }
    if (stripPixels.empty()) {
        stripPixels.resize(static_cast<std::size_t>(kStrip) * kSquare);
        for (std::int32_t y = 0; y < kSquare; ++y) {
            std::fill_n(stripPixels.begin() + static_cast<std::ptrdiff_t>(y) * kStrip, kStrip,
                        opaque(hsvToRgb(static_cast<float>(y) / kSquare, 1.0f, 1.0f)));
        }
    }
}

void COverlayColorPicker::blit(const PixelSurface& target, const CRect* clip, const CRect& at,
                               const std::uint32_t* pixels) const {
    CRect area = rectIntersection(at, CRect{0, 0, target.width, target.height});
    if (clip) area = rectIntersection(area, *clip);
    for (std::int32_t y = area.y; y < area.y + area.height; ++y) {
        const std::uint32_t* from = pixels + static_cast<std::ptrdiff_t>(y - at.y) * at.width + (area.x - at.x);
        std::memcpy(target.row(y) + area.x, from, static_cast<std::size_t>(area.width) * sizeof(std::uint32_t));
    }
}

void COverlayColorPicker::button(CDrawContext& dc, const CRect& r, const char* label) {
    dc.fillRect(r, frame);
    dc.fillRect(CRect{r.x + 1, r.y + 1, r.width - 2, r.height - 2}, face);
    dc.drawText(label, r, ink, kAlignCenter);
}

void COverlayColorPicker::draw(CDrawState) {
    CDrawContext* dc = context();
    if (!isOpen() || !dc) return;
    dc->fillRect(panel, frame);
    dc->fillRect(CRect{panel.x + 1, panel.y + 1, panel.width - 2, panel.height - 2}, face);
    makeSquare();
    if (const PixelSurface* target = dc->getTargetSurface()) {
        blit(*target, dc->getTargetClip(), squareRect(), squarePixels.data());
        blit(*target, dc->getTargetClip(), stripRect(), stripPixels.data());
    }
    // Markers: a cross at the colour in the square, a bar at the hue on the strip.
    const CRect sq = squareRect();
    const std::int32_t mx = sq.x + static_cast<std::int32_t>(saturation * (kSquare - 1));
    const std::int32_t my = sq.y + static_cast<std::int32_t>(valueLevel * (kSquare - 1));
    const CColor& mark = valueLevel > 0.5f ? ink : face;
    dc->drawLineColored(CPoint{mx - 4, my}, CPoint{mx + 4, my}, mark);
    dc->drawLineColored(CPoint{mx, my - 4}, CPoint{mx, my + 4}, mark);
    const CRect st = stripRect();
    const std::int32_t hy = st.y + static_cast<std::int32_t>(hue * kSquare);
    dc->drawLineColored(CPoint{st.x - 2, hy}, CPoint{st.x + st.width + 1, hy}, ink);
    // The new colour above the old one.
    const CRect swatches{panel.x + kPanelWidth - kGap - kSide, panel.y + kPanelHeight - kGap - 60, kSide, 60};
    dc->fillRect(swatches, frame);
    const CRgb now = getColor();
    swatch.set(now.red, now.green, now.blue, 1.0f, kColorPenAndBrush);
    dc->fillRect(CRect{swatches.x + 1, swatches.y + 30, swatches.width - 2, 29}, swatch);
    swatch.set(oldColour.red, oldColour.green, oldColour.blue, 1.0f, kColorPenAndBrush);
    dc->fillRect(CRect{swatches.x + 1, swatches.y + 1, swatches.width - 2, 29}, swatch);
    dc->setFont(3, 0, 10);
    button(*dc, okRect(), "OK");
    button(*dc, cancelRect(), "Cancel");
}

}  // namespace qv
