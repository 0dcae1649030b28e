// The analyzer editor: settings applied by the core (or arriving malformed) and what the controls and
// the display show for them; names shared between instances; colours as bits; the limit page; pointer
// gestures as window events and the settings they write to the core (in order, as bit patterns).
#include "analyzer_rig.h"

namespace qv {
namespace {

// One editor, open.
struct OpenEditor : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(rig.open()); }
    EditorRig rig;
};

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string text(const CTextLabel* l) { return l->getText(); }

TEST(AnalyzerEditorBinding, EachSettingMovesItsControlsAndTheDisplay) {
    const float purple = std::bit_cast<float>(0x7F3FFFFFu);
    const struct {
        const char* name; std::uint32_t id; float value;
        bool throughCore;  // false: handed to the editor as is, as a faulty sender would
        std::function<bool(const AnalyzerControls&)> holds;
    } cases[] = {
        {"attack knob and label", 8, 0.5f, true,
         [](const auto& c) { return c.attack->getValue() == 0.5f && text(c.attackLabel) == "400"; }},
        {"slope beyond its range is clamped", 10, 2.0f, false,
         [](const auto& c) { return c.slope->getValue() == 1.0f && text(c.slopeLabel) == "10.0"; }},
        {"NaN peak-hold time shows the bottom", 353, kNaN, false,
         [](const auto& c) { return c.peakHoldTime->getValue() == 0.0f && text(c.peakHoldLabel) == "0.1"; }},
        {"colour as bits to both fields and the display", 45, purple, true,
         [](const auto& c) {
             float rgba[4];
             c.columnColours[2]->getColor(rgba);
             const auto shown = c.display->getInstanceColor(2);
             return rgba[0] == 127.0f / 255 && rgba[1] == 63.0f / 255 && rgba[2] == 1.0f &&
                    shown[0] == rgba[0] && shown[1] == rgba[1] && shown[2] == rgba[2];
         }},
        {"FFT view: tabs, bar, arrows, display", 362, 1.0f, true,
         [](const auto& c) {
             return c.tabFft->getValue() == 1.0f && c.tabBands->getValue() == 0.0f && c.fftBar->isActive() &&
                    !c.bandBar->isActive() && c.freqButtons[2]->isVisible() && c.display->getFftMode() == 1;
         }},
        {"index 2.95 reads as 3", 363, 2.95f, false, [](const auto& c) { return c.fftSize->getCurrentIndex() == 3; }},
        {"index out of range is clamped", 375, 99.0f, false,
         [](const auto& c) { return c.resolution->getCurrentIndex() == 11; }},
        {"NaN index reads as 0", 372, kNaN, false, [](const auto& c) { return c.mode->getCurrentIndex() == 0; }},
        {"names panel", 2, 1.0f, true,
         [](const auto& c) {
             return c.namesPanel->isActive() && !c.controlsPanel->isActive() && c.panelSwitch->getIndex() == 1;
         }},
        {"S switch of slot 4", 15, 1.0f, true, [](const auto& c) { return c.solo[4]->getValue() == 1.0f; }},
        {"memory state shown", 219 + 8 * 3 + 1, std::bit_cast<float>(2u), false,
         [](const auto& c) { return c.memory[3][1]->getState() == kMemoryShown; }},
        {"memory state out of range is ignored", 219 + 8 * 3 + 1, std::bit_cast<float>(3u), false,
         [](const auto& c) { return c.memory[3][1]->getState() == kMemoryEmpty; }},
        {"identifier beyond the table is ignored", 5000, 1.0f, false, [](const auto&) { return true; }},
    };
    for (const auto& s : cases) {
        EditorRig rig;
        ASSERT_TRUE(rig.open()) << s.name;
        if (s.throughCore) rig.set(s.id, s.value);
        else rig.editor->setParameter(static_cast<std::int32_t>(s.id), s.value);
        EXPECT_TRUE(s.holds(rig.c())) << s.name;
    }
}

