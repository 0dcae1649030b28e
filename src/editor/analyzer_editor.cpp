#include "editor/analyzer_editor.h"

#include "editor/artwork_panel.h"
#include "gui/bitmap.h"
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
    const bool compact = getWidth() < 752 || getHeight() < 563;
    auto* art = new CBitmap(frame, compact ? kCompactBitmap : kBackgroundBitmap);
    frame->addResource(art);
    auto* page = new CPage;
    page->addContainer(new CArtworkPanel(*frame, CRect{0, 0, getWidth(), getHeight()}, art));
    frame->addPage(page);
}

}  // namespace qv
