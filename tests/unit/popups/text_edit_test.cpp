// The text field's overlay box driven end to end by synthetic presses and keys through the
// headless window: what reaches the field and its owner for each key script.
#include <string>
#include <vector>

#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"
#include "unit/popups/test_keys.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kPressOutside = 0xFFFF0000u;  // a script step: a press away from the box

struct EditCase {
    const char* name;
    std::string start;
    std::vector<std::uint32_t> script;  // keys, or kPressOutside
    std::string shown;                  // the field's text afterwards
    std::string committed;
    std::size_t notified;               // owner notifications
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::uint32_t> typed(const std::string& s) {
    std::vector<std::uint32_t> codes;
    for (char ch : s) codes.push_back(static_cast<unsigned char>(ch));
    return codes;
}
std::vector<std::uint32_t> operator+(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<EditCase> editCases() {
    using namespace key;
    const std::string name40(40, 'n');
    const std::string e = "\xE9t\xE9";  // Windows-1252 bytes above 127
    return {
        {"EscapeKeepsTheOldTextAndTellsNobody", "abc", typed("xyz") + std::vector<std::uint32_t>{kEscape}, "abc", "", 0},
        {"EnterUnchangedStillNotifies", "abc", {kReturn}, "abc", "abc", 1},
        {"TypingAppendsAtTheCaret", "abc", typed("de") + std::vector<std::uint32_t>{kReturn}, "abcde", "abcde", 1},
        {"HomeDeleteAndInsert", "abc", {kHome, kDelete, 'X', kReturn}, "Xbc", "Xbc", 1},
        {"LeftAndBackspace", "abc", {kLeft, kBackspace, kReturn}, "ac", "ac", 1},
        {"CaretStopsAtBothEnds", "ab", {kRight, kRight, kHome, kLeft, kLeft, 'Z', kEnd, 'Y', kReturn}, "ZabY", "ZabY", 1},
        {"BackspaceAtStartAndDeleteAtEndDoNothing", "ab", {kHome, kBackspace, kEnd, kDelete, kReturn}, "ab", "ab", 1},
        {"TypingStopsAt255", "", typed(std::string(300, 'q')) + std::vector<std::uint32_t>{kReturn}, std::string(255, 'q'), std::string(255, 'q'), 1},
        {"OwnerTextOf1000IsCutTo255", std::string(1000, 'w'), {kReturn}, std::string(255, 'w'), std::string(255, 'w'), 1},
        {"FortyCharacterNameReachesTheOwnerWhole", "", typed(name40) + std::vector<std::uint32_t>{kReturn}, name40, name40, 1},
        {"NonAsciiBytesPassThrough", "", typed(e) + std::vector<std::uint32_t>{kReturn}, e, e, 1},
        {"EmptyTextCommitsEmpty", "abc", {kHome, kDelete, kDelete, kDelete, kBackspace, kReturn}, "", "", 1},
        {"ControlCodesAreNotTyped", "a", {1, 9, 31, 0x1100, kReturn}, "a", "a", 1},
        {"PressOutsideTakesTheText", "abc", typed("d") + std::vector<std::uint32_t>{kPressOutside}, "abcd", "abcd", 1},
    };
}

class TextEditScript : public PopupsTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(TextEditScript, ReachesFieldAndOwner) {
    const EditCase& c = GetParam();
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 42));
    field->setText(c.start);
    click(30, 155);
    ASSERT_TRUE(field->isEditing());
    ASSERT_NE(field->getOverlay(), nullptr);
    for (std::uint32_t k : c.script) {
        if (k == kPressOutside) {
            click(300, 20);
        } else {
            keys({k});
        }
    }
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(field->getOverlay(), nullptr);
    EXPECT_EQ(field->getText(), c.shown);
    EXPECT_EQ(field->getCommittedText(), c.committed);
    ASSERT_EQ(owner.changes.size(), c.notified);
    if (c.notified) {
        EXPECT_EQ(owner.changes[0].tag, 42u);
    }
    EXPECT_EQ(window->getOverlayView(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Keys, TextEditScript, ::testing::ValuesIn(editCases()),
                         [](const auto& p) { return std::string(p.param.name); });

using TextEdit = PopupsTest;

TEST_F(TextEdit, BoxCoversTheFieldOrTheEditRectAndStaysInsideTheWindow) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 100, 80, 14}, 1));
    field->openEditor();
    EXPECT_EQ(field->getOverlay()->getBox().x, 20);
    EXPECT_EQ(field->getOverlay()->getBox().width, 81);
    field->setUseEditRect(true);
    field->setEditRect(CRect{-1, 0, 74, 13});
    field->openEditor();
    const CRect box = field->getOverlay()->getBox();
    EXPECT_EQ(box.x, 19);
    EXPECT_EQ(box.y, 100);
    EXPECT_EQ(box.width, 75);
    EXPECT_EQ(box.height, 14);
    field->setEditRect(CRect{290, 200, 100, 20});  // would reach past the top right corner
    field->openEditor();
    const CRect kept = field->getOverlay()->getBox();
    EXPECT_LE(kept.x + kept.width, kWidth);
    EXPECT_LE(kept.y + kept.height, kHeight);
    snapshot("text_box_corner");
    EXPECT_TRUE(onlyInside(kept));
}

