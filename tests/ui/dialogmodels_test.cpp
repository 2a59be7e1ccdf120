#include "ui/customgame.h"
#include "ui/dialogtemplates.h"
#include "ui/keyconfig.h"
#include "support/gametest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the front end would show on the control of this id.
const ControlState& shown(const std::vector<ControlState>& states, int32_t id)
{
    for (const ControlState& state : states)
        if (state.id == id)
            return state;
    ADD_FAILURE() << "nothing to show on control " << id;
    static const ControlState none;
    return none;
}

int32_t barId(int32_t bar)
{
    return barControlId(bar);
}

std::string labelOf(const CustomGameDialog& dialog, int32_t bar)
{
    return shown(customGameDialogControls(dialog), barLabelControlId(bar)).text.value_or("(none)");
}

bool enabled(const CustomGameDialog& dialog, int32_t bar)
{
    return shown(customGameDialogControls(dialog), barId(bar)).enabled.value_or(true);
}

std::string keyName(int32_t key)
{
    return "key " + std::to_string(key);
}

std::string buttonText(const KeysDialogState& state, int32_t binding)
{
    return shown(keysDialogControls(state, keyName), CTL_KEY_FIRST + binding).text.value_or("(none)");
}

DialogKeyEvent press(int32_t key, bool repeat = false)
{
    DialogKeyEvent event;
    event.kind = DIALOG_KEY_PRESS;
    event.virtualKey = key;
    event.autoRepeat = repeat;
    return event;
}

DialogKeyEvent release(int32_t key)
{
    DialogKeyEvent event = press(key);
    event.kind = DIALOG_KEY_RELEASE;
    return event;
}

constexpr std::array<int32_t, KEY_COUNT> customKeys = {'A', 'D', 'W', 'S', 'Q', 'E', 'R', 'P', 'B'};

}  // namespace

using CustomGameDialogModel = GameTest;

TEST_F(CustomGameDialogModel, ShapeBarsFollowTheFieldBarsAndTheTetraminoBox)
{
    game.fieldWidth = 10;
    game.fieldHeight = 20;
    game.maxShapeExtent = 5;
    game.maxBlocks = 12;
    game.minBlocks = 6;
    CustomGameDialog dialog;
    openCustomGameDialog(dialog);

    customGameDialogScrolled(dialog, barId(BAR_WIDTH), SCROLL_THUMB_TRACK, 4);
    EXPECT_EQ(shown(customGameDialogControls(dialog), barId(BAR_EXTENT)).position, 2);
    EXPECT_EQ(labelOf(dialog, BAR_MAX_BLOCKS), "4");
    EXPECT_EQ(labelOf(dialog, BAR_MIN_BLOCKS), "4");

    customGameDialogChecked(dialog, CTL_ONLY_TETRAMINOES, true);
    EXPECT_EQ(shown(customGameDialogControls(dialog), CTL_ONLY_TETRAMINOES).checked, true);
    EXPECT_EQ(labelOf(dialog, BAR_WIDTH), "6") << "a tetramino needs room";
    for (int32_t bar : {BAR_EXTENT, BAR_MAX_BLOCKS, BAR_MIN_BLOCKS}) {
        EXPECT_EQ(labelOf(dialog, bar), "4") << bar;
        EXPECT_FALSE(enabled(dialog, bar)) << bar;
    }
    EXPECT_TRUE(enabled(dialog, BAR_WIDTH));

    // Narrowing the field squeezes the tetraminoes: the box clears and the
    // bars it held are free again.
    customGameDialogScrolled(dialog, barId(BAR_WIDTH), SCROLL_LINE_LEFT, 0);
    EXPECT_EQ(labelOf(dialog, BAR_EXTENT), "3");
    EXPECT_EQ(shown(customGameDialogControls(dialog), CTL_ONLY_TETRAMINOES).checked, false);
    EXPECT_TRUE(enabled(dialog, BAR_EXTENT));

    // The vertical bar's upper arrow raises the rows.
    customGameDialogScrolled(dialog, barId(BAR_MIN_ROWS), SCROLL_LINE_UP, 0);
    EXPECT_EQ(labelOf(dialog, BAR_MIN_ROWS), "2");
}

