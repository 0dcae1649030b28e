// The analyzer's editor: the main page (graph with its tabs, bars and side panels, the sixteen
// instance columns), the about page, and the limit page of an instance that found no free slot.
// Every control's tag is the setting it drives; user gestures go to the core as settings and the
// core's echo of every applied setting moves the controls and the spectrum display.
//
// Source files: analyzer_editor.cpp (life cycle, open, names, sizes), analyzer_editor_layout.cpp
// (main page), analyzer_editor_pages.cpp (about and limit pages), analyzer_editor_gestures.cpp
// (controls to settings), analyzer_editor_binding.cpp (settings to controls and display),
// analyzer_editor_graph_menu.cpp (the graph's right-click menu: note names, listening, saving).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "display/display_data_source.h"
#include "editor/analyzer_editor_controls.h"
#include "editor/editor.h"
#include "editor/user_preferences.h"
#include "gui/geometry.h"

namespace qv {

class CAnalyzerEditor : public CEditor, public IDisplayDataSource {
public:
    static constexpr float kTimerPeriodMs = 40.0f;
    static constexpr std::int32_t kFullWidth = 752;
    static constexpr std::int32_t kFullHeight = 563;
    static constexpr std::int32_t kCompactWidth = 650;
    static constexpr std::int32_t kCompactHeight = 335;
    static constexpr std::uint32_t kNameChars = 31;

    CAnalyzerEditor(std::uint64_t windowId, std::int32_t width, std::int32_t height, IEditorHost* host,
                    CPluginBase* core, void* moduleHandle);
    ~CAnalyzerEditor() override;

    void onOpened() override;
    void valueChanged(std::uint32_t tag, float value) override;
    void setParameter(std::int32_t id, float value) override;
    // A names record (type 32, 528 bytes) sets the sixteen name fields; the rest goes to the base.
    void receiveData(const void* record) override;
    void buildControls() override;
    void onClosing() override;

    // Re-applies every memory state setting (219 + 8 i + k) of the current view.
    void refreshMemoryStates();
    // Full or compact layout of the main page, then the matching window size.
    void setCompactLayout(bool compact);
    // While open: resize with a full redraw now and four more, one every 600 ms. The resize
    // happens once the setting that asked for it has been applied (never while the core is
    // reporting to the editor), at the latest in the next refresh pass.
    void setEditorSize(std::int32_t width, std::int32_t height);
    void beforeRefresh() override;
    bool isLimitReached() const { return limitReached; }

    // The display's data source is the editor: it forwards to the core.
    float getTimerPeriod() const override { return CEditor::getTimerPeriod(); }
    bool getData(void* request) override { return CEditor::getData(request); }
    bool putData(void* request) override { return CEditor::putData(request); }

    // The controls of the open layout (all null before the first open); for tests and the demo.
    const AnalyzerControls& controls() const { return *ctl; }
    // Bitmaps of the last build that the library's resources did not provide.
    std::uint32_t missingBitmaps() const { return missing; }

    // The graph's menu: a right press on the graph opens it; its entries in order.
    enum GraphMenuItem : std::uint32_t { kMenuNoteNames, kMenuListen, kMenuSavePicture, kMenuSaveData, kMenuItems };
    static constexpr std::uint32_t kGraphMenuTag = 390;  // beyond every setting
    static const char* const kGraphMenuTexts[kMenuItems];
    // Listening armed by the menu: the readout's press then plays the band under the mouse.
    bool isListenArmed() const { return listenArmed; }
    // The band centre this editor last asked its core to play; 0 while it asks for none.
    float listeningAt() const { return listeningHz; }

    // Colour of setting 43 + i: trunc(255 c) per channel, red in the top byte; NaN counts as 0.
    static std::uint32_t packColour(const float rgba[4]);
    static std::array<float, 4> unpackColour(std::uint32_t bits);

private:
    // Layout (analyzer_editor_layout.cpp, analyzer_editor_pages.cpp).
    void loadBitmaps();
    void buildMainPage();
    void buildGraphFrame();
    void buildBars();
    void buildNamesPanel();
    void buildColumns();
    void buildAboutPage();
    void buildLimitPage();
    CBitmap* bitmap(std::int32_t id) const;

    // Gestures (analyzer_editor_gestures.cpp).
    void tabPressed(bool fft, bool shift);
    void stepsDragged(float value, std::uint32_t up, std::uint32_t down);
    void memoryPressed(std::uint32_t tag, float value);
    void pauseChanged(float value);
    void nameEdited(std::uint32_t slot);
    // A setting to the core. What its report back asked for (memory states, a new size) follows
    // once the core is done with it: the core reports while holding its own locks.
    void write(std::uint32_t id, float value) {
        setParameterAutomated(static_cast<std::int32_t>(id), value);
        applyPending();
    }
    void applyPending();
    void applyPendingSize();

    // Graph menu (analyzer_editor_graph_menu.cpp).
    void buildGraphMenu();
    void openGraphMenu(CPoint at);
    void graphMenuChosen(std::uint32_t item);
    // The readout changed: listening follows the held press, or ends with it.
    void followListening();
    void endListening();
    std::string instanceName() const;

    // Binding (analyzer_editor_binding.cpp).
    void applyLayout(std::uint32_t view);
    void showSidePanel(float value);
    void showKnob(std::uint32_t id, float value);
    void showInstanceMap(float value);
    void showColour(std::uint32_t slot, std::uint32_t bits);
    void showMemory(std::uint32_t index, std::uint32_t bits, bool state);
    void showMenu(COptionMenu* menu, float value, std::uint32_t max);
    void reapply(std::uint32_t id) { setParameter(static_cast<std::int32_t>(id), getParameter(static_cast<std::int32_t>(id))); }
    bool live() const { return isOpen() && !limitReached && built; }

    std::unique_ptr<AnalyzerControls> ctl;
    bool limitReached = false;
    bool built = false;
    std::uint32_t missing = 0;
    // Attack, release, slope and average in their physical units, as last shown.
    std::array<float, 4> valueCache{};
    // Width and height asked by setEditorSize and not yet applied (0: none).
    std::int32_t pendingWidth = 0, pendingHeight = 0;
    // Memory states (slot * 8 + memory) to write once the core's report has returned.
    std::array<bool, AnalyzerControls::kSlots * AnalyzerControls::kMemories> statePending{};
    bool applying = false;
    CUserPreferences preferences;
    bool listenArmed = false;
    float listeningHz = 0.0f;
};

}  // namespace qv
