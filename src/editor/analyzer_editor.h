// The analyzer's editor. For now it shows the editor's artwork at the editor's size: the about
// background with the tab row at full size, the graph frame in the compact size.
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

    void buildControls() override;
};

}  // namespace qv
