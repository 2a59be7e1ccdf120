#include "ui/customgame.h"
#include "qt/dialogs.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "gui/dialogtest.h"

#include <set>

namespace {

CustomGameDraft draftOf(int32_t width, int32_t height, int32_t extent, int32_t maxBlocks, int32_t minBlocks)
{
    CustomGameDraft draft;
    draft.fieldWidth = width;
    draft.fieldHeight = height;
    draft.maxShapeExtent = extent;
    draft.maxBlocks = maxBlocks;
    draft.minBlocks = minBlocks;
    draft.minRowsToClear = 1;
    draft.initialFallSpeed = 0.4;
    return draft;
}

struct Shapes {
    int32_t extent, maxBlocks, minBlocks;
    bool operator==(const Shapes&) const = default;
};

Shapes shapesOf(const CustomGameDraft& draft)
{
    return {draft.maxShapeExtent, draft.maxBlocks, draft.minBlocks};
}

std::ostream& operator<<(std::ostream& out, const Shapes& s)
{
    return out << "extent " << s.extent << ", max " << s.maxBlocks << ", min " << s.minBlocks;
}

}  // namespace

// ---------------------------------------------------------------------------
// The rules, without widgets.

using CustomGameRules = GameTest;

TEST_F(CustomGameRules, NarrowingTheFieldSqueezesTheShapesAndWideningGivesNothingBack)
{
    CustomGameDraft draft = draftOf(10, 20, 5, 12, 6);
    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_WIDTH, SCROLL_THUMB_TRACK, 4));
    EXPECT_EQ(draft.fieldWidth, 4);
    EXPECT_EQ(shapesOf(draft), (Shapes{2, 4, 4}));

    EXPECT_FALSE(customGameHorizontalScroll(draft, BAR_WIDTH, SCROLL_THUMB_POSITION, 10));
    EXPECT_EQ(draft.fieldWidth, 10);
    EXPECT_EQ(shapesOf(draft), (Shapes{2, 4, 4}));

    // The height squeezes the same way.
    draft = draftOf(20, 10, 8, 25, 10);
    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_HEIGHT, SCROLL_LINE_LEFT, 0));
    EXPECT_EQ(draft.fieldHeight, 9);
    EXPECT_EQ(shapesOf(draft), (Shapes{7, 25, 10}));
}

TEST_F(CustomGameRules, ExtentAndMaxBlocksHoldEachOtherDown)
{
    CustomGameDraft draft = draftOf(10, 10, 3, 9, 2);
    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_EXTENT, SCROLL_LINE_RIGHT, 0));
    EXPECT_EQ(shapesOf(draft), (Shapes{4, 9, 2})) << "a larger extent leaves the blocks alone";

    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_MAX_BLOCKS, SCROLL_THUMB_TRACK, 3));
    EXPECT_EQ(shapesOf(draft), (Shapes{3, 3, 2})) << "an extent beyond max blocks comes down";

    // A smaller extent caps max blocks at its square, and min blocks follows.
    draft = draftOf(10, 10, 4, 16, 10);
    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_EXTENT, SCROLL_PAGE_LEFT, 0));
    EXPECT_EQ(shapesOf(draft), (Shapes{3, 9, 9}));

    // Min blocks can rise above max blocks only to be pulled back.
    draft = draftOf(10, 10, 3, 5, 5);
    EXPECT_FALSE(customGameHorizontalScroll(draft, BAR_MIN_BLOCKS, SCROLL_LINE_RIGHT, 0));
    EXPECT_EQ(draft.minBlocks, 5);
}