TEST_F(OpenEditor, PackedColoursAndTheInitialColoursAreTheDisplays) {
    const float purple[4] = {0.5f, 0.25f, 1.0f, 1.0f}, odd[4] = {kNaN, -1.0f, 7.0f, 0.999f};
    EXPECT_EQ(std::pair(CAnalyzerEditor::packColour(purple), CAnalyzerEditor::packColour(odd)),
              std::pair(0x7F3FFFFFu, 0x0000FFFEu));
    // Before any change, the core's colour of each slot (packed as bits) is what the display draws.
    for (std::uint32_t i = 0; i < 16; ++i) {
        const auto shown = rig.c().display->getInstanceColor(i);
        const float rgba[4] = {shown[0], shown[1], shown[2], 1.0f};
        EXPECT_EQ(CAnalyzerEditor::packColour(rgba), std::bit_cast<std::uint32_t>(rig.setting(43 + i))) << i;
    }
}

TEST(AnalyzerEditorBinding, AnEditedNameIsCutTo31AndReachesASecondInstance) {
    EditorRig first, second;
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    const auto slot = static_cast<std::uint32_t>(first.setting(0) + 0.1f);
    first.c().names[slot]->setText(std::string(40, 'n'));
    first.editor->valueChanged(75 + slot, 0.0f);
    for (int i = 0; i < 50 && second.c().names[slot]->getText() != std::string(31, 'n'); ++i) first.tick(), second.tick();
    EXPECT_EQ(second.c().names[slot]->getText(), std::string(31, 'n'));

    // A record without terminators or of the wrong size harms nothing.
    NamesRequest names{};
    for (const auto& [size, fill] : {std::pair{NamesRequest::kSize, 'x'}, {NamesRequest::kSize - 1, 'y'}}) {
        names.header = DataRequest{size, kDataNames, 0, 0};
        std::memset(names.names, fill, sizeof names.names);
        second.editor->receiveData(&names);
        EXPECT_EQ(second.c().names[15]->getText(), std::string(31, 'x'));
    }
}

TEST(AnalyzerEditorBinding, TheSeventeenthInstanceShowsOnlyTheLimitPageAndNothingActs) {
    std::vector<std::unique_ptr<EditorRig>> rigs;
    for (int i = 0; i < 17; ++i) rigs.push_back(std::make_unique<EditorRig>());
    EditorRig& last = *rigs.back();
    ASSERT_EQ(std::pair(rigs[15]->editor->isLimitReached(), last.editor->isLimitReached()), std::pair(false, true));
    ASSERT_TRUE(last.open());
    EXPECT_EQ(last.frame().getPageCount(), 1u);
    last.click(79, 553, 1, 1);  // its FFT tab, with Shift
    last.editor->setParameter(387, 1.0f), last.editor->valueChanged(6, 1.0f);
    EXPECT_TRUE(last.editor->written.empty());
    EXPECT_EQ(last.size(), std::make_pair(752, 563));
}

// Column i's memory switch k (M1 = 0), and its S switch, in editor coordinates.
std::int32_t columnX(std::int32_t i) { return 47 * i + 13; }
std::int32_t memoryY(std::int32_t k) { return 133 - 13 * k + 5; }

// Switch k of every column acting and taking the state, appended to w.
std::vector<Written> everywhere(std::int32_t k, std::uint32_t action, std::uint32_t state, std::vector<Written> w = {}) {
    for (std::int32_t j = 0; j < 16; ++j)
        w.insert(w.end(), {{91 + 8 * j + k, action << 8 | state}, {219 + 8 * j + k, state}});
    return w;
}

