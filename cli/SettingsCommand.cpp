// keelson-cli settings: shows and changes the settings in the machine's
// settings store, records the game's folder where no installer does, and
// removes the settings as the uninstall does.

#include <CLI/CLI.hpp>

#include <array>
#include <memory>
#include <string>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/settings/Settings.h"
#include "core/settings/StoredPaths.h"
#include "platform/SettingsStore.h"

namespace keelson::cli {

namespace {

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

// Runs f on the machine's store; its errors name the store.
template <typename F>
decltype(auto) OnStore(F&& f) {
    auto store = platform::OpenMachineStore();
    return OnFile(store->Describe(), [&] { return f(*store); });
}

struct SettingsWords {
    bool json = false;
    bool quiet = false;
    std::string name;
    std::string value;
    bool yes = false;
};

int Show(const SettingsWords& w, std::ostream& out) {
    return OnStore([&](platform::SettingsStore& store) {
        // Everything is read before anything is printed: a value that cannot
        // be read leaves no half listing behind.
        StoredSettings stored = ReadStoredSettings(store);
        if (w.json) {
            Json j = Json::object();
            j["Store"] = JsonPath(store.Describe());
            j["KeyPresent"] = stored.keyPresent;
            for (const Field& field : kFields) {
                if (field.text) {
                    j[std::string(field.name)] = JsonPath(stored.settings.*field.text);
                } else {
                    j[std::string(field.name)] = stored.settings.*field.flag;
                }
            }
            PrintJson(out, j);
            return 0;
        }
        std::string text = "Store: " + store.Describe() + "\n";
        text += stored.keyPresent ? "Key: present\n" : "Key: absent\n";
        for (const Field& field : kFields) {
            text += std::string(field.name) + "=";
            text += field.text ? stored.settings.*field.text
                               : (stored.settings.*field.flag ? "1" : "0");
            text += "\n";
        }
        out << text;
        return 0;
    });
}

int Set(const SettingsWords& w, const Field& chosen, std::ostream& out) {
    return OnStore([&](platform::SettingsStore& store) {
        auto lock = store.LockForChange(std::string(kSettingsKeyPath));
        // A setting that cannot be read stops here, before anything is written.
        StoredSettings stored = ReadStoredSettings(store);
        const TAppSettings before = stored.settings;
        if (chosen.text != nullptr) {
            stored.settings.*chosen.text = w.value;
        } else {
            stored.settings.*chosen.flag = w.value == "1";
        }
        Report report(out, w.quiet);
        const bool same = chosen.text != nullptr ? before.*chosen.text == w.value
                                                 : before.*chosen.flag == (w.value == "1");
        if (stored.keyPresent && same) {
            report.Unchanged(store.Describe());
            return 0;
        }
        SaveSettings(store, stored.settings);
        report.Line(std::string(chosen.name) + "=" + w.value + " saved in " + store.Describe());
        return 0;
    });
}

void AddShowAndSet(CLI::App& settings, Action& chosen) {
    auto show = std::make_shared<SettingsWords>();
    CLI::App* command = settings.add_subcommand(
        "show",
        "keelson-cli settings show [--json]\n"
        "The settings store, whether Keelson's settings key is in it, and the eight\n"
        "settings as Name=value lines (without the key: what a first start would write).");
    AddJsonFlag(*command, show->json);
    command->callback(
        [show, &chosen] { chosen = [show](std::ostream& out) { return Show(*show, out); }; });

    auto set = std::make_shared<SettingsWords>();
    command = settings.add_subcommand(
        "set",
        "keelson-cli settings set NAME VALUE\n"
        "Changes one setting and saves all eight. NAME is UtBasePath, PathToUtSysIni,\n"
        "PathToUtUserIni, PathToUtExe, PromptToFindExe, PromptToFindIni,\n"
        "PromptToFindUser or ExitOnRunUT; the last four take 0 or 1.");
    AddOperand(*command, "NAME", set->name, "the setting")->required();
    AddOperand(*command, "VALUE", set->value, "its new value")->required();
    AddQuietFlag(*command, set->quiet);
    command->callback([set, &chosen] {
        const Field* field = nullptr;
        for (const Field& f : kFields) {
            if (UpperAscii(f.name) == UpperAscii(set->name)) {
                field = &f;
            }
        }
        if (field == nullptr) {
            throw UsageError("unknown setting " + set->name +
                             " (UtBasePath, PathToUtSysIni, PathToUtUserIni, PathToUtExe, "
                             "PromptToFindExe, PromptToFindIni, PromptToFindUser, ExitOnRunUT)");
        }
        if (field->flag != nullptr && set->value != "0" && set->value != "1") {
            throw UsageError(std::string(field->name) + " takes 0 or 1, not " + set->value);
        }
        chosen = [set, field](std::ostream& out) { return Set(*set, *field, out); };
    });
}

void AddFolderCommands(CLI::App& settings, Action& chosen) {
    CLI::App* command = settings.add_subcommand("detect",
                                                "keelson-cli settings detect\n"
                                                "The game's folder as its installer recorded it.");
    command->callback([&chosen] {
        chosen = [](std::ostream& out) {
            out << OnStore([](platform::SettingsStore& store) { return DetectGameFolder(store); })
                << "\n";
            return 0;
        };
    });

    auto w = std::make_shared<SettingsWords>();
    command = settings.add_subcommand(
        "set-game-folder",
        "keelson-cli settings set-game-folder DIR\n"
        "Records DIR as the game's folder, as the game's installer would (not on\n"
        "Windows, where that entry belongs to the installer).");
    AddOperand(*command, "DIR", w->value, "the game's folder")->required();
    AddQuietFlag(*command, w->quiet);
    command->callback([w, &chosen] {
        chosen = [w](std::ostream& out) -> int {
#ifdef _WIN32
            (void)out;
            throw KeelsonError(
                "set-game-folder works only with Keelson's own settings store: on Windows the "
                "game's folder is recorded by the game's installer");
#else
            return OnStore([&](platform::SettingsStore& store) {
                RecordGameFolder(store, w->value);
                Report(out, w->quiet)
                    .Line("game folder " + w->value + " recorded in " + store.Describe());
                return 0;
            });
#endif
        };
    });
}

void AddUninstall(CLI::App& settings, Action& chosen) {
    auto w = std::make_shared<SettingsWords>();
    CLI::App* command = settings.add_subcommand(
        "uninstall",
        "keelson-cli settings uninstall --yes\n"
        "Removes Keelson's settings, and the keys above them that nothing else uses.");
    command->add_flag("--yes", w->yes, "really remove them")->required();
    AddQuietFlag(*command, w->quiet);
    command->callback([w, &chosen] {
        chosen = [w](std::ostream& out) {
            return OnStore([&](platform::SettingsStore& store) {
                RemoveSettingsKeys(store);
                // The walk deletes what it may and reports nothing; a key
                // still there was refused (on Windows, to a run without
                // administrator rights).
                if (SettingsKeyExists(store)) {
                    throw RegistryError("Cannot remove the settings key " +
                                        std::string(kSettingsKeyPath) + ": access denied");
                }
                Report(out, w->quiet).Line("Keelson's settings removed from " + store.Describe());
                return 0;
            });
        };
    });
}

}  // namespace

void AddSettingsCommands(CLI::App& app, Action& chosen) {
    CLI::App* settings =
        app.add_subcommand("settings", "Keelson's settings in the machine's settings store.");
    settings->require_subcommand(1);
    AddShowAndSet(*settings, chosen);
    AddFolderCommands(*settings, chosen);
    AddUninstall(*settings, chosen);
}

}  // namespace keelson::cli
