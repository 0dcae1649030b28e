// The controls of the analyzer editor's layout that its behaviour addresses later, the bitmaps
// they are drawn from, and the tab switch that remembers the modifiers of every press.
// The window owns the controls; these are references, valid while the editor is open.
#pragma once

#include <array>
#include <cstdint>

#include "controls/on_off_switch.h"

namespace qv {

class CBitmap;
class CColorChooser;
class CColorSwatch;
class CKickButton;
class CKnob;
class CMemorySwitch;
class COptionMenu;
class CSpectrumDisplay;
class CStepButton;
class CSwitchMulti;
class CTextEdit;
class CTextLabel;
class CView;
class CViewContainer;

// A tab: an on/off switch whose modifiers are kept on notify-always presses too, so Shift on an
// about-page tab selects the compact layout as it does on the main page.
class CTabSwitch final : public COnOffSwitch {
public:
    using COnOffSwitch::COnOffSwitch;
    void onMouseDown(std::int32_t button, std::int32_t mods, std::int32_t x, std::int32_t y) override {
        pressModifiers = static_cast<std::uint32_t>(mods);
        COnOffSwitch::onMouseDown(button, mods, x, y);
    }
    std::uint32_t getModifiers() const override { return pressModifiers; }

private:
    std::uint32_t pressModifiers = 0;
};

namespace artwork {
// The editor's PNG resources in load order, with the size of each (width, height, frames).
struct BitmapSpec {
    std::int32_t id, width, height, frames;
};
inline constexpr std::array<BitmapSpec, 23> kBitmaps{{
    {142, 69, 40, 2},   {151, 69, 40, 2},   {143, 69, 40, 2},  {144, 650, 335, 1}, {145, 47, 200, 1},
    {146, 650, 28, 1},  {147, 102, 28, 1},  {135, 650, 28, 1}, {137, 26, 3400, 136}, {4, 14, 28, 2},
    {139, 12, 36, 3},   {140, 14, 28, 2},   {141, 14, 28, 2},  {128, 752, 563, 1}, {148, 7, 18, 2},
    {149, 7, 18, 2},    {150, 14, 18, 2},   {152, 102, 309, 1}, {153, 102, 26, 1}, {154, 102, 309, 1},
    {155, 9, 280, 2},   {156, 7, 28, 2},    {157, 26, 28, 2},
}};
}  // namespace artwork

struct AnalyzerControls {
    static constexpr std::uint32_t kSlots = 16;
    static constexpr std::uint32_t kMemories = 8;

    std::array<CBitmap*, artwork::kBitmaps.size()> bitmaps{};

    // Containers of the main page.
    CViewContainer* graph = nullptr;
    CViewContainer* bandBar = nullptr;
    CViewContainer* fftBar = nullptr;
    CViewContainer* controlsPanel = nullptr;
    CViewContainer* namesPanel = nullptr;
    CViewContainer* arrangementBox = nullptr;
    CViewContainer* syncBox = nullptr;
    std::array<CViewContainer*, kSlots> columns{};

    // Graph frame.
    CTabSwitch* tabBands = nullptr;
    CTabSwitch* tabFft = nullptr;
    CTabSwitch* tabAbout = nullptr;
    CSpectrumDisplay* display = nullptr;
    CTextLabel* freqReadout = nullptr;
    CTextLabel* levelReadout = nullptr;
    COptionMenu* graphMenu = nullptr;  // the graph's right-click menu, shown only while open
    CSwitchMulti* panelSwitch = nullptr;
    CStepButton* levelTopSteps = nullptr;
    CStepButton* levelBottomSteps = nullptr;
    COnOffSwitch* pause = nullptr;
    // The six frequency-range buttons: low down, low up, low steps, high down, high up, high steps.
    std::array<CView*, 6> freqButtons{};

    // Controls panel.
    CKnob* attack = nullptr;
    CKnob* release = nullptr;
    CKnob* slope = nullptr;
    CKnob* average = nullptr;
    CKnob* peakHoldTime = nullptr;
    CTextLabel* attackLabel = nullptr;
    CTextLabel* releaseLabel = nullptr;
    CTextLabel* slopeLabel = nullptr;
    CTextLabel* averageLabel = nullptr;
    CTextLabel* peakHoldLabel = nullptr;
    COnOffSwitch* averageOn = nullptr;
    COnOffSwitch* peaks = nullptr;
    COnOffSwitch* barsCurves = nullptr;
    COnOffSwitch* peakHold = nullptr;

    // Bars and boxes.
    COptionMenu* fftSize = nullptr;
    COptionMenu* window = nullptr;
    COptionMenu* mode = nullptr;
    COptionMenu* resolution = nullptr;
    COnOffSwitch* veil = nullptr;
    COptionMenu* accuracy = nullptr;
    COptionMenu* arrangement = nullptr;
    CKickButton* sync = nullptr;

    // Names panel and columns, by instance slot.
    std::array<CColorChooser*, kSlots> nameColours{};
    std::array<CTextEdit*, kSlots> names{};
    std::array<CColorSwatch*, kSlots> plates{};
    std::array<COnOffSwitch*, kSlots> solo{};
    std::array<COnOffSwitch*, kSlots> mute{};
    std::array<CColorChooser*, kSlots> columnColours{};
    std::array<std::array<CMemorySwitch*, kMemories>, kSlots> memory{};

    // About page tabs: 1/3 Oct, FFT, About.
    std::array<CTabSwitch*, 3> aboutTabs{};
};

}  // namespace qv
