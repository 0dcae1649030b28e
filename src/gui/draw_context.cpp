#include "gui/draw_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "gui/blend.h"
#include "gui/color.h"
#include "gui/pixel.h"
#include "gui/rect_math.h"
#include "gui/window_view.h"

namespace qv {
namespace {

constexpr std::int32_t kDefaultFontSize[8] = {12, 18, 14, 12, 11, 10, 9, 13};

// The font the context starts with before any setFont: that of font 0 at its default size.
CFontSpec fontSpecFor(std::int32_t fontId, std::int32_t style, std::int32_t size) {
    CFontSpec result;
    result.face = fontId == 7 ? CFontFace::kSymbol : CFontFace::kSans;
    result.pixelHeight = size;
    result.bold = (style & kFontStyleBold) != 0 || fontId == 0;
    result.italic = (style & kFontStyleItalic) != 0;
    result.underline = (style & kFontStyleUnderline) != 0;
    return result;
}

std::uint32_t blendAlpha(float colourAlpha, float globalAlpha) {
    const float a = colourAlpha * globalAlpha * 255.0f;
    if (!(a > 0.0f)) return 0;  // also NaN
    return a >= 255.0f ? 255u : static_cast<std::uint32_t>(a);
}

// (a * wa + b * (255 - wa)) / 255, rounded.
inline std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t wa) {
    const std::uint32_t v = a * wa + b * (255u - wa) + 128u;
    return (v + (v >> 8)) >> 8;
}

}  // namespace

CDrawContext::CDrawContext(CGuiWindow* owner) : window(owner), fontSpec(fontSpecFor(0, 0, kDefaultFontSize[0])) {}

CDrawContext::~CDrawContext() = default;

void CDrawContext::setSurface(const PixelSurface& target) {
    surface = target.isValid() ? target : PixelSurface{};
    clipDepth = 0;
    clipOverflow = false;
    outerClip = currentClip = CRect{};
}

bool CDrawContext::hasNoDC() const { return !surface.isValid(); }

bool CDrawContext::cannotDraw() const { return hasNoDC(); }

void CDrawContext::setBlendEnabled(bool on) { blendEnabled = on; }

void CDrawContext::setGlobalAlpha(float alpha) { globalAlpha = alpha; }

void CDrawContext::pushClipAt(const CPoint& offset, const CRect& rect) { pushClip(rectOffset(rect, offset.x, offset.y)); }

void CDrawContext::pushClipAt2(const CRect& rect, const CPoint& a, const CPoint& b) {
    pushClip(rectOffset(rect, a.x + b.x, a.y + b.y));
}

void CDrawContext::pushClip(const CRect& rect) {
    ++clipDepth;
    if (clipDepth > 2) {
        // Only two levels exist. The push is ignored but counted, so that its pop leaves the
        // clip of the second level in force.
        clipOverflow = true;
        return;
    }
    if (clipDepth == 1) {
        outerClip = rect;
        currentClip = rect;
    } else {
        currentClip = rectIntersection(rect, outerClip);
    }
}

void CDrawContext::popClip() {
    if (clipDepth == 0) return;
    if (clipDepth == 2) {
        currentClip = outerClip;
    } else if (clipDepth == 1) {
        currentClip = CRect{};
    }
    --clipDepth;
    if (clipDepth == 0) clipOverflow = false;
}

CRect CDrawContext::getClipRect() const {
    const CRect bounds{0, 0, surface.width, surface.height};
    return clipDepth == 0 ? bounds : rectIntersection(currentClip, bounds);
}

PixelSurface* CDrawContext::getTargetSurface() {
    if (cannotDraw()) return nullptr;
    noteDrawn(getClipRect());  // the caller draws within the clip
    return &surface;
}

const CRect* CDrawContext::getTargetClip() const { return clipDepth == 0 ? nullptr : &currentClip; }

void CDrawContext::noteDrawn(const CRect& area) { drawn = rectUnion(drawn, area); }

CRect CDrawContext::takeDrawnArea() { return std::exchange(drawn, CRect{}); }

