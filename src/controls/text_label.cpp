#include "controls/text_label.h"

#include "gui/draw_context.h"

namespace qv {

CTextLabel::CTextLabel(CViewOwner* viewOwner, const CRect& r, std::uint32_t viewTag) : CView(viewOwner, viewTag) {
    rect = r;
    transparent = true;
}

CTextLabel::~CTextLabel() = default;

void CTextLabel::draw(CDrawState state) {
    CDrawContext* dc = contextFor(state);
    if (dc) drawLabelText(*dc, windowRect());
}

void CTextLabel::drawLabelText(CDrawContext& dc, const CRect& box, const char* text) {
    dc.setFont(static_cast<std::int32_t>(font), static_cast<std::int32_t>(fontStyle), static_cast<std::int32_t>(fontSize));
    std::lock_guard<std::mutex> hold(lock);
    dc.drawText(text ? text : texts[active].c_str(), box, colour, static_cast<std::int32_t>(alignment));
}

void CTextLabel::setText(const std::string& text) {
    std::lock_guard<std::mutex> writer(writeLock);
    // Only writers change which buffer is shown, so reading `active` here needs no lock, and
    // no paint reads the other buffer: a paint holds `lock` across its read.
    const std::uint32_t spare = 1 - active;
    texts[spare] = text;
    {
        std::lock_guard<std::mutex> hold(lock);
        active = spare;
    }
    setUpdate();
}

std::string CTextLabel::getText() const {
    std::lock_guard<std::mutex> hold(lock);
    return texts[active];
}

void CTextLabel::setTextColor(float red, float green, float blue, float alpha) {
    {
        std::lock_guard<std::mutex> hold(lock);
        colour.set(red, green, blue, alpha, kColorPenAndBrush);
    }
    setUpdate();
}

void CTextLabel::setFont(std::uint32_t fontId, std::uint32_t style, std::uint32_t size) {
    font = fontId;
    fontStyle = style;
    fontSize = size;
}

}  // namespace qv
