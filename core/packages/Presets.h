#pragma once
// Preset files, which add the packages of one modification at once.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/Errors.h"
#include "core/packages/PackageListRules.h"
#include "core/packages/PackageSearch.h"
#include "platform/FileSystem.h"

namespace keelson {

// Preset files: line 1 the modification's name, line 2 free text, line 3
// its website (may be empty), then one package per line. Lines end at CR LF,
// a lone CR or a lone LF; a line break at the very end adds no empty line;
// lines are taken as they stand.
std::vector<std::string_view> SplitPresetLines(std::string_view text);

// Shown in the missing-modification notice when a preset names no website.
inline constexpr std::string_view kNoWebsiteText =
    "<no website given: try www.moddb.com or unrealarchive.org>";

// What LoadPreset did.
struct PresetResult {
    enum class Kind {
        NothingDone,          // no file at the preset's path
        InvalidPreset,        // fewer than four lines; nothing added
        MissingModification,  // a package's file is missing; nothing added
        Added,                // every package appended
    };
    Kind kind = Kind::NothingDone;
    std::string message;         // InvalidPreset: "Invalid preset file: " + path
    std::string presetFileName;  // MissingModification: the notice's three texts
    std::string modificationName;
    std::string website;
    std::size_t added = 0;  // Added: how many entries were appended

    // The texts to show: the message, or the notice's three texts.
    ContentProblem Problem() const;
};

// Applies a preset: when every package of it is found with the Paths of the
// system INI, appends them all, in file order and without a duplicate test.
// systemIniPath is asked only once the preset has proved valid (it may
// prompt the user); when no file exists at the path it gives, every package
// counts as missing.
PresetResult LoadPreset(PackageList& list, const std::string& presetPath,
                        const std::function<std::string()>& systemIniPath,
                        PackageFileCache* cache = nullptr);

}  // namespace keelson
