#include "ui/dialogtemplates.h"

#include "core/keys.h"
#include "core/version.h"
#include "core/utf8text.h"
#include "persist/halloffame.h"
#include "ui/customgame.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

// A drop-down list is one line of choice high; open, it shows every item
// below it, a line each.
constexpr int32_t listHeight = 12;
constexpr int32_t listLine = 8;

template <typename Names>
std::vector<std::string> itemsOf(const Names& names)
{
    return std::vector<std::string>(names.begin(), names.end());
}

DialogControl group(const char* caption, DialogRect rect)
{
    DialogControl control;
    control.kind = CONTROL_GROUP_BOX;
    control.caption = caption;
    control.rect = rect;
    return control;
}

// Labels taller than one line wrap.
DialogControl label(const char* caption, DialogRect rect, TextAlignment alignment = TEXT_LEFT,
                    bool verticalCentre = false, int32_t id = CTL_STATIC, const std::string& name = {})
{
    DialogControl control;
    control.kind = CONTROL_LABEL;
    control.id = id;
    control.name = name;
    control.caption = caption;
    control.rect = rect;
    control.alignment = alignment;
    control.verticalCentre = verticalCentre;
    control.wordWrap = rect.height > 8;
    return control;
}

DialogControl button(ControlKind kind, const char* caption, int32_t id, const std::string& name, DialogRect rect)
{
    DialogControl control;
    control.kind = kind;
    control.id = id;
    control.name = name;
    control.caption = caption;
    control.rect = rect;
    return control;
}

DialogControl list(int32_t id, const std::string& name, std::vector<std::string> items, int32_t x, int32_t y,
                   int32_t width)
{
    DialogControl control;
    control.kind = CONTROL_DROP_DOWN_LIST;
    control.id = id;
    control.name = name;
    control.rect = {x, y, width, listHeight};
    control.dropHeight = listLine * static_cast<int32_t>(items.size()) + 2;
    control.items = std::move(items);
    return control;
}

DialogControl checkBox(const char* caption, int32_t id, const char* name, int32_t x, int32_t y, int32_t width)
{
    return button(CONTROL_CHECK_BOX, caption, id, name, {x, y, width, 10});
}

// A bar, then the label that shows its value.
void addBar(std::vector<DialogControl>& controls, int32_t bar, const char* name, DialogRect rect,
            DialogRect labelRect, TextAlignment labelAlignment = TEXT_LEFT)
{
    DialogControl control;
    control.kind = bar == BAR_MIN_ROWS ? CONTROL_VERTICAL_SCROLL_BAR : CONTROL_HORIZONTAL_SCROLL_BAR;
    control.id = barControlId(bar);
    control.name = name;
    control.rect = rect;
    const ScrollRange range = customGameBarRange(bar);
    control.minimum = range.minimum;
    control.maximum = range.maximum;
    controls.push_back(control);
    controls.push_back(label("", labelRect, labelAlignment, false, barLabelControlId(bar),
                             std::string(name) + "Label"));
}