TEST_F(CustomGameRules, ArrowsStopAtTheBoundsAndPagesStepLikeLines)
{
    CustomGameDraft draft = draftOf(50, 50, 20, 25, 1);
    EXPECT_FALSE(customGameHorizontalScroll(draft, BAR_MAX_BLOCKS, SCROLL_LINE_RIGHT, 0));
    EXPECT_EQ(draft.maxBlocks, 25);
    EXPECT_FALSE(customGameHorizontalScroll(draft, BAR_MIN_BLOCKS, SCROLL_LINE_LEFT, 0));
    EXPECT_EQ(draft.minBlocks, 1);
    customGameHorizontalScroll(draft, BAR_WIDTH, SCROLL_PAGE_RIGHT, 0);
    EXPECT_EQ(draft.fieldWidth, 50);

    for (int32_t bar : {BAR_WIDTH, BAR_HEIGHT, BAR_MAX_BLOCKS, BAR_MIN_BLOCKS, BAR_EXTENT}) {
        const ScrollRange range = customGameBarRange(bar);
        draft = draftOf(30, 30, 10, 20, 5);
        const int32_t start = customGameBarPosition(draft, bar);
        customGameHorizontalScroll(draft, bar, SCROLL_PAGE_LEFT, 0);
        EXPECT_EQ(customGameBarPosition(draft, bar), start - 1) << "bar " << bar;
        customGameHorizontalScroll(draft, bar, SCROLL_THUMB_TRACK, range.minimum - 5);
        EXPECT_EQ(customGameBarPosition(draft, bar), range.minimum) << "bar " << bar;
        customGameHorizontalScroll(draft, bar, SCROLL_LINE_LEFT, 0);
        EXPECT_EQ(customGameBarPosition(draft, bar), range.minimum) << "bar " << bar;
    }
}

TEST_F(CustomGameRules, EveryScrollRunsTheRulesWhateverBarSentIt)
{
    // A draft filled from a game whose extent does not fit its field.
    CustomGameDraft draft = draftOf(6, 30, 8, 25, 10);
    EXPECT_TRUE(customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_END, 0));
    EXPECT_EQ(shapesOf(draft), (Shapes{4, 16, 10}));
    EXPECT_DOUBLE_EQ(draft.initialFallSpeed, 0.4) << "the end of a scroll moves nothing";
}

TEST_F(CustomGameRules, SpeedStepsByTenthsBetweenItsBounds)
{
    CustomGameDraft draft = draftOf(10, 20, 4, 4, 4);
    draft.initialFallSpeed = 0.1;
    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_LINE_LEFT, 0);
    EXPECT_EQ(draft.initialFallSpeed, 0.1);
    EXPECT_EQ(customGameBarLabel(draft, BAR_SPEED), " 0.1");

    draft.initialFallSpeed = 5.0;
    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_PAGE_RIGHT, 0);
    EXPECT_EQ(draft.initialFallSpeed, 5.0);
    EXPECT_EQ(customGameBarLabel(draft, BAR_SPEED), " 5.0");
    EXPECT_EQ(customGameBarPosition(draft, BAR_SPEED), 50);

    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_THUMB_TRACK, 8);
    EXPECT_EQ(draft.initialFallSpeed, 0.8);
    EXPECT_EQ(customGameBarLabel(draft, BAR_SPEED), " 0.8");
    EXPECT_EQ(customGameBarPosition(draft, BAR_SPEED), 8);

    // A speed between two tenths keeps its offset while it steps.
    draft.initialFallSpeed = 0.15;
    EXPECT_EQ(customGameBarPosition(draft, BAR_SPEED), 1);
    EXPECT_EQ(customGameBarLabel(draft, BAR_SPEED), " 0.1");
    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_LINE_RIGHT, 0);
    EXPECT_DOUBLE_EQ(draft.initialFallSpeed, 0.25);
    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_LINE_LEFT, 0);
    customGameHorizontalScroll(draft, BAR_SPEED, SCROLL_LINE_LEFT, 0);
    EXPECT_EQ(draft.initialFallSpeed, 0.1) << "a step below the slowest speed gives exactly 0.1";
}

TEST_F(CustomGameRules, MinRowsUpperArrowRaisesAndItsThumbDoesNothing)
{
    CustomGameDraft draft = draftOf(10, 20, 4, 4, 4);
    std::vector<uint32_t> seen;
    for (int i = 0; i < 12; ++i) {
        customGameVerticalScroll(draft, i % 2 == 0 ? SCROLL_LINE_UP : SCROLL_PAGE_UP);
        seen.push_back(draft.minRowsToClear);
    }
    EXPECT_EQ(seen, (std::vector<uint32_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10}));
    EXPECT_EQ(customGameBarLabel(draft, BAR_MIN_ROWS), "10");

    customGameVerticalScroll(draft, SCROLL_THUMB_TRACK);
    customGameVerticalScroll(draft, SCROLL_THUMB_POSITION);
    EXPECT_EQ(draft.minRowsToClear, 10u);

    for (int i = 0; i < 12; ++i)
        customGameVerticalScroll(draft, SCROLL_LINE_DOWN);
    EXPECT_EQ(draft.minRowsToClear, 1u);

    // A stored 0 steps into the range instead of wrapping around.
    draft.minRowsToClear = 0;
    customGameVerticalScroll(draft, SCROLL_LINE_DOWN);
    EXPECT_EQ(draft.minRowsToClear, 1u);
}

