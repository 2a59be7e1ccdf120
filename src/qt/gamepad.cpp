#include "qt/gamepad.h"

#include "core/gamestate.h"
#include "game/gamepad.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <SDL.h>

#include <algorithm>
#include <vector>

namespace {

// With nothing attached, a look once a second finds a controller soon enough
// after it is plugged in and costs an idle game nothing to speak of.
constexpr int idleInterval = 1000;

bool started = false;
std::vector<SDL_GameController*> pads;
QPointer<QTimer> timer;

bool isOpen(SDL_JoystickID id)
{
    return std::any_of(pads.begin(), pads.end(), [id](SDL_GameController* pad) {
        return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id;
    });
}

void closeDetached()
{
    for (auto it = pads.begin(); it != pads.end();) {
        if (SDL_GameControllerGetAttached(*it)) {
            ++it;
            continue;
        }
        SDL_GameControllerClose(*it);
        it = pads.erase(it);
    }
}

void openAttached()
{
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (!SDL_IsGameController(i) || isOpen(SDL_JoystickGetDeviceInstanceID(i)))
            continue;
        if (SDL_GameController* pad = SDL_GameControllerOpen(i))
            pads.push_back(pad);
    }
}

PadReading readingOf(SDL_GameController* pad)
{
    auto button = [pad](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(pad, b) != 0; };
    PadReading r;
    r.dpadLeft = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    r.dpadRight = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    r.dpadUp = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
    r.dpadDown = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    r.stickX = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    r.stickY = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    r.buttonA = button(SDL_CONTROLLER_BUTTON_A);
    r.buttonB = button(SDL_CONTROLLER_BUTTON_B);
    r.buttonY = button(SDL_CONTROLLER_BUTTON_Y);
    r.start = button(SDL_CONTROLLER_BUTTON_START);
    return r;
}

// The game's message boxes and the Hall of Fame are known by the object
// names the main window and the Hall of Fame give them.
PadFront frontOf(QWidget* modal)
{
    if (modal == nullptr)
        return PAD_FRONT_PLAY;
    if (modal->objectName() == QLatin1String(gameMessageObjectName))
        return PAD_FRONT_MESSAGE;
    if (modal->objectName() == QLatin1String(hallOfFameObjectName))
        return PAD_FRONT_HALL;
    return PAD_FRONT_DIALOG;
}

}  // namespace

bool startGamepads(QObject* owner)
{
    if (!started) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // Face buttons by where they sit, whatever their labels say, so the
        // same thumb movement turns the same way on every make of controller.
        SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
            return false;
        // Nobody reads SDL's event queue here: the state is read directly, and
        // queued events would only pile up.
        SDL_JoystickEventState(SDL_IGNORE);
        SDL_GameControllerEventState(SDL_IGNORE);
        started = true;
    }
    if (owner != nullptr && timer.isNull()) {
        timer = new QTimer(owner);
        QObject::connect(timer, &QTimer::timeout, pollGamepads);
        timer->start(gamepadPollInterval());
    }
    return true;
}

void stopGamepads()
{
    if (!started)
        return;
    delete timer.data();
    feedPadBindings({});
    for (SDL_GameController* pad : pads)
        SDL_GameControllerClose(pad);
    pads.clear();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    started = false;
}

void pollGamepads()
{
    if (!started)
        return;
    SDL_GameControllerUpdate();
    closeDetached();
    openAttached();
    std::vector<PadReading> readings;
    for (SDL_GameController* pad : pads)
        readings.push_back(readingOf(pad));
    // Behind a dialog the controller plays no more than the keyboard does; a
    // controller pulled out while a direction was held lets go of it here.
    QWidget* modal = QApplication::activeModalWidget();
    PadFront front = frontOf(modal);
    if (auto* window = qobject_cast<QWidget*>(timer ? timer->parent() : nullptr);
        front == PAD_FRONT_PLAY && window != nullptr && !window->isActiveWindow())
        front = PAD_FRONT_ELSEWHERE;
    const PadAnswer answer = feedPads(readings.data(), readings.size(), front);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && answer != PAD_ANSWER_NONE) {
        // Accepting writes the name the Hall of Fame offers, closing as well.
        if (answer == PAD_ANSWER_CONFIRM)
            dialog->accept();
        else
            dialog->reject();
    }
    if (timer && timer->interval() != gamepadPollInterval())
        timer->setInterval(gamepadPollInterval());
}

int attachedGamepads()
{
    return static_cast<int>(pads.size());
}

int gamepadPollInterval()
{
    return pads.empty() ? idleInterval : tickLength;
}
