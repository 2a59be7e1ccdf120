#include "ui/customgame.h"

#include "game/newgame.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr std::array<ScrollRange, BAR_COUNT> barRanges = {{
    {4, 50},  // width
    {4, 50},  // height
    {3, 25},  // max blocks
    {1, 10},  // min blocks
    {2, 20},  // max extent
    {1, 50},  // speed, in tenths
    {1, 10},  // min rows
}};

constexpr double slowestSpeed = 0.1;
constexpr double fastestSpeed = 5.0;
constexpr double speedStep = 0.1;

bool sidewaysGravity(int32_t direction)
{
    return direction == FORCE_RIGHT || direction == FORCE_LEFT;
}

template <typename Draft>
auto integerValue(Draft& draft, int32_t bar) -> decltype(&draft.fieldWidth)
{
    switch (bar) {
    case BAR_WIDTH: return &draft.fieldWidth;
    case BAR_HEIGHT: return &draft.fieldHeight;
    case BAR_MAX_BLOCKS: return &draft.maxBlocks;
    case BAR_MIN_BLOCKS: return &draft.minBlocks;
    case BAR_EXTENT: return &draft.maxShapeExtent;
    default: return nullptr;
    }
}

// Line and page steps are the same size. A thumb outside the range (the bar
// never reports one, but the value is taken as it comes) is held to it.
void scrollInteger(int32_t& value, ScrollRange range, int32_t code, int32_t thumbPosition)
{
    switch (code) {
    case SCROLL_LINE_LEFT:
    case SCROLL_PAGE_LEFT: value = std::max(range.minimum, value - 1); break;
    case SCROLL_LINE_RIGHT:
    case SCROLL_PAGE_RIGHT: value = std::min(range.maximum, value + 1); break;
    case SCROLL_THUMB_POSITION:
    case SCROLL_THUMB_TRACK:
        value = std::clamp(thumbPosition, range.minimum, range.maximum);
        break;
    default: break;
    }
}

// Steps are taken from the speed as it is, not from the thumb, so a speed
// between two tenths (0.15 from a sample game) keeps its offset until it
// meets a bound or the thumb is dragged.
void scrollSpeed(double& speed, int32_t code, int32_t thumbPosition)
{
    switch (code) {
    case SCROLL_LINE_LEFT:
    case SCROLL_PAGE_LEFT:
        speed -= speedStep;
        if (speed < slowestSpeed)
            speed = slowestSpeed;
        break;
    case SCROLL_LINE_RIGHT:
    case SCROLL_PAGE_RIGHT:
        speed += speedStep;
        if (speed > fastestSpeed)
            speed = fastestSpeed;
        break;
    case SCROLL_THUMB_POSITION:
    case SCROLL_THUMB_TRACK: {
        const ScrollRange range = barRanges[BAR_SPEED];
        speed = std::clamp(thumbPosition, range.minimum, range.maximum) / 10.0;
        break;
    }
    default: break;
    }
}

// Lowered in this order, each rule seeing the ones before.
void applyShapeConsistency(CustomGameDraft& draft)
{
    draft.maxShapeExtent = std::min(draft.maxShapeExtent, draft.fieldWidth - 2);
    draft.maxShapeExtent = std::min(draft.maxShapeExtent, draft.fieldHeight - 2);
    draft.maxBlocks = std::min(draft.maxBlocks, draft.maxShapeExtent * draft.maxShapeExtent);
    draft.maxShapeExtent = std::min(draft.maxShapeExtent, draft.maxBlocks);
    draft.minBlocks = std::min(draft.minBlocks, draft.maxBlocks);
}

int32_t clampIndex(int32_t index)
{
    return std::max(0, index);
}

constexpr std::array<int32_t, 3> shapeBars = {BAR_EXTENT, BAR_MAX_BLOCKS, BAR_MIN_BLOCKS};

bool isShapeBar(int32_t bar)
{
    return std::find(shapeBars.begin(), shapeBars.end(), bar) != shapeBars.end();
}

