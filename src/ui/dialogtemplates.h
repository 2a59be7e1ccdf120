// The game's dialogs as tables: caption, size and font, and every control
// with its kind, id, name, caption and rectangle, in dialog units as a
// Windows dialog template gives them (a quarter of the font's average
// character width across, an eighth of its height down). Both front ends
// build their dialogs from these tables, so a control moves or changes its
// text in one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Control ids, as the front ends address the controls. OK and Cancel are the
// numbers Windows gives Enter and Escape; labels and frames that nothing
// addresses share CTL_STATIC.
enum DialogControlId : int32_t {
    CTL_STATIC = -1,
    CTL_OK = 1,
    CTL_CANCEL = 2,

    // Custom game, as the classic dialog numbered them; the bars, their
    // value labels and the effect lists through the functions below.
    CTL_SIDES = 1030,
    CTL_GROUND = 1031,
    CTL_DIRECTION = 1035,
    CTL_ONLY_TETRAMINOES = 1036,
    CTL_GRADUAL_SPEEDUP = 1032,
    CTL_SUDDEN_MODE = 1037,
    CTL_INVISIBILITY_MODE = 1038,

    // Configure keys: a button for each KeyBindingIndex, from CTL_KEY_FIRST
    // on, and its caption from CTL_KEY_LABEL_FIRST on.
    CTL_KEY_FIRST = 1019,
    CTL_KEY_LABEL_FIRST = 1054,
    CTL_LOAD_DEFAULTS = 1049,

    // Hall of Fame.
    CTL_HALL_TABLE = 1200,
    CTL_HALL_ENTRIES = 1201,
    CTL_HALL_NAME = 1202,
    CTL_HALL_WATCH = 1203,
};

// The custom game's scroll bar of a CustomGameBar, its value label, and the
// bar a control id names (-1 for none).
int32_t barControlId(int32_t bar);
int32_t barLabelControlId(int32_t bar);
int32_t barOfControl(int32_t id);
// The list of an effect, and the effect a control id names (-1 for none).
int32_t effectListId(int32_t effect);
int32_t effectOfControl(int32_t id);

enum ControlKind : int32_t {
    CONTROL_GROUP_BOX = 0,
    CONTROL_LABEL = 1,
    CONTROL_HORIZONTAL_SCROLL_BAR = 2,
    CONTROL_VERTICAL_SCROLL_BAR = 3,
    CONTROL_DROP_DOWN_LIST = 4,  // a list to choose one item from; no typing
    CONTROL_CHECK_BOX = 5,
    CONTROL_PUSH_BUTTON = 6,
    CONTROL_DEFAULT_PUSH_BUTTON = 7,  // what Enter presses
    CONTROL_ENTRY_TABLE = 8,          // rows of columns, with column headers; rows are chosen whole
    CONTROL_EDIT = 9,                 // one line of text
};

enum TextAlignment : int32_t {
    TEXT_LEFT = 0,
    TEXT_RIGHT = 1,
    TEXT_CENTRE = 2,
};

struct DialogRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const DialogRect&) const = default;
};

struct TableColumn {
    std::string caption;
    int32_t width;  // dialog units
    TextAlignment alignment;
};

struct DialogControl {
    ControlKind kind = CONTROL_LABEL;
    int32_t id = CTL_STATIC;
    // The name the Qt dialogs give the control, by which tests and tools
    // find it; empty for none.
    std::string name;
    std::string caption;
    // For a drop-down list, the closed list: one line of choice.
    DialogRect rect;
    // Labels: across, whether centred down the rectangle instead of at its
    // top, and whether the text wraps onto further lines.
    TextAlignment alignment = TEXT_LEFT;
    bool verticalCentre = false;
    bool wordWrap = false;
    int32_t minimum = 0, maximum = 0;  // scroll bars: the range of positions
    std::vector<std::string> items;    // drop-down lists; more may be added at run time
    int32_t dropHeight = 0;            // drop-down lists: the open list below the rectangle
    std::vector<TableColumn> columns;  // entry tables
    int32_t rows = 0;                  // entry tables: rows shown
    int32_t maxLength = 0;             // edits: the most characters it takes
    // A control shown inside another (the name being entered lies over its
    // row of the entry table): the host's id, 0 for one of the dialog's own.
    // Its rectangle gives its size; the front end places it.
    int32_t hostId = 0;
};

struct DialogTemplate {
    std::string caption;
    int32_t width = 0, height = 0;  // the client area, in dialog units
    std::string fontName = "MS Shell Dlg";
    int32_t fontPoints = 8;
    // Centred on the screen rather than over the window that opens it.
    bool centreOnScreen = false;
    // In creation order, which is also the order of the tab key: frames
    // come before the controls they hold, so those lie above them.
    std::vector<DialogControl> controls;
};

// What a dialog's model asks of the front end after an event.
enum DialogOutcome : int32_t {
    DIALOG_STAYS_OPEN = 0,
    DIALOG_ACCEPTED = 1,
    DIALOG_CANCELLED = 2,
};

// What one control is to show; the front end sets what is given and leaves
// the rest as it is.
struct ControlState {
    int32_t id = CTL_STATIC;
    std::optional<int32_t> position;   // a scroll bar's thumb
    std::optional<std::string> text;   // a label's or a button's caption
    std::optional<bool> checked;       // a check box
    std::optional<int32_t> selection;  // a drop-down list's chosen item
    std::optional<bool> enabled;
};

const DialogTemplate& customGameTemplate();
const DialogTemplate& keysTemplate();
const DialogTemplate& aboutTemplate();
const DialogTemplate& hallOfFameTemplate();

// About has nothing to change: its one button closes it, and so does Cancel
// (Escape, where the platform's dialogs turn it into Cancel).
DialogOutcome aboutDialogCommand(int32_t id);

// An edit's limit is in characters (see characterCount), however many
// bytes or UTF-16 units each needs. The toolkits count UTF-16 units, two at
// most a character: their own limit is set to editUnitLimit, and each change
// is kept only when the text, as UTF-8, still fits.
int32_t editUnitLimit(const DialogControl& edit);
bool editTextFits(const DialogControl& edit, std::string_view text);

// The control of this id, or null; CTL_STATIC finds nothing.
const DialogControl* findDialogControl(const DialogTemplate& dialog, int32_t id);

// A rectangle in dialog units in pixels, given the pixels of one dialog unit
// across and down. Edges are converted rather than sizes, so that controls
// touching in dialog units touch in pixels too.
DialogRect dialogUnitsToPixels(const DialogRect& rect, double pixelsAcross, double pixelsDown);
