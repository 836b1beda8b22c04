#include "core/packages/Presets.h"

#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "core/packages/PackageSearch.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"

namespace keelson {

// Unlike the game's INI files, a preset has no Ctrl-Z rule: it is an
// ordinary character here.
std::vector<std::string_view> SplitPresetLines(std::string_view text) {
    return SplitTextLines(text);
}

ContentProblem PresetResult::Problem() const {
    switch (kind) {
        case Kind::InvalidPreset:
            return ContentProblem{{message}};
        case Kind::MissingModification:
            return ContentProblem{{presetFileName, modificationName, website}};
        case Kind::NothingDone:
        case Kind::Added:
            break;
    }
    return {};
}

PresetResult LoadPreset(PackageList& list, const std::string& presetPath,
                        const std::function<std::string()>& systemIniPath,
                        PackageFileCache* cache) {
    PresetResult result;
    if (!platform::FileExists(presetPath)) {
        return result;
    }
    const std::string bytes = platform::ReadWholeFile(presetPath);
    const std::vector<std::string_view> lines = SplitPresetLines(bytes);
    if (lines.size() < 4) {
        result.kind = PresetResult::Kind::InvalidPreset;
        result.message = "Invalid preset file: " + presetPath;
        return result;
    }

    const std::string iniPath = systemIniPath();
    std::vector<std::string> paths;
    if (platform::FileExists(iniPath)) {
        ReadSystemPaths(paths, iniPath);
    }
    PackageFileCache ownCache;
    PackageFileCache& folders = cache != nullptr ? *cache : ownCache;
    const std::string folder = FolderOfPath(iniPath);
    // One missing package is enough to add nothing, so the rest need not be
    // looked for.
    const bool allFound = std::all_of(lines.begin() + 3, lines.end(), [&](std::string_view name) {
        return PackageFileExists(paths, name, folder, &folders);
    });

    if (allFound) {
        list.AppendAll(std::vector<std::string>(lines.begin() + 3, lines.end()));
        result.kind = PresetResult::Kind::Added;
        result.added = lines.size() - 3;
        return result;
    }
    result.kind = PresetResult::Kind::MissingModification;
    result.presetFileName = FileNameOfPath(presetPath);
    result.modificationName = std::string(lines[0]);
    result.website = lines[2].empty() ? std::string(kNoWebsiteText) : std::string(lines[2]);
    return result;
}

}  // namespace keelson
