// Texts that the front ends show of their own, apart from the dialogs'
// (those are in the dialog templates) and from the messages of the game,
// which come with the game's calls.
#pragma once

// The main window's title and the caption of every message box.
inline constexpr const char* programTitle = "Dralen";

// The saved games the "Save Game" and "Load Game" file dialogs offer: the
// name of the kind, the pattern that picks them out and the suffix a name
// without one is given.
inline constexpr const char* saveFileKindName = "Save Files";
inline constexpr const char* saveFilePattern = "*.sav";
inline constexpr const char* saveFileSuffix = "sav";

// The replays "Watch Replay..." offers, in the same terms.
inline constexpr const char* replayFileKindName = "Dralen Replays";
inline constexpr const char* replayFilePattern = "*.replay";
inline constexpr const char* replayFileSuffix = "replay";
