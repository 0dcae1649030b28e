// A text label the user can edit: a press opens a one-line box over the field, Enter takes the
// typed text (it becomes the committed text, and the shown one unless told otherwise, and the
// owner is notified with force), Escape drops it. On Win32 the box is the system's edit control;
// elsewhere it is an overlay drawn inside the editor. While closed the field draws as a label.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/overlay_text_box.h"
#include "controls/text_label.h"
#include "gui/native/native_popups.h"

namespace qv {

class CTextEdit : public CTextLabel, private COverlayTextBox::Client, private CNativeEditClient {
public:
    CTextEdit(CViewOwner* owner, const CRect& rect, std::uint32_t tag);
    ~CTextEdit() override;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    // Closes an open box without taking its text.
    void cancelEditing() override;
    // A field that is hidden closes its box first.
    void setShown(bool on) override;
    void setVisible(bool on) override;

    virtual void setCaption(const std::string& text) { caption = text; }
    virtual std::string getCaption() const { return caption; }
    virtual void setUseEditSource(bool on) { useEditSource = on; }
    virtual void setShowCommitted(bool on) { showCommitted = on; }
    virtual void setEditSource(const std::string& text) { editSource = text; }
    // The box's starting text: the edit source when used, else the shown text.
    virtual std::string getEditText() const;
    virtual std::string getCommittedText() const { return committedText; }
    virtual bool isEditing() const { return editing; }
    // Opens the box (closing an open one without taking it). Nothing happens when the field is
    // not in an open window or the box cannot be made.
    virtual void openEditor();
    // Closes the box; with commit its text (at most 255 characters) is taken.
    virtual void closeEditor(bool commit);
    virtual void setEditAlignment(std::uint32_t code) { editAlignment = code; }
    virtual std::uint32_t getEditAlignment() const { return editAlignment; }
    // Place and size of the box relative to the field's lower-left corner, used with useEditRect.
    virtual void setEditRect(const CRect& r) { editRect = r; }
    virtual void setUseEditRect(bool on) { useEditRect = on; }
    // Closes an open box, taking its text when keep is true; editing ends in any case.
    virtual void endEditing(bool keep);

    // The open overlay box, for looking at it; null while closed or native.
    const COverlayTextBox* getOverlay() const { return overlay.isOpen() ? &overlay : nullptr; }

private:
    void textBoxClosed(bool commit, const std::string& text) override;
    void editBoxKey(bool commit) override;
    void take(const std::string& text);

    bool editing = false;
    std::uint32_t editAlignment = 2;
    bool useEditSource = false;
    bool showCommitted = true;
    std::string caption;
    std::string editSource;
    std::string committedText;
    CRect editRect{};
    bool useEditRect = false;
    std::unique_ptr<CNativeEditBox> nativeBox;
    COverlayTextBox overlay{*this};
};

}  // namespace qv
