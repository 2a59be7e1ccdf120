// The game's cues on their way to the front end: the cue a landing plays, the
// "Sounds" option, and each cue handed to the audio port at once, where the
// new one cuts off the one still sounding.
#include "audio/sound.h"
#include "core/landing.h"
#include "core/ports.h"
#include "fakeaudio.h"
#include "support/gametest.h"

namespace {

using fakeAudio::Calls;

class CueRuleTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeAudio::install();
        // As a front end wires it once the device is open.
        installSoundPlayer(playCue);
    }

    void TearDown() override
    {
        installSoundPlayer(nullptr);
        installAudioPort({});
    }

    // An 8-wide field with walls and ground and one active block above the
    // bottom row, which is full but for that block's column when filled.
    void landOneBlock(bool fillsTheRow)
    {
        std::vector<std::string> rows(12, "#......#");
        rows[10] = fillsTheRow ? "#ooooo.#" : "#o.....#";
        rows[11] = "########";
        setField(rows);
        game.fieldCells[10 * 8 + 6] = CELL_ACTIVE;
        landActiveShape();
    }
};

TEST_F(CueRuleTest, LandingPlaysItsCueThroughThePort)
{
    landOneBlock(false);
    EXPECT_EQ(fakeAudio::take(), Calls{std::string("cue ") + SOUND_SHAPE_PLACED});
    landOneBlock(true);
    EXPECT_EQ(fakeAudio::take(), Calls{std::string("cue ") + SOUND_ROW_FILLED});
}

TEST_F(CueRuleTest, WithSoundsOffNothingReachesThePort)
{
    game.soundsOn = false;
    landOneBlock(false);
    landOneBlock(true);
    EXPECT_EQ(fakeAudio::take(), Calls{});
}

TEST_F(CueRuleTest, EachCueIsHandedOverAtOnceSoThatItCutsOffTheOneSounding)
{
    // Nothing is queued behind a cue still sounding, nor dropped for it: the
    // port has each one before the game thread goes on.
    playSound(SOUND_ROW_FILLED);
    EXPECT_EQ(fakeAudio::take(), Calls{std::string("cue ") + SOUND_ROW_FILLED});
    playSound(SOUND_ROTATE);
    playSound(SOUND_ROTATE);
    EXPECT_EQ(fakeAudio::take(), (Calls{std::string("cue ") + SOUND_ROTATE, std::string("cue ") + SOUND_ROTATE}));
    playCue(nullptr);
    EXPECT_EQ(fakeAudio::take(), Calls{});
}

TEST_F(CueRuleTest, WithoutADeviceCuesAreSilent)
{
    // No port at all, as before the device opens or where there is none.
    installAudioPort({});
    landOneBlock(true);
    playCue(SOUND_ROTATE);
    // A port that plays music but no cues.
    AudioPort musicOnly;
    musicOnly.openPiece = fakeAudio::openPiece;
    installAudioPort(musicOnly);
    playCue(SOUND_ROTATE);
    EXPECT_EQ(fakeAudio::take(), Calls{});
    EXPECT_EQ(audioPort().playCue, nullptr);
    EXPECT_EQ(audioPort().openPiece, fakeAudio::openPiece);
}

}  // namespace
