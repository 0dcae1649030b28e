#include "controls/view.h"

#include "controls/view_owner.h"
#include "gui/rect_math.h"

namespace qv {

CView::CView(CViewOwner* viewOwner, std::uint32_t viewTag) : owner(viewOwner), tag(viewTag) {}

CView::~CView() = default;

void CView::onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
void CView::onMouseUp(std::int32_t, std::int32_t, std::int32_t) {}
void CView::onMouseMove(std::int32_t, std::int32_t, std::int32_t) {}

void CView::cancelMouse() { onMouseUp(kMouseLeft, 1, 1); }

void CView::setVisible(bool on) {
    mouseEnabled = on;
    shown = on;
    setUpdate();
}

void CView::draw(CDrawState) {}

void CView::redrawArea(CRect, CDrawState state) {
    if (shown) draw(state);
}

void CView::setValue(float v) {
    value = v;
    bounds();
    if (value != lastValue) setUpdate();
    lastValue = value;
}

void CView::notifyOwner(bool force) {
    if (value == lastValue && !force && !notifyAlways) return;
    if (owner) owner->valueChanged(tag, value);
    if (!notifyAlways) lastValue = value;
}

void CView::bounds() {
    if (value > 1.0f) {
        value = 1.0f;
    } else if (!(value >= 0.0f)) {
        value = 0.0f;  // below 0, and NaN
    }
}

void CView::resetToDefault() { setValue(defaultValue); }

void CView::setAlternateDefault(float v) {
    alternateDefault = v;
    hasAlternateDefault = true;
}

void CView::resetToAlternateDefault() { setValue(alternateDefault); }

void CView::beginEdit() {
    if (owner) owner->beginEdit(static_cast<std::int32_t>(tag));
}

void CView::endEdit() {
    if (owner) owner->endEdit(static_cast<std::int32_t>(tag));
}

CDrawContext* CView::contextFor(const CDrawState& state) const {
    if (owner) return owner->getDrawContext(&state);
    return container ? container->getDrawContext(state) : nullptr;
}

CPoint CView::containerOrigin() const {
    if (!container) return CPoint{};
    const CRect r = container->getRect();
    return CPoint{r.x, r.y};
}

CRect CView::windowRect() const {
    const CPoint origin = containerOrigin();
    return rectOffset(rect, origin.x, origin.y);
}

}  // namespace qv