TEST_F(CustomGameRules, OnlyTetraminoesSetsFourAndMakesRoomForThem)
{
    CustomGameDraft draft = draftOf(4, 5, 2, 4, 3);
    customGameOnlyTetraminoes(draft, true);
    EXPECT_EQ(shapesOf(draft), (Shapes{4, 4, 4}));
    EXPECT_EQ(draft.fieldWidth, 6);
    EXPECT_EQ(draft.fieldHeight, 6);

    // Unchecking keeps the values but still makes room.
    draft = draftOf(5, 30, 3, 7, 2);
    customGameOnlyTetraminoes(draft, false);
    EXPECT_EQ(shapesOf(draft), (Shapes{3, 7, 2}));
    EXPECT_EQ(draft.fieldWidth, 6);
    EXPECT_EQ(draft.fieldHeight, 30);
}

TEST_F(CustomGameRules, SidewaysGravityShowsTheFieldAsOnTheScreen)
{
    game.fieldWidth = 12;
    game.fieldHeight = 25;
    for (int32_t direction : {FORCE_RIGHT, FORCE_LEFT, FORCE_DOWN, FORCE_UP}) {
        game.forceDirection = direction;
        CustomGameDraft draft;
        fillCustomGameDraft(draft);
        const bool sideways = direction == FORCE_RIGHT || direction == FORCE_LEFT;
        EXPECT_EQ(draft.fieldWidth, sideways ? 25 : 12) << forceDirectionNames[direction];
        EXPECT_EQ(draft.fieldHeight, sideways ? 12 : 25) << forceDirectionNames[direction];

        // Started unchanged, the field is the same again.
        fakeWindow::install();
        startCustomGame(draft);
        fakeWindow::uninstall();
        EXPECT_EQ(game.fieldWidth, 12) << forceDirectionNames[direction];
        EXPECT_EQ(game.fieldHeight, 25) << forceDirectionNames[direction];
    }
}

TEST_F(CustomGameRules, StartWritesEverySettingAndStartsAFreshGame)
{
    fakeWindow::install();
    setUpGameInProgress();
    CustomGameDraft draft = draftOf(16, 22, 5, 7, 3);
    draft.minRowsToClear = 3;
    draft.initialFallSpeed = 1.3;
    draft.sidesType = SIDES_BIG_HOLES;
    draft.groundType = -1;  // nothing selected
    draft.forceDirection = FORCE_LEFT;
    draft.gradualSpeedup = true;
    draft.suddenMode = false;
    draft.invisibilityMode = true;
    draft.effectFrequency = {FREQ_OFTEN, -1, FREQ_RARELY, FREQ_NEVER, FREQ_SOMETIMES};
    startCustomGame(draft);
    fakeWindow::uninstall();

    EXPECT_EQ(game.fieldWidth, 22);
    EXPECT_EQ(game.fieldHeight, 16);
    EXPECT_EQ(game.maxShapeExtent, 5);
    EXPECT_EQ(game.maxBlocks, 7);
    EXPECT_EQ(game.minBlocks, 3);
    EXPECT_EQ(game.minRowsToClear, 3u);
    EXPECT_EQ(game.initialFallSpeed, 1.3);
    EXPECT_EQ(game.sidesType, SIDES_BIG_HOLES);
    EXPECT_EQ(game.groundType, GROUND_SOLID);
    EXPECT_EQ(game.forceDirection, FORCE_LEFT);
    EXPECT_TRUE(game.gradualSpeedup);
    EXPECT_FALSE(game.suddenMode);
    EXPECT_TRUE(game.invisibilityMode);
    EXPECT_EQ(game.effectFrequency, (std::array<int32_t, EFFECT_COUNT>{3, 0, 1, 0, 2}));
    EXPECT_TRUE(game.levelFile.empty());
    EXPECT_TRUE(game.tipText.empty());
    EXPECT_TRUE(fakeWindow::messages().empty()) << "the earlier game's tip is not shown";

    // A new game, not the old one with new numbers.
    EXPECT_EQ(game.cellCount, 22 * 16);
    EXPECT_EQ(game.fieldCells.size(), size_t(22 * 16));
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(game.fallSpeed, 1.3);
    EXPECT_TRUE(fieldContains(game.fieldCells, CELL_ACTIVE));
    EXPECT_EQ(game.shapeQueue[0].size(), 25u);
}

