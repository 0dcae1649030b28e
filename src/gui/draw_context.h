// The drawing interface handed to views in a draw pass. It paints, by our own code, into a
// 32-bit premultiplied bottom-up surface (the window's back buffer or an off-screen layer):
// fills, lines, polygons and text, clipped by a two-level clip stack.
//
// Coordinates are the toolkit's (origin bottom left, y up). With H the surface height, toolkit
// point (x, y) is device point (x, H - y - 1) (device rows counted from the top), and a toolkit
// rectangle (x, y, w, h) covers device rows H - y - h .. H - y - 1, which are memory rows
// y .. y + h - 1 of the bottom-up surface. Text is placed one row higher than fills (see drawText).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/geometry.h"
#include "gui/blend_target.h"
#include "gui/text_renderer.h"

namespace qv {

class CColor;
class CGuiWindow;
class CWindowView;

enum : std::int32_t {
    kAlignLeft = 0,
    kAlignRight = 1,
    kAlignCenter = 2,
};

enum : std::int32_t {
    kFontStyleBold = 1,
    kFontStyleItalic = 2,
    kFontStyleUnderline = 4,
    kFontNone = 8,  // fontId before the first setFont
};

class CDrawContext : public CBlendTarget {
public:
    // window may be null for contexts of off-screen layers.
    explicit CDrawContext(CGuiWindow* window);
    ~CDrawContext() override;
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    // The surface drawn into; its height is H of the coordinate rule. A surface of no pixels
    // makes every drawing call do nothing. The clip stack is emptied.
    void setSurface(const PixelSurface& surface);
    const PixelSurface& getSurface() const { return surface; }
    CGuiWindow* getWindow() const { return window; }
    void setModuleInstance(void* instance) { moduleInstance = instance; }

    virtual bool hasNoDC() const;
    virtual bool cannotDraw() const;
    virtual void setBlendEnabled(bool on);
    virtual void setGlobalAlpha(float alpha);
    virtual void pushClipAt(const CPoint& offset, const CRect& rect);
    virtual void pushClipAt2(const CRect& rect, const CPoint& a, const CPoint& b);
    // Depth 1 sets the outer clip; depth 2 clips to its intersection with the outer one.
    // Deeper pushes are ignored (clipOverflow) until their pops bring the stack back.
    virtual void pushClip(const CRect& rect);
    virtual void popClip();
    // Without blending the colour's bytes replace the pixels (brushPixel); with blending the
    // colour is blended in with alpha = colour alpha x global alpha.
    virtual void fillRect(const CRect& rect, const CColor& colour);
    virtual void selectPen(const CColor& colour);
    // Both end pixels are set.
    virtual void drawLine(const CPoint& a, const CPoint& b);
    virtual void drawLineColored(const CPoint& a, const CPoint& b, const CColor& colour);
    virtual void setFont(std::int32_t fontId, std::int32_t style, std::int32_t size);
    virtual void drawTextInView(const char* text, const CWindowView& view, const CColor& colour, std::int32_t align);
    // One line, vertically centred, ended by "..." when too wide, aligned left, centred or right,
    // clipped to the rectangle, which lies one row higher than the same rectangle filled.
    virtual void drawText(const char* text, const CRect& rect, const CColor& colour, std::int32_t align);

    // A filled polygon (even-odd rule, pixel centres), with the brush or blended like fillRect.
    void fillPolygon(const CPoint* points, std::size_t count, const CColor& colour);
    // Lines between successive points with the selected pen.
    void drawPolyline(const CPoint* points, std::size_t count);

    bool isBlendEnabled() const { return blendEnabled; }
    float getGlobalAlpha() const { return globalAlpha; }
    std::int32_t getHeight() const { return surface.height; }
    // The rectangle drawing is limited to, in toolkit coordinates: the current clip within the
    // surface, or the whole surface while no clip is pushed. Blends clip against it too.
    CRect getClipRect() const;
    // What bitmaps and the blend routine draw into: null when nothing can be drawn; the clip is
    // null while no clip is pushed.
    PixelSurface* getTargetSurface() override;
    const CRect* getTargetClip() const override;
    std::uint32_t getClipDepth() const { return clipDepth; }
    bool hasClipOverflow() const { return clipOverflow; }
    std::int32_t getFontId() const { return fontId; }
    std::int32_t getFontStyle() const { return fontStyle; }
    std::int32_t getFontSize() const { return fontSize; }
    const CFontSpec& getFontSpec() const { return fontSpec; }
    // Advance width of text in the current font, in pixels.
    std::int32_t measureText(const char* text);
    std::mutex& getLock() { return lock; }
    // The box around everything drawn since the last call (toolkit coordinates, within the
    // surface; empty when nothing was), which is then forgotten: what the window puts on screen.
    // Direct writes through getTargetSurface count with the whole clip rectangle.
    CRect takeDrawnArea();

private:
    void noteDrawn(const CRect& area);
    void plot(std::int32_t x, std::int32_t y, std::uint32_t pixel, const CRect& clip);
    void paintRect(const CRect& rect, const CColor& colour);
    void ensureRenderer();

    CGuiWindow* window;
    PixelSurface surface{};
    bool blendEnabled = false;
    float globalAlpha = 1.0f;
    void* moduleInstance = nullptr;
    std::mutex lock;
    std::int32_t fontId = kFontNone;
    std::int32_t fontStyle = 0;
    std::int32_t fontSize = 0;
    CFontSpec fontSpec{};
    CRect outerClip{};
    CRect currentClip{};
    std::uint32_t clipDepth = 0;
    bool clipOverflow = false;
    std::uint32_t penPixel = 0xFF000000u;  // black until a pen is selected
    CRect drawn{};
    std::unique_ptr<CTextRenderer> renderer;
    std::vector<std::uint8_t> maskBuffer;
    std::string textBuffer;
    std::vector<double> crossings;
};

}  // namespace qv
