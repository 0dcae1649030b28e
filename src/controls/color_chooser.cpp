#include "controls/color_chooser.h"

#include <algorithm>

#include "gui/draw_context.h"
#include "gui/gui_window.h"

namespace qv {

namespace {

std::uint32_t lastColor = 0x00FFFFFFu;
std::uint32_t customColors[16] = {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu,
                                  0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu,
                                  0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};

std::uint32_t toRgb(float red, float green, float blue) {
    return static_cast<std::uint32_t>(red * 255.0f) | static_cast<std::uint32_t>(green * 255.0f) << 8 |
           static_cast<std::uint32_t>(blue * 255.0f) << 16;
}

CRgb fromRgb(std::uint32_t rgb) {
    return CRgb{static_cast<float>(rgb & 0xFFu) / 255.0f, static_cast<float>(rgb >> 8 & 0xFFu) / 255.0f,
                static_cast<float>(rgb >> 16 & 0xFFu) / 255.0f};
}

}  // namespace

CColorChooser::CColorChooser(CViewOwner* viewOwner, std::uint32_t viewTag, const CRect& r) : CView(viewOwner, viewTag) {
    rect = r;
    mouseEnabled = true;
}

CColorChooser::~CColorChooser() {
    alive->store(false);
    closePicker();
}

std::uint32_t CColorChooser::getLastColor() { return lastColor; }
const std::uint32_t* CColorChooser::getCustomColors() { return customColors; }

void CColorChooser::setColor(const float rgba[4]) {
    for (int i = 0; i < 4; ++i) colour[i] = clampChannel(rgba[i]);
    updatePaint();
}

void CColorChooser::getColor(float rgba[4]) const { std::copy(colour, colour + 4, rgba); }

void CColorChooser::updatePaint() {
    const std::uint32_t spare = 1 - activePaint;
    paints[spare].set(colour[0], colour[1], colour[2], 1.0f, kColorBrush);
    activePaint = spare;
    lastColor = toRgb(colour[0], colour[1], colour[2]);
    setUpdate();
}

void CColorChooser::draw(CDrawState state) {
    if (CDrawContext* dc = contextFor(state)) dc->fillRect(windowRect(), paints[activePaint]);
}

void CColorChooser::onMouseDown(std::int32_t button, std::int32_t, std::int32_t, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (button != kMouseLeft || cancelled || overlay.isOpen()) return;
    CGuiWindow* window = container ? container->getWindow() : nullptr;
    if (!window || !window->isOpen()) return;
    dialogWindow = nullptr;
    if (CNativePopups* popups = nativePopupsFor(window)) {
        // The dialog runs its own message loop here; the editor may be closed and this field
        // deleted before it returns, so afterwards only the shared flag is read first.
        const std::shared_ptr<std::atomic<bool>> living = alive;
        dialogOwner = popups;
        std::uint32_t rgb = lastColor;
        const bool ok = popups->chooseColor(window->getParentWindow(), rgb, customColors, this);
        if (!living->load()) return;
        // The field still lives, so its window does; but an editor closed during the dialog
        // (its release waits for this press to return) takes no answer.
        dialogWindow = nullptr;
        dialogOwner = nullptr;
        if (ok && !cancelled && window->isOpen()) take(rgb);
        return;
    }
    overlay.open(window, windowRect(), fromRgb(lastColor), CRgb{colour[0], colour[1], colour[2]});
}

void CColorChooser::colorPicked(const CRgb& picked) {
    if (cancelled || !alive->load()) return;
    take(toRgb(clampChannel(picked.red), clampChannel(picked.green), clampChannel(picked.blue)));
}

void CColorChooser::take(std::uint32_t rgb) {
    lastColor = rgb;
    const CRgb c = fromRgb(rgb);
    colour[0] = c.red;
    colour[1] = c.green;
    colour[2] = c.blue;
    colour[3] = 1.0f;
    updatePaint();
    notifyOwner(true);
}

void CColorChooser::closePicker() {
    overlay.close();
    if (dialogWindow && dialogOwner) dialogOwner->endDialog(dialogWindow);
    dialogWindow = nullptr;
}

void CColorChooser::cancelEditing() {
    alive->store(false);
    cancelled = true;
    closePicker();
}

void CColorChooser::setShown(bool on) {
    if (!on) closePicker();
    CView::setShown(on);
}

void CColorChooser::setVisible(bool on) {
    if (!on) closePicker();
    CView::setVisible(on);
}

}  // namespace qv
