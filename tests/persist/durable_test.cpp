// What replacing a file leaves beside it.
#include "persist/durable.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

}  // namespace

TEST(DurableWrites, PlayersFilesThatLookLikeLeftoversAreKept)
{
    TempDir dir;
    const fs::path playersCopy = dir / "mygame.sav.bak.tmp";
    writeWholeFile(playersCopy, "the player's own\n");
    fs::last_write_time(playersCopy, fs::file_time_type::clock::now() - std::chrono::hours(49));

    EXPECT_EQ(replaceFileContents(dir / "mygame.sav", "saved\n"), WRITE_DONE);
    EXPECT_EQ(readWholeFile(playersCopy), "the player's own\n");
}

TEST(DurableWrites, NamesAtTheLengthLimitAreSavedWithoutLeftovers)
{
    TempDir dir;
    const fs::path target = dir / (std::string(246, 'n') + ".sav");

    ASSERT_EQ(replaceFileContents(target, "saved\n"), WRITE_DONE);
    EXPECT_EQ(readWholeFile(target), asTextFile("saved\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
