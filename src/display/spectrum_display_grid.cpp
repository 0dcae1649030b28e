// Static parts of CSpectrumDisplay: the background, the level grid with its labels for one scale,
// stripes or a stack, and the frequency labels of both modes.
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "controls/dib_view.h"
#include "display/spectrum_display.h"
#include "gui/draw_context.h"

namespace qv {

namespace {

// Spans beyond this are not gridded (absurd ranges would give millions of lines).
constexpr std::int32_t kMaxGridSpan = 2000;

void label(CDrawContext& dc, std::int64_t value, const CRect& box, const CColor& colour) {
    char text[24];
    std::snprintf(text, sizeof(text), "%" PRId64, value);
    dc.drawText(text, box, colour, kAlignCenter);
}

}  // namespace

void CSpectrumDisplay::drawBandStatic(CDrawContext& dc) {
    dc.fillRect(windowRect(), *background);
    const CPoint g = graphOrigin();
    drawLevelGrid(dc, g, false);
    const std::int32_t pitch = barRect.width + barGap;
    for (std::uint32_t b = 0; b < kBands; ++b) {
        const std::int32_t centre = g.x + static_cast<std::int32_t>(b) * pitch + barRect.width / 2;
        const CRect box{centre - barRect.width, g.y - (b % 2 == 0 ? 25 : 15), 2 * barRect.width, 10};
        dc.drawText(display::bandLabel(b), box, *white, kAlignCenter);
    }
}

// One scale, one scale per stripe, or the stack's relative scale, by the layout.
void CSpectrumDisplay::drawLevelGrid(CDrawContext& dc, CPoint g, bool fftStyle) {
    dc.setFont(3, 0, 10);
    const display::LevelSpan span = display::levelSpan(levelTop, levelBottom);
    const std::int32_t range = span.range();
    if (range <= 0 || range > kMaxGridSpan) return;
    const std::int32_t n = static_cast<std::int32_t>(layoutCount());
    if (n < 2 || alignMode == 0 || alignMode == 3) {
        drawLevelLines(dc, g, 0, graphH, display::singleScaleStep(range), span.bottom, range, fftStyle, 10);
        return;
    }
    const std::int32_t step = display::sharedScaleStep(range, graphs);
    if (alignMode == 2) {
        const std::int32_t h = graphH / n;
        for (std::int32_t j = 0; j < n; ++j) drawLevelLines(dc, g, j * h, h, step, span.bottom, range, fftStyle, 10);
        return;
    }
    // Stacked: the scale counts the span from 0 to n x R; lines at multiples of R are white.
    drawLevelLines(dc, g, 0, graphH, step, 0, range * n, fftStyle, range);
    // Band slots are refilled every frame, so band mode writes the range after its bars.
    if (fftStyle) drawStackRange(dc, g);
}

// The level range of one graph of the stack, at the top right inside the graph.
void CSpectrumDisplay::drawStackRange(CDrawContext& dc, CPoint g) {
    const display::LevelSpan span = display::levelSpan(levelTop, levelBottom);
    const std::int32_t right = g.x + graphW - 28;
    const std::int32_t top = g.y + graphH - 13;
    dc.setFont(3, 0, 10);
    label(dc, span.top, CRect{right, top, 24, 13}, *white);
    dc.drawText("to", CRect{right, top - 15, 24, 13}, *white, kAlignCenter);
    label(dc, span.bottom, CRect{right, top - 30, 24, 13}, *white);
}

// Lines from the bottom value (aligned to its remainder by 10) up by `step` over `valueSpan` dB,
// drawn in the band [base, base + height) of the graph.
void CSpectrumDisplay::drawLevelLines(CDrawContext& dc, CPoint g, std::int32_t base, std::int32_t height,
                                      std::int32_t step, std::int32_t bottom, std::int32_t valueSpan, bool fftStyle,
                                      std::int32_t whiteEvery) {
    if (height <= 0 || step <= 0 || valueSpan <= 0) return;
    const std::int32_t labelLeft = fftStyle ? 26 : 24;
    const std::int32_t shift = (barRect.width + barGap) * static_cast<std::int32_t>(kBands) + 27;
    for (std::int32_t v = bottom + std::abs(bottom % 10); v <= bottom + valueSpan; v += step) {
        const std::int64_t y64 = static_cast<std::int64_t>(v - bottom) * height / valueSpan;
        const std::int32_t y = static_cast<std::int32_t>(std::min<std::int64_t>(y64, height - 1)) + base + g.y;
        const bool major = whiteEvery > 0 && v % whiteEvery == 0;
        const CColor* line = fftStyle ? (major ? grey60.get() : grey50.get()) : (major ? white.get() : grey70.get());
        const CColor* text = fftStyle ? (major ? white.get() : grey60.get()) : line;
        dc.drawLineColored(CPoint{g.x, y}, CPoint{g.x + graphW - 1, y}, *line);
        label(dc, v, CRect{g.x - labelLeft, y - 6, 21, 13}, *text);
        label(dc, v, CRect{g.x - labelLeft + shift, y - 6, 21, 13}, *text);
    }
}

void CSpectrumDisplay::drawFftFrequencyGrid(CDrawContext& dc, CPoint g) {
    const display::FrequencyAxis axis(freqMin, freqMax, graphW);
    if (!axis.valid()) return;
    for (double f = 10.0; f <= 100000.0; f += f < 100.0 ? 10.0 : (f < 1000.0 ? 100.0 : (f < 10000.0 ? 1000.0 : 10000.0))) {
        const std::int32_t x = axis.columnOf(f);
        if (x >= 0) dc.drawLineColored(CPoint{g.x + x, g.y}, CPoint{g.x + x, g.y + graphH - 1}, *grey50);
    }
    const auto freqLabel = [&](double f) {
        const std::int32_t x = axis.columnOf(f);
        if (x < 0) return;
        char text[24];
        const auto whole = static_cast<std::int64_t>(f);
        if (whole < 1000) {
            std::snprintf(text, sizeof(text), "%" PRId64, whole);
        } else {
            std::snprintf(text, sizeof(text), "%" PRId64 "k", whole / 1000);
        }
        dc.drawText(text, CRect{g.x + x - 14, g.y - 25, 28, 16}, *white, kAlignCenter);
    };
    static constexpr double kLabelled[] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000};
    const bool startsAt90 = std::fabs(freqMin - 90.0f) < 0.5f;
    freqLabel(freqMin);
    for (double f : kLabelled) {
        if (f <= freqMin || f >= freqMax) continue;
        if (f == 100.0 && startsAt90) continue;
        freqLabel(f);
    }
    freqLabel(freqMax);
}

// The FFT background layer: fills, frequency lines and labels, the level grid; committed once
// and then blitted every frame.
void CSpectrumDisplay::drawFftBackground() {
    CDrawContext* dc = gridLayer->getDrawContext();
    if (!dc) return;
    dc->fillRect(CRect{0, 0, rect.width, rect.height}, *background);
    dc->fillRect(CRect{barRect.x, barRect.y, graphW, graphH}, *slotColour);
    const CPoint g{barRect.x, barRect.y};
    dc->setFont(3, 0, 10);
    drawFftFrequencyGrid(*dc, g);
    drawLevelGrid(*dc, g, true);
    gridLayer->commit(true);
}

}  // namespace qv
