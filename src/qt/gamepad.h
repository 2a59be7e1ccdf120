// Game controllers through SDL's game-controller support (no SDL video):
// read on the window thread, at the tick rate while one is attached and
// once a second otherwise, so that plugging one in is noticed without the
// idle game waking more often than that. What they press goes through
// game/gamepad.h into the key table.
#pragma once

class QObject;

// The object names of the windows a controller answers: the game's message
// boxes (A or Start confirms) and the Hall of Fame (A or Start confirms, B
// closes).
inline constexpr const char* gameMessageObjectName = "gameMessage";
inline constexpr const char* hallOfFameObjectName = "hallOfFame";

// Starts SDL's controller subsystem and a timer owned by owner that reads the
// controllers. False, and nothing polls, when SDL cannot start it: the game
// plays on with the keyboard. An owner that is a window plays only while it
// is the active one. Window thread.
bool startGamepads(QObject* owner);
// Lets go of every controller and of the subsystem. Window thread.
void stopGamepads();

// One look at the controllers: those plugged in or out since the last look
// are opened or closed, and the state of all of them goes to the key table.
// The timer calls it; tests call it directly. Window thread.
void pollGamepads();
int attachedGamepads();
// How long the timer waits between two looks now, in milliseconds.
int gamepadPollInterval();
