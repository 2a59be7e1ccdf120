#include "qt/dialogs.h"

#include "game/keyboard.h"
#include "ui/customgame.h"
#include "ui/keyconfig.h"
#include "qt/keymap.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace {

// ---------------------------------------------------------------------------
// Layout in dialog units: a quarter of the dialog font's average character
// width across and an eighth of its height down, so the dialogs keep their
// proportions at any font size. Each control remembers its rectangle in these
// units, and the dialog is laid out once all its controls exist.

const char* const unitRectProperty = "dialogUnitRect";

struct DialogUnits {
    double x;  // pixels per dialog unit across
    double y;  // and down
};

// Edges are converted rather than sizes, so neighbouring controls that touch
// in dialog units touch in pixels too.
QRect pixelRect(DialogUnits units, const QRect& rect)
{
    const auto across = [&](int v) { return static_cast<int>(std::lround(v * units.x)); };
    const auto down = [&](int v) { return static_cast<int>(std::lround(v * units.y)); };
    const int left = across(rect.x());
    const int top = down(rect.y());
    return QRect(left, top, across(rect.x() + rect.width()) - left, down(rect.y() + rect.height()) - top);
}

// The width a control's one-line caption needs, 0 when it needs none.
int captionWidth(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->wordWrap() ? 0 : label->sizeHint().width();
    if (const auto* box = qobject_cast<const QCheckBox*>(widget))
        return box->sizeHint().width();
    if (const auto* button = qobject_cast<const QPushButton*>(widget))
        return button->fontMetrics().horizontalAdvance(button->text())
            + 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    return 0;
}

// Places every control and fixes the dialog's size. Captions are laid out
// for a narrower font than most systems offer, so the unit across widens
// until every one-line caption fits its rectangle.
void layOutDialog(QDialog& dialog, int width, int height)
{
    const QFontMetricsF metrics(dialog.font());
    const double averageWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    DialogUnits units{averageWidth / 4, metrics.height() / 8};
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* control : controls) {
        const QRect rect = control->property(unitRectProperty).toRect();
        if (rect.width() > 0)
            units.x = std::max(units.x, captionWidth(control) / static_cast<double>(rect.width()));
    }
    for (QWidget* control : controls) {
        const QVariant rect = control->property(unitRectProperty);
        if (rect.isValid())
            control->setGeometry(pixelRect(units, rect.toRect()));
    }
    dialog.setFixedSize(pixelRect(units, QRect(0, 0, width, height)).size());
}

void setUpDialog(QDialog& dialog, const char* caption)
{
    dialog.setWindowTitle(QString::fromUtf8(caption));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint);
}

template <typename Widget>
Widget* place(Widget* widget, const QString& name, int x, int y, int width, int height)
{
    if (!name.isEmpty())
        widget->setObjectName(name);
    widget->setProperty(unitRectProperty, QRect(x, y, width, height));
    return widget;
}

QLabel* addLabel(QDialog* dialog, const char* text, int x, int y, int width, int height,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop, const QString& name = QString())
{
    auto* label = new QLabel(QString::fromUtf8(text), dialog);
    label->setAlignment(alignment);
    label->setWordWrap(height > 8);
    return place(label, name, x, y, width, height);
}

QGroupBox* addGroup(QDialog* dialog, const char* title, int x, int y, int width, int height)
{
    return place(new QGroupBox(QString::fromUtf8(title), dialog), QString(), x, y, width, height);
}

QPushButton* addButton(QDialog* dialog, const char* text, const QString& name, int x, int y, int width, int height)
{
    return place(new QPushButton(QString::fromUtf8(text), dialog), name, x, y, width, height);
}

// Drop-down lists are given the height of one line of choice; the table's
// heights are those of the open list.
constexpr int listHeight = 12;

template <size_t N>
QComboBox* addList(QDialog* dialog, const std::array<const char*, N>& items, const char* name, int x, int y,
                   int width)
{
    auto* list = new QComboBox(dialog);
    for (const char* item : items)
        list->addItem(QString::fromUtf8(item));
    return place(list, QString::fromLatin1(name), x, y, width, listHeight);
}