TEST_F(TextEdit, SecondPressDropsTheOpenBoxAndOpensANewOne) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 1));
    field->setText("old");
    click(30, 155);
    type("XY");
    click(30, 155);  // inside the box: the caret moves, the box stays
    EXPECT_TRUE(field->isEditing());
    field->openEditor();  // a second open drops what was typed
    EXPECT_EQ(field->getOverlay()->getText(), "old");
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(TextEdit, EditSourceStartsTheBoxAndShowCommittedOffKeepsTheLabel) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 1));
    field->setText("label");
    field->setEditSource("source");
    field->setUseEditSource(true);
    field->setShowCommitted(false);
    click(30, 155);
    type("!");
    keys({key::kReturn});
    EXPECT_EQ(field->getCommittedText(), "source!");
    EXPECT_EQ(field->getText(), "label");
}

TEST_F(TextEdit, ClickPutsTheCaretNearestThePress) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 200, 16}, 1));
    field->setAlignment(0);
    field->setEditAlignment(0);
    field->setText("mmmmmmmmmm");
    click(25, 155);
    click(22, 155);  // the left edge of the text
    EXPECT_EQ(field->getOverlay()->getCaret(), 0u);
    click(215, 155);  // beyond the end
    EXPECT_EQ(field->getOverlay()->getCaret(), 10u);
}

// Closing the editor, hiding the field or cancelling: the box goes and nothing is taken.
TEST_F(TextEdit, TeardownPathsCloseWithoutTaking) {
    for (int path = 0; path < 4; ++path) {
        auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 1));
        field->setText("keep");
        click(30, 155);
        type("zz");
        snapshot("text_box");
        if (path == 0) field->cancelEditing();
        if (path == 1) field->setShown(false);
        if (path == 2) field->endEditing(false);
        if (path == 3) {
            closeWindow();
            EXPECT_TRUE(owner.changes.empty());
            return;
        }
        EXPECT_FALSE(field->isEditing()) << path;
        EXPECT_EQ(window->getOverlayView(), nullptr) << path;
        EXPECT_EQ(field->getText(), "keep") << path;
        keys({key::kReturn});
        EXPECT_TRUE(owner.changes.empty()) << path;
        panel->removeView(field);
        delete field;
    }
}

TEST_F(TextEdit, OverlayDrawsTheTypedTextInABoxOverTheField) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 1));
    click(30, 155);
    type("Hello");
    snapshot("text_box_typed");
    const CRect box = field->getOverlay()->getBox();
    EXPECT_EQ(pixel(box.x, box.y), 0xFF000000u);  // the border
    EXPECT_EQ(pixel(box.x + 1, box.y + 1), 0xFFFFFFFFu);
    int ink = 0;
    for (std::int32_t x = box.x + 2; x < box.x + box.width - 2; ++x) {
        for (std::int32_t y = box.y + 2; y < box.y + box.height - 2; ++y) ink += pixel(x, y) != 0xFFFFFFFFu;
    }
    EXPECT_GT(ink, 20);  // the text and the caret
    EXPECT_TRUE(onlyInside(box));
}

}  // namespace
}  // namespace qv::test
