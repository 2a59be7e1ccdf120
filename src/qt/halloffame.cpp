#include "qt/halloffame.h"

#include "core/gamestate.h"
#include "ui/dialogtemplates.h"
#include "ui/halloffame.h"
#include "qt/dialogbuilder.h"
#include "qt/gamepad.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <mutex>

namespace {

Qt::Alignment cellAlignment(TextAlignment alignment)
{
    return (alignment == TEXT_RIGHT ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QTableWidgetItem* cell(const std::string& text, TextAlignment alignment)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(cellAlignment(alignment));
    return item;
}

// Built from the template's controls, but stacked by a box layout at the
// sizes Qt gives them rather than placed in dialog units: the list of
// tables on top, the entries, OK below.
class HallOfFameWindow : public TemplateDialog {
public:
    HallOfFameWindow(QWidget* parent, const Difficulty& played, const std::optional<HallEntry>& entered)
        : TemplateDialog(parent, hallOfFameTemplate(), false)
    {
        openHallOfFameDialog(model, readHallOfFame(), played, entered);

        tables = qobject_cast<QComboBox*>(control(CTL_HALL_TABLE));
        {
            // The first table is shown below, once the window is complete.
            const QSignalBlocker quiet(tables);
            for (const std::string& name : model.tableNames)
                tables->addItem(QString::fromStdString(name));
        }
        entries = qobject_cast<QTableWidget*>(control(CTL_HALL_ENTRIES));
        entries->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
        entries->setMinimumSize(420, entries->verticalHeader()->defaultSectionSize() * 11 + 8);
        // OK as the box would make its own: with the style's icon, where
        // the style gives dialog buttons one.
        auto* buttons = new QDialogButtonBox(this);
        auto* ok = qobject_cast<QPushButton*>(control(CTL_OK));
        if (style()->styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons, nullptr, buttons))
            ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, buttons));
        buttons->addButton(ok, QDialogButtonBox::AcceptRole);
        watch = qobject_cast<QPushButton*>(control(CTL_HALL_WATCH));
        buttons->addButton(watch, QDialogButtonBox::ActionRole);
        connect(entries, &QTableWidget::currentCellChanged, this, [this](int row) {
            hallDialogRowSelected(model, row >= 0 ? std::optional<size_t>(row) : std::nullopt);
            watch->setEnabled(hallDialogCanWatch(model));
        });

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(tables);
        layout->addWidget(entries);
        layout->addWidget(buttons);
        showTable();
    }

    const HallOfFameDialog& state() const { return model; }

protected:
    void selected(int32_t, int32_t index) override
    {
        hallDialogTableChosen(model, index);
        showTable();
    }
    void commanded(int32_t id) override { finish(hallOfFameDialogCommand(model, id)); }

private:
    void showTable()
    {
        entries->clearContents();
        // Nothing selected until the new entry is: Watch waits for a row.
        entries->setCurrentCell(-1, -1);
        watch->setEnabled(hallDialogCanWatch(model));
        const DialogControl& table = *findDialogControl(hallOfFameTemplate(), CTL_HALL_ENTRIES);
        const std::vector<HallRow> rows = hallDialogRows(model);
        for (size_t i = 0; i < rows.size(); ++i) {
            const int row = static_cast<int>(i);
            const HallRow& shown = rows[i];
            const std::string* texts[] = {&shown.place, &shown.score, &shown.name, &shown.date};
            for (int column = 0; column < 4; ++column)
                entries->setItem(row, column, cell(*texts[column], table.columns[column].alignment));
        }
        entries->resizeColumnToContents(0);
        entries->resizeColumnToContents(1);
        entries->resizeColumnToContents(3);
        const std::optional<size_t> nameRow = hallDialogNameRow(model);
        if (!nameRow)
            return;
        // The new entry: selected, and its name open for editing.
        const int row = static_cast<int>(*nameRow);
        entries->selectRow(row);
        auto* name = static_cast<QLineEdit*>(
            makeControl(*findDialogControl(hallOfFameTemplate(), CTL_HALL_NAME), nullptr));
        name->setText(QString::fromStdString(model.enteredName));
        connect(name, &QLineEdit::textChanged, this,
                [this](const QString& text) { hallDialogNameEdited(model, text.toStdString()); });
        connect(name, &QLineEdit::returnPressed, this, &QDialog::accept);
        entries->setCellWidget(row, 2, name);
        name->selectAll();
        name->setFocus();
    }

    HallOfFameDialog model;
    QComboBox* tables = nullptr;
    QTableWidget* entries = nullptr;
    QPushButton* watch = nullptr;
};

}  // namespace

void runHallOfFameDialog(QWidget* parent, const Difficulty& rules, std::optional<HallEntry> entered)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    HallOfFameWindow dialog(parent, rules, entered);
    dialog.setObjectName(QLatin1String(hallOfFameObjectName));
    dialog.exec();
    closeHallOfFameDialog(dialog.state());
}