DialogTemplate buildCustomGame()
{
    DialogTemplate dialog;
    dialog.caption = "Custom Game Settings";
    dialog.width = 264;
    dialog.height = 253;
    dialog.centreOnScreen = true;
    std::vector<DialogControl>& c = dialog.controls;

    c.push_back(group("FIELD", {4, 5, 126, 63}));
    c.push_back(group("SHAPES", {4, 73, 126, 87}));
    c.push_back(group("GRAVITATION", {4, 166, 125, 63}));
    c.push_back(group("EXTRA DIFFCULTY", {136, 5, 125, 224}));

    c.push_back(label("Width:", {12, 14, 22, 8}));
    addBar(c, BAR_WIDTH, "width", {64, 13, 57, 10}, {43, 14, 12, 8});
    c.push_back(label("Height:", {11, 25, 24, 8}));
    addBar(c, BAR_HEIGHT, "height", {64, 25, 57, 10}, {43, 25, 11, 8});
    c.push_back(label("Sides", {12, 39, 23, 8}));
    c.push_back(list(CTL_SIDES, "sides", itemsOf(sidesTypeNames), 45, 37, 79));
    c.push_back(label("Ground", {12, 53, 23, 8}));
    c.push_back(list(CTL_GROUND, "ground", itemsOf(groundTypeNames), 45, 51, 79));

    c.push_back(checkBox("Only tetraminoes", CTL_ONLY_TETRAMINOES, "onlyTetraminoes", 14, 83, 71));
    c.push_back(label("Max blocks in shape:", {10, 93, 67, 8}));
    addBar(c, BAR_MAX_BLOCKS, "maxBlocks", {12, 102, 106, 10}, {106, 93, 9, 8});
    c.push_back(label("Min blocks in shape:", {10, 114, 64, 8}));
    addBar(c, BAR_MIN_BLOCKS, "minBlocks", {12, 123, 105, 10}, {107, 115, 8, 8});
    c.push_back(label("Max shape width and height:", {10, 135, 94, 8}));
    addBar(c, BAR_EXTENT, "extent", {11, 144, 106, 10}, {107, 135, 8, 8});

    c.push_back(label("Initial free fall speed", {10, 177, 75, 8}));
    addBar(c, BAR_SPEED, "speed", {11, 186, 106, 10}, {104, 178, 14, 8});
    c.push_back(checkBox("Gradually increase fall speed", CTL_GRADUAL_SPEEDUP, "gradualSpeedup", 11, 200, 111));
    c.push_back(label("Force direction", {12, 214, 48, 8}));
    c.push_back(list(CTL_DIRECTION, "direction", itemsOf(forceDirectionNames), 68, 212, 50));

    c.push_back(checkBox("\"Sudden\" mode (instant falls)", CTL_SUDDEN_MODE, "suddenMode", 142, 17, 109));
    c.push_back(label("Min # adjacent filled rows to disappear", {142, 30, 82, 17}));
    addBar(c, BAR_MIN_ROWS, "minRows", {242, 30, 9, 15}, {233, 32, 8, 8}, TEXT_RIGHT);
    c.push_back(checkBox("Invisibility mode", CTL_INVISIBILITY_MODE, "invisibilityMode", 142, 51, 109));

    // Each effect list with its caption to the left; the longer captions take
    // two lines.
    struct EffectPlace {
        const char* name;
        int32_t listX, listY, listWidth;
        int32_t labelY, labelHeight;
    };
    const std::array<EffectPlace, EFFECT_COUNT> effectPlaces = {{
        {"flood", 200, 66, 57, 65, 14},
        {"erosion", 200, 81, 57, 80, 14},
        {"petrification", 200, 96, 57, 95, 14},
        {"shatteredShapes", 200, 114, 57, 112, 16},
        {"rowPlacementFailure", 199, 132, 58, 130, 16},
    }};
    for (int32_t i = 0; i < EFFECT_COUNT; ++i) {
        const EffectPlace& at = effectPlaces[i];
        c.push_back(label(effectNames[i], {143, at.labelY, at.listX - 2 - 143, at.labelHeight}, TEXT_LEFT, true));
        c.push_back(list(effectListId(i), at.name, itemsOf(frequencyNames), at.listX, at.listY, at.listWidth));
    }

    c.push_back(button(CONTROL_DEFAULT_PUSH_BUTTON, "Start!", CTL_OK, "start", {83, 236, 50, 14}));
    c.push_back(button(CONTROL_PUSH_BUTTON, "Cancel", CTL_CANCEL, "cancel", {133, 236, 50, 14}));
    return dialog;
}

DialogTemplate buildKeys()
{
    DialogTemplate dialog;
    dialog.caption = "Configure Keys";
    dialog.width = 130;
    dialog.height = 210;
    std::vector<DialogControl>& c = dialog.controls;
    // The buttons' captions are the bound keys' names, which the front end
    // knows.
    for (int32_t i = 0; i < KEY_COUNT; ++i) {
        const int32_t y = i == KEY_ANTI_BOSS ? 151 : 6 + 18 * i;
        const int32_t x = i == KEY_ANTI_BOSS ? 71 : 72;
        c.push_back(label(keyBindingLabels[i], {0, y, 68, 16}, TEXT_RIGHT, true, CTL_KEY_LABEL_FIRST + i));
        c.push_back(button(CONTROL_PUSH_BUTTON, "", CTL_KEY_FIRST + i, "key" + std::to_string(i), {x, y, 54, 16}));
    }
    c.push_back(
        button(CONTROL_PUSH_BUTTON, "Load default keys", CTL_LOAD_DEFAULTS, "loadDefaults", {13, 170, 102, 14}));
    c.push_back(button(CONTROL_DEFAULT_PUSH_BUTTON, "OK", CTL_OK, "ok", {12, 187, 50, 14}));
    c.push_back(button(CONTROL_PUSH_BUTTON, "Cancel", CTL_CANCEL, "cancel", {66, 187, 50, 14}));
    return dialog;
}

DialogTemplate buildAbout()
{
    DialogTemplate dialog;
    dialog.caption = "About Dralen";
    dialog.width = 145;
    dialog.height = 105;
    std::vector<DialogControl>& c = dialog.controls;
    c.push_back(label("Dralen " DRALEN_VERSION, {7, 4, 131, 8}, TEXT_CENTRE));
    c.push_back(label("A generic and customizable game where you place falling tetraminoes, pentaminoes, "
                      "sextaminoes or even bigger shapes to form hole-free rows",
                      {7, 14, 127, 37}, TEXT_CENTRE));
    c.push_back(label("By the Dralen team", {38, 56, 69, 8}, TEXT_CENTRE));
    c.push_back(label("Art and music made in-house", {18, 64, 109, 8}, TEXT_CENTRE));
    c.push_back(label("Thanks for playing!", {38, 72, 69, 8}, TEXT_CENTRE));
    c.push_back(button(CONTROL_DEFAULT_PUSH_BUTTON, "OK", CTL_OK, "ok", {48, 84, 50, 14}));
    return dialog;
}

