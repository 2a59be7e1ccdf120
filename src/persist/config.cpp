#include "persist/config.h"

#include "core/folders.h"
#include "core/gamestate.h"
#include "core/keys.h"
#include "core/skinsizes.h"
#include "persist/durable.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

const char* const configName = "dralen.cfg";

constexpr int32_t defaultSkin = 2;  // "Excercise Book"
constexpr int32_t defaultShiftSpeed = 10;
constexpr int32_t defaultFastFallSpeed = 3;

// A held key moves the shape at most one column a tick, so more than a whole
// cell a tick buys nothing; a fall of more than a cell a tick only piles up
// in the pixel position.
constexpr int32_t maxShiftSpeed = 100;
constexpr int32_t maxFastFallSpeed = 10;
// Only the first twelve lines matter; a file far longer than that is not ours.
constexpr size_t maxConfigSize = 4096;

struct Option {
    bool GameState::*field;
    bool fallback;
};

// Lines 4 to 11, in file order.
const std::array<Option, 8> switches = {{
    {&GameState::predictShapes, true},
    {&GameState::showProjection, true},
    {&GameState::randomEvents, true},
    {&GameState::allowWallKicks, true},
    {&GameState::allowGroundKicks, true},
    {&GameState::fallSlowdownOnAction, true},
    {&GameState::soundsOn, true},
    {&GameState::musicOn, false},
}};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The whitespace-separated words of the file; whatever the lines look like,
// the n-th word is the n-th value.
std::vector<std::string_view> wordsOf(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !isSpace(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

// As a text stream reads numbers: "+5" is 5, but "+-5" and "+" are nothing.
template <typename T>
bool parseWhole(std::string_view word, T& value)
{
    if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+')
        word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc{} && end == word.data() + word.size();
}

// Hands out the values one by one; a missing or unusable one gives the
// fallback and costs only its own field.
class Values {
public:
    explicit Values(std::vector<std::string_view> list) : words(std::move(list)) {}

    int32_t integer(int32_t low, int32_t high, int32_t fallback)
    {
        int32_t value = 0;
        const bool ok = next < words.size() && parseWhole(words[next], value) && value >= low && value <= high;
        ++next;
        return ok ? value : fallback;
    }

    bool flag(bool fallback)
    {
        int32_t value = 0;
        const bool ok = next < words.size() && parseWhole(words[next], value);
        ++next;
        return ok ? value != 0 : fallback;
    }

    int32_t keyCode(int32_t fallback)
    {
        uint32_t value = 0;
        const bool ok = next < words.size() && parseWhole(words[next], value) && isKeyCode(value);
        ++next;
        return ok ? static_cast<int32_t>(value) : fallback;
    }

private:
    std::vector<std::string_view> words;
    size_t next = 0;
};

bool readConfigText(std::string& text)
{
    const auto folder = configFolder();
    if (folder.empty())
        return false;
    try {
        std::ifstream file(folder / configName);
        if (!file.is_open())
            return false;
        text.assign(maxConfigSize, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(file.gcount()));
        return !file.bad();
    } catch (const std::exception&) {
        return false;
    }
}

void appendNumber(std::string& text, int64_t value)
{
    std::array<char, 24> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), result.ptr);
}

}  // namespace

void loadConfiguration()
{
    std::string text;
    // No file reads exactly like an empty one: every field takes its default.
    if (!readConfigText(text))
        text.clear();
    Values values(wordsOf(text));

    game.skinIndex = values.integer(0, skinCount - 1, defaultSkin);
    game.shiftSpeed = values.integer(1, maxShiftSpeed, defaultShiftSpeed);
    game.fastFallSpeed = values.integer(1, maxFastFallSpeed, defaultFastFallSpeed);
    for (const Option& option : switches)
        game.*option.field = values.flag(option.fallback);
    std::array<int32_t, KEY_COUNT> defaults;
    loadDefaultKeys(defaults);
    for (int32_t k = 0; k < KEY_COUNT; ++k)
        game.keyBindings[k] = values.keyCode(defaults[k]);

    game.cellSize = skinCellSizes[game.skinIndex];
}

void saveConfiguration()
{
    std::string text;
    appendNumber(text, game.skinIndex);
    text += '\n';
    appendNumber(text, game.shiftSpeed);
    text += '\n';
    appendNumber(text, game.fastFallSpeed);
    text += '\n';
    for (const Option& option : switches)
        text += game.*option.field ? "1\n" : "0\n";
    for (int32_t key : game.keyBindings) {
        appendNumber(text, static_cast<uint32_t>(key));
        text += '\t';
    }
    text += '\n';
    if (const auto folder = configFolder(); !folder.empty())
        replaceFileContents(folder / configName, text);
}