// ---------------------------------------------------------------------------
// The dialog itself.

class CustomGameDialogTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
    }
    void TearDown() override { fakeWindow::uninstall(); }

    static QString label(QDialog& dialog, const char* name) { return control<QLabel>(dialog, name).text(); }
    static QScrollBar& bar(QDialog& dialog, const char* name) { return control<QScrollBar>(dialog, name); }
    static void press(QDialog& dialog, const char* button) { QTest::mouseClick(&control<QPushButton>(dialog, button), Qt::LeftButton); }
    // A drag of the thumb to a position, as the bar reports it.
    static void drag(QScrollBar& scrollBar, int position)
    {
        scrollBar.setSliderDown(true);
        scrollBar.setSliderPosition(position);
        scrollBar.setSliderDown(false);
    }
};

TEST_F(CustomGameDialogTest, ShowsEveryControlWithItsCaptionInsideTheDialog)
{
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Custom Game Settings");
        std::set<QString> captions;
        for (const QLabel* l : dialog.findChildren<QLabel*>())
            captions.insert(l->text());
        for (const QGroupBox* g : dialog.findChildren<QGroupBox*>())
            captions.insert(g->title());
        for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
            captions.insert(b->text());
        for (const char* caption :
             {"FIELD", "Width:", "Height:", "Sides", "Ground", "SHAPES", "Only tetraminoes", "Max blocks in shape:",
              "Min blocks in shape:", "Max shape width and height:", "GRAVITATION", "Initial free fall speed",
              "Gradually increase fall speed", "Force direction", "EXTRA DIFFCULTY", "\"Sudden\" mode (instant falls)",
              "Min # adjacent filled rows to disappear", "Invisibility mode", "Flood", "Erosion", "Petrification",
              "Shattered shapes", "Row placement failure", "Start!", "Cancel"})
            EXPECT_TRUE(captions.count(QString::fromUtf8(caption))) << caption;

        const auto items = [&](const char* name) {
            QStringList list;
            const QComboBox& box = control<QComboBox>(dialog, name);
            for (int i = 0; i < box.count(); ++i)
                list << box.itemText(i);
            EXPECT_FALSE(box.isEditable()) << name;
            return list.join('|');
        };
        EXPECT_EQ(items("sides"), "Solid|Small holes|Big holes|No sides");
        EXPECT_EQ(items("ground"), "Solid|Single center block|Single corner block|Scattered|No ground");
        EXPECT_EQ(items("direction"), "Down|Up|Right|Left");
        for (const char* effect : {"flood", "erosion", "petrification", "shatteredShapes", "rowPlacementFailure"})
            EXPECT_EQ(items(effect), "Never|Rarely|Sometimes|Often") << effect;

        const std::vector<std::pair<const char*, std::pair<int, int>>> ranges = {
            {"width", {4, 50}}, {"height", {4, 50}}, {"maxBlocks", {3, 25}}, {"minBlocks", {1, 10}},
            {"extent", {2, 20}}, {"speed", {1, 50}}, {"minRows", {1, 10}}};
        for (const auto& [name, range] : ranges) {
            EXPECT_EQ(bar(dialog, name).minimum(), range.first) << name;
            EXPECT_EQ(bar(dialog, name).maximum(), range.second) << name;
        }
        EXPECT_EQ(bar(dialog, "minRows").orientation(), Qt::Vertical);

        // Every control lies inside the dialog, and none covers another
        // (group boxes frame the controls, so they are left out).
        std::vector<const QWidget*> controls;
        for (const QWidget* w : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(dialog.rect().contains(w->geometry())) << w->objectName().toStdString();
            if (qobject_cast<const QGroupBox*>(w) == nullptr)
                controls.push_back(w);
        }
        for (size_t i = 0; i < controls.size(); ++i)
            for (size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                    << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
        press(dialog, "cancel");
    });
}

