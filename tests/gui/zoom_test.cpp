// Which zoom factors fit the screen and which one the window takes: plain
// functions, no widgets.
#include "persist/settings.h"
#include "ui/commands.h"

#include <gtest/gtest.h>

namespace {

// The start-up field at 1x is 340 x 500 pixels.
constexpr int32_t fieldWidth = 340, fieldHeight = 500;

}  // namespace

TEST(ZoomFit, TheLargestFactorCountsTheFrameAndTheMenuBar)
{
    // free width, free height, frame width, frame height, menu bar height
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {1280, 1024, 0, 0, 19}), 2) << "1000 + 19 <= 1024";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {1280, 1024, 4, 6, 19}), 1) << "1000 + 19 + 6 > 1024";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {1280, 1024, 0, 0, 25}), 1) << "a taller menu bar";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {1019, 2160, 0, 0, 19}), 2) << "the width decides";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {1024, 2160, 8, 30, 19}), 2) << "with the frame";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {800, 600, 8, 30, 19}), 1);
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, {800, 540, 8, 30, 19}), 0) << "not even 1x";
    // "Fit screen" is not bounded by the menu's largest factor.
    EXPECT_EQ(largestFittingZoom(100, 100, {3840, 2160, 0, 0, 0}), 21);
}

TEST(ZoomFit, TheStoredChoiceIsAppliedWhenItFitsOtherwiseTheLargestThatDoes)
{
    EXPECT_EQ(appliedZoom(3, 4), 3);
    EXPECT_EQ(appliedZoom(3, 3), 3);
    EXPECT_EQ(appliedZoom(3, 2), 2);
    EXPECT_EQ(appliedZoom(3, 1), 1);
    EXPECT_EQ(appliedZoom(3, 0), 1) << "1x even when it does not fit";
    EXPECT_EQ(appliedZoom(ZOOM_FIT_SCREEN, 6), 6);
    EXPECT_EQ(appliedZoom(ZOOM_FIT_SCREEN, 0), 1);
    EXPECT_EQ(appliedZoom(9, 9), maxZoomFactor) << "a stored value out of range stays within the menu's";
}

TEST(ZoomFit, FactorsThatDoNotFitAreGreyedOutBut1xAndFitScreenNever)
{
    const auto enabled = [](int32_t largestFitting) {
        std::string items;
        for (int32_t id = CMD_ZOOM_1; id <= CMD_ZOOM_FIT; ++id)
            items += zoomItemEnabled(id, largestFitting) ? 'o' : '-';
        return items;
    };
    // 1x, 2x, 3x, 4x, Fit screen
    EXPECT_EQ(enabled(5), "ooooo");
    EXPECT_EQ(enabled(4), "ooooo");
    EXPECT_EQ(enabled(2), "oo--o");
    EXPECT_EQ(enabled(1), "o---o");
    EXPECT_EQ(enabled(0), "o---o");
    EXPECT_TRUE(zoomItemEnabled(CMD_RESTART, 0)) << "other items are no zoom factors";
}
