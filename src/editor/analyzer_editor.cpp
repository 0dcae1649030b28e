#include "editor/analyzer_editor.h"

#include "editor/artwork_panel.h"
#include "gui/gui_window.h"
#include "gui/page.h"

namespace qv {

CAnalyzerEditor::CAnalyzerEditor(std::uint64_t id, std::int32_t w, std::int32_t h, IEditorHost* editorHost,
                                 CPluginBase* pluginCore, void* module)
    : CEditor(id, w, h, editorHost, pluginCore, module) {
    setTimerPeriod(kTimerPeriodMs);
}

CAnalyzerEditor::~CAnalyzerEditor() { close(); }

void CAnalyzerEditor::buildControls() {
    CGuiWindow* frame = getFrame();
    if (!frame) return;
    auto* page = new CPage;
    page->addContainer(new CArtworkPanel(*frame, kBackgroundBitmap, kCompactBitmap));
    frame->addPage(page);
}

void CAnalyzerEditor::setParameter(std::int32_t index, float value) {
    if (index != kCompactSetting || !isOpen()) return;
    if (static_cast<std::int32_t>(value) != 0) {
        setEditorSize(650, 335);
    } else {
        setEditorSize(752, 563);
    }
}

void CAnalyzerEditor::setEditorSize(std::int32_t w, std::int32_t h) {
    if (isOpen()) resize(w, h, true, 600, 4);
}

}  // namespace qv