// The choice a list of this id edits, or null.
template <typename Draft>
auto listChoice(Draft& draft, int32_t id) -> decltype(&draft.sidesType)
{
    switch (id) {
    case CTL_SIDES: return &draft.sidesType;
    case CTL_GROUND: return &draft.groundType;
    case CTL_DIRECTION: return &draft.forceDirection;
    default:
        if (const int32_t effect = effectOfControl(id); effect >= 0)
            return &draft.effectFrequency[effect];
        return nullptr;
    }
}

}  // namespace

ScrollRange customGameBarRange(int32_t bar)
{
    if (bar < 0 || bar >= BAR_COUNT)
        return {0, 0};
    return barRanges[bar];
}

void fillCustomGameDraft(CustomGameDraft& draft)
{
    draft = game;
    if (sidewaysGravity(draft.forceDirection))
        std::swap(draft.fieldWidth, draft.fieldHeight);
}

int32_t customGameBarPosition(const CustomGameDraft& draft, int32_t bar)
{
    switch (bar) {
    case BAR_SPEED: return static_cast<int32_t>(draft.initialFallSpeed * 10);
    case BAR_MIN_ROWS: return static_cast<int32_t>(draft.minRowsToClear);
    default: {
        const int32_t* value = integerValue(draft, bar);
        return value != nullptr ? *value : 0;
    }
    }
}

std::string customGameBarLabel(const CustomGameDraft& draft, int32_t bar)
{
    char text[32];
    if (bar == BAR_SPEED)
        std::snprintf(text, sizeof text, "%4.1f", draft.initialFallSpeed);
    else if (bar == BAR_MIN_ROWS)
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(draft.minRowsToClear));
    else
        std::snprintf(text, sizeof text, "%d", static_cast<int>(customGameBarPosition(draft, bar)));
    return text;
}

bool customGameHorizontalScroll(CustomGameDraft& draft, int32_t bar, int32_t code, int32_t thumbPosition)
{
    const CustomGameDraft before = draft;
    if (bar == BAR_SPEED)
        scrollSpeed(draft.initialFallSpeed, code, thumbPosition);
    else if (int32_t* value = integerValue(draft, bar))
        scrollInteger(*value, barRanges[bar], code, thumbPosition);
    // The rules run whatever was scrolled: a narrower field may squeeze the
    // shapes as much as a smaller extent does.
    applyShapeConsistency(draft);
    return draft.maxShapeExtent != before.maxShapeExtent || draft.maxBlocks != before.maxBlocks
        || draft.minBlocks != before.minBlocks;
}

void customGameVerticalScroll(CustomGameDraft& draft, int32_t code)
{
    const ScrollRange range = barRanges[BAR_MIN_ROWS];
    // Signed arithmetic: a stored value of 0 must step to 1, not wrap around.
    int64_t rows = draft.minRowsToClear;
    switch (code) {
    case SCROLL_LINE_UP:
    case SCROLL_PAGE_UP: rows = std::min<int64_t>(range.maximum, rows + 1); break;
    case SCROLL_LINE_DOWN:
    case SCROLL_PAGE_DOWN: rows = std::max<int64_t>(range.minimum, rows - 1); break;
    default: return;
    }
    draft.minRowsToClear = static_cast<uint32_t>(rows);
}

void customGameOnlyTetraminoes(CustomGameDraft& draft, bool checked)
{
    if (checked) {
        draft.maxBlocks = 4;
        draft.minBlocks = 4;
        draft.maxShapeExtent = 4;
    }
    draft.fieldWidth = std::max(draft.fieldWidth, 6);
    draft.fieldHeight = std::max(draft.fieldHeight, 6);
}

