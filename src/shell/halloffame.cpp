#include "shell/halloffame.h"

#include "core/gamestate.h"
#include "shell/commands.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace {

QTableWidgetItem* cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment);
    return item;
}

class HallOfFameDialog : public QDialog {
public:
    HallOfFameDialog(QWidget* parent, const Difficulty& played, std::optional<size_t> place)
        : QDialog(parent), newPlace(place)
    {
        setWindowTitle(QStringLiteral("Hall of Fame"));
        hall = readHallOfFame();
        hall.erase(std::remove_if(hall.begin(), hall.end(), [](const HallTable& t) { return t.entries.empty(); }),
                   hall.end());
        if (findHallTable(hall, played) == nullptr)
            hall.push_back({played, {}, 0});
        // The game being played first, the others by name.
        std::stable_sort(hall.begin(), hall.end(), [&](const HallTable& a, const HallTable& b) {
            if ((a.rules == played) != (b.rules == played))
                return a.rules == played;
            return hallTableName(a.rules) < hallTableName(b.rules);
        });
        if (newPlace && *newPlace < hall.front().entries.size())
            enteredName = originalName = QString::fromStdString(hall.front().entries[*newPlace].name);

        tables = new QComboBox(this);
        tables->setObjectName(QStringLiteral("table"));
        for (const HallTable& table : hall)
            tables->addItem(QString::fromStdString(hallTableName(table.rules)));
        entries = new QTableWidget(static_cast<int>(hallTableLength), 4, this);
        entries->setObjectName(QStringLiteral("entries"));
        entries->setHorizontalHeaderLabels({QString(), QStringLiteral("Score"), QStringLiteral("Name"),
                                            QStringLiteral("Date")});
        entries->verticalHeader()->hide();
        entries->setSelectionBehavior(QAbstractItemView::SelectRows);
        entries->setSelectionMode(QAbstractItemView::SingleSelection);
        entries->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
        entries->setMinimumSize(420, entries->verticalHeader()->defaultSectionSize() * 11 + 8);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(tables);
        layout->addWidget(entries);
        layout->addWidget(buttons);
        connect(tables, &QComboBox::currentIndexChanged, this, &HallOfFameDialog::showTable);
        showTable(0);
    }

    // The name as the player left it, when an entry was new.
    std::optional<QString> newName() const
    {
        if (!newPlace || enteredName == originalName)
            return std::nullopt;
        return enteredName;
    }

    // The new entry as it was read, by which the file finds it again.
    std::optional<HallEntry> newEntry() const
    {
        if (!newPlace || *newPlace >= hall.front().entries.size())
            return std::nullopt;
        return hall.front().entries[*newPlace];
    }

private:
    void showTable(int index)
    {
        entries->clearContents();
        if (index < 0 || static_cast<size_t>(index) >= hall.size())
            return;
        const std::vector<HallEntry>& rows = hall[index].entries;
        const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
        for (size_t i = 0; i < rows.size(); ++i) {
            const int row = static_cast<int>(i);
            entries->setItem(row, 0, cell(QString::number(row + 1) + QLatin1Char('.'), right));
            entries->setItem(row, 1, cell(QString::number(rows[i].score), right));
            entries->setItem(row, 2, cell(QString::fromStdString(rows[i].name)));
            entries->setItem(row, 3, cell(QString::fromStdString(rows[i].date)));
        }
        entries->resizeColumnToContents(0);
        entries->resizeColumnToContents(1);
        entries->resizeColumnToContents(3);
        if (index != 0 || !newPlace || *newPlace >= rows.size())
            return;
        // The new entry: selected, and its name open for editing.
        const int row = static_cast<int>(*newPlace);
        entries->selectRow(row);
        auto* name = new QLineEdit(enteredName);
        name->setObjectName(QStringLiteral("name"));
        name->setMaxLength(static_cast<int>(maxNameLength));
        connect(name, &QLineEdit::textChanged, this, [this](const QString& text) { enteredName = text; });
        connect(name, &QLineEdit::returnPressed, this, &QDialog::accept);
        entries->setCellWidget(row, 2, name);
        name->selectAll();
        name->setFocus();
    }

    HallOfFame hall;
    std::optional<size_t> newPlace;
    QString enteredName, originalName;
    QComboBox* tables;
    QTableWidget* entries;
};

}  // namespace

void runHallOfFameDialog(QWidget* parent, const Difficulty& rules, std::optional<size_t> newPlace)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    HallOfFameDialog dialog(parent, rules, newPlace);
    dialog.exec();
    const std::optional<QString> name = dialog.newName();
    const std::optional<HallEntry> entry = dialog.newEntry();
    if (name && entry)
        renameHallEntry(rules, *entry, name->trimmed().toStdString());
}