TEST(AnalyzerEditorGestures, EachGestureWritesItsSettings) {
    const struct {
        const char* name; std::function<void(EditorRig&)> act; std::vector<Written> written;
    } cases[] = {
        {"plain click on the FFT tab", [](EditorRig& r) { r.click(79, 553); },
         {valueOf(362, 1.0f), valueOf(387, 0.0f)}},
        {"Shift-click on the 1/3 Oct tab", [](EditorRig& r) { r.click(10, 553, 1, 1); },
         {valueOf(362, 0.0f), valueOf(387, 1.0f)}},
        {"S switch of column 3", [](EditorRig& r) { r.click(47 * 3 + 12, 172); }, {valueOf(14, 1.0f)}},
        {"Sync Others: the press only", [](EditorRig& r) { r.click(665, 214); }, {valueOf(376, 1.0f)}},
        {"level top up", [](EditorRig& r) { r.click(642, 528); }, {valueOf(356, 1.0f), valueOf(356, 0.0f)}},
        {"right press on M3 of column 0", [](EditorRig& r) { r.click(columnX(0), memoryY(2), 2); },
         {Written(93, kMemoryActionStore << 8 | kMemoryStored), Written(221, kMemoryStored)}},
        {"Alt + right press on M3 of column 5 reaches all sixteen",
         [](EditorRig& r) { r.click(columnX(5), memoryY(2), 2, 4); },
         [] {
             auto w = everywhere(2, kMemoryActionStore, kMemoryStored);
             // Column 5 acts first, then the replays in slot order.
             std::rotate(w.begin(), w.begin() + 10, w.begin() + 12);
             return w;
         }()},
        {"three steps down on the low-frequency arrows (FFT view)",
         [](EditorRig& r) {
             r.set(362, 1.0f);
             r.editor->written.clear();
             r.click(40, 235, 1, 0, -24);
         },
         {valueOf(365, 1.0f), valueOf(365, 1.0f), valueOf(365, 1.0f)}},
        {"the hidden frequency arrows in band view take no press", [](EditorRig& r) { r.click(40, 235, 1, 0, -24); }, {}},
    };
    for (const auto& g : cases) {
        EditorRig rig;
        ASSERT_TRUE(rig.open()) << g.name;
        g.act(rig);
        EXPECT_EQ(rig.editor->written, g.written) << g.name;
    }
}

TEST_F(OpenEditor, BothPagesOn40MsAndAnEditorMadeWhileCompactStartsCompact) {
    // Both pages from every image; no gestures for the host's zero parameters.
    rig.editor->beginEdit(0), rig.editor->endEdit(0);
    EXPECT_EQ(std::tuple(EditorRig::gestures, rig.editor->getTimerPeriod(), rig.frame().getPageCount(),
                         rig.editor->missingBitmaps()),
              std::tuple(0, 40.0f, 2u, 0u));
    rig.click(79, 553, 1, 1);  // Shift + FFT
    EXPECT_EQ(rig.frame().getBackBuffer().width, 650);
    EXPECT_EQ(extent(CAnalyzerEditor(0, 752, 563, nullptr, rig.adapter->getCore(), nullptr)), std::pair(650, 335));
}

// The windows put on screen only the box around what a pass drew; the headless screen is kept
// the same way, so after every pass it must equal the back buffer, whatever drew.
TEST_F(OpenEditor, AfterEveryPassTheScreenShowsTheBackBuffer) {
    auto& native = *static_cast<CHeadlessWindow*>(rig.frame().getNativeWindow());
    native.setKeepScreen(true);
    const auto play = [](EditorRig& r) {
        std::vector<float> left(4096), right(4096);
        for (std::size_t i = 0; i < left.size(); ++i) left[i] = right[i] = 0.5f * std::sin(0.07f * static_cast<float>(i));
        float* in[2] = {left.data(), right.data()};
        r.effect->processReplacing(r.effect, in, in, 4096), r.tick(3);
    };
    const std::pair<const char*, std::function<void(EditorRig&)>> acts[] = {
        {"audio in band view", play},
        {"FFT tab", [](EditorRig& r) { r.click(79, 553); }},
        {"audio in FFT view", play},
        {"compact layout", [](EditorRig& r) { r.click(79, 553, 1, 1); }},
    };
    for (const auto& [name, act] : acts) {
        act(rig);
        const PixelSurface back = rig.frame().getBackBuffer();
        ASSERT_TRUE(std::vector(back.bits, back.bits + back.width * back.height) == native.getScreen()) << name;
    }
}

}  // namespace
}  // namespace qv
