// The text field's overlay box driven by synthetic presses and keys through the headless window.

#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"

namespace qv::test {
namespace {

using Keys = std::vector<std::uint32_t>;
constexpr std::uint32_t kPressOutside = 0xFFFF0000u;  // a script step: a press away from the box

Keys operator+(const std::string& typed, const Keys& more) {
    Keys codes;
    for (char ch : typed) codes.push_back(static_cast<unsigned char>(ch));
    codes.insert(codes.end(), more.begin(), more.end());
    return codes;
}

struct EditCase {
    const char* name; std::string start; Keys script;
    std::string shown; bool notified;  // shown: also the committed text when notified
};
void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

const std::string k255(255, 'q'), kHigh = "\xE9t\xE9";  // bytes above 127

const EditCase kEditCases[] = {
    {"EscapeKeepsTheOldTextAndTellsNobody", "abc", "xyz" + Keys{kKeyEscape}, "abc", false},
    {"EnterUnchangedStillNotifies", "abc", {kKeyReturn}, "abc", true},
    {"EditingKeys", "abc", {kKeyLeft, kKeyBackspace, kKeyHome, kKeyDelete, 'X', kKeyReturn}, "Xc", true},
    {"CaretStopsAtBothEnds", "ab",
     {kKeyRight, kKeyHome, kKeyLeft, kKeyBackspace, 'Z', kKeyEnd, kKeyDelete, 'Y', kKeyReturn}, "ZabY", true},
    {"TypingStopsAt255", "", std::string(300, 'q') + Keys{kKeyReturn}, k255, true},
    {"OwnerTextOf1000IsCutTo255", std::string(1000, 'q'), {kKeyReturn}, k255, true},
    {"NonAsciiBytesPassThrough", "", kHigh + Keys{kKeyReturn}, kHigh, true},
    {"ControlCodesAreNotTyped", "a", {1, 9, 31, 0x1100, kKeyReturn}, "a", true},
    {"EmptyTextCommitsEmpty", "ab", {kKeyBackspace, kKeyBackspace, kKeyReturn}, "", true},
    {"PressOutsideTakesTheText", "abc", "d" + Keys{kPressOutside}, "abcd", true},
};

class TextEditScript : public PopupsTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(TextEditScript, ReachesFieldAndOwner) {
    const EditCase& c = GetParam();
    auto* field = put(new CTextEdit(&owner, CRect{20, 150, 120, 16}, 42));
    field->setText(c.start);
    click(30, 155);
    ASSERT_TRUE(field->isEditing());
    std::string boxed;  // what the box showed before the last step
    for (std::uint32_t k : c.script) {
        boxed = field->getOverlay() ? field->getOverlay()->getText() : "-";
        k == kPressOutside ? click(300, 20) : keys({k});
    }
    EXPECT_EQ(boxed, c.notified ? c.shown : boxed) << "the box shows what is taken";
    EXPECT_TRUE(!field->isEditing() && window->getOverlayView() == nullptr);
    EXPECT_EQ(std::tuple(field->getText(), field->getCommittedText(), owner.changes.size()),
              std::tuple(c.shown, c.notified ? c.shown : "", c.notified ? 1u : 0u));
}

INSTANTIATE_TEST_SUITE_P(Keys, TextEditScript, ::testing::ValuesIn(kEditCases),
                         [](const auto& p) { return std::string(p.param.name); });

using TextEdit = PopupsTest;

TEST_F(TextEdit, BoxCoversTheFieldOrTheEditRectInsideTheWindow) {
    auto* field = put(new CTextEdit(&owner, CRect{20, 100, 80, 14}, 1));
    field->setUseEditRect(true);
    field->setEditRect(CRect{-1, 0, 74, 13});
    field->openEditor();
    const CRect box = field->getOverlay()->getBox();
    EXPECT_EQ(std::tuple(box.x, box.width, box.height), std::tuple(19, 75, 14));
    field->setEditRect(CRect{290, 200, 100, 20});  // would reach past the top right corner
    field->openEditor();
    const CRect kept = field->getOverlay()->getBox();
    EXPECT_EQ(kept.x + kept.width, width);
    EXPECT_TRUE(paintsOnlyInside(kept));
}

}  // namespace
}  // namespace qv::test