// The table chooser on top, the ten entries below it, OK at the bottom right.
DialogTemplate buildHallOfFame()
{
    DialogTemplate dialog;
    dialog.caption = "Hall of Fame";
    dialog.width = 292;
    dialog.height = 191;
    std::vector<DialogControl>& c = dialog.controls;

    DialogControl tables = list(CTL_HALL_TABLE, "table", {}, 7, 7, 278);
    // Filled with the tables' names when the dialog opens.
    tables.dropHeight = listLine * 12 + 2;
    c.push_back(tables);

    DialogControl entries;
    entries.kind = CONTROL_ENTRY_TABLE;
    entries.id = CTL_HALL_ENTRIES;
    entries.name = "entries";
    // Ten rows and the headers without a scroll bar.
    entries.rect = {7, 24, 278, 140};
    entries.columns = {{"", 16, TEXT_RIGHT}, {"Score", 44, TEXT_RIGHT}, {"Name", 156, TEXT_LEFT},
                       {"Date", 50, TEXT_LEFT}};
    entries.rows = static_cast<int32_t>(hallTableLength);
    c.push_back(entries);

    DialogControl name;
    name.kind = CONTROL_EDIT;
    name.id = CTL_HALL_NAME;
    name.name = "name";
    name.rect = {0, 0, 156, 12};
    name.maxLength = static_cast<int32_t>(maxNameLength);
    name.hostId = CTL_HALL_ENTRIES;
    c.push_back(name);

    c.push_back(button(CONTROL_DEFAULT_PUSH_BUTTON, "OK", CTL_OK, "ok", {235, 170, 50, 14}));
    c.push_back(button(CONTROL_PUSH_BUTTON, "Watch", CTL_HALL_WATCH, "watch", {180, 170, 50, 14}));
    return dialog;
}

}  // namespace

const DialogTemplate& customGameTemplate()
{
    static const DialogTemplate dialog = buildCustomGame();
    return dialog;
}

const DialogTemplate& keysTemplate()
{
    static const DialogTemplate dialog = buildKeys();
    return dialog;
}

const DialogTemplate& aboutTemplate()
{
    static const DialogTemplate dialog = buildAbout();
    return dialog;
}

const DialogTemplate& hallOfFameTemplate()
{
    static const DialogTemplate dialog = buildHallOfFame();
    return dialog;
}

DialogOutcome aboutDialogCommand(int32_t id)
{
    return id == CTL_OK ? DIALOG_ACCEPTED : id == CTL_CANCEL ? DIALOG_CANCELLED : DIALOG_STAYS_OPEN;
}

namespace {

// In CustomGameBar order: width, height, max blocks, min blocks, extent,
// speed, min rows.
constexpr std::array<int32_t, BAR_COUNT> barIds = {1004, 1005, 1006, 1017, 1007, 1012, 1034};
constexpr std::array<int32_t, BAR_COUNT> barLabelIds = {1008, 1009, 1010, 1018, 1011, 1001, 1033};
constexpr std::array<int32_t, EFFECT_COUNT> effectListIds = {1039, 1040, 1042, 1043, 1044};

template <size_t N>
int32_t indexOf(const std::array<int32_t, N>& ids, int32_t id)
{
    for (size_t i = 0; i < N; ++i)
        if (ids[i] == id)
            return static_cast<int32_t>(i);
    return -1;
}

}  // namespace

int32_t barControlId(int32_t bar)
{
    return bar >= 0 && bar < BAR_COUNT ? barIds[static_cast<size_t>(bar)] : CTL_STATIC;
}

int32_t barLabelControlId(int32_t bar)
{
    return bar >= 0 && bar < BAR_COUNT ? barLabelIds[static_cast<size_t>(bar)] : CTL_STATIC;
}

int32_t barOfControl(int32_t id)
{
    return indexOf(barIds, id);
}

int32_t effectListId(int32_t effect)
{
    return effect >= 0 && effect < EFFECT_COUNT ? effectListIds[static_cast<size_t>(effect)] : CTL_STATIC;
}

int32_t effectOfControl(int32_t id)
{
    return indexOf(effectListIds, id);
}

int32_t editUnitLimit(const DialogControl& edit)
{
    return edit.maxLength > 0 ? 2 * edit.maxLength : 0;
}

bool editTextFits(const DialogControl& edit, std::string_view text)
{
    return edit.maxLength <= 0 || characterCount(text) <= static_cast<size_t>(edit.maxLength);
}

const DialogControl* findDialogControl(const DialogTemplate& dialog, int32_t id)
{
    if (id == CTL_STATIC)
        return nullptr;
    for (const DialogControl& control : dialog.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

DialogRect dialogUnitsToPixels(const DialogRect& rect, double pixelsAcross, double pixelsDown)
{
    const auto across = [&](int32_t v) { return static_cast<int32_t>(std::lround(v * pixelsAcross)); };
    const auto down = [&](int32_t v) { return static_cast<int32_t>(std::lround(v * pixelsDown)); };
    const int32_t left = across(rect.x);
    const int32_t top = down(rect.y);
    return {left, top, across(rect.x + rect.width) - left, down(rect.y + rect.height) - top};
}
