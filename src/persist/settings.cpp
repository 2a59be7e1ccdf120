#include "persist/settings.h"

#include "core/folders.h"
#include "persist/durable.h"

#include <charconv>
#include <exception>
#include <fstream>
#include <string>
#include <system_error>

ExtraSettings extraSettings;

namespace {

const char* const settingsName = "settings.cfg";
constexpr size_t maxSettingsSize = 16384;

std::string readSettingsText()
{
    const auto folder = configFolder();
    if (folder.empty())
        return {};
    try {
        std::ifstream file(folder / settingsName, std::ios::binary);
        if (!file.is_open())
            return {};
        std::string text(maxSettingsSize, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(file.gcount()));
        return text;
    } catch (const std::exception&) {
        return {};
    }
}

// One setting a line: its name, a space and its value.
void applySetting(std::string_view name, std::string_view value)
{
    if (name == "zoom") {
        int32_t zoom = -1;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), zoom);
        if (error == std::errc{} && end == value.data() + value.size() && zoom >= 0 && zoom <= maxZoomFactor)
        {
            extraSettings.zoom = zoom;
            extraSettings.zoomChosen = true;
        }
    } else if (name == "autosave-rules") {
        Difficulty rules;
        if (parseRulesText(value, rules))
            extraSettings.autosavedRules = rules;
    }
}

}  // namespace

void loadExtraSettings()
{
    extraSettings = ExtraSettings{};
    const std::string text = readSettingsText();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t space = line.find(' ');
        if (space != std::string_view::npos)
            applySetting(line.substr(0, space), line.substr(space + 1));
    }
}

void saveExtraSettings()
{
    std::string text = extraSettings.zoomChosen ? "zoom " + std::to_string(extraSettings.zoom) + '\n' : "";
    if (extraSettings.autosavedRules)
        text += "autosave-rules " + rulesText(*extraSettings.autosavedRules) + '\n';
    const auto folder = configFolder();
    if (folder.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    replaceFileContents(folder / settingsName, text);
}

void adoptAutosavedRules()
{
    if (!extraSettings.autosavedRules)
        return;
    Difficulty recorded = *extraSettings.autosavedRules;
    const Difficulty restored = difficultyOf(game);
    recorded.initialFallSpeed = restored.initialFallSpeed;
    if (recorded == restored)
        game.startingFallSpeed = extraSettings.autosavedRules->initialFallSpeed;
}