TEST_F(CustomGameDialogTest, OpensWithTheRecordsSettings)
{
    setUpGameInProgress(12, 25, 4);
    game.forceDirection = FORCE_RIGHT;
    game.initialFallSpeed = 0.15;
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        EXPECT_EQ(label(dialog, "widthLabel"), "25");
        EXPECT_EQ(label(dialog, "heightLabel"), "12");
        EXPECT_EQ(bar(dialog, "width").value(), 25);
        EXPECT_EQ(label(dialog, "extentLabel"), "4");
        EXPECT_EQ(label(dialog, "maxBlocksLabel"), "5");
        EXPECT_EQ(label(dialog, "minBlocksLabel"), "3");
        EXPECT_EQ(label(dialog, "minRowsLabel"), "2");
        EXPECT_EQ(label(dialog, "speedLabel"), " 0.1");
        EXPECT_EQ(bar(dialog, "speed").value(), 1);
        EXPECT_EQ(control<QComboBox>(dialog, "sides").currentIndex(), SIDES_SMALL_HOLES);
        EXPECT_EQ(control<QComboBox>(dialog, "ground").currentIndex(), GROUND_SCATTERED);
        EXPECT_EQ(control<QComboBox>(dialog, "direction").currentText(), "Right");
        EXPECT_EQ(control<QComboBox>(dialog, "flood").currentIndex(), 1);
        EXPECT_EQ(control<QComboBox>(dialog, "petrification").currentIndex(), 3);
        EXPECT_FALSE(control<QCheckBox>(dialog, "gradualSpeedup").isChecked());
        EXPECT_TRUE(control<QCheckBox>(dialog, "suddenMode").isChecked());
        EXPECT_TRUE(control<QCheckBox>(dialog, "invisibilityMode").isChecked());
        EXPECT_FALSE(control<QCheckBox>(dialog, "onlyTetraminoes").isChecked());
        EXPECT_TRUE(bar(dialog, "maxBlocks").isEnabled());
        press(dialog, "start");
    });
    // Nothing touched: the speed between two tenths survives, and so does the
    // field under sideways gravity.
    EXPECT_EQ(game.initialFallSpeed, 0.15);
    EXPECT_EQ(game.fallSpeed, 0.15);
    EXPECT_EQ(game.fieldWidth, 12);
    EXPECT_EQ(game.fieldHeight, 25);
    EXPECT_EQ(game.cellCount, 300);
}

TEST_F(CustomGameDialogTest, ChangingTheDirectionKeepsTheFieldAsShown)
{
    game.fieldWidth = 10;
    game.fieldHeight = 20;
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        control<QComboBox>(dialog, "direction").setCurrentIndex(FORCE_RIGHT);
        press(dialog, "start");
    });
    EXPECT_EQ(game.forceDirection, FORCE_RIGHT);
    EXPECT_EQ(game.fieldWidth, 20);
    EXPECT_EQ(game.fieldHeight, 10);
}

TEST_F(CustomGameDialogTest, BarsAnswerArrowKeysInTheirOwnDirection)
{
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        QScrollBar& width = bar(dialog, "width");
        width.setFocus();
        QTest::keyClick(&width, Qt::Key_Left);
        EXPECT_EQ(label(dialog, "widthLabel"), "19");
        QTest::keyClick(&width, Qt::Key_Right);
        QTest::keyClick(&width, Qt::Key_Right);
        EXPECT_EQ(label(dialog, "widthLabel"), "21");
        EXPECT_EQ(width.value(), 21);

        // The ends of the bar are no shortcut.
        QTest::keyClick(&width, Qt::Key_Home);
        EXPECT_EQ(label(dialog, "widthLabel"), "21");
        EXPECT_EQ(width.value(), 21);

        QScrollBar& rows = bar(dialog, "minRows");
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(&rows, Qt::Key_Up);
        EXPECT_EQ(label(dialog, "minRowsLabel"), "10");
        QTest::keyClick(&rows, Qt::Key_Down);
        EXPECT_EQ(label(dialog, "minRowsLabel"), "9");
        drag(rows, 2);
        EXPECT_EQ(label(dialog, "minRowsLabel"), "9") << "the thumb does nothing";
        EXPECT_EQ(rows.value(), 9);

        QScrollBar& maxBlocks = bar(dialog, "maxBlocks");
        drag(maxBlocks, 25);
        maxBlocks.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(label(dialog, "maxBlocksLabel"), "25");
        QScrollBar& minBlocks = bar(dialog, "minBlocks");
        drag(minBlocks, 1);
        minBlocks.triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(label(dialog, "minBlocksLabel"), "1");
        press(dialog, "start");
    });
    EXPECT_EQ(game.fieldWidth, 21);
    EXPECT_EQ(game.minRowsToClear, 9u);
    EXPECT_EQ(game.maxBlocks, 25);
    EXPECT_EQ(game.minBlocks, 1);
}

