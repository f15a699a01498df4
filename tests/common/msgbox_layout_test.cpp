// The message box geometry, checked in twips without a screen.
#include "common/msgbox_layout.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

using namespace zerva::common;

namespace {

MsgBoxLayoutInput input(int w, int h, int button, int direction, bool equal = true,
                        std::array<int, 3> captions = {300, 300, 500}) {
    MsgBoxLayoutInput in;
    in.messageWidth = w;
    in.messageHeight = h;
    in.captionWidth = captions;
    in.button = button;
    in.buttonDirection = direction;
    in.buttonWidthEqual = equal;
    return in;
}

} // namespace

namespace {

struct RowCase {
    const char* name;
    MsgBoxLayoutInput in;
    std::array<int, 3> lefts;
    int width;    // every button
    int msgWidth; // after widening
    int windowWidth;
    int windowHeight;
};

class MsgBoxRowLayout : public ::testing::TestWithParam<RowCase> {};

TEST_P(MsgBoxRowLayout, PlacesButtonsAndSizesTheWindow) {
    const RowCase& c = GetParam();
    const MsgBoxLayout l = computeMsgBoxLayout(c.in);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(l.buttons[i].left, c.lefts[i]) << "button " << i;
        EXPECT_EQ(l.buttons[i].width, c.width);
        EXPECT_EQ(l.buttons[i].top, c.in.messageHeight + 510);
        EXPECT_EQ(l.buttons[i].height, 375);
    }
    EXPECT_EQ(l.message.width, c.msgWidth);
    EXPECT_EQ(l.frame.left, 120);
    EXPECT_EQ(l.frame.width, c.msgWidth + 240);
    EXPECT_EQ(l.windowWidth, c.windowWidth);
    EXPECT_EQ(l.windowHeight, c.windowHeight);
}

const RowCase kRowCases[] = {
    // One button centred under the frame; the gap 1252.5 rounds to even.
    {"Code6", input(3000, 195, 6, 1), {1252, 1252, 1252}, 975, 3000, 3570, 1590},
    // Two buttons: "بلي" on the right, "خير" on the left, the spare behind "خير".
    {"Code4", input(3000, 195, 4, 1), {1995, 510, 510}, 975, 3000, 3570, 1590},
    // Three buttons with a prompt wide enough: gaps (3360 - 3285) / 4 + 120 = 138.75.
    {"Code3", input(3000, 390, 3, 1), {2367, 1253, 139}, 975, 3000, 3570, 1785},
    // A prompt narrower than the buttons: the label widens to their total - 360, gaps 120.
    {"NarrowPrompt", input(600, 195, 3, 1), {2310, 1215, 120}, 975, 2925, 3495, 1590},
    // Two buttons, same narrow prompt.
    {"NarrowTwo", input(600, 195, 4, 1), {1215, 120, 120}, 975, 1830, 2400, 1590},
};
INSTANTIATE_TEST_SUITE_P(Cases, MsgBoxRowLayout, ::testing::ValuesIn(kRowCases),
                         zerva::test::RowName());

} // namespace

TEST(MsgBoxLayout, EnabledButtonsFollowTheCode) {
    EXPECT_EQ(computeMsgBoxLayout(input(3000, 195, 6, 1)).enabled,
              (std::array{true, false, false}));
    EXPECT_EQ(computeMsgBoxLayout(input(3000, 195, 4, 1)).enabled, (std::array{true, true, false}));
    EXPECT_EQ(computeMsgBoxLayout(input(3000, 195, 3, 1)).enabled, (std::array{true, true, true}));
    EXPECT_EQ(computeMsgBoxLayout(input(3000, 195, 5, 1)).enabled,
              (std::array{false, false, false}));
}

TEST(MsgBoxLayout, CustomCaptionWidensButtons) {
    // A long cancel caption: 1500 + 210 = 1710 wide; the others stay at 975 unless equal.
    const auto unequal = computeMsgBoxLayout(input(6000, 195, 3, 1, false, {300, 300, 1500}));
    EXPECT_EQ(unequal.buttons[0].width, 975);
    EXPECT_EQ(unequal.buttons[1].width, 975);
    EXPECT_EQ(unequal.buttons[2].width, 1710);
    // T = 1095 + 1095 + 1830 = 4020; g = (6360 - 4020) / 4 + 120 = 705.
    EXPECT_EQ(unequal.buttons[2].left, 705);
    EXPECT_EQ(unequal.buttons[1].left, 705 + 705 + 1710);
    EXPECT_EQ(unequal.buttons[0].left, 705 + 705 + 975 + 705 + 1710);

    const auto equal = computeMsgBoxLayout(input(6000, 195, 3, 1, true, {300, 300, 1500}));
    for (const auto& b : equal.buttons) {
        EXPECT_EQ(b.width, 1710);
    }
    // A caption narrower than the minimum still gets 975.
    EXPECT_EQ(computeMsgBoxLayout(input(6000, 195, 6, 1, false, {10, 0, 0})).buttons[0].width, 975);
}

TEST(MsgBoxLayout, ColumnLayouts) {
    // One-line prompt, three buttons: the label grows to 3 * 495 - 420, the buttons 120 apart.
    const auto col3 = computeMsgBoxLayout(input(3000, 195, 3, 0));
    EXPECT_EQ(col3.message.height, 1065);
    EXPECT_EQ(col3.buttons[0].top, 120);
    EXPECT_EQ(col3.buttons[1].top, 615);
    EXPECT_EQ(col3.buttons[2].top, 1110);
    EXPECT_EQ(col3.frame.left, 975 + 240);
    EXPECT_EQ(col3.windowWidth, 1215 + 210 + 3240);
    EXPECT_EQ(col3.windowHeight, 1065 + 300 + 615);
    // Buttons right-aligned on the line w + 120, w the widest, even when widths differ.
    const auto ragged = computeMsgBoxLayout(input(3000, 1950, 3, 2, false, {300, 1000, 300}));
    EXPECT_EQ(ragged.buttons[1].left, 120);
    EXPECT_EQ(ragged.buttons[0].left, 1210 + 120 - 975);
    // Tall prompt, one button: g = (2370 - 495) / 2 + 120 = 1057.5 -> 1058; tops ignore n.
    EXPECT_EQ(ragged.message.height, 1950);
    const auto tall1 = computeMsgBoxLayout(input(3000, 1950, 6, 2));
    EXPECT_EQ(tall1.buttons[0].top, 1058);
    EXPECT_EQ(tall1.buttons[1].top, 2 * 1058 + 375);
    EXPECT_EQ(tall1.buttons[2].top, 3 * 1058 + 750);
}
