#include "core/settings/Settings.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

TAppSettings AppSettings;

namespace {

using platform::SettingsKey;
using platform::SettingsStore;
using platform::StoredValue;

constexpr std::string_view kExistingKeyBase = "c:\\unrealtournament";
constexpr std::string_view kUndetectedBase = kUndetectedGameFolder;
constexpr std::string_view kProductKeyPath = "Software\\Brindlewood\\Keelson";
constexpr std::string_view kMakerKeyPath = "Software\\Brindlewood";
constexpr std::string_view kSoftwareKeyPath = "Software";

PathPrompter* gPrompter = nullptr;

std::string Quoted(std::string_view name) {
    return "'" + std::string(name) + "'";
}

[[noreturn]] void ThrowInvalidType(std::string_view name) {
    throw RegistryError("Invalid data type for " + Quoted(name));
}

[[noreturn]] void ThrowGetFailed(std::string_view name) {
    throw RegistryError("Failed to get data for " + Quoted(name));
}

[[noreturn]] void ThrowSetFailed(std::string_view name) {
    throw RegistryError("Failed to set data for " + Quoted(name));
}

// The settings key for loading: for reading and writing, or for reading
// only when writing is refused.
std::unique_ptr<SettingsKey> OpenForLoading(SettingsStore& store) {
    std::unique_ptr<SettingsKey> key =
        store.Open(std::string(kSettingsKeyPath), SettingsStore::Access::Full);
    if (!key) {
        key = store.Open(std::string(kSettingsKeyPath), SettingsStore::Access::Read);
    }
    return key;
}

// A text value (REG_SZ, or REG_EXPAND_SZ taken unexpanded) up to its first
// NUL; nothing when the key has no such value.
std::optional<std::string> ReadText(SettingsKey& key, std::string_view name) {
    std::optional<StoredValue> value = key.Query(std::string(name));
    if (!value) {
        return std::nullopt;
    }
    if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz) {
        ThrowInvalidType(name);
    }
    std::string text = std::move(value->data);
    if (std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

// A flag: a REG_DWORD of up to four bytes, any non-zero value true. Data
// larger than four bytes cannot be read as a flag at all.
std::optional<bool> ReadFlag(SettingsKey& key, std::string_view name) {
    std::optional<StoredValue> value = key.Query(std::string(name));
    if (!value) {
        return std::nullopt;
    }
    if (value->data.size() > 4) {
        ThrowGetFailed(name);
    }
    if (value->type != platform::kRegDword) {
        ThrowInvalidType(name);
    }
    return value->data.find_first_not_of('\0') != std::string::npos;
}

StoredValue TextValue(const std::string& text) {
    return {platform::kRegSz, text + '\0'};
}

StoredValue FlagValue(bool flag) {
    return {platform::kRegDword, std::string(flag ? "\1\0\0\0" : "\0\0\0\0", 4)};
}

void Write(SettingsKey* key, std::string_view name, const StoredValue& value) {
    if (key == nullptr || !key->Set(std::string(name), value)) {
        ThrowSetFailed(name);
    }
}

std::string AskOrAnswer(bool prompt, const std::string& stored, FilePrompt request) {
    if (!prompt) {
        return stored;
    }
    if (gPrompter == nullptr) {
        return std::string(kCancelled);
    }
    request.fileName = stored;
    request.initialFolder = FolderOfPath(stored);
    std::optional<std::string> chosen = gPrompter->AskForFile(request);
    return chosen ? *chosen : std::string(kCancelled);
}

}  // namespace

void DerivePathsFromBase(TAppSettings& settings) {
    const std::string system =
        std::string(1, platform::kPathSeparator) + "System" + platform::kPathSeparator;
    settings.PathToUtSysIni = settings.UtBasePath + system + "UnrealTournament.ini";
    settings.PathToUtUserIni = settings.UtBasePath + system + "User.ini";
    settings.PathToUtExe = settings.UtBasePath + system + "UnrealTournament.exe";
}

void SetExistingKeyDefaults(TAppSettings& settings) {
    settings.UtBasePath = std::string(kExistingKeyBase);
    DerivePathsFromBase(settings);
    settings.PromptToFindExe = false;
    settings.PromptToFindIni = false;
    settings.PromptToFindUser = false;
    settings.ExitOnRunUT = true;
}

void SetFirstStartValues(TAppSettings& settings, const std::string& detectedFolder) {
    settings.UtBasePath = detectedFolder;
    DerivePathsFromBase(settings);
    settings.PromptToFindExe = false;
    settings.PromptToFindIni = false;
    settings.PromptToFindUser = false;
    settings.ExitOnRunUT = true;
}

bool SettingsKeyExists(platform::SettingsStore& store) {
    return OpenForLoading(store) != nullptr;
}

void LoadPathValues(platform::SettingsStore& store, TAppSettings& settings) {
    std::unique_ptr<SettingsKey> key = OpenForLoading(store);
    if (!key) {
        return;
    }
    // Each value lands in its field as soon as it is read, so that a value
    // that stops the load leaves the earlier ones loaded.
    const std::array<std::pair<std::string_view, std::string*>, 4> order{{
        {"PathToUtExe", &settings.PathToUtExe},
        {"PathToUtSysIni", &settings.PathToUtSysIni},
        {"PathToUtUserIni", &settings.PathToUtUserIni},
        {"UtBasePath", &settings.UtBasePath},
    }};
    for (const auto& [name, field] : order) {
        if (std::optional<std::string> text = ReadText(*key, name)) {
            *field = std::move(*text);
        }
    }
}

void LoadFlagValues(platform::SettingsStore& store, TAppSettings& settings) {
    std::unique_ptr<SettingsKey> key = OpenForLoading(store);
    if (!key) {
        return;
    }
    const std::array<std::pair<std::string_view, bool*>, 4> order{{
        {"PromptToFindExe", &settings.PromptToFindExe},
        {"PromptToFindIni", &settings.PromptToFindIni},
        {"PromptToFindUser", &settings.PromptToFindUser},
        {"ExitOnRunUT", &settings.ExitOnRunUT},
    }};
    for (const auto& [name, field] : order) {
        if (std::optional<bool> flag = ReadFlag(*key, name)) {
            *field = *flag;
        }
    }
}

void SavePathValues(platform::SettingsStore& store, const TAppSettings& settings) {
    std::unique_ptr<SettingsKey> key = store.Create(std::string(kSettingsKeyPath));
    Write(key.get(), "PathToUtExe", TextValue(settings.PathToUtExe));
    Write(key.get(), "PathToUtSysIni", TextValue(settings.PathToUtSysIni));
    Write(key.get(), "PathToUtUserIni", TextValue(settings.PathToUtUserIni));
    Write(key.get(), "UtBasePath", TextValue(settings.UtBasePath));
}

void SaveFlagValues(platform::SettingsStore& store, const TAppSettings& settings) {
    std::unique_ptr<SettingsKey> key = store.Create(std::string(kSettingsKeyPath));
    Write(key.get(), "PromptToFindExe", FlagValue(settings.PromptToFindExe));
    Write(key.get(), "PromptToFindIni", FlagValue(settings.PromptToFindIni));
    Write(key.get(), "PromptToFindUser", FlagValue(settings.PromptToFindUser));
    Write(key.get(), "ExitOnRunUT", FlagValue(settings.ExitOnRunUT));
}

void SaveSettings(platform::SettingsStore& store, const TAppSettings& settings) {
    // All eight in one call, which a file-backed store writes in one step.
    const platform::StoredValues values{
        {"PathToUtExe", TextValue(settings.PathToUtExe)},
        {"PathToUtSysIni", TextValue(settings.PathToUtSysIni)},
        {"PathToUtUserIni", TextValue(settings.PathToUtUserIni)},
        {"UtBasePath", TextValue(settings.UtBasePath)},
        {"PromptToFindExe", FlagValue(settings.PromptToFindExe)},
        {"PromptToFindIni", FlagValue(settings.PromptToFindIni)},
        {"PromptToFindUser", FlagValue(settings.PromptToFindUser)},
        {"ExitOnRunUT", FlagValue(settings.ExitOnRunUT)},
    };
    const std::string path(kSettingsKeyPath);
    std::unique_ptr<SettingsKey> key = store.Open(path, SettingsStore::Access::Full);
    std::optional<std::size_t> written =
        key ? key->SetValues(values) : std::optional<std::size_t>();
    // A first save makes the key whole or not at all: a key with only some
    // values would make the next start take the first start for done.
    if (!written) {
        written = store.CreateWithValues(path, values);
    }
    if (!written) {
        // There now (another program saved first), or there but not
        // writable: written into as any existing key.
        key = store.Create(path);
        written = key ? key->SetValues(values) : 0;
    }
    if (*written < values.size()) {
        ThrowSetFailed(values[*written].first);
    }
}

std::string DetectGameFolder(platform::SettingsStore& store) {
    std::string folder;
    // The installer's key is only ever read.
    if (std::unique_ptr<SettingsKey> key =
            store.Open(std::string(kGameInstallerKeyPath), SettingsStore::Access::Read)) {
        if (std::optional<std::string> text = ReadText(*key, "Folder")) {
            folder = std::move(*text);
        }
    }
    return folder.empty() ? std::string(kUndetectedBase) : folder;
}

void RecordGameFolder(platform::SettingsStore& store, const std::string& folder) {
    std::unique_ptr<SettingsKey> key = store.Create(std::string(kGameInstallerKeyPath));
    if (!key || !key->Set("Folder", {platform::kRegSz, folder + '\0'})) {
        throw RegistryError("Failed to set data for 'Folder'");
    }
}

void RemoveSettingsKeys(platform::SettingsStore& store) {
    // A deletion that fails is not reported: the count of what is left
    // decides whether the walk goes on. A key that still has subkeys stays
    // with everything in it.
    std::unique_ptr<SettingsKey> product =
        store.Open(std::string(kProductKeyPath), SettingsStore::Access::Full);
    if (!product) {
        return;
    }
    product->DeleteSubkeyTree("1");
    if (product->SubkeyCount() != 0) {
        return;
    }
    product.reset();
    std::unique_ptr<SettingsKey> maker =
        store.Open(std::string(kMakerKeyPath), SettingsStore::Access::Full);
    if (!maker) {
        return;
    }
    maker->DeleteSubkeyTree("Keelson");
    if (maker->SubkeyCount() != 0) {
        return;
    }
    maker.reset();
    std::unique_ptr<SettingsKey> software =
        store.Open(std::string(kSoftwareKeyPath), SettingsStore::Access::Full);
    if (!software) {
        return;
    }
    software->DeleteSubkeyTree("Brindlewood");
}

bool RunsFromSystemPackage(const std::string& programFolder) {
#ifdef __linux__
    return StartsWith(programFolder, "/usr/") && !StartsWith(programFolder, "/usr/local/") &&
           programFolder != "/usr/local";
#else
    (void)programFolder;
    return false;
#endif
}

void SetPathPrompter(PathPrompter* prompter) {
    gPrompter = prompter;
}

bool GameFileExists(const std::string& answer) {
    return answer != kCancelled && platform::FileExists(answer);
}

std::string GetProgramFolder() {
    return AppSettings.ProgramFolder;
}

std::string PresetsFolderOf(const std::string& programFolder) {
    constexpr char sep = platform::kPathSeparator;
    std::string beside = programFolder + sep + "presets";
    if (platform::FolderExists(beside)) {
        return beside;
    }
    std::string installed =
        FolderOfPath(programFolder) + sep + "share" + sep + "keelson" + sep + "presets";
    if (platform::FolderExists(installed)) {
        return installed;
    }
    return beside;
}

std::string GetPresetsFolder() {
    return PresetsFolderOf(AppSettings.ProgramFolder);
}

std::string GetGameFolder() {
    return AppSettings.UtBasePath;
}

std::string GetSystemIniPath() {
    return AskOrAnswer(AppSettings.PromptToFindIni, AppSettings.PathToUtSysIni,
                       {"Select UT system INI", {}, "UT system INI (*.ini)|*.ini", "ini", {}});
}

std::string GetUserIniPath() {
    return AskOrAnswer(AppSettings.PromptToFindUser, AppSettings.PathToUtUserIni,
                       {"Select UT user INI", {}, "UT user INI (*.ini)|*.ini", "ini", {}});
}

std::string GetGameExePath() {
    return AskOrAnswer(AppSettings.PromptToFindExe, AppSettings.PathToUtExe,
                       {"Select UT executable",
                        {},
                        std::string(kGameProgramFilter),
                        std::string(kGameProgramExt),
                        {}});
}

}  // namespace keelson
