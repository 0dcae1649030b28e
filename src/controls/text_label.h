// A line of text in a rectangle: instance names, readouts, version text. It is transparent, so
// the views beneath are repainted before the text and a new text leaves no trace of the old.
// The text and its colour may be set from another thread while a pass draws: a writer fills the
// buffer that is not shown and then flips the active one, so a paint draws the old or the new
// text whole, never a mixture. Base of the text-entry field and the popup menu.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "controls/view.h"
#include "gui/color.h"

namespace qv {

class CTextLabel : public CView {
public:
    CTextLabel(CViewOwner* owner, const CRect& rect, std::uint32_t tag);
    ~CTextLabel() override;

    void draw(CDrawState state) override;

    // Copies into the buffer not shown, makes it the shown one, requests a redraw. Any thread.
    virtual void setText(const std::string& text);
    // A copy of the text shown.
    virtual std::string getText() const;
    // Components 0..1; then a redraw. Any thread.
    virtual void setTextColor(float red, float green, float blue, float alpha);
    // Font identifier, style flags and size of the drawing context's setFont.
    virtual void setFont(std::uint32_t font, std::uint32_t style, std::uint32_t size);
    virtual void setFontSize(std::uint32_t size) { fontSize = size; }
    virtual std::uint32_t getFontSize() const { return fontSize; }
    // kAlignLeft, kAlignRight or kAlignCenter of the drawing context.
    virtual void setAlignment(std::uint32_t code) { alignment = code; }

    std::uint32_t getFont() const { return font; }
    std::uint32_t getFontStyle() const { return fontStyle; }
    std::uint32_t getAlignment() const { return alignment; }

protected:
    // Selects the label's font and draws `text` in `box` (window coordinates) with the label's
    // colour and alignment; the shown text when text is null. For derived fields that draw the
    // text elsewhere or another string (a field being edited).
    void drawLabelText(CDrawContext& dc, const CRect& box, const char* text = nullptr);

private:
    // Guards the active index, the colour and the shown buffer while it is drawn; a writer holds
    // it only for the flip. writeLock keeps writers one at a time.
    mutable std::mutex lock;
    std::mutex writeLock;
    std::string texts[2];
    std::uint32_t active = 0;
    CColor colour{nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush};
    std::uint32_t font = 3;
    std::uint32_t fontStyle = 0;
    std::uint32_t fontSize = 10;
    std::uint32_t alignment = 2;
};

}  // namespace qv
