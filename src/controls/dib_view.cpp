#include "controls/dib_view.h"

#include <algorithm>
#include <cstring>

#include "gui/blend.h"
#include "gui/draw_context.h"

namespace qv {

CDibView::CDibView(CViewOwner* viewOwner, const CRect& r)
    : CView(viewOwner, 0), layerContext(std::make_unique<CDrawContext>(nullptr)) {
    rect = r;
    if (r.width > 0 && r.height > 0) {
        const std::size_t n = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
        workPixels.assign(n, 0xFFFFFFFFu);
        frontPixels.assign(n, 0xFFFFFFFFu);
        work = PixelSurface{workPixels.data(), r.width, r.height};
        front = PixelSurface{frontPixels.data(), r.width, r.height};
    }
    layerContext->setSurface(work);
}

CDibView::~CDibView() = default;

void CDibView::draw(CDrawState state) { paintAt(state, CPoint{}, kPaintAtRect); }

void CDibView::redrawArea(CRect, CDrawState state) { draw(state); }

void CDibView::commit(bool quiet) {
    {
        std::lock_guard<std::mutex> hold(bitmapLock);
        if (!workPixels.empty()) std::memcpy(frontPixels.data(), workPixels.data(), workPixels.size() * sizeof(std::uint32_t));
        frontValid = true;
    }
    if (!quiet) setUpdate();
}

void CDibView::requestCommit() {
    pendingCommits.fetch_add(1, std::memory_order_acq_rel);
    setUpdate();
}

bool CDibView::hasPicture() const {
    std::lock_guard<std::mutex> hold(bitmapLock);
    return frontValid;
}

std::uint32_t CDibView::blendAlpha() const {
    const float a = alpha * 255.0f;
    if (!(a > 0.0f)) return 0;  // also NaN
    return a >= 255.0f ? 255u : static_cast<std::uint32_t>(a);
}

void CDibView::paintAt(const CDrawState& state, CPoint point, std::uint32_t placement) {
    if (pendingCommits.load(std::memory_order_acquire) != 0) commit(true);
    if (state.mode == kDrawRepaint && !paintOnRepaint) return;
    CDrawContext* dc = contextFor(state);
    if (!dc) return;
    CRect target = windowRect();
    if (placement == kPaintAtPoint) {
        target.x = point.x;
        target.y = point.y;
    }
    BlendRequest request;
    request.destination = dc->getTargetSurface();
    request.clip = dc->getTargetClip();
    request.position = CPoint{target.x, target.y};
    request.width = target.width;
    request.height = target.height;
    request.source = &front;
    request.alpha = blendAlpha();
    std::lock_guard<std::mutex> hold(bitmapLock);
    if (!frontValid) return;
    if (blendOn) {
        blend(request);
    } else {
        copyPixels(request);
    }
}

void CDibView::copyFrom(CDibView& other, bool blendIt) {
    if (&other == this) return;
    std::scoped_lock hold(bitmapLock, other.bitmapLock);
    if (!other.frontValid) return;
    BlendRequest request;
    request.destination = &front;
    request.width = other.front.width;
    request.height = other.front.height;
    request.source = &other.front;
    request.alpha = blendAlpha();
    if (blendIt) {
        blend(request);
    } else {
        copyPixels(request);
    }
    frontValid = front.isValid();
}

}  // namespace qv
