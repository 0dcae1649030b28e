// A rectangle filled with a colour; a left press lets the user pick another: the system colour
// dialog on Win32 (modal, inside the press), an overlay picker elsewhere (answering later). A
// picked colour becomes the field's colour (alpha 1) and the owner is notified with force. Every
// picker starts at the last colour set on any colour field of the process, and the dialog's 16
// custom colours are kept between dialogs.
//
// Closing the editor (cancelEditing) ends an open picker without acting on it and keeps the field
// from acting on any later answer. A dialog that returns into an editor the host closed meanwhile
// touches nothing: the press checks a flag that outlives the field.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "controls/overlay_color_picker.h"
#include "controls/view.h"
#include "gui/color.h"
#include "gui/native/native_popups.h"

namespace qv {

class CColorChooser : public CView, private COverlayColorPicker::Client, private CNativeDialogClient {
public:
    CColorChooser(CViewOwner* owner, std::uint32_t tag, const CRect& rect);
    ~CColorChooser() override;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t, std::int32_t, std::int32_t) override {}
    // Ends an open picker or dialog as cancelled; later answers are ignored.
    void cancelEditing() override;
    void draw(CDrawState state) override;
    // Hiding the field closes an open picker without acting on it.
    void setShown(bool on) override;
    void setVisible(bool on) override;

    // Red, green, blue, alpha, each clamped to 0..1 (NaN as 0); then updatePaint.
    virtual void setColor(const float rgba[4]);
    // The colour's red, green and blue (alpha 1) become the drawn fill and the process's last
    // colour; a redraw.
    virtual void updatePaint();
    virtual void getColor(float rgba[4]) const;

    // The last colour set on any field, 0x00BBGGRR, and the dialog's custom colours.
    static std::uint32_t getLastColor();
    static const std::uint32_t* getCustomColors();

    // The open overlay picker, for looking at it; null while closed or native.
    COverlayColorPicker* getOverlay() { return overlay.isOpen() ? &overlay : nullptr; }

private:
    void colorPicked(const CRgb& colour) override;
    void dialogOpened(void* dialog) override { dialogWindow = dialog; }
    void closePicker();
    void take(std::uint32_t rgb);

    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    CColor paints[2] = {CColor{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorBrush},
                        CColor{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorBrush}};
    std::uint32_t activePaint = 0;
    bool cancelled = false;
    void* dialogWindow = nullptr;
    CNativePopups* dialogOwner = nullptr;
    // Shared with a press waiting in a modal dialog, which may outlive the field.
    std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);
    COverlayColorPicker overlay{*this};
};

}  // namespace qv