QCheckBox* addCheckBox(QDialog* dialog, const char* text, const char* name, int x, int y, int width)
{
    return place(new QCheckBox(QString::fromUtf8(text), dialog), QString::fromLatin1(name), x, y, width, 10);
}

// ---------------------------------------------------------------------------
// Custom game dialog.

// What the bar reports, in the scroll codes the rules understand. The lesser
// end is left on a horizontal bar and the upper arrow on the vertical one.
int32_t scrollCode(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SCROLL_LINE_LEFT;
    case QAbstractSlider::SliderSingleStepAdd: return SCROLL_LINE_RIGHT;
    case QAbstractSlider::SliderPageStepSub: return SCROLL_PAGE_LEFT;
    case QAbstractSlider::SliderPageStepAdd: return SCROLL_PAGE_RIGHT;
    case QAbstractSlider::SliderMove: return SCROLL_THUMB_TRACK;
    case QAbstractSlider::SliderToMinimum: return SCROLL_TO_LEFT;
    case QAbstractSlider::SliderToMaximum: return SCROLL_TO_RIGHT;
    default: return SCROLL_END;
    }
}

constexpr std::array<int32_t, 3> shapeBars = {BAR_EXTENT, BAR_MAX_BLOCKS, BAR_MIN_BLOCKS};

class CustomGameDialog : public QDialog {
public:
    explicit CustomGameDialog(QWidget* parent);

private:
    void addBar(int32_t bar, const char* name, Qt::Orientation orientation, int x, int y, int width, int height,
                int labelX, int labelY, int labelWidth, Qt::Alignment labelAlignment);
    void showBar(int32_t bar);
    void horizontalScroll(int32_t bar, int action);
    void verticalScroll(int action);
    void onlyTetraminoesClicked(bool checked);
    void start();

    CustomGameDraft draft;
    std::array<QScrollBar*, BAR_COUNT> bars{};
    std::array<QLabel*, BAR_COUNT> labels{};
    QCheckBox* onlyTetraminoes = nullptr;
    QCheckBox* gradualSpeedup = nullptr;
    QCheckBox* suddenMode = nullptr;
    QCheckBox* invisibilityMode = nullptr;
    QComboBox* sides = nullptr;
    QComboBox* ground = nullptr;
    QComboBox* direction = nullptr;
    std::array<QComboBox*, EFFECT_COUNT> effects{};
    // Set while the dialog moves bars itself, so that what a bar reports
    // then is not taken for the player's doing.
    bool showing = false;
};

