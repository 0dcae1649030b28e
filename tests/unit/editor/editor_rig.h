// What the editor and window backend tests share: a recording host, an editor whose one page
// holds one recording view over all of it, and the two-view scene.
#pragma once

#include "editor/editor.h"
#include "framework/editor_host.h"
#include "support/test_common.h"
#include "unit/gui_window/test_views.h"

namespace qv::test {

// Records edit gestures (end as -1 - index) and size requests; accepts them when told to.
struct FakeHost final : IEditorHost {
    void automateIfAllowed(std::int32_t, float) override {}
    bool hostCanResize() override { return accepts; }
    float getParameter(std::int32_t) override { return 0.0f; }
    bool beginEdit(std::int32_t i) override { return gestures.push_back(i), true; }
    bool endEdit(std::int32_t i) override { return gestures.push_back(-1 - i), true; }
    bool sizeWindow(std::int32_t w, std::int32_t h) override { return asked.push_back({w, h}), accepts; }
    std::vector<std::int32_t> gestures;
    std::vector<std::pair<std::int32_t, std::int32_t>> asked;
    bool accepts = true;
};

inline void addPageWith(CGuiWindow& window, TestContainer* box) {  // one page holding box
    auto* page = new CPage;
    page->addContainer(box);
    window.addPage(page);
}

// An editor of the given size; onBuilt sees the view each time the controls are built.
struct ProbeEditor : CEditor {
    ProbeEditor(std::int32_t w, std::int32_t h, IEditorHost* owner = nullptr, CPluginBase* c = nullptr)
        : CEditor(0, w, h, owner, c, nullptr) {}
    ~ProbeEditor() override { close(); }
    using CEditor::setTimerPeriod;
    void buildControls() override {
        auto* box = new TestContainer(CRect{0, 0, getWidth(), getHeight()});
        view = box->add(std::make_unique<TestView>(*getFrame(), CRect{0, 0, getWidth(), getHeight()}));
        addPageWith(*getFrame(), box);
        ++built;
        if (onBuilt) onBuilt(*view);
    }
    TestView* view = nullptr;
    int built = 0;
    std::function<void(TestView&)> onBuilt;
};

// A 752 x 563 window on a 40 ms timer: a grey view over all of it and a red 10 x 10 view in its
// bottom-left corner that captures the pointer.
struct TwoViewScene {
    bool open(void* parent) {  // as a child of parent; true when it opened
        owner.build = [this](CGuiWindow& w) {
            auto* box = new TestContainer(CRect{0, 0, 752, 563});
            view = box->add(std::make_unique<TestView>(w, CRect{0, 0, 752, 563}, &grey));
            corner = box->add(std::make_unique<TestView>(w, CRect{0, 0, 10, 10}, &red));
            corner->captures = true;
            addPageWith(w, box);
        };
        window = std::make_unique<CGuiWindow>(&owner, 0, 752, 563, parent, nullptr);
        owner.window = window.get();
        window->setTimerPeriod(40.0f);
        return !window->open(-1, -1);
    }

    TestOwner owner;
    CColor grey{nullptr, 0.25f, 0.5f, 0.75f, 1.0f, kColorBrush};
    CColor red{nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush};
    std::unique_ptr<CGuiWindow> window;
    TestView* view = nullptr;
    TestView* corner = nullptr;
};

}  // namespace qv::test
