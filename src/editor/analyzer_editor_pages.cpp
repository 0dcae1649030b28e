// The about page (version and help) and the limit page of an instance beyond the sixteenth.

#include "controls/picture.h"
#include "controls/text_label.h"
#include "controls/view_container.h"
#include "editor/analyzer_editor.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/page.h"
#include "qv_version.h"

namespace qv {

namespace {

constexpr std::uint32_t kAboutTabFirst = 381;
constexpr std::uint32_t kLimitTabFirst = 384;

void whiteLabel(CViewOwner* owner, CViewContainer* box, CRect rect, const char* text, std::uint32_t align) {
    auto* label = new CTextLabel(owner, rect, 0);
    label->setTextColor(1.0f, 1.0f, 1.0f, 1.0f);
    label->setFontSize(12);
    label->setAlignment(align);
    label->setText(text);
    box->addView(label);
}

// The three tabs of a full-size page (background 128), all notify-always; the middle one of
// value 0, the About tab of `aboutValue`.
void addTabs(CViewOwner* owner, CViewContainer* box, std::uint32_t firstTag, std::array<CBitmap*, 3> strips,
             float aboutValue, std::array<CTabSwitch*, 3>* out) {
    for (std::uint32_t t = 0; t < 3; ++t) {
        auto* tab = new CTabSwitch(owner, firstTag + t, CPoint{69 * static_cast<std::int32_t>(t), 543}, strips[t]);
        tab->setNotifyAlways(true);
        box->addView(tab);
        if (out) (*out)[t] = tab;
        if (t == 0) tab->setValue(0.0f);
        if (t == 2) tab->setValue(aboutValue);
    }
}

}  // namespace

void CAnalyzerEditor::buildAboutPage() {
    auto* box = new CViewContainer(this, CRect{0, 0, kFullWidth, kFullHeight});
    box->addView(new CPicture(this, CPoint{0, 0}, bitmap(128)));
    addTabs(this, box, kAboutTabFirst, {bitmap(142), bitmap(151), bitmap(143)}, 1.0f, &ctl->aboutTabs);
    whiteLabel(this, box, CRect{1, 330, 742, 16}, "Quorvane", kAlignCenter);
    whiteLabel(this, box, CRect{1, 300, 742, 16}, "Version " QV_VERSION_STRING, kAlignCenter);
    struct Line {
        std::int32_t y;
        const char* text;
    };
    static constexpr Line kHelp[] = {
        {235, "Resize GUI with shift-key and 1/3 Oct or FFT button."},
        {205, "Knobs: Left mouse button and vertical/horizontal mouse movement to change value. Set default"},
        {185, "value with left mouse button and ctrl-key (Windows) or command-key (Mac)."},
        {155, "Switches: Left mouse button to switch on/off."},
        {125, "Memory Switches (M1-M8): Right mouse button to store graph. Recall with left mouse button."},
        {105, "Delete with left mouse button and ctrl-key (Windows) or command-key (Mac)."},
        {85, "Combine with alt-key to access all instances at the same time."},
    };
    for (const Line& l : kHelp) whiteLabel(this, box, CRect{100, l.y, 642, 16}, l.text, kAlignLeft);
    whiteLabel(this, box, CRect{1, 25, 742, 16}, "VST PlugIn Technology by Steinberg", kAlignCenter);
    auto* page = new CPage;
    page->addContainer(box);
    getFrame()->addPage(page);
}

void CAnalyzerEditor::buildLimitPage() {
    auto* box = new CViewContainer(this, CRect{0, 0, kFullWidth, kFullHeight});
    box->addView(new CPicture(this, CPoint{0, 0}, bitmap(128)));
    addTabs(this, box, kLimitTabFirst, {bitmap(142), bitmap(151), bitmap(143)}, 0.0f, nullptr);
    whiteLabel(this, box, CRect{1, 130, 742, 16}, "Quorvane", kAlignCenter);
    whiteLabel(this, box, CRect{1, 100, 742, 16}, "You have reached the maximum number of instances.", kAlignCenter);
    whiteLabel(this, box, CRect{1, 60, 742, 16}, "Please close this instance.", kAlignCenter);
    auto* page = new CPage;
    page->addContainer(box);
    getFrame()->addPage(page);
}

}  // namespace qv
