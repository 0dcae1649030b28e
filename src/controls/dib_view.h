// A view that owns an off-screen picture of its size in two 32-bit layers. A producer draws into
// the work layer through the view's own drawing context, at its own pace and on any one thread,
// then commits: the work layer is copied into the front layer under the bitmap lock. Painting
// blends (or copies) the front layer into the window's back buffer under the same lock, so a
// paint never shows a half-copied picture.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "controls/view.h"
#include "gui/blend_target.h"

namespace qv {

enum : std::uint32_t {
    kPaintAtPoint = 0,  // paintAt: the given point (window coordinates) is the lower-left corner
    kPaintAtRect = 1,   // paintAt: the view's rect in its container
};

class CDibView : public CView {
public:
    // Both layers are rect's size, every byte 0xFF. Tag 0.
    CDibView(CViewOwner* owner, const CRect& rect);
    ~CDibView() override;

    // paintAt(state, (0, 0), kPaintAtRect).
    void draw(CDrawState state) override;
    void redrawArea(CRect area, CDrawState state) override;

    // Whether a full repaint (draw-state mode kDrawRepaint) paints the layer; off by default.
    virtual void setPaintOnRepaint(bool on) { paintOnRepaint = on; }
    // Blend (default) or copy the front layer into the window.
    virtual void setBlend(bool on) { blendOn = on; }
    // Opacity of the blend, 0..1.
    virtual void setAlpha(float a) { alpha = a; }
    // The context that draws into the work layer (toolkit coordinates of the layer, y up).
    virtual CDrawContext* getDrawContext() { return layerContext.get(); }
    // Copies the work layer into the front layer; a redraw request unless quiet. Any thread.
    virtual void commit(bool quiet);
    // From now on every paint commits first, so what is shown is never older than the last
    // drawing. A redraw request. Any thread.
    virtual void requestCommit();
    // Paints the front layer into the window's back buffer; a layer never committed paints
    // nothing. placement kPaintAtRect uses the view's rect, kPaintAtPoint the given point.
    virtual void paintAt(const CDrawState& state, CPoint point, std::uint32_t placement);
    // Draws the other view's front layer into this one's (blended with this view's alpha, or
    // copied), lower-left corners together. Nothing when other is this view or holds no picture.
    virtual void copyFrom(CDibView& other, bool blend);
    virtual std::int32_t getWidth() const { return rect.width; }
    virtual std::int32_t getHeight() const { return rect.height; }

    // The work layer's pixels, for producers that write them directly.
    PixelSurface* getWorkSurface() { return &work; }
    bool hasPicture() const;

private:
    std::uint32_t blendAlpha() const;

    std::unique_ptr<CDrawContext> layerContext;
    // Sticky: once a commit was requested, every paint commits.
    std::atomic<std::uint32_t> pendingCommits{0};
    float alpha = 1.0f;
    bool blendOn = true;
    bool frontValid = false;  // guarded by bitmapLock
    bool paintOnRepaint = false;
    std::vector<std::uint32_t> workPixels;
    std::vector<std::uint32_t> frontPixels;
    PixelSurface work{};
    PixelSurface front{};
    mutable std::mutex bitmapLock;  // the front layer, and the work layer while it is copied
};

}  // namespace qv
