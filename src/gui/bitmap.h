// An image of the editor: a PNG decoded into a 32-bit premultiplied bottom-up surface, drawn
// whole or in part into a drawing context through the blend routine or as a plain copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "gui/blend_target.h"
#include "gui/gdi_resource.h"
#include "gui/geometry.h"

namespace qv {

class CGuiWindow;

class CBitmap : public CGdiResource {
public:
    // Loads the PNG resource `resourceId` of this library. A missing resource or a PNG that
    // cannot be decoded leaves the bitmap empty (0 x 0); drawing it then does nothing.
    CBitmap(CGuiWindow* window, std::int32_t resourceId);
    // Decodes a PNG held in memory (the bytes are not kept).
    CBitmap(const std::uint8_t* png, std::size_t size);
    ~CBitmap() override;

    // Draws the whole image with its lower-left corner at `point` (toolkit coordinates).
    virtual void draw(CBlendTarget* context, CPoint point);
    // Draws the part `source` of the image, given in the image's own toolkit coordinates (y up
    // from its bottom row), with the part's lower-left corner at `point`. Film strips pick a
    // frame this way: frame k of height h is the part (0, k * h, width, h).
    virtual void drawPart(CBlendTarget* context, CPoint point, CRect source);
    virtual std::int32_t getWidth() const;
    virtual std::int32_t getHeight() const;
    // Multiplies the alpha of the image when it is blended (0..1).
    virtual void setOpacity(float value);
    // On: draws through the blend routine; off: copies the pixels unchanged.
    virtual void setBlendEnabled(bool on);

    bool isLoaded() const { return surface_.isValid(); }
    float getOpacity() const { return opacity_; }
    bool isBlendEnabled() const { return blendEnabled_; }
    // The decoded pixels; a surface with null bits when loading failed. Drawing into a bitmap
    // uses this surface as the target.
    PixelSurface* getSurface() { return &surface_; }
    const PixelSurface& getSurface() const { return surface_; }

private:
    void load(const std::uint8_t* png, std::size_t size);

    float opacity_ = 1.0f;
    bool blendEnabled_ = true;
    std::unique_ptr<std::uint32_t[]> pixels_;
    PixelSurface surface_;
};

}  // namespace qv
