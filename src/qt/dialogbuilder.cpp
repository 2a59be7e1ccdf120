#include "qt/dialogbuilder.h"

#include "ui/customgame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QValidator>

#include <algorithm>

namespace {

// Turns away a change that would leave more characters than the edit takes,
// as the toolkit's own limit does, but counting characters, not UTF-16 units.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(const DialogControl& edit, QObject* parent) : QValidator(parent), edit(edit) {}
    State validate(QString& text, int&) const override
    {
        return editTextFits(edit, text.toStdString()) ? Acceptable : Invalid;
    }

private:
    DialogControl edit;
};

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

QRect pixelRect(DialogUnits units, const QRect& rect)
{
    const DialogRect pixels =
        dialogUnitsToPixels({rect.x(), rect.y(), rect.width(), rect.height()}, units.x, units.y);
    return QRect(pixels.x, pixels.y, pixels.width, pixels.height);
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

Qt::Alignment alignmentOf(TextAlignment alignment, bool verticalCentre)
{
    const Qt::Alignment across = alignment == TEXT_RIGHT ? Qt::AlignRight
        : alignment == TEXT_CENTRE                       ? Qt::AlignHCenter
                                                         : Qt::AlignLeft;
    return across | (verticalCentre ? Qt::AlignVCenter : Qt::AlignTop);
}

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

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

QScrollBar* makeScrollBar(const DialogControl& control, QWidget* parent)
{
    const bool horizontal = control.kind == CONTROL_HORIZONTAL_SCROLL_BAR;
    auto* bar = new QScrollBar(horizontal ? Qt::Horizontal : Qt::Vertical, parent);
    bar->setRange(control.minimum, control.maximum);
    // Every step, line or page, is one unit. The left arrow key moves a
    // horizontal bar left; the up arrow key stays the upper arrow's.
    bar->setSingleStep(1);
    bar->setPageStep(1);
    if (horizontal)
        bar->setInvertedControls(false);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QTableWidget* makeEntryTable(const DialogControl& control, QWidget* parent)
{
    auto* table = new QTableWidget(control.rows, static_cast<int>(control.columns.size()), parent);
    QStringList headers;
    for (const TableColumn& column : control.columns)
        headers << text(column.caption);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    return table;
}

}  // namespace

QWidget* TemplateDialog::makeControl(const DialogControl& control, QWidget* parent)
{
    QWidget* widget = nullptr;
    switch (control.kind) {
    case CONTROL_GROUP_BOX: widget = new QGroupBox(text(control.caption), parent); break;
    case CONTROL_LABEL: {
        auto* label = new QLabel(text(control.caption), parent);
        label->setAlignment(alignmentOf(control.alignment, control.verticalCentre));
        label->setWordWrap(control.wordWrap);
        widget = label;
        break;
    }
    case CONTROL_HORIZONTAL_SCROLL_BAR:
    case CONTROL_VERTICAL_SCROLL_BAR: widget = makeScrollBar(control, parent); break;
    case CONTROL_DROP_DOWN_LIST: {
        auto* list = new QComboBox(parent);
        for (const std::string& item : control.items)
            list->addItem(text(item));
        widget = list;
        break;
    }
    case CONTROL_CHECK_BOX: widget = new QCheckBox(text(control.caption), parent); break;
    case CONTROL_PUSH_BUTTON:
    case CONTROL_DEFAULT_PUSH_BUTTON: {
        auto* button = new QPushButton(text(control.caption), parent);
        button->setDefault(control.kind == CONTROL_DEFAULT_PUSH_BUTTON);
        widget = button;
        break;
    }
    case CONTROL_ENTRY_TABLE: widget = makeEntryTable(control, parent); break;
    case CONTROL_EDIT: {
        auto* edit = new QLineEdit(parent);
        if (control.maxLength > 0) {
            edit->setMaxLength(editUnitLimit(control));
            edit->setValidator(new CharacterLimit(control, edit));
        }
        widget = edit;
        break;
    }
    }
    if (!control.name.empty())
        widget->setObjectName(text(control.name));
    return widget;
}

TemplateDialog::TemplateDialog(QWidget* parent, const DialogTemplate& source, bool inDialogUnits)
    : QDialog(parent), dialogTemplate(source)
{
    setWindowTitle(text(source.caption));
    if (inDialogUnits)
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                       | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The system's dialog font stands in for the template's: the unit
    // follows whichever font the dialog has.
    for (const DialogControl& control : source.controls) {
        if (control.hostId != 0)
            continue;
        QWidget* widget = makeControl(control, this);
        if (inDialogUnits) {
            const DialogRect& rect = control.rect;
            widget->setProperty(unitRectProperty, QRect(rect.x, rect.y, rect.width, rect.height));
        }
        const int32_t id = control.id;
        if (id != CTL_STATIC)
            controls[id] = widget;
        if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
            connect(bar, &QAbstractSlider::actionTriggered, this, [this, id, bar](int action) {
                if (!showing)
                    scrolled(id, scrollCode(action), bar->sliderPosition());
            });
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            connect(list, &QComboBox::currentIndexChanged, this, [this, id](int index) {
                if (!showing)
                    selected(id, index);
            });
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            connect(box, &QCheckBox::clicked, this, [this, id](bool on) { checked(id, on); });
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            connect(button, &QPushButton::clicked, this, [this, id] { commanded(id); });
        }
    }
}

QWidget* TemplateDialog::control(int32_t id) const
{
    const auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

void TemplateDialog::showControls(const std::vector<ControlState>& states)
{
    const bool wasShowing = showing;
    showing = true;
    for (const ControlState& state : states) {
        QWidget* widget = control(state.id);
        if (widget == nullptr)
            continue;
        if (state.position) {
            if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
                // The bar may have moved on its own already; it is put where
                // the rules say.
                bar->setSliderPosition(*state.position);
                bar->setValue(*state.position);
            }
        }
        if (state.text) {
            if (auto* label = qobject_cast<QLabel*>(widget))
                label->setText(text(*state.text));
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                button->setText(text(*state.text));
        }
        if (state.checked)
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                button->setChecked(*state.checked);
        if (state.selection)
            if (auto* list = qobject_cast<QComboBox*>(widget))
                list->setCurrentIndex(*state.selection);
        if (state.enabled)
            widget->setEnabled(*state.enabled);
    }
    showing = wasShowing;
}

void TemplateDialog::layOut()
{
    layOutDialog(*this, dialogTemplate.width, dialogTemplate.height);
    if (!dialogTemplate.centreOnScreen)
        return;
    QWidget* owner = parentWidget();
    if (QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TemplateDialog::finish(DialogOutcome outcome)
{
    if (outcome == DIALOG_ACCEPTED)
        accept();
    else if (outcome == DIALOG_CANCELLED)
        reject();
}