void CDrawContext::paintRect(const CRect& rect, const CColor& colour) {
    const CRect area = rectIntersection(rect, getClipRect());
    if (rectIsEmpty(area)) return;
    noteDrawn(area);
    if (blendEnabled) {
        BlendRequest request;
        request.destination = &surface;
        request.clip = &area;
        request.position = CPoint{area.x, area.y};
        request.width = area.width;
        request.height = area.height;
        request.color = BlendColor{colour.redByte(), colour.greenByte(), colour.blueByte(), colour.alphaByte()};
        request.alpha = blendAlpha(colour.getAlpha(), globalAlpha);
        blend(request);
        return;
    }
    const std::uint32_t pixel = colour.brushPixel();
    for (std::int32_t y = area.y; y < area.y + area.height; ++y) {
        std::uint32_t* row = surface.row(y) + area.x;
        std::fill(row, row + area.width, pixel);
    }
}

void CDrawContext::fillRect(const CRect& rect, const CColor& colour) {
    if (cannotDraw() || !colour.hasBrush()) return;
    paintRect(rect, colour);
}

void CDrawContext::selectPen(const CColor& colour) {
    if (colour.hasPen()) penPixel = colour.brushPixel();
}

void CDrawContext::plot(std::int32_t x, std::int32_t y, std::uint32_t pixel, const CRect& clip) {
    if (rectContains(clip, x, y)) surface.row(y)[x] = pixel;
}