TEST_F(CustomGameDialogTest, DraggingTheWidthDownSqueezesTheShapesAndClearsTheTetraminoBox)
{
    game.fieldWidth = 10;
    game.fieldHeight = 20;
    game.maxShapeExtent = 5;
    game.maxBlocks = 12;
    game.minBlocks = 6;
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        QScrollBar& width = bar(dialog, "width");
        drag(width, 4);
        EXPECT_EQ(label(dialog, "widthLabel"), "4");
        EXPECT_EQ(label(dialog, "extentLabel"), "2");
        EXPECT_EQ(label(dialog, "maxBlocksLabel"), "4");
        EXPECT_EQ(label(dialog, "minBlocksLabel"), "4");
        EXPECT_EQ(bar(dialog, "extent").value(), 2);
        EXPECT_EQ(bar(dialog, "minBlocks").value(), 4);
        drag(width, 10);
        EXPECT_EQ(label(dialog, "extentLabel"), "2") << "widening gives nothing back";
        EXPECT_EQ(label(dialog, "maxBlocksLabel"), "4");

        // A squeeze also clears "Only tetraminoes", and frees the bars it held.
        QCheckBox& tetraminoes = control<QCheckBox>(dialog, "onlyTetraminoes");
        QTest::mouseClick(&tetraminoes, Qt::LeftButton);
        ASSERT_TRUE(tetraminoes.isChecked());
        EXPECT_FALSE(bar(dialog, "extent").isEnabled());
        drag(width, 5);
        EXPECT_EQ(label(dialog, "extentLabel"), "3");
        EXPECT_FALSE(tetraminoes.isChecked());
        EXPECT_TRUE(bar(dialog, "extent").isEnabled()) << "an unchecked box leaves the bars free";
        EXPECT_TRUE(bar(dialog, "maxBlocks").isEnabled());
        press(dialog, "start");
    });
    EXPECT_EQ(game.fieldWidth, 5);
    EXPECT_EQ(game.maxShapeExtent, 3);
    EXPECT_EQ(game.maxBlocks, 4);
    EXPECT_EQ(game.minBlocks, 4);
}

TEST_F(CustomGameDialogTest, OnlyTetraminoesHoldsTheShapeBarsWhileChecked)
{
    game.fieldWidth = 4;
    game.fieldHeight = 5;
    game.maxShapeExtent = 2;
    game.maxBlocks = 4;
    game.minBlocks = 2;
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        QCheckBox& tetraminoes = control<QCheckBox>(dialog, "onlyTetraminoes");
        QTest::mouseClick(&tetraminoes, Qt::LeftButton);
        EXPECT_EQ(label(dialog, "widthLabel"), "6");
        EXPECT_EQ(label(dialog, "heightLabel"), "6");
        for (const char* name : {"extent", "maxBlocks", "minBlocks"}) {
            EXPECT_EQ(label(dialog, (std::string(name) + "Label").c_str()), "4") << name;
            EXPECT_EQ(bar(dialog, name).value(), 4) << name;
            EXPECT_FALSE(bar(dialog, name).isEnabled()) << name;
        }
        QTest::mouseClick(&tetraminoes, Qt::LeftButton);
        for (const char* name : {"extent", "maxBlocks", "minBlocks"}) {
            EXPECT_EQ(label(dialog, (std::string(name) + "Label").c_str()), "4") << name;
            EXPECT_TRUE(bar(dialog, name).isEnabled()) << name;
        }
        press(dialog, "start");
    });
    EXPECT_EQ(game.fieldWidth, 6);
    EXPECT_EQ(game.fieldHeight, 6);
    EXPECT_EQ(game.maxShapeExtent, 4);
    EXPECT_EQ(game.minBlocks, 4);
}

