#include "controls/overlay_text_box.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "gui/draw_context.h"
#include "gui/key_codes.h"
#include "gui/rect_math.h"

namespace qv {

namespace {

constexpr std::int32_t kMargin = 2;  // pixels between the border and the text

}  // namespace

COverlayTextBox::COverlayTextBox(Client& c) : client(c) {}

void COverlayTextBox::open(CGuiWindow* w, const CRect& r, const std::string& t, std::uint32_t fontId,
                           std::uint32_t style, std::uint32_t size, std::uint32_t align) {
    text = t.substr(0, std::min(t.size(), kMaxLength));
    caret = text.size();
    scroll = 0;
    font = fontId;
    fontStyle = style;
    fontSize = size;
    alignment = align;
    attach(w);
    box = keepInside(r);
}

void COverlayTextBox::finish(bool commit) {
    // Closed before the client hears of it: the client may reopen the box from the callback.
    const std::string result = text;
    detach();
    client.textBoxClosed(commit, result);
}

void COverlayTextBox::onMouseDown(std::int32_t, std::int32_t, std::int32_t x, std::int32_t y) {
    if (!isOpen()) return;
    if (!rectContains(box, x, y)) {
        finish(true);
        return;
    }
    recapture();
    CDrawContext* dc = context();
    if (!dc) return;
    // The caret goes to the character boundary nearest the press.
    dc->setFont(static_cast<std::int32_t>(font), static_cast<std::int32_t>(fontStyle), static_cast<std::int32_t>(fontSize));
    const std::int32_t left = textLeft(*dc);
    std::size_t best = 0;
    std::int32_t bestDistance = INT_MAX;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const std::int32_t edge = left + dc->measureText(text.substr(0, i).c_str());
        const std::int32_t distance = std::abs(edge - x);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    caret = best;
}

bool COverlayTextBox::onKeyDown(std::uint32_t key) {
    if (!isOpen()) return false;
    switch (key) {
        case kKeyReturn: finish(true); return true;
        case kKeyEscape: finish(false); return true;
        case kKeyBackspace:
            if (caret > 0) text.erase(--caret, 1);
            return true;
        case kKeyDelete:
            if (caret < text.size()) text.erase(caret, 1);
            return true;
        case kKeyLeft: caret -= caret > 0 ? 1 : 0; return true;
        case kKeyRight: caret += caret < text.size() ? 1 : 0; return true;
        case kKeyHome: caret = 0; return true;
        case kKeyEnd: caret = text.size(); return true;
        default: break;
    }
    // Printable Windows-1252 characters; control codes and the special keys above 255 are not.
    if (key < 32 || key > 255) return false;
    if (text.size() >= kMaxLength) return true;
    text.insert(caret++, 1, static_cast<char>(key));
    return true;
}

std::int32_t COverlayTextBox::textLeft(CDrawContext& dc) {
    const std::int32_t inner = std::max(0, box.width - 2 * kMargin);
    const std::int32_t full = dc.measureText(text.c_str());
    const std::int32_t atCaret = dc.measureText(text.substr(0, caret).c_str());
    if (full <= inner) {
        scroll = 0;
        std::int32_t offset = 0;
        if (alignment == kAlignRight) offset = inner - full;
        if (alignment == kAlignCenter) offset = (inner - full) / 2;
        return box.x + kMargin + offset;
    }
    // Too wide: scroll just enough to keep the caret inside.
    scroll = std::clamp(scroll, std::max(0, atCaret - inner + 1), atCaret);
    scroll = std::min(scroll, full - inner + 1);
    return box.x + kMargin - scroll;
}

void COverlayTextBox::draw(CDrawState) {
    CDrawContext* dc = context();
    if (!isOpen() || !dc) return;
    dc->fillRect(box, ink);
    const CRect inside{box.x + 1, box.y + 1, box.width - 2, box.height - 2};
    dc->fillRect(inside, paper);
    dc->setFont(static_cast<std::int32_t>(font), static_cast<std::int32_t>(fontStyle), static_cast<std::int32_t>(fontSize));
    const std::int32_t left = textLeft(*dc);
    const std::int32_t width = dc->measureText(text.c_str());
    dc->pushClip(inside);
    // Left-aligned in a rectangle as wide as the text, so it is never cut short with "...".
    dc->drawText(text.c_str(), CRect{left, inside.y, width + 4, inside.height}, ink, kAlignLeft);
    const std::int32_t x = left + dc->measureText(text.substr(0, caret).c_str());
    dc->drawLineColored(CPoint{x, inside.y + 1}, CPoint{x, inside.y + inside.height - 2}, ink);
    dc->popClip();
}

}  // namespace qv