void CDrawContext::drawLine(const CPoint& a, const CPoint& b) {
    if (cannotDraw()) return;
    const CRect clip = getClipRect();
    if (rectIsEmpty(clip)) return;
    // The line's box within the clip (clamped before its size is taken, which could overflow).
    const std::int32_t left = std::max(std::min(a.x, b.x), clip.x);
    const std::int32_t right = std::min(std::max(a.x, b.x), clip.x + clip.width - 1);
    const std::int32_t low = std::max(std::min(a.y, b.y), clip.y);
    const std::int32_t high = std::min(std::max(a.y, b.y), clip.y + clip.height - 1);
    if (left > right || low > high) return;
    noteDrawn(CRect{left, low, right - left + 1, high - low + 1});
    // Bresenham, both ends included. The y flip of the device rows does not change which
    // pixels a line covers, so it runs in toolkit coordinates.
    std::int64_t x = a.x, y = a.y;
    const std::int64_t dx = std::abs(static_cast<std::int64_t>(b.x) - a.x);
    const std::int64_t dy = -std::abs(static_cast<std::int64_t>(b.y) - a.y);
    const std::int64_t sx = a.x < b.x ? 1 : -1;
    const std::int64_t sy = a.y < b.y ? 1 : -1;
    std::int64_t err = dx + dy;
    for (;;) {
        plot(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), penPixel, clip);
        if (x == b.x && y == b.y) break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void CDrawContext::drawLineColored(const CPoint& a, const CPoint& b, const CColor& colour) {
    selectPen(colour);
    drawLine(a, b);
}

void CDrawContext::drawPolyline(const CPoint* points, std::size_t count) {
    if (!points) return;
    if (count == 1) drawLine(points[0], points[0]);
    for (std::size_t i = 1; i < count; ++i) drawLine(points[i - 1], points[i]);
}

void CDrawContext::fillPolygon(const CPoint* points, std::size_t count, const CColor& colour) {
    if (cannotDraw() || !points || count < 3 || !colour.hasBrush()) return;
    const CRect clip = getClipRect();
    if (rectIsEmpty(clip)) return;
    std::int32_t lowY = points[0].y, highY = points[0].y;
    for (std::size_t i = 1; i < count; ++i) {
        lowY = std::min(lowY, points[i].y);
        highY = std::max(highY, points[i].y);
    }
    lowY = std::max(lowY, clip.y);
    highY = std::min(highY, clip.y + clip.height - 1);
    // Each row is sampled through its pixel centres; a pixel is inside when its centre is
    // (even-odd rule). Spans go through paintRect, so blending applies as for fillRect.
    for (std::int32_t y = lowY; y <= highY; ++y) {
        const double sy = y + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const CPoint& p = points[i];
            const CPoint& q = points[(i + 1) % count];
            if ((p.y <= sy && q.y > sy) || (q.y <= sy && p.y > sy)) {
                crossings.push_back(p.x + (sy - p.y) * (q.x - p.x) / static_cast<double>(q.y - p.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const auto first = static_cast<std::int64_t>(std::ceil(crossings[i] - 0.5));
            const auto end = static_cast<std::int64_t>(std::ceil(crossings[i + 1] - 0.5));
            const std::int64_t l = std::max<std::int64_t>(first, clip.x);
            const std::int64_t r = std::min<std::int64_t>(end, clip.x + clip.width);
            if (r > l) paintRect(CRect{static_cast<std::int32_t>(l), y, static_cast<std::int32_t>(r - l), 1}, colour);
        }
    }
}

void CDrawContext::setFont(std::int32_t id, std::int32_t style, std::int32_t size) {
    if (id < 0 || id > 7) id = 0;
    if (id == fontId && style == fontStyle && size == fontSize) return;
    const std::int32_t pixels = size < 1 ? kDefaultFontSize[id] : size;
    fontSpec = fontSpecFor(id, style, pixels);
    fontId = id;
    fontStyle = style;
    fontSize = pixels;
}

void CDrawContext::ensureRenderer() {
    if (!renderer) renderer = createTextRenderer();
    if (renderer) renderer->selectFont(fontSpec);
}

std::int32_t CDrawContext::measureText(const char* text) {
    ensureRenderer();
    if (!renderer || !text) return 0;
    std::int32_t width = 0;
    for (const char* c = text; *c; ++c) width += renderer->charWidth(static_cast<unsigned char>(*c));
    return width;
}

void CDrawContext::drawTextInView(const char* text, const CWindowView& view, const CColor& colour, std::int32_t align) {
    drawText(text, view.getRect(), colour, align);
}

void CDrawContext::drawText(const char* text, const CRect& rect, const CColor& colour, std::int32_t align) {
    if (cannotDraw() || !text) return;
    // The text box lies one row above the filled rectangle: toolkit rows y + 1 .. y + height.
    const CRect box{rect.x, rect.y + 1, rect.width, rect.height};
    const CRect area = rectIntersection(box, getClipRect());
    if (rectIsEmpty(area)) return;
    noteDrawn(area);
    ensureRenderer();
    if (!renderer) return;

    // End ellipsis: the longest start of the text that fits together with "...". The copy reuses
    // the context's buffer, so a pass allocates nothing once the longest text was drawn.
    std::string& shown = textBuffer;
    shown.assign(text);
    std::int32_t width = 0;
    for (unsigned char c : shown) width += renderer->charWidth(c);
    if (width > rect.width) {
        const std::int32_t dots = 3 * renderer->charWidth('.');
        std::int32_t used = 0;
        std::size_t keep = 0;
        while (keep < shown.size()) {
            const std::int32_t w = renderer->charWidth(static_cast<unsigned char>(shown[keep]));
            if (used + w + dots > rect.width) break;
            used += w;
            ++keep;
        }
        shown.resize(keep);
        shown += "...";
        width = used + dots;
    }

    const CFontMetrics m = renderer->metrics();
    const std::int32_t H = surface.height;
    // Device rows (from the top): the box spans boxTop .. boxTop + height - 1.
    const std::int32_t boxTop = H - rect.y - rect.height - 1;
    const std::int32_t textTop = boxTop + (rect.height - (m.ascent + m.descent)) / 2;
    std::int32_t penX = rect.x;
    if (align == kAlignCenter) {
        penX = rect.x + (rect.width - width) / 2;
    } else if (align == kAlignRight) {
        penX = rect.x + rect.width - width;
    }

    // Render into a coverage mask over the visible area only, then paint through it.
    const std::int32_t maskTop = H - area.y - area.height;  // device row of the mask's first row
    maskBuffer.assign(static_cast<std::size_t>(area.width) * area.height, 0);
    const CCoverageMask mask{maskBuffer.data(), area.width, area.height};
    renderer->renderRun(shown.data(), shown.size(), penX - area.x, textTop + m.ascent - maskTop, mask);

    const std::uint32_t r = colour.redByte(), g = colour.greenByte(), b = colour.blueByte();
    for (std::int32_t my = 0; my < area.height; ++my) {
        const std::uint8_t* cov = maskBuffer.data() + static_cast<std::size_t>(my) * area.width;
        std::uint32_t* row = surface.row(H - 1 - (maskTop + my)) + area.x;
        for (std::int32_t mx = 0; mx < area.width; ++mx) {
            const std::uint32_t c = cov[mx];
            if (c == 0) continue;
            const std::uint32_t d = row[mx];
            row[mx] = c == 255 ? packPixel(b, g, r, 255)
                               : packPixel(mix(b, pixelBlue(d), c), mix(g, pixelGreen(d), c), mix(r, pixelRed(d), c),
                                           mix(255, pixelAlpha(d), c));
        }
    }
}

}  // namespace qv