TEST_F(CustomGameDialogTest, SpeedBarStepsFromTheSpeedAndStopsAtItsBounds)
{
    game.initialFallSpeed = 0.15;
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        QScrollBar& speed = bar(dialog, "speed");
        speed.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(label(dialog, "speedLabel"), " 0.2") << "0.25 shows rounded";
        EXPECT_EQ(speed.value(), 2);
        speed.triggerAction(QAbstractSlider::SliderSingleStepSub);
        speed.triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(label(dialog, "speedLabel"), " 0.1");
        EXPECT_EQ(speed.value(), 1);
        drag(speed, 50);
        speed.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(label(dialog, "speedLabel"), " 5.0");
        drag(speed, 7);
        press(dialog, "start");
    });
    EXPECT_EQ(game.initialFallSpeed, 0.7);
    EXPECT_EQ(game.fallSpeed, 0.7);
}

TEST_F(CustomGameDialogTest, StartTakesTheListsAndBoxes)
{
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        control<QComboBox>(dialog, "sides").setCurrentIndex(SIDES_NONE);
        control<QComboBox>(dialog, "ground").setCurrentIndex(GROUND_CORNER_BLOCK);
        control<QComboBox>(dialog, "erosion").setCurrentIndex(FREQ_OFTEN);
        control<QComboBox>(dialog, "rowPlacementFailure").setCurrentIndex(FREQ_RARELY);
        QTest::mouseClick(&control<QCheckBox>(dialog, "suddenMode"), Qt::LeftButton);
        QTest::mouseClick(&control<QCheckBox>(dialog, "gradualSpeedup"), Qt::LeftButton);
        QScrollBar& rows = bar(dialog, "minRows");
        rows.triggerAction(QAbstractSlider::SliderSingleStepSub);
        rows.triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(label(dialog, "minRowsLabel"), "3");
        press(dialog, "start");
    });
    EXPECT_EQ(game.sidesType, SIDES_NONE);
    EXPECT_EQ(game.groundType, GROUND_CORNER_BLOCK);
    EXPECT_EQ(game.effectFrequency, (std::array<int32_t, EFFECT_COUNT>{0, 3, 0, 0, 1}));
    EXPECT_TRUE(game.suddenMode);
    EXPECT_FALSE(game.gradualSpeedup);
    EXPECT_EQ(game.minRowsToClear, 3u);
    EXPECT_EQ(game.cellCount, 800) << "a game was started";
}

TEST_F(CustomGameDialogTest, CancelChangesNothingAndTheNextOpeningForgets)
{
    setUpGameInProgress();
    const GameState before = game;
    const auto cancelAfterChanges = [](const char* how) {
        return [how](QDialog& dialog) {
            drag(bar(dialog, "width"), 4);
            bar(dialog, "minRows").triggerAction(QAbstractSlider::SliderSingleStepSub);
            bar(dialog, "speed").triggerAction(QAbstractSlider::SliderSingleStepAdd);
            QTest::mouseClick(&control<QCheckBox>(dialog, "onlyTetraminoes"), Qt::LeftButton);
            control<QComboBox>(dialog, "direction").setCurrentIndex(FORCE_LEFT);
            QTest::mouseClick(&control<QCheckBox>(dialog, "invisibilityMode"), Qt::LeftButton);
            if (std::string(how) == "button")
                press(dialog, "cancel");
            else if (std::string(how) == "escape")
                QTest::keyClick(&control<QPushButton>(dialog, "start"), Qt::Key_Escape);
            else
                dialog.close();
        };
    };
    for (const char* how : {"button", "escape", "close box"}) {
        whileOpen(runCustomGameDialog, cancelAfterChanges(how));
        EXPECT_TRUE(sameGame(before, game)) << how;
        EXPECT_EQ(game.initialFallSpeed, before.initialFallSpeed) << how;
    }
    whileOpen(runCustomGameDialog, [](QDialog& dialog) {
        EXPECT_EQ(label(dialog, "widthLabel"), "12");
        EXPECT_EQ(label(dialog, "minRowsLabel"), "2");
        EXPECT_FALSE(control<QCheckBox>(dialog, "onlyTetraminoes").isChecked());
        press(dialog, "cancel");
    });
}
