// The custom game, key configuration and About dialogs. Each runs modally on
// the window thread and returns when it is closed; the menu command that opens
// it holds gameLock throughout, so the game stands still meanwhile (the
// dialogs take the lock as well, which is harmless as it is recursive).
//
// Controls carry object names, so that tests and tools can find them:
// custom game: the bars and their value labels "width", "height", "maxBlocks",
// "minBlocks", "extent", "speed", "minRows" (labels with a "Label" suffix),
// the lists "sides", "ground", "direction", "flood", "erosion",
// "petrification", "shatteredShapes", "rowPlacementFailure", the boxes
// "onlyTetraminoes", "gradualSpeedup", "suddenMode", "invisibilityMode" and
// the buttons "start" and "cancel"; keys: "key0" ... "key8" in the order of
// the bindings, "loadDefaults", "ok", "cancel"; About: "ok".
#pragma once

class QWidget;

// "Start!" writes the settings and starts a new game; "Cancel" changes nothing.
void runCustomGameDialog(QWidget* parent);

// "OK" writes the nine key bindings; "Cancel" changes nothing.
void runKeysDialog(QWidget* parent);

void runAboutDialog(QWidget* parent);
