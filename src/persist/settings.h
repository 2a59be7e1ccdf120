// Settings the classic configuration file has no line for, kept in a file of
// their own, "settings.cfg", beside "dralen.cfg" (which keeps its twelve lines).
#pragma once

#include "persist/halloffame.h"

#include <cstdint>
#include <optional>

// How many screen pixels a pixel of the play area takes.
constexpr int32_t ZOOM_FIT_SCREEN = 0;  // the largest factor whose window fits the screen
constexpr int32_t maxZoomFactor = 4;    // the largest one the menu offers

struct ExtraSettings {
    int32_t zoom = 1;  // 1..maxZoomFactor, or ZOOM_FIT_SCREEN
    // Whether the player (or the file) chose the zoom. Until then a front end
    // may follow the display's scale, and the file names no zoom.
    bool zoomChosen = false;
    // The rules of the game written to the automatic save, so that the game
    // continued from it counts on the same Hall of Fame table: the save
    // itself does not know the speed the game started at.
    std::optional<Difficulty> autosavedRules;
};

extern ExtraSettings extraSettings;

// Reads the file; missing or unusable values keep their defaults. Window
// thread at start-up.
void loadExtraSettings();
// Writes the file. Failures are silent. Window thread on the way out.
void saveExtraSettings();

// After the automatic save was read: takes the starting speed recorded with
// it when the rest of the rules agree.
void adoptAutosavedRules();
