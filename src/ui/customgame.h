// The rules of the custom game dialog, apart from its widgets: the values its
// scroll bars edit, what each scroll does to them, how the shape limits are
// kept consistent with each other and with the field, and how "Start!" turns
// the choices into a new game. Plain C++, so every rule is tested without a
// display.
#pragma once

#include "core/gamestate.h"
#include "ui/dialogtemplates.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The rules the dialog edits. Width and height are the field as seen on the
// screen, so under gravity "Right" or "Left" they are the record's height and
// width. A list index below zero means nothing is selected and counts as the
// first item.
using CustomGameDraft = GameRules;

// The dialog's scroll bars. All but the last are horizontal.
enum CustomGameBar : int32_t {
    BAR_WIDTH = 0,
    BAR_HEIGHT = 1,
    BAR_MAX_BLOCKS = 2,
    BAR_MIN_BLOCKS = 3,
    BAR_EXTENT = 4,
    BAR_SPEED = 5,
    BAR_MIN_ROWS = 6,
    BAR_COUNT = 7,
};

// What a scroll bar reports. On the vertical bar "left" is the upper arrow.
enum ScrollCode : int32_t {
    SCROLL_LINE_LEFT = 0,
    SCROLL_LINE_RIGHT = 1,
    SCROLL_PAGE_LEFT = 2,
    SCROLL_PAGE_RIGHT = 3,
    SCROLL_THUMB_POSITION = 4,
    SCROLL_THUMB_TRACK = 5,
    SCROLL_TO_LEFT = 6,
    SCROLL_TO_RIGHT = 7,
    SCROLL_END = 8,
    SCROLL_LINE_UP = SCROLL_LINE_LEFT,
    SCROLL_LINE_DOWN = SCROLL_LINE_RIGHT,
    SCROLL_PAGE_UP = SCROLL_PAGE_LEFT,
    SCROLL_PAGE_DOWN = SCROLL_PAGE_RIGHT,
};

struct ScrollRange {
    int32_t minimum;
    int32_t maximum;
};

// The bar's range of positions. The speed bar runs over tenths of a cell.
ScrollRange customGameBarRange(int32_t bar);

// Refills the draft from the record's rules; the dialog does this on every
// opening, so nothing edited in a cancelled dialog comes back.
void fillCustomGameDraft(CustomGameDraft& draft);

// Where the bar's thumb stands: the value itself, or for the speed its tenths
// truncated toward zero.
int32_t customGameBarPosition(const CustomGameDraft& draft, int32_t bar);

// The text beside the bar: a signed decimal number, the speed as "%4.1f".
std::string customGameBarLabel(const CustomGameDraft& draft, int32_t bar);

// A scroll of one of the horizontal bars: one step per line or page, clamped
// to the bar's bounds, or the thumb's position. Then, whatever was scrolled,
// the shape limits are brought back within what the shape generator relies
// on: the extent fits inside the walls and is no larger than max blocks, max
// blocks fit in the extent's square, and min blocks never exceed max blocks.
// Returns true when max extent, max blocks or min blocks changed, so that
// their bars and labels must follow and "Only tetraminoes" is unchecked.
bool customGameHorizontalScroll(CustomGameDraft& draft, int32_t bar, int32_t code,
                                int32_t thumbPosition);

// A scroll of the vertical min-rows bar: its upper arrow raises the value,
// and its thumb does nothing.
void customGameVerticalScroll(CustomGameDraft& draft, int32_t code);

// A click on "Only tetraminoes", checked is the box's new state: checking
// sets all three shape limits to 4; either way the field grows to at least
// 6 by 6 so a tetramino fits inside the walls.
void customGameOnlyTetraminoes(CustomGameDraft& draft, bool checked);

// "Start!": writes the draft into the record, with width and height
// exchanged back for gravity "Right" and "Left", drops any level file and
// tip, and starts a new game. Window thread, under gameLock.
void startCustomGame(const CustomGameDraft& draft);

// The dialog, apart from its widgets: the draft and "Only tetraminoes",
// changed by the events of the controls of customGameTemplate(), by id.
struct CustomGameDialog {
    CustomGameDraft draft;
    // Unchecked on every opening; while checked it holds the shape bars.
    bool onlyTetraminoes = false;
};

// Fills the dialog from the record, as on every opening.
void openCustomGameDialog(CustomGameDialog& dialog);

// What every bar, value label, list and box shows now: positions, texts,
// the shape bars' enabled state, the boxes' checks and the lists' choices.
std::vector<ControlState> customGameDialogControls(const CustomGameDialog& dialog);

// A scroll of the bar of this id, with its scroll code and the thumb's
// position as the bar reports it. Whatever shape limit it squeezes unchecks
// "Only tetraminoes" and frees the shape bars.
void customGameDialogScrolled(CustomGameDialog& dialog, int32_t id, int32_t code, int32_t thumbPosition);

// A click on a check box; checked is its new state.
void customGameDialogChecked(CustomGameDialog& dialog, int32_t id, bool checked);

// An item chosen in a list.
void customGameDialogSelected(CustomGameDialog& dialog, int32_t id, int32_t index);

// A push button: "Start!" (CTL_OK) starts the game, window thread under
// gameLock, and closes the dialog; "Cancel" closes it changing nothing.
DialogOutcome customGameDialogCommand(CustomGameDialog& dialog, int32_t id);
