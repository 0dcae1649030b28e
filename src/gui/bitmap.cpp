#include "gui/bitmap.h"

#include <algorithm>

#include "gui/blend.h"
#include "gui/png_reader.h"
#include "platform/resources.h"

namespace qv {

CBitmap::CBitmap(CGuiWindow* /*window*/, std::int32_t resourceId) {
    const platform::ResourceBytes bytes = platform::findPngResource(resourceId);
    if (!bytes.empty()) load(bytes.data, bytes.size);
}

CBitmap::CBitmap(const std::uint8_t* png, std::size_t size) { load(png, size); }

CBitmap::~CBitmap() = default;

void CBitmap::load(const std::uint8_t* png, std::size_t size) {
    DecodedImage image;
    if (!decodePng(png, size, image)) return;
    pixels_ = std::move(image.pixels);
    surface_ = PixelSurface{pixels_.get(), image.width, image.height};
}

void CBitmap::draw(CBlendTarget* context, CPoint point) {
    drawPart(context, point, CRect{0, 0, surface_.width, surface_.height});
}

void CBitmap::drawPart(CBlendTarget* context, CPoint point, CRect source) {
    if (context == nullptr || !isLoaded()) return;
    BlendRequest request;
    request.destination = context->getTargetSurface();
    request.clip = context->getTargetClip();
    request.position = point;
    request.width = source.width;
    request.height = source.height;
    request.source = &surface_;
    request.sourcePosition = CPoint{source.x, source.y};
    if (!blendEnabled_) {
        copyPixels(request);
        return;
    }
    // Opacity beyond 0..1 would push the kernels' factor out of its range.
    const float o = opacity_ > 0.0f ? std::min(opacity_, 1.0f) : 0.0f;
    request.alpha = static_cast<std::uint32_t>(o * 255.0f);
    blend(request);
}

std::int32_t CBitmap::getWidth() const { return surface_.width; }
std::int32_t CBitmap::getHeight() const { return surface_.height; }
void CBitmap::setOpacity(float value) { opacity_ = value; }
void CBitmap::setBlendEnabled(bool on) { blendEnabled_ = on; }

}  // namespace qv
