// What the display paints over the graph besides the spectra: the note label beside the cursor
// and a notice at the top of the graph; and the right press that asks for the graph's menu.
#include <algorithm>

#include "display/note_name.h"
#include "display/spectrum_display.h"
#include "gui/draw_context.h"
#include "gui/rect_math.h"

namespace qv {

namespace {

constexpr std::int32_t kFont = 3, kFontSize = 10;
constexpr std::int32_t kPlateHeight = 15, kPad = 4;
constexpr std::int32_t kCursorGap = 10;  // between the cross-hair and the label

}  // namespace

bool CSpectrumDisplay::takeMenuRequest(CPoint& at) {
    if (!graphOverlay.menuRequested) return false;
    graphOverlay.menuRequested = false;
    at = graphOverlay.menuPoint;
    return true;
}

void CSpectrumDisplay::showNotice(const std::string& text, float ms) {
    graphOverlay.notice = text;
    graphOverlay.noticeMs = text.empty() ? 0.0f : ms;
}

void CSpectrumDisplay::planOverlays(CDrawState state) {
    if (!graphOverlay.areaPass && state.mode == kDrawRefresh && graphOverlay.noticeMs > 0.0f) {
        graphOverlay.noticeMs = std::max(0.0f, graphOverlay.noticeMs - frameMs());
    }
    CDrawContext* dc = contextFor(state);
    if (!dc) return;
    if (!graphOverlay.plate) {
        graphOverlay.plate = std::make_unique<CColor>(nullptr, 0.1f, 0.1f, 0.1f, 1.0f, kColorBrush);
        graphOverlay.ink = std::make_unique<CColor>(nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPen);
    }
    dc->setFont(kFont, 0, kFontSize);
    const CPoint g = graphOrigin();
    const CRect graph{g.x, g.y, graphW, graphH};
    OverlayText& note = graphOverlay.wanted[0];
    note = OverlayText{};
    const CPoint c = graphOverlay.cursor;
    if (noteNames && measuring && readFrequency > 0.0f && c.x >= 0 && c.x < graphW && c.y >= 0 && c.y < graphH) {
        note.text = display::noteName(readFrequency);
    }
    if (!note.text.empty()) {
        // Right of and above the cross-hair; left of it near the right edge, below it near the top.
        const std::int32_t w = std::min(dc->measureText(note.text.c_str()) + 2 * kPad, graphW);
        std::int32_t x = c.x + kCursorGap;
        if (x + w > graphW) x = c.x - kCursorGap - w;
        std::int32_t y = c.y + kCursorGap;
        if (y + kPlateHeight > graphH) y = c.y - kCursorGap - kPlateHeight;
        x = std::clamp(x, 0, std::max(0, graphW - w));
        y = std::clamp(y, 0, std::max(0, graphH - kPlateHeight));
        note.rect = CRect{graph.x + x, graph.y + y, w, std::min(kPlateHeight, graphH)};
    }
    OverlayText& notice = graphOverlay.wanted[1];
    notice = OverlayText{};
    if (graphOverlay.noticeMs > 0.0f) {
        // Too wide for the graph, the notice keeps its end: a path's file name matters most.
        if (graphOverlay.fittedFrom != graphOverlay.notice) {
            const std::int32_t room = graphW - 4 * kPad;
            graphOverlay.fitted = graphOverlay.fittedFrom = graphOverlay.notice;
            for (std::size_t cut = 1; dc->measureText(graphOverlay.fitted.c_str()) > room && cut < graphOverlay.notice.size(); ++cut) {
                graphOverlay.fitted = "..." + graphOverlay.notice.substr(cut);
            }
        }
        notice.text = graphOverlay.fitted;
        const std::int32_t w = dc->measureText(notice.text.c_str()) + 2 * kPad;
        notice.rect = CRect{graph.x + kPad, graph.y + graphH - kPad - kPlateHeight, std::max(w, 0), kPlateHeight};
    }
    for (int i = 0; i < 2; ++i) {
        const OverlayText& a = graphOverlay.wanted[i];
        const OverlayText& b = graphOverlay.painted[i];
        if ((a.text == b.text && rectsEqual(a.rect, b.rect)) || b.text.empty()) continue;
        // The old text goes: the graph is painted afresh under where it was.
        if (fftMode == 0) {
            backgroundDirty = true;
        } else {
            repaintRequested = true;
        }
    }
}

void CSpectrumDisplay::paintOverlays(CDrawState state) {
    CDrawContext* dc = contextFor(state);
    if (!dc || !graphOverlay.plate) return;
    for (int i = 0; i < 2; ++i) {
        const OverlayText& t = graphOverlay.wanted[i];
        graphOverlay.painted[i] = t;
        if (t.text.empty()) continue;
        dc->fillRect(t.rect, *graphOverlay.plate);
        dc->setFont(kFont, 0, kFontSize);
        // Text boxes lie one row above their rectangle: this one covers the plate's rows.
        dc->drawText(t.text.c_str(), CRect{t.rect.x + kPad, t.rect.y - 1, t.rect.width - 2 * kPad, t.rect.height},
                     *graphOverlay.ink, kAlignLeft);
    }
}

}  // namespace qv
