// The fuzzers' seeds and every input they once broke something with, run
// through the same checks in every build, sanitized or not.
#include "core/folders.h"
#include "core/gamestate.h"
#include "fuzz/fuzzchecks.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::filesystem::path> corpusFiles(const char* target)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(DRALEN_FUZZ_CORPUS_DIR) / target, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

class FuzzCorpusTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        game = GameState{};
        gameDirectory.clear();
    }
};

TEST_F(FuzzCorpusTest, SavedGameInputsPassTheirChecks)
{
    const std::vector<std::filesystem::path> files = corpusFiles("savegame");
    ASSERT_GE(files.size(), 10u) << "the seeds are missing";
    for (const std::filesystem::path& file : files) {
        const std::string text = readWholeFile(file);
        EXPECT_EQ(checkSavedGameInput(bytesOf(text), text.size()), "") << file.filename();
    }
}

TEST_F(FuzzCorpusTest, ConfigurationInputsPassTheirChecks)
{
    const std::vector<std::filesystem::path> files = corpusFiles("config");
    ASSERT_GE(files.size(), 3u) << "the seeds are missing";
    TempDir dir;
    for (const std::filesystem::path& file : files) {
        const std::string text = readWholeFile(file);
        EXPECT_EQ(checkConfigurationInput(dir.path(), bytesOf(text), text.size()), "") << file.filename();
    }
}

TEST_F(FuzzCorpusTest, HallOfFameAndSettingsInputsPassTheirChecks)
{
    const std::vector<std::filesystem::path> halls = corpusFiles("halloffame");
    const std::vector<std::filesystem::path> settings = corpusFiles("settings");
    ASSERT_GE(halls.size(), 3u) << "the seeds are missing";
    ASSERT_GE(settings.size(), 2u) << "the seeds are missing";
    for (const std::filesystem::path& file : halls) {
        const std::string text = readWholeFile(file);
        EXPECT_EQ(checkHallOfFameInput(bytesOf(text), text.size()), "") << file.filename();
    }
    TempDir dir;
    for (const std::filesystem::path& file : settings) {
        const std::string text = readWholeFile(file);
        EXPECT_EQ(checkSettingsInput(dir.path(), bytesOf(text), text.size()), "") << file.filename();
    }
}

TEST_F(FuzzCorpusTest, ReplayInputsPassTheirChecks)
{
    const std::vector<std::filesystem::path> files = corpusFiles("replay");
    ASSERT_GE(files.size(), 6u) << "the seeds are missing";
    for (const std::filesystem::path& file : files) {
        const std::string text = readWholeFile(file);
        EXPECT_EQ(checkReplayInput(bytesOf(text), text.size()), "") << file.filename();
    }
}

}  // namespace
