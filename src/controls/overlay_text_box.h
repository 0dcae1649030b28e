// The single-line text box a text field opens inside the editor window where there is no native
// edit box: the field's font, a caret, typing (Windows-1252 bytes, as the window's keys come),
// Backspace, Delete, Home, End, left and right, at most 255 characters, horizontal scrolling
// that keeps the caret in sight. Enter takes the text, Escape drops it, a press outside the box
// takes it, as a native box losing the focus does.
#pragma once

#include <cstdint>
#include <string>

#include "controls/overlay_view.h"
#include "gui/color.h"

namespace qv {

class COverlayTextBox : public COverlayView {
public:
    static constexpr std::size_t kMaxLength = 255;

    class Client {
    public:
        virtual ~Client() = default;
        // The box has closed itself: commit with its text, or not. The client may open it again.
        virtual void textBoxClosed(bool commit, const std::string& text) = 0;
    };

    explicit COverlayTextBox(Client& client);

    // Shows the box at `box` (window toolkit coordinates, kept inside the window) with `text`
    // (cut to 255 characters), the caret at its end. Font and alignment as the label's.
    void open(CGuiWindow* window, const CRect& box, const std::string& text, std::uint32_t font,
              std::uint32_t fontStyle, std::uint32_t fontSize, std::uint32_t alignment);
    // Closes without telling the client.
    void close() { detach(); }

    const std::string& getText() const { return text; }
    std::size_t getCaret() const { return caret; }
    CRect getBox() const { return box; }

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    bool onKeyDown(std::uint32_t key) override;
    void draw(CDrawState state) override;

private:
    void finish(bool commit);
    // The x of the text's first pixel for the current scroll and alignment.
    std::int32_t textLeft(CDrawContext& dc);

    Client& client;
    std::string text;
    std::size_t caret = 0;
    CRect box{};
    std::uint32_t font = 0;
    std::uint32_t fontStyle = 0;
    std::uint32_t fontSize = 0;
    std::uint32_t alignment = 0;
    std::int32_t scroll = 0;  // pixels of text scrolled out at the left
    CColor paper{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPenAndBrush};
    CColor ink{nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush};
};

}  // namespace qv
