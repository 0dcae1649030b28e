// The graph's right-click menu: note names in the readout (a per-user preference), listening to
// the band under the held mouse (this editor only, not saved), and saving the graph as a picture
// or as data, whose outcome shows over the graph for a few seconds.
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "controls/view_container.h"
#include "core/plugin.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "editor/graph_export.h"

namespace qv {

using namespace settingid;

const char* const CAnalyzerEditor::kGraphMenuTexts[kMenuItems] = {"Note names", "Listen to band", "Save picture",
                                                                   "Save data"};

void CAnalyzerEditor::buildGraphMenu() {
    AnalyzerControls& c = *ctl;
    // A field of one pixel placed at the press: the list opens there. It is never drawn.
    c.graphMenu = new COptionMenu(this, kGraphMenuTag, CRect{0, 0, 1, 1});
    c.graph->addView(c.graphMenu);
    for (const char* text : kGraphMenuTexts) c.graphMenu->addEntry(text, 0, 1);
    c.graphMenu->setCheckOnSelect(false);
    c.graphMenu->setFixedTitle("");
    c.graphMenu->setFont(3, 0, 12);
    c.graphMenu->setVisible(false);
}

void CAnalyzerEditor::openGraphMenu(CPoint at) {
    COptionMenu& menu = *ctl->graphMenu;
    menu.checkEntry(kMenuNoteNames, ctl->display->getNoteNames(), false);
    menu.checkEntry(kMenuListen, listenArmed, false);
    menu.setRect(CRect{at.x, at.y, 1, 1});
    menu.onMouseDown(kMouseRight, 0, 0, 0);
}

void CAnalyzerEditor::graphMenuChosen(std::uint32_t item) {
    CSpectrumDisplay& display = *ctl->display;
    switch (item) {
        case kMenuNoteNames:
            preferences.noteNames = !display.getNoteNames();
            display.setNoteNames(preferences.noteNames);
            preferences.save();  // when it cannot be written, the choice holds for this editor
            break;
        case kMenuListen:
            listenArmed = !listenArmed;
            if (!listenArmed) endListening();
            break;
        case kMenuSavePicture: display.showNotice(saveDisplayPicture(display, instanceName())); break;
        case kMenuSaveData: display.showNotice(saveDisplayData(display, instanceName())); break;
        default: break;
    }
}

void CAnalyzerEditor::followListening() {
    float hz = 0.0f, db = 0.0f;
    if (!listenArmed || !ctl->display->getReadout(hz, db)) {
        endListening();
        return;
    }
    // Between bars or beyond the axis the last band plays on until the release.
    if (!(hz > 0.0f) || hz == listeningHz) return;
    auto* plugin = dynamic_cast<CPlugin*>(getCore());
    if (!plugin) return;
    listeningHz = hz;
    plugin->listenToBand(hz);
}

void CAnalyzerEditor::endListening() {
    if (listeningHz == 0.0f) return;
    listeningHz = 0.0f;
    if (auto* plugin = dynamic_cast<CPlugin*>(getCore())) plugin->stopListening();
}

std::string CAnalyzerEditor::instanceName() const {
    const auto own = static_cast<std::uint32_t>(getParameter(static_cast<std::int32_t>(kInstanceNumber)) + 0.1f);
    return own < kInstances && ctl->names[own] ? ctl->names[own]->getText() : std::string();
}

}  // namespace qv