TEST_F(CustomGameDialogModel, StartTakesWhatTheListsAndBoxesChoseAndCancelNothing)
{
    game.fieldWidth = 10;
    game.fieldHeight = 20;
    CustomGameDialog dialog;
    openCustomGameDialog(dialog);
    customGameDialogSelected(dialog, CTL_DIRECTION, FORCE_RIGHT);
    customGameDialogSelected(dialog, CTL_SIDES, SIDES_BIG_HOLES);
    customGameDialogSelected(dialog, effectListId(EFFECT_EROSION), FREQ_OFTEN);
    customGameDialogChecked(dialog, CTL_SUDDEN_MODE, true);
    EXPECT_EQ(shown(customGameDialogControls(dialog), CTL_DIRECTION).selection, FORCE_RIGHT);
    EXPECT_EQ(shown(customGameDialogControls(dialog), CTL_SUDDEN_MODE).checked, true);

    EXPECT_EQ(customGameDialogCommand(dialog, CTL_CANCEL), DIALOG_CANCELLED);
    EXPECT_EQ(game.forceDirection, FORCE_DOWN);
    EXPECT_FALSE(game.suddenMode);

    EXPECT_EQ(customGameDialogCommand(dialog, CTL_OK), DIALOG_ACCEPTED);
    EXPECT_EQ(game.forceDirection, FORCE_RIGHT);
    EXPECT_EQ(game.sidesType, SIDES_BIG_HOLES);
    EXPECT_EQ(game.effectFrequency[EFFECT_EROSION], FREQ_OFTEN);
    EXPECT_TRUE(game.suddenMode);
    EXPECT_EQ(game.fieldWidth, 20) << "the field keeps the shape it was shown in";
    EXPECT_EQ(game.cellCount, 200) << "a game was started";
}

class KeysDialogModel : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        game.keyBindings = customKeys;
        openKeysDialog(state);
    }
    KeysDialogState state;
};

TEST_F(KeysDialogModel, AKeyButtonCapturesItsBindingAndOnlyOkWritesIt)
{
    EXPECT_EQ(keysDialogCommand(state, int32_t{CTL_KEY_FIRST} + KEY_PAUSE), DIALOG_STAYS_OPEN);
    EXPECT_EQ(buttonText(state, KEY_PAUSE), keyAwaitedCaption);
    EXPECT_TRUE(keysDialogKey(state, press(19)));
    EXPECT_EQ(buttonText(state, KEY_PAUSE), "key 19");
    EXPECT_EQ(buttonText(state, KEY_MOVE_LEFT), "key 65");
    EXPECT_EQ(game.keyBindings, customKeys);

    EXPECT_EQ(keysDialogCommand(state, CTL_CANCEL), DIALOG_CANCELLED);
    EXPECT_EQ(game.keyBindings, customKeys);
    EXPECT_EQ(keysDialogCommand(state, CTL_OK), DIALOG_ACCEPTED);
    EXPECT_EQ(game.keyBindings[KEY_PAUSE], 19);

    // OK in the middle of a capture keeps the key that was there.
    keysDialogCommand(state, int32_t{CTL_KEY_FIRST} + KEY_ANTI_BOSS);
    keysDialogCommand(state, CTL_OK);
    EXPECT_EQ(game.keyBindings[KEY_ANTI_BOSS], 'B');
    EXPECT_FALSE(keysDialogKey(state, press('Z'))) << "no capture after OK";
}

TEST_F(KeysDialogModel, TheCapturedKeysRepeatsAndReleaseStayWithTheCapture)
{
    keysDialogCommand(state, CTL_KEY_FIRST);
    DialogKeyEvent shiftX = press('X');
    shiftX.modifierHeld = true;
    EXPECT_TRUE(keysDialogKey(state, shiftX)) << "kept from the dialog, but not taken";
    EXPECT_TRUE(keysDialogKey(state, press(13, true))) << "a repeat is no choice";
    EXPECT_EQ(state.editedKeys[KEY_MOVE_LEFT], 'A');

    EXPECT_TRUE(keysDialogKey(state, press(13)));
    EXPECT_EQ(state.editedKeys[KEY_MOVE_LEFT], 13);
    EXPECT_TRUE(keysDialogKey(state, press(13, true))) << "the held Enter presses no button";
    EXPECT_FALSE(keysDialogKey(state, press('Q'))) << "other keys work the dialog";
    EXPECT_TRUE(keysDialogKey(state, release(13)));
    EXPECT_FALSE(keysDialogKey(state, press(13))) << "let go of, Enter works the dialog again";

    // A fresh press frees the key when its release went elsewhere.
    keysDialogCommand(state, CTL_KEY_FIRST);
    keysDialogKey(state, press(32));
    EXPECT_FALSE(keysDialogKey(state, press(32)));
    EXPECT_FALSE(keysDialogKey(state, release(32)));
}

TEST_F(KeysDialogModel, AButtonShowsItWaitsUntilItGetsAKeyOrTheDefaultsLoad)
{
    keysDialogCommand(state, int32_t{CTL_KEY_FIRST} + 0);
    keysDialogCommand(state, int32_t{CTL_KEY_FIRST} + 1);
    keysDialogKey(state, press('X'));
    EXPECT_EQ(buttonText(state, 0), keyAwaitedCaption) << "the first button keeps its dots";
    EXPECT_EQ(buttonText(state, 1), "key 88");
    EXPECT_EQ(state.editedKeys[0], 'A');

    keysDialogCommand(state, int32_t{CTL_KEY_FIRST} + 6);
    EXPECT_EQ(keysDialogCommand(state, CTL_LOAD_DEFAULTS), DIALOG_STAYS_OPEN);
    EXPECT_FALSE(state.capturingKey);
    EXPECT_EQ(buttonText(state, 0), "key 37");
    EXPECT_EQ(buttonText(state, 6), "key 32");
}
