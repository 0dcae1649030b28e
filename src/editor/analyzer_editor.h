// The analyzer's editor. For now it shows the editor's artwork at the editor's size (the about
// background with the tab row at full size, the graph frame in the compact size) and follows
// the compact-layout setting.
#pragma once

#include "editor/editor.h"

namespace qv {

class CAnalyzerEditor : public CEditor {
public:
    static constexpr float kTimerPeriodMs = 40.0f;
    static constexpr std::int32_t kBackgroundBitmap = 128;  // 752 x 563
    static constexpr std::int32_t kCompactBitmap = 144;     // 650 x 335, the graph frame

    CAnalyzerEditor(std::uint64_t windowId, std::int32_t width, std::int32_t height, IEditorHost* host,
                    CPluginBase* core, void* moduleHandle);
    ~CAnalyzerEditor() override;

    static constexpr std::int32_t kCompactSetting = 387;

    void buildControls() override;
    // Setting 387 (compact layout) resizes the editor: 650 x 335 when set, else 752 x 563.
    void setParameter(std::int32_t index, float value) override;
    // While open: resize with a full redraw now and four more, one every 600 ms.
    void setEditorSize(std::int32_t width, std::int32_t height);
};

}  // namespace qv
