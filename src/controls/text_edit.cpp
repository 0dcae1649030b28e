#include "controls/text_edit.h"

#include <algorithm>

#include "gui/gui_window.h"

namespace qv {

CTextEdit::CTextEdit(CViewOwner* viewOwner, const CRect& r, std::uint32_t viewTag) : CTextLabel(viewOwner, r, viewTag) {
    mouseEnabled = true;
}

CTextEdit::~CTextEdit() { endEditing(false); }

void CTextEdit::onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { openEditor(); }

void CTextEdit::cancelEditing() { endEditing(false); }

void CTextEdit::setShown(bool on) {
    if (!on) endEditing(false);
    CTextLabel::setShown(on);
}

void CTextEdit::setVisible(bool on) {
    if (!on) endEditing(false);
    CTextLabel::setVisible(on);
}

std::string CTextEdit::getEditText() const { return useEditSource ? editSource : getText(); }

void CTextEdit::openEditor() {
    if (editing) closeEditor(false);
    CGuiWindow* window = container ? container->getWindow() : nullptr;
    if (!window || !window->isOpen()) return;
    const CRect field = windowRect();
    const CRect offset = useEditRect ? editRect : CRect{0, 0, field.width, field.height};
    if (CNativePopups* popups = nativePopupsFor(window)) {
        CNativeEditRequest request;
        request.window = window->getNativeHandle();
        request.parent = window->getParentWindow();
        // The field's lower-left corner in window pixels; the offset's y points up.
        request.anchor = CPoint{field.x + offset.x, window->getHeight() - 1 - (field.y + offset.y)};
        request.width = offset.width;
        request.height = offset.height;
        request.alignment = editAlignment;
        request.font = getFont();
        request.fontStyle = getFontStyle();
        request.fontSize = getFontSize();
        request.text = getEditText();
        nativeBox = popups->openEditBox(request, this);
        editing = nativeBox != nullptr;
        return;
    }
    const CRect box{field.x + offset.x, field.y + offset.y, offset.width + 1, offset.height + 1};
    overlay.open(window, box, getEditText(), getFont(), getFontStyle(), getFontSize(), editAlignment);
    editing = overlay.isOpen();
}

void CTextEdit::closeEditor(bool commit) {
    if (!editing) return;
    editing = false;
    if (nativeBox) {
        // Read before the box goes; the box may be destroyed from inside its own key handler.
        std::unique_ptr<CNativeEditBox> box = std::move(nativeBox);
        const std::string text = commit ? box->text() : std::string();
        box.reset();
        if (commit) take(text);
    } else if (overlay.isOpen()) {
        const std::string text = overlay.getText();
        overlay.close();
        if (commit) take(text);
    }
}

void CTextEdit::endEditing(bool keep) {
    // Keeping takes the text: a box left open with editing ended could never close again.
    if (editing) closeEditor(keep);
    editing = false;
    nativeBox.reset();
    overlay.close();
}

void CTextEdit::textBoxClosed(bool commit, const std::string& text) {
    if (!editing) return;
    editing = false;
    if (commit) take(text);
}

void CTextEdit::editBoxKey(bool commit) { closeEditor(commit); }

void CTextEdit::take(const std::string& text) {
    committedText = text.substr(0, std::min<std::size_t>(text.size(), COverlayTextBox::kMaxLength));
    if (showCommitted) setText(committedText);
    notifyOwner(true);
}

}  // namespace qv
