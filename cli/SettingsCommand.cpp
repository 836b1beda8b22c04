// keelson-cli settings: shows and changes the settings in the machine's
// settings store, records the game's folder where no installer does, and
// removes the settings as the uninstall does.

#include <array>
#include <memory>
#include <string>

#include "app/Settings.h"
#include "cli/Cli.h"
#include "cli/StoredPaths.h"
#include "common/Errors.h"
#include "common/UTSharedUtils1.h"
#include "platform/SettingsStore.h"

namespace keelson::cli {

const std::string_view kSettingsHelp =
    "  keelson-cli settings show\n"
    "      The settings store, whether Keelson's settings key is in it, and the eight\n"
    "      settings as Name=value lines (without the key: what a first start would write).\n"
    "  keelson-cli settings set NAME VALUE\n"
    "      Changes one setting and saves all eight. NAME is UtBasePath, PathToUtSysIni,\n"
    "      PathToUtUserIni, PathToUtExe, PromptToFindExe, PromptToFindIni,\n"
    "      PromptToFindUser or ExitOnRunUT; the last four take 0 or 1.\n"
    "  keelson-cli settings detect\n"
    "      The game's folder as its installer recorded it.\n"
    "  keelson-cli settings set-game-folder DIR\n"
    "      Records DIR as the game's folder, as the game's installer would (not on\n"
    "      Windows, where that entry belongs to the installer).\n"
    "  keelson-cli settings uninstall --yes\n"
    "      Removes Keelson's settings, and the keys above them that nothing else uses.\n";

namespace {

constexpr const char* kUsage =
    "keelson-cli settings show | set NAME VALUE | detect | set-game-folder DIR | uninstall --yes";
constexpr const char* kSetUsage =
    "keelson-cli settings set NAME VALUE (NAME: UtBasePath, PathToUtSysIni, PathToUtUserIni, "
    "PathToUtExe, PromptToFindExe, PromptToFindIni, PromptToFindUser, ExitOnRunUT; flags 0 or 1)";

// The eight settings in the order `show` prints them.
struct Field {
    std::string_view name;
    std::string TAppSettings::*text;
    bool TAppSettings::*flag;
};
constexpr std::array<Field, 8> kFields{{
    {"UtBasePath", &TAppSettings::UtBasePath, nullptr},
    {"PathToUtSysIni", &TAppSettings::PathToUtSysIni, nullptr},
    {"PathToUtUserIni", &TAppSettings::PathToUtUserIni, nullptr},
    {"PathToUtExe", &TAppSettings::PathToUtExe, nullptr},
    {"PromptToFindExe", nullptr, &TAppSettings::PromptToFindExe},
    {"PromptToFindIni", nullptr, &TAppSettings::PromptToFindIni},
    {"PromptToFindUser", nullptr, &TAppSettings::PromptToFindUser},
    {"ExitOnRunUT", nullptr, &TAppSettings::ExitOnRunUT},
}};

void Expect(const Args& args, std::size_t count, const char* usage) {
    if (args.size() != count) {
        throw UsageError(usage);
    }
}

int Show(const Args& args, std::ostream& out) {
    Expect(args, 1, "keelson-cli settings show");
    auto store = platform::OpenMachineStore();
    StoredSettings stored = ReadStoredSettings(*store);
    // Everything is read before anything is printed: a value that cannot be
    // read leaves no half listing behind.
    std::string text = "Store: " + store->Describe() + "\n";
    text += stored.keyPresent ? "Key: present\n" : "Key: absent\n";
    for (const Field& field : kFields) {
        text += std::string(field.name) + "=";
        text +=
            field.text ? stored.settings.*field.text : (stored.settings.*field.flag ? "1" : "0");
        text += "\n";
    }
    out << text;
    return 0;
}

int Set(const Args& args, std::ostream&) {
    Expect(args, 3, kSetUsage);
    const std::string& name = args[1];
    const std::string& value = args[2];
    const Field* chosen = nullptr;
    for (const Field& field : kFields) {
        if (UpperAscii(field.name) == UpperAscii(name)) {
            chosen = &field;
        }
    }
    if (chosen == nullptr || (chosen->flag != nullptr && value != "0" && value != "1")) {
        throw UsageError(kSetUsage);
    }
    auto store = platform::OpenMachineStore();
    // A setting that cannot be read stops here, before anything is written.
    StoredSettings stored = ReadStoredSettings(*store);
    if (chosen->text != nullptr) {
        stored.settings.*chosen->text = value;
    } else {
        stored.settings.*chosen->flag = value == "1";
    }
    SaveSettings(*store, stored.settings);
    return 0;
}

int Detect(const Args& args, std::ostream& out) {
    Expect(args, 1, "keelson-cli settings detect");
    out << DetectGameFolder(*platform::OpenMachineStore()) << "\n";
    return 0;
}

int SetGameFolder(const Args& args, std::ostream&) {
    Expect(args, 2, "keelson-cli settings set-game-folder DIR");
#ifdef _WIN32
    throw KeelsonError(
        "set-game-folder works only with Keelson's own settings store: on Windows the game's "
        "folder is recorded by the game's installer");
#else
    auto store = platform::OpenMachineStore();
    std::unique_ptr<platform::SettingsKey> key = store->Create(std::string(kGameInstallerKeyPath));
    if (!key || !key->Set("Folder", {platform::kRegSz, args[1] + '\0'})) {
        throw RegistryError("Failed to set data for 'Folder'");
    }
    return 0;
#endif
}

int Uninstall(const Args& args, std::ostream&) {
    if (args.size() != 2 || args[1] != "--yes") {
        throw UsageError("keelson-cli settings uninstall --yes (removes Keelson's settings)");
    }
    auto store = platform::OpenMachineStore();
    RemoveSettingsKeys(*store);
    // The walk deletes what it may and reports nothing; a key still there
    // means nothing was removed (on Windows, a run without administrator
    // rights).
    if (SettingsKeyExists(*store)) {
        const std::string where = std::string(kSettingsKeyPath) + " in " + store->Describe();
        throw RegistryError(
            "Cannot remove the settings key " + where +
            (store->Open(std::string(kSettingsKeyPath), platform::SettingsStore::Access::Full)
                 ? ""
                 : ": access denied"));
    }
    return 0;
}

}  // namespace

int RunSettings(const Args& args, std::ostream& out) {
    if (args.empty()) {
        throw UsageError(kUsage);
    }
    const std::string& command = args[0];
    if (command == "show") {
        return Show(args, out);
    }
    if (command == "set") {
        return Set(args, out);
    }
    if (command == "detect") {
        return Detect(args, out);
    }
    if (command == "set-game-folder") {
        return SetGameFolder(args, out);
    }
    if (command == "uninstall") {
        return Uninstall(args, out);
    }
    throw UsageError(kUsage);
}

}  // namespace keelson::cli
