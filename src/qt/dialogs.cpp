#include "qt/dialogs.h"

#include "core/gamestate.h"
#include "ui/customgame.h"
#include "ui/dialogtemplates.h"
#include "ui/keyconfig.h"
#include "qt/dialogbuilder.h"
#include "qt/keymap.h"

#include <QApplication>
#include <QKeyEvent>

#include <mutex>
#include <string>

namespace {

// ---------------------------------------------------------------------------
// Custom game dialog.

class CustomGameDialogWindow : public TemplateDialog {
public:
    explicit CustomGameDialogWindow(QWidget* parent) : TemplateDialog(parent, customGameTemplate())
    {
        openCustomGameDialog(model);
        showControls(customGameDialogControls(model));
        layOut();
    }

protected:
    void scrolled(int32_t id, int32_t code, int32_t position) override
    {
        customGameDialogScrolled(model, id, code, position);
        showControls(customGameDialogControls(model));
    }
    void checked(int32_t id, bool on) override
    {
        customGameDialogChecked(model, id, on);
        showControls(customGameDialogControls(model));
    }
    void selected(int32_t id, int32_t index) override { customGameDialogSelected(model, id, index); }
    void commanded(int32_t id) override { finish(customGameDialogCommand(model, id)); }

private:
    CustomGameDialog model;
};

// ---------------------------------------------------------------------------
// Key configuration dialog.

// Shift, Ctrl, Alt or the system key held, apart from the key itself (a
// modifier key may be bound on its own).
bool modifierHeld(const QKeyEvent& event)
{
    Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (event.key()) {
    case Qt::Key_Shift: held &= ~Qt::ShiftModifier; break;
    case Qt::Key_Control: held &= ~Qt::ControlModifier; break;
    case Qt::Key_Alt: held &= ~Qt::AltModifier; break;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: held &= ~Qt::MetaModifier; break;
    default: break;
    }
    return held != Qt::NoModifier;
}

bool isModifierKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return true;
    default: return false;
    }
}

std::string keyName(int32_t virtualKey)
{
    return virtualKeyName(virtualKey).toStdString();
}

class KeysDialog : public TemplateDialog {
public:
    explicit KeysDialog(QWidget* parent);
    ~KeysDialog() override;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void commanded(int32_t id) override;

private:
    // The keyboard is held while a key is awaited, so that no other window
    // and no shortcut takes it.
    void followCapture();

    KeysDialogState state;
    bool grabbing = false;
};

KeysDialog::KeysDialog(QWidget* parent) : TemplateDialog(parent, keysTemplate())
{
    openKeysDialog(state);
    showControls(keysDialogControls(state, keyName));
    layOut();
    // Sees every key before any widget or shortcut does; it lets everything
    // through unless a key is being captured.
    qApp->installEventFilter(this);
}

KeysDialog::~KeysDialog()
{
    qApp->removeEventFilter(this);
    cancelKeyCapture(state);
    followCapture();
}

void KeysDialog::done(int result)
{
    cancelKeyCapture(state);
    followCapture();
    QDialog::done(result);
}

void KeysDialog::hideEvent(QHideEvent* event)
{
    cancelKeyCapture(state);
    followCapture();
    QDialog::hideEvent(event);
}

void KeysDialog::commanded(int32_t id)
{
    const DialogOutcome outcome = keysDialogCommand(state, id);
    showControls(keysDialogControls(state, keyName));
    followCapture();
    finish(outcome);
}

void KeysDialog::followCapture()
{
    if (state.capturingKey && !grabbing) {
        grabKeyboard();
        grabbing = true;
    } else if (!state.capturingKey && grabbing) {
        grabbing = false;
        releaseKeyboard();
    }
}

bool KeysDialog::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    DialogKeyEvent seen;
    seen.kind = type == QEvent::KeyPress ? DIALOG_KEY_PRESS
        : type == QEvent::KeyRelease     ? DIALOG_KEY_RELEASE
                                         : DIALOG_KEY_OTHER;
    seen.virtualKey = virtualKeyFromEvent(key);
    seen.autoRepeat = key.isAutoRepeat();
    seen.isModifierKey = isModifierKey(key);
    seen.modifierHeld = modifierHeld(key);
    const bool wasCapturing = state.capturingKey;
    const bool keep = keysDialogKey(state, seen);
    if (wasCapturing && !state.capturingKey) {
        showControls(keysDialogControls(state, keyName));
        followCapture();
    }
    if (keep) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// About box.

class AboutDialog : public TemplateDialog {
public:
    explicit AboutDialog(QWidget* parent) : TemplateDialog(parent, aboutTemplate()) { layOut(); }

protected:
    void commanded(int32_t id) override { finish(aboutDialogCommand(id)); }
};

}  // namespace

void runCustomGameDialog(QWidget* parent)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    CustomGameDialogWindow dialog(parent);
    dialog.exec();
}

void runKeysDialog(QWidget* parent)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    KeysDialog dialog(parent);
    dialog.exec();
}

void runAboutDialog(QWidget* parent)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    AboutDialog dialog(parent);
    dialog.exec();
}