void startCustomGame(const CustomGameDraft& draft)
{
    GameRules rules = draft;
    rules.sidesType = clampIndex(draft.sidesType);
    rules.groundType = clampIndex(draft.groundType);
    rules.forceDirection = clampIndex(draft.forceDirection);
    for (int32_t& frequency : rules.effectFrequency)
        frequency = clampIndex(frequency);
    // The direction just chosen decides the exchange, so the field keeps the
    // proportions the player saw, also when the direction changed here.
    if (sidewaysGravity(rules.forceDirection))
        std::swap(rules.fieldWidth, rules.fieldHeight);
    static_cast<GameRules&>(game) = rules;
    game.fallSpeed = rules.initialFallSpeed;
    game.levelFile.clear();
    game.tipText.clear();
    startNewGame();
}

void openCustomGameDialog(CustomGameDialog& dialog)
{
    fillCustomGameDraft(dialog.draft);
    dialog.onlyTetraminoes = false;
}

std::vector<ControlState> customGameDialogControls(const CustomGameDialog& dialog)
{
    std::vector<ControlState> controls;
    for (int32_t bar = 0; bar < BAR_COUNT; ++bar) {
        ControlState scrollBar;
        scrollBar.id = barControlId(bar);
        scrollBar.position = customGameBarPosition(dialog.draft, bar);
        scrollBar.enabled = !(isShapeBar(bar) && dialog.onlyTetraminoes);
        controls.push_back(scrollBar);
        ControlState label;
        label.id = barLabelControlId(bar);
        label.text = customGameBarLabel(dialog.draft, bar);
        controls.push_back(label);
    }
    const std::pair<int32_t, bool> boxes[] = {
        {CTL_ONLY_TETRAMINOES, dialog.onlyTetraminoes},
        {CTL_GRADUAL_SPEEDUP, dialog.draft.gradualSpeedup},
        {CTL_SUDDEN_MODE, dialog.draft.suddenMode},
        {CTL_INVISIBILITY_MODE, dialog.draft.invisibilityMode},
    };
    for (const auto& [id, checked] : boxes) {
        ControlState box;
        box.id = id;
        box.checked = checked;
        controls.push_back(box);
    }
    std::vector<int32_t> lists = {CTL_SIDES, CTL_GROUND, CTL_DIRECTION};
    for (int32_t i = 0; i < EFFECT_COUNT; ++i)
        lists.push_back(effectListId(i));
    for (int32_t id : lists) {
        ControlState list;
        list.id = id;
        list.selection = *listChoice(dialog.draft, id);
        controls.push_back(list);
    }
    return controls;
}

void customGameDialogScrolled(CustomGameDialog& dialog, int32_t id, int32_t code, int32_t thumbPosition)
{
    const int32_t bar = barOfControl(id);
    if (bar == BAR_MIN_ROWS) {
        customGameVerticalScroll(dialog.draft, code);
        return;
    }
    if (bar < 0 || bar >= BAR_COUNT)
        return;
    // A box that shows unchecked always leaves the shape bars free.
    if (customGameHorizontalScroll(dialog.draft, bar, code, thumbPosition))
        dialog.onlyTetraminoes = false;
}

void customGameDialogChecked(CustomGameDialog& dialog, int32_t id, bool checked)
{
    switch (id) {
    case CTL_ONLY_TETRAMINOES:
        dialog.onlyTetraminoes = checked;
        customGameOnlyTetraminoes(dialog.draft, checked);
        break;
    case CTL_GRADUAL_SPEEDUP: dialog.draft.gradualSpeedup = checked; break;
    case CTL_SUDDEN_MODE: dialog.draft.suddenMode = checked; break;
    case CTL_INVISIBILITY_MODE: dialog.draft.invisibilityMode = checked; break;
    default: break;
    }
}

void customGameDialogSelected(CustomGameDialog& dialog, int32_t id, int32_t index)
{
    if (int32_t* choice = listChoice(dialog.draft, id))
        *choice = index;
}

DialogOutcome customGameDialogCommand(CustomGameDialog& dialog, int32_t id)
{
    switch (id) {
    case CTL_OK:
        startCustomGame(dialog.draft);
        return DIALOG_ACCEPTED;
    case CTL_CANCEL: return DIALOG_CANCELLED;
    default: return DIALOG_STAYS_OPEN;
    }
}
