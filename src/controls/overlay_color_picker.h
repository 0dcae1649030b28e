// The colour picker a colour field opens inside the editor window where there is no system
// colour dialog: a saturation/value square for the hue of the strip beside it, the old colour
// and the new one side by side, and OK and Cancel. It answers when the user is done, some events
// after the press that opened it: OK (or Enter) reports the new colour, Cancel, Escape or a press
// outside the panel close it without an answer.
#pragma once

#include <cstdint>
#include <vector>

#include "controls/overlay_view.h"
#include "gui/blend_target.h"
#include "gui/color.h"

namespace qv {

struct CRgb {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

class COverlayColorPicker : public COverlayView {
public:
    static constexpr std::int32_t kSquare = 128;  // side of the saturation/value square
    static constexpr std::int32_t kStrip = 14;    // width of the hue strip

    class Client {
    public:
        virtual ~Client() = default;
        // OK was pressed; the picker has closed. Channels 0..1.
        virtual void colorPicked(const CRgb& colour) = 0;
    };

    explicit COverlayColorPicker(Client& client);

    // Opens the panel next to `field` (window toolkit coordinates), starting at `start`, with
    // `old` shown beside the new colour. Channels are clamped to 0..1 (NaN as 0).
    void open(CGuiWindow* window, const CRect& field, const CRgb& start, const CRgb& old);
    void close() { detach(); }

    CRgb getColor() const;
    CRect getPanel() const { return panel; }
    // Parts of the panel, in window toolkit coordinates.
    CRect squareRect() const;
    CRect stripRect() const;
    CRect okRect() const;
    CRect cancelRect() const;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) override;
    bool onKeyDown(std::uint32_t key) override;
    void draw(CDrawState state) override;

private:
    enum class Drag : std::uint8_t { kNone, kSquare, kStrip };

    void pointAt(std::int32_t x, std::int32_t y);
    void answer();
    // The square's pixels for the current hue, made again when the hue changes.
    void makeSquare();
    void blit(const PixelSurface& target, const CRect* clip, const CRect& at, const std::uint32_t* pixels) const;
    void button(CDrawContext& dc, const CRect& r, const char* label);

    Client& client;
    CRect panel{};
    float hue = 0.0f;  // 0..1
    float saturation = 0.0f;
    float valueLevel = 1.0f;
    CRgb oldColour{};
    Drag drag = Drag::kNone;
    float squareHue = -1.0f;
    std::vector<std::uint32_t> squarePixels;
    std::vector<std::uint32_t> stripPixels;
    CColor face{nullptr, 0.92f, 0.92f, 0.92f, 1.0f, kColorPenAndBrush};
    CColor frame{nullptr, 0.4f, 0.4f, 0.4f, 1.0f, kColorPenAndBrush};
    CColor ink{nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush};
    CColor swatch{nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush};
};

// Hue, saturation and value 0..1 to red, green, blue 0..1, and back.
CRgb hsvToRgb(float hue, float saturation, float value);
void rgbToHsv(const CRgb& colour, float& hue, float& saturation, float& value);
// Each channel clamped to 0..1; NaN becomes 0.
float clampChannel(float v);

}  // namespace qv
