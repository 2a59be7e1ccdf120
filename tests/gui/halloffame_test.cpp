#include "qt/halloffame.h"

#include "core/folders.h"
#include "game/newgame.h"
#include "gui/dialogtest.h"
#include "ui/commands.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

class HallOfFameDialogTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
    }
    void TearDown() override { fakeWindow::uninstall(); }
};

Difficulty playedRules;
std::optional<HallEntry> playedEntry;
void openPlayed(QWidget* parent)
{
    runHallOfFameDialog(parent, playedRules, playedEntry);
}

}  // namespace

TEST_F(HallOfFameDialogTest, TablesAreNamedAfterTheirSampleGames)
{
    gameDirectory = DRALEN_DATA_DIR;
    for (const SampleGame& row : sampleGames) {
        applySampleGame(row);
        EXPECT_EQ(hallTableName(difficultyOf(game)), row.caption);
    }
    game.fieldWidth = 13;
    EXPECT_EQ(hallTableName(difficultyOf(game)).rfind("Custom: 13 \u00d7 ", 0), 0u) << hallTableName(difficultyOf(game));
}

TEST_F(HallOfFameDialogTest, ANewEntryIsHighlightedAndItsNameWrittenBack)
{
    TempDir dir;
    gameDirectory = dir.path();
    Difficulty other = difficultyOf(game);
    other.fieldWidth = 30;
    ASSERT_TRUE(recordScore(other, 5));
    playedRules = difficultyOf(game);
    ASSERT_TRUE(recordScore(playedRules, 300));
    ASSERT_TRUE(recordScore(playedRules, 100));
    playedEntry = recordScore(playedRules, 200);
    ASSERT_TRUE(playedEntry);

    whileOpen(openPlayed, [](QDialog& dialog) {
        auto& tables = control<QComboBox>(dialog, "table");
        EXPECT_EQ(tables.count(), 2);
        EXPECT_EQ(tables.currentText().toStdString(), hallTableName(playedRules));
        auto& entries = control<QTableWidget>(dialog, "entries");
        EXPECT_EQ(entries.currentRow(), 1);
        EXPECT_EQ(entries.item(2, 1)->text(), QStringLiteral("100"));
        auto& name = control<QLineEdit>(dialog, "name");
        // Forty characters, though each of these takes two UTF-16 units.
        const QString laugh = QString::fromUtf8("\U0001F600");
        name.clear();
        name.insert(laugh.repeated(static_cast<int>(maxNameLength)));
        name.insert(laugh);
        EXPECT_EQ(name.text(), laugh.repeated(static_cast<int>(maxNameLength)));
        name.setText(QStringLiteral("Zo\u00eb"));
        // Looking at the other table and back keeps what was typed.
        tables.setCurrentIndex(1);
        EXPECT_EQ(entries.item(0, 1)->text(), QStringLiteral("5"));
        tables.setCurrentIndex(0);
        EXPECT_EQ(control<QLineEdit>(dialog, "name").text(), QStringLiteral("Zo\u00eb"));
        control<QPushButton>(dialog, "ok").click();
    });
    const HallOfFame hall = readHallOfFame();
    EXPECT_EQ(findHallTable(hall, playedRules)->entries.at(1).name, "Zo\u00eb");
    EXPECT_EQ(findHallTable(hall, playedRules)->entries.at(0).name, loginName());
}