CustomGameDialog::CustomGameDialog(QWidget* parent) : QDialog(parent)
{
    setUpDialog(*this, "Custom Game Settings");
    fillCustomGameDraft(draft);
    const CustomGameChoices choices = currentCustomGameChoices();
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;

    // Group boxes first, so the controls inside them lie above them.
    addGroup(this, "FIELD", 4, 5, 126, 63);
    addGroup(this, "SHAPES", 4, 73, 126, 87);
    addGroup(this, "GRAVITATION", 4, 166, 125, 63);
    addGroup(this, "EXTRA DIFFCULTY", 136, 5, 125, 224);

    addLabel(this, "Width:", 12, 14, 22, 8);
    addBar(BAR_WIDTH, "width", Qt::Horizontal, 64, 13, 57, 10, 43, 14, 12, left);
    addLabel(this, "Height:", 11, 25, 24, 8);
    addBar(BAR_HEIGHT, "height", Qt::Horizontal, 64, 25, 57, 10, 43, 25, 11, left);
    addLabel(this, "Sides", 12, 39, 23, 8);
    sides = addList(this, sidesTypeNames, "sides", 45, 37, 79);
    addLabel(this, "Ground", 12, 53, 23, 8);
    ground = addList(this, groundTypeNames, "ground", 45, 51, 79);

    onlyTetraminoes = addCheckBox(this, "Only tetraminoes", "onlyTetraminoes", 14, 83, 71);
    addLabel(this, "Max blocks in shape:", 10, 93, 67, 8);
    addBar(BAR_MAX_BLOCKS, "maxBlocks", Qt::Horizontal, 12, 102, 106, 10, 106, 93, 9, left);
    addLabel(this, "Min blocks in shape:", 10, 114, 64, 8);
    addBar(BAR_MIN_BLOCKS, "minBlocks", Qt::Horizontal, 12, 123, 105, 10, 107, 115, 8, left);
    addLabel(this, "Max shape width and height:", 10, 135, 94, 8);
    addBar(BAR_EXTENT, "extent", Qt::Horizontal, 11, 144, 106, 10, 107, 135, 8, left);

    addLabel(this, "Initial free fall speed", 10, 177, 75, 8);
    addBar(BAR_SPEED, "speed", Qt::Horizontal, 11, 186, 106, 10, 104, 178, 14, left);
    gradualSpeedup = addCheckBox(this, "Gradually increase fall speed", "gradualSpeedup", 11, 200, 111);
    addLabel(this, "Force direction", 12, 214, 48, 8);
    direction = addList(this, forceDirectionNames, "direction", 68, 212, 50);

    suddenMode = addCheckBox(this, "\"Sudden\" mode (instant falls)", "suddenMode", 142, 17, 109);
    addLabel(this, "Min # adjacent filled rows to disappear", 142, 30, 82, 17);
    addBar(BAR_MIN_ROWS, "minRows", Qt::Vertical, 242, 30, 9, 15, 233, 32, 8, Qt::AlignRight | Qt::AlignTop);
    invisibilityMode = addCheckBox(this, "Invisibility mode", "invisibilityMode", 142, 51, 109);

    // Each effect list with its caption to the left; the longer captions take
    // two lines.
    struct EffectPlace {
        const char* name;
        int listX, listY, listWidth;
        int labelY, labelHeight;
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
        addLabel(this, effectNames[i], 143, at.labelY, at.listX - 2 - 143, at.labelHeight,
                 Qt::AlignLeft | Qt::AlignVCenter);
        effects[i] = addList(this, frequencyNames, at.name, at.listX, at.listY, at.listWidth);
    }

    QPushButton* startButton = addButton(this, "Start!", "start", 83, 236, 50, 14);
    QPushButton* cancelButton = addButton(this, "Cancel", "cancel", 133, 236, 50, 14);
    startButton->setDefault(true);

    // The player's choices as they stand, tab order being creation order.
    sides->setCurrentIndex(choices.sidesType);
    ground->setCurrentIndex(choices.groundType);
    direction->setCurrentIndex(choices.forceDirection);
    gradualSpeedup->setChecked(choices.gradualSpeedup);
    suddenMode->setChecked(choices.suddenMode);
    invisibilityMode->setChecked(choices.invisibilityMode);
    for (int32_t i = 0; i < EFFECT_COUNT; ++i)
        effects[i]->setCurrentIndex(choices.effectFrequency[i]);

    connect(onlyTetraminoes, &QCheckBox::clicked, this, [this](bool checked) { onlyTetraminoesClicked(checked); });
    connect(startButton, &QPushButton::clicked, this, [this] { start(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    layOutDialog(*this, 264, 253);
    // Centred on the screen, not on the main window.
    if (QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CustomGameDialog::addBar(int32_t bar, const char* name, Qt::Orientation orientation, int x, int y, int width,
                              int height, int labelX, int labelY, int labelWidth, Qt::Alignment labelAlignment)
{
    auto* scrollBar = place(new QScrollBar(orientation, this), QString::fromLatin1(name), x, y, width, height);
    const ScrollRange range = customGameBarRange(bar);
    scrollBar->setRange(range.minimum, range.maximum);
    // Every step, line or page, is one unit. The left arrow key moves a
    // horizontal bar left; the up arrow key stays the upper arrow's.
    scrollBar->setSingleStep(1);
    scrollBar->setPageStep(1);
    if (orientation == Qt::Horizontal)
        scrollBar->setInvertedControls(false);
    scrollBar->setFocusPolicy(Qt::StrongFocus);
    bars[bar] = scrollBar;
    labels[bar] = addLabel(this, "", labelX, labelY, labelWidth, 8, labelAlignment,
                           QString::fromLatin1(name) + QStringLiteral("Label"));
    showBar(bar);
    if (orientation == Qt::Horizontal)
        connect(scrollBar, &QAbstractSlider::actionTriggered, this,
                [this, bar](int action) { horizontalScroll(bar, action); });
    else
        connect(scrollBar, &QAbstractSlider::actionTriggered, this, [this](int action) { verticalScroll(action); });
}

void CustomGameDialog::showBar(int32_t bar)
{
    const bool wasShowing = showing;
    showing = true;
    const int position = customGameBarPosition(draft, bar);
    // The bar has already moved on its own; it is put where the rules say.
    bars[bar]->setSliderPosition(position);
    bars[bar]->setValue(position);
    labels[bar]->setText(QString::fromStdString(customGameBarLabel(draft, bar)));
    showing = wasShowing;
}

void CustomGameDialog::horizontalScroll(int32_t bar, int action)
{
    if (showing)
        return;
    const bool shapesChanged = customGameHorizontalScroll(draft, bar, scrollCode(action), bars[bar]->sliderPosition());
    showBar(bar);
    if (!shapesChanged)
        return;
    for (int32_t shapeBar : shapeBars) {
        showBar(shapeBar);
        // A box that shows unchecked always leaves the shape bars free.
        bars[shapeBar]->setEnabled(true);
    }
    onlyTetraminoes->setChecked(false);
}

void CustomGameDialog::verticalScroll(int action)
{
    if (showing)
        return;
    customGameVerticalScroll(draft, scrollCode(action));
    showBar(BAR_MIN_ROWS);
}

void CustomGameDialog::onlyTetraminoesClicked(bool checked)
{
    customGameOnlyTetraminoes(draft, checked);
    for (int32_t shapeBar : shapeBars) {
        showBar(shapeBar);
        bars[shapeBar]->setEnabled(!checked);
    }
    showBar(BAR_WIDTH);
    showBar(BAR_HEIGHT);
}

void CustomGameDialog::start()
{
    CustomGameChoices choices;
    choices.sidesType = sides->currentIndex();
    choices.groundType = ground->currentIndex();
    choices.forceDirection = direction->currentIndex();
    choices.gradualSpeedup = gradualSpeedup->isChecked();
    choices.suddenMode = suddenMode->isChecked();
    choices.invisibilityMode = invisibilityMode->isChecked();
    for (int32_t i = 0; i < EFFECT_COUNT; ++i)
        choices.effectFrequency[i] = effects[i]->currentIndex();
    startCustomGame(draft, choices);
    accept();
}

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

class KeysDialog : public QDialog {
public:
    explicit KeysDialog(QWidget* parent);
    ~KeysDialog() override;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void keyButtonClicked(int32_t index);
    void otherButtonClicked();
    void showKeyName(int32_t index);
    void releaseGrab();

    KeysDialogState state;
    std::array<QPushButton*, KEY_COUNT> keyButtons{};
    bool grabbing = false;
    // The key just captured: its auto-repeats and its release belong to the
    // capture too, so a held Return does not go on to press a button.
    int32_t capturedKeyHeld = 0;
};

KeysDialog::KeysDialog(QWidget* parent) : QDialog(parent)
{
    setUpDialog(*this, "Configure Keys");
    openKeysDialog(state);

    for (int32_t i = 0; i < KEY_COUNT; ++i) {
        const int y = i == KEY_ANTI_BOSS ? 151 : 6 + 18 * i;
        const int x = i == KEY_ANTI_BOSS ? 71 : 72;
        addLabel(this, keyBindingLabels[i], 0, y, 68, 16, Qt::AlignRight | Qt::AlignVCenter);
        keyButtons[i] = addButton(this, "", QStringLiteral("key%1").arg(i), x, y, 54, 16);
        showKeyName(i);
        connect(keyButtons[i], &QPushButton::clicked, this, [this, i] { keyButtonClicked(i); });
    }
    QPushButton* defaults = addButton(this, "Load default keys", "loadDefaults", 13, 170, 102, 14);
    QPushButton* ok = addButton(this, "OK", "ok", 12, 187, 50, 14);
    QPushButton* cancel = addButton(this, "Cancel", "cancel", 66, 187, 50, 14);
    ok->setDefault(true);
    layOutDialog(*this, 130, 210);

    connect(defaults, &QPushButton::clicked, this, [this] {
        otherButtonClicked();
        loadDefaultKeysIntoDialog(state);
        for (int32_t i = 0; i < KEY_COUNT; ++i)
            showKeyName(i);
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        otherButtonClicked();
        commitKeysDialog(state);
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        otherButtonClicked();
        reject();
    });

    // Sees every key before any widget or shortcut does; it lets everything
    // through unless a key is being captured.
    qApp->installEventFilter(this);
}

KeysDialog::~KeysDialog()
{
    qApp->removeEventFilter(this);
    releaseGrab();
}

void KeysDialog::done(int result)
{
    cancelKeyCapture(state);
    releaseGrab();
    QDialog::done(result);
}

void KeysDialog::hideEvent(QHideEvent* event)
{
    cancelKeyCapture(state);
    releaseGrab();
    QDialog::hideEvent(event);
}

void KeysDialog::showKeyName(int32_t index)
{
    keyButtons[index]->setText(virtualKeyName(state.editedKeys[index]));
}

void KeysDialog::keyButtonClicked(int32_t index)
{
    beginKeyCapture(state, index);
    keyButtons[index]->setText(QStringLiteral("..."));
    capturedKeyHeld = 0;
    if (!grabbing) {
        grabKeyboard();
        grabbing = true;
    }
}

void KeysDialog::otherButtonClicked()
{
    cancelKeyCapture(state);
    releaseGrab();
}

void KeysDialog::releaseGrab()
{
    if (!grabbing)
        return;
    grabbing = false;
    releaseKeyboard();
}

bool KeysDialog::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);

    if (state.capturingKey) {
        // Only a fresh press counts: the repeats of a key held since the
        // click are not the player's choice. A modifier counts once it has
        // been released without serving as one.
        if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && !key.isAutoRepeat()) {
            const int32_t virtualKey = virtualKeyFromEvent(key);
            const int32_t index = state.captureIndex;
            const bool pressed = type == QEvent::KeyPress;
            const bool taken = pressed ? captureKeyDown(state, virtualKey, isModifierKey(key), modifierHeld(key))
                                       : captureKeyUp(state, virtualKey);
            if (taken) {
                showKeyName(index);
                // A key taken on its release has nothing left to swallow.
                capturedKeyHeld = pressed ? virtualKey : 0;
                releaseGrab();
            }
        }
        // No key reaches a button or a shortcut while one is awaited.
        event->accept();
        return true;
    }
    if (capturedKeyHeld != 0 && virtualKeyFromEvent(key) == capturedKeyHeld) {
        const bool swallow = key.isAutoRepeat() || type == QEvent::KeyRelease;
        // A fresh press means the release went elsewhere: the key is free again.
        if (!key.isAutoRepeat())
            capturedKeyHeld = 0;
        if (swallow) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// About box.

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent);
};

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setUpDialog(*this, "About Dralen");
    addLabel(this, "Dralen 1.14", 7, 4, 131, 8, Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this,
             "A generic and customizable game where you place falling tetraminoes, pentaminoes, "
             "sextaminoes or even bigger shapes to form hole-free rows",
             7, 14, 127, 37, Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this, "Game: the Dralen team", 38, 56, 69, 8, Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this, "Art and music made in-house", 18, 64, 109, 8, Qt::AlignHCenter | Qt::AlignTop);
    addLabel(this, "Thanks for playing!", 38, 72, 69, 8, Qt::AlignHCenter | Qt::AlignTop);
    QPushButton* ok = addButton(this, "OK", "ok", 48, 84, 50, 14);
    ok->setDefault(true);
    layOutDialog(*this, 145, 105);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace

void runCustomGameDialog(QWidget* parent)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    CustomGameDialog dialog(parent);
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
