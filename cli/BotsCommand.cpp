// keelson-cli bots: bot libraries and the user INI's bot section.

#include <CLI/CLI.hpp>

#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/BotsCommands.h"
#include "cli/Cli.h"
#include "cli/ExportRules.h"
#include "cli/Json.h"
#include "core/bots/BotFiles.h"
#include "core/bots/BotFilters.h"
#include "core/bots/BotLibrary.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "core/settings/StoredPaths.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

namespace {

// The field names of the command line, in record order (the order of BotKey).
constexpr std::array<std::string_view, 14> kFieldNames{
    "Name",      "Team",    "Skill",           "Accuracy",       "CombatStyle",
    "Alertness", "Camping", "StrafingAbility", "FavoriteWeapon", "Class",
    "Skin",      "Face",    "Voice",           "Jumpy"};

// A bot index: decimal digits (a negative index, after --, is a list index
// error, as in the windows).
int ParseIndex(const std::string& word) {
    std::string_view digits = word;
    if (digits.starts_with('-')) {
        digits.remove_prefix(1);
    }
    bool valid = !digits.empty() && digits.size() <= 10;
    for (char c : digits) {
        valid = valid && c >= '0' && c <= '9';
    }
    long long value = valid ? std::stoll(word) : 0;
    if (!valid || value < -2147483648LL || value > 2147483647LL) {
        throw UsageError("INDEX must be a whole number: " + word);
    }
    return static_cast<int>(value);
}

struct FieldValue {
    BotKey key;
    std::string value;
};

std::vector<FieldValue> ParseFieldValues(const std::vector<std::string>& words) {
    std::vector<FieldValue> fields;
    for (const std::string& word : words) {
        std::size_t eq = word.find('=');
        if (eq == std::string::npos) {
            throw UsageError("expected Field=value: " + word);
        }
        std::string_view name = std::string_view(word).substr(0, eq);
        std::optional<BotKey> key;
        for (std::size_t k = 0; k < kFieldNames.size(); ++k) {
            if (kFieldNames[k] == name) {
                key = static_cast<BotKey>(k);
            }
        }
        if (!key) {
            throw UsageError("unknown field: " + std::string(name) +
                             " (fields: Name Team Skill Accuracy CombatStyle Alertness Camping "
                             "StrafingAbility FavoriteWeapon Class Skin Face Voice Jumpy)");
        }
        fields.push_back({*key, word.substr(eq + 1)});
    }
    return fields;
}

void ApplyFields(TBotRecord& bot, const std::vector<FieldValue>& fields) {
    for (const FieldValue& f : fields) {
        SetBotField(bot, f.key, f.value);
    }
}

// The library at path; a damaged one is an error ("Read beyond end of
// file"). With mayBeMissing, a missing file is an empty library.
}  // namespace

LibraryFile ReadLibrary(const std::string& path, bool mayBeMissing) {
    LibraryFile library;
    if (mayBeMissing && !platform::FileExists(path)) {
        return library;
    }
    library.bytes = OnFile(path, [&] { return platform::ReadWholeFile(path); });
    if (!DecodeLibrary(*library.bytes, library.roster)) {
        throw FileProblem(path, SystemErrorText(kReadBeyondEndOfFile));
    }
    return library;
}

namespace {

// Saves the roster unless the file holds it already; true when it wrote.
bool SaveLibrary(const std::string& path, const LibraryFile& library) {
    return WriteIfChanged(path, EncodeLibrary(library.roster), library.bytes,
                          platform::GameFile::Library);
}

// Reading commands show the complete bots of a damaged library, then report
// its error.
template <class Show>
int ShowLibrary(const std::string& path, Show show) {
    TBigKegOBots roster;
    std::exception_ptr failure;
    try {
        OnFile(path, [&] { roster.AppendFromFile(path); });
    } catch (const FileProblem&) {
        failure = std::current_exception();
    }
    try {
        OnFile(path, [&] { show(roster); });
    } catch (const FileProblem&) {
        if (failure) {
            std::rethrow_exception(failure);  // the bot asked for lies in the damaged part
        }
        throw;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return 0;
}

void WriteFields(std::ostream& out, const TBotRecord& bot) {
    out << BotFieldLines(bot);
}

Json JsonBots(const TBigKegOBots& roster) {
    Json bots = Json::array();
    for (int i = 0; i < roster.Count(); ++i) {
        bots.push_back(JsonBot(roster.Bot(i)));
    }
    return bots;
}

}  // namespace

std::string UserIni(const CLI::Option* userIniOption, const std::string& userIniValue,
                    const std::optional<std::string>& operand) {
    bool named = userIniOption->count() > 0;
    if (named && operand) {
        throw UsageError("the user INI is named twice: " + *operand + " and --user-ini " +
                         userIniValue);
    }
    if (named) {
        return userIniValue;
    }
    return operand ? *operand : StoredUserIniPath();
}

namespace {

bool HasBotSection(std::string_view text) {
    bool found = false;
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        found = EqualsUpper(line, kBotSectionHeader);
        return !found;
    });
    return found;
}

// ---- import ----

struct ImportWords {
    std::vector<std::string> files;  // [USER_INI] LIBRARY
    CLI::Option* userIniOption = nullptr;
    std::string userIni;
    bool append = false;
    bool allowNoBots = false;
    bool quiet = false;
};

int Import(const ImportWords& w, std::ostream& out) {
    const bool named = w.files.size() == 2;
    const std::string userIni = UserIni(
        w.userIniOption, w.userIni, named ? std::optional<std::string>(w.files[0]) : std::nullopt);
    const std::string& library = w.files.back();
    platform::FileLock lock(library);
    const std::string notALibrary = library + " is not a bot library: nothing written";

    // A slip of the keyboard (the two paths swapped, the user INI named as
    // the library) must not replace a file that holds no bots.
    if (platform::FileExists(library) && platform::SameFile(library, userIni)) {
        throw ContentProblemExit(library, ContentProblem{{notALibrary}});
    }
    const std::string text = OnFile(userIni, [&] { return platform::ReadWholeFile(userIni); });
    if (!w.allowNoBots && !HasBotSection(text)) {
        throw ContentProblemExit(userIni, ContentProblem{{std::string(kNotUtIniMessage)}});
    }
    LibraryFile lib;
    if (platform::FileExists(library)) {
        lib.bytes = OnFile(library, [&] { return platform::ReadWholeFile(library); });
        TBigKegOBots old;
        if (!DecodeLibrary(*lib.bytes, old)) {
            throw ContentProblemExit(library, ContentProblem{{notALibrary}});
        }
        if (w.append) {
            lib.roster = std::move(old);
        }
    }
    const int kept = lib.roster.Count();
    std::vector<std::unique_ptr<TBotRecord>> bots;
    for (const TBotRecord& slot : ReadUserIniBotSlots(text)) {
        bots.push_back(std::make_unique<TBotRecord>(slot));
    }
    lib.roster.AppendAll(std::move(bots));
    Report report(out, w.quiet);
    if (!SaveLibrary(library, lib)) {
        report.Unchanged(library);
    } else if (kept > 0) {
        report.Line(std::to_string(kGameSlots) + " bots imported from " + userIni + " into " +
                    library + " after its " + std::to_string(kept) + " bots");
    } else {
        report.Line(std::to_string(kGameSlots) + " bots imported from " + userIni + " into " +
                    library);
    }
    return 0;
}

void AddImportCommand(CLI::App& bots, Action& chosen) {
    auto w = std::make_shared<ImportWords>();
    CLI::App* command = bots.add_subcommand(
        "import",
        "keelson-cli bots import [USER_INI | --user-ini PATH] LIBRARY [--append] "
        "[--allow-no-bots]\n"
        "Reads the 32 bots of a user INI into a bot library, which it replaces; with\n"
        "--append the library's own bots come first. LIBRARY must be a bot library or\n"
        "not exist yet. A user INI without a bot section is refused (exit 3) unless\n"
        "--allow-no-bots takes its 32 empty slots.");
    AddOperands(*command, "FILES", w->files, "[USER_INI] LIBRARY")->required()->expected(1, 2);
    w->userIniOption =
        command->add_option("--user-ini", w->userIni, kUserIniHelp)->type_name("PATH");
    command->add_flag("--append", w->append, "keep the library's bots, then the new ones");
    command->add_flag("--allow-no-bots", w->allowNoBots,
                      "take 32 default bots from a file without a bot section");
    AddQuietFlag(*command, w->quiet);
    AddRewriteFlags(*command, false);
    command->callback(
        [w, &chosen] { chosen = [w](std::ostream& out) { return Import(*w, out); }; });
}

// ---- list, show ----

struct ShowWords {
    std::string library;
    std::string index;
    bool json = false;
};

void AddListCommand(CLI::App& bots, Action& chosen) {
    auto w = std::make_shared<ShowWords>();
    CLI::App* command = bots.add_subcommand("list",
                                            "keelson-cli bots list LIBRARY [--json]\n"
                                            "One line per bot: Name (Team Class / Skin).");
    AddOperand(*command, "LIBRARY", w->library, "the bot library")->required();
    AddJsonFlag(*command, w->json);
    command->callback([w, &chosen] {
        chosen = [w](std::ostream& out) {
            if (!w->json) {
                OnFile(w->library, [&] {
                    ForEachLibraryBot(w->library, [&](const TBotRecord& bot) {
                        out << BotDisplayLabel(bot) << "\n";
                    });
                });
                return 0;
            }
            return ShowLibrary(
                w->library, [&](const TBigKegOBots& roster) { PrintJson(out, JsonBots(roster)); });
        };
    });
}

void AddShowCommand(CLI::App& bots, Action& chosen) {
    auto w = std::make_shared<ShowWords>();
    CLI::App* command = bots.add_subcommand(
        "show",
        "keelson-cli bots show LIBRARY [INDEX] [--json]\n"
        "Every field of every bot (or of bot INDEX, counted from 0), one Field=value\n"
        "per line, an empty line after each bot.");
    AddOperand(*command, "LIBRARY", w->library, "the bot library")->required();
    AddOperand(*command, "INDEX", w->index, "the bot, counted from 0");
    AddJsonFlag(*command, w->json);
    command->callback([w, &chosen] {
        std::optional<int> index;
        if (!w->index.empty()) {
            index = ParseIndex(w->index);
        }
        chosen = [w, index](std::ostream& out) {
            return ShowLibrary(w->library, [&](const TBigKegOBots& roster) {
                if (index && w->json) {
                    PrintJson(out, JsonBot(roster.Bot(*index)));
                } else if (index) {
                    WriteFields(out, roster.Bot(*index));
                } else if (w->json) {
                    PrintJson(out, JsonBots(roster));
                } else {
                    for (int i = 0; i < roster.Count(); ++i) {
                        WriteFields(out, roster.Bot(i));
                    }
                }
            });
        };
    });
}

// ---- add, set, delete, sort ----

struct EditWords {
    std::string library;
    std::string index;
    std::vector<std::string> fields;
    bool quiet = false;
};

int Add(const EditWords& w, const std::vector<FieldValue>& fields, std::ostream& out) {
    TBotRecord bot = DefaultBot;
    ApplyFields(bot, fields);
    const std::size_t index = OnFile(w.library, [&] { return AppendBotToLibrary(bot, w.library); });
    Report(out, w.quiet)
        .Line("bot " + std::to_string(index) + " added to " + w.library + ": " +
              BotDisplayLabel(bot));
    return 0;
}

int Set(const EditWords& w, int index, const std::vector<FieldValue>& fields, std::ostream& out) {
    platform::FileLock lock(w.library);
    LibraryFile lib = ReadLibrary(w.library);
    TBotRecord bot;
    OnFile(w.library, [&] { lib.roster.GetBot(index, bot); });
    ApplyFields(bot, fields);
    lib.roster.SetBot(index, bot);
    Report report(out, w.quiet);
    if (SaveLibrary(w.library, lib)) {
        report.Line("bot " + std::to_string(index) + " of " + w.library +
                    " changed: " + BotDisplayLabel(bot));
    } else {
        report.Unchanged(w.library);
    }
    return 0;
}

int Delete(const EditWords& w, int index, std::ostream& out) {
    platform::FileLock lock(w.library);
    LibraryFile lib = ReadLibrary(w.library);
    TBotRecord bot;
    OnFile(w.library, [&] { lib.roster.GetBot(index, bot); });
    lib.roster.DeleteBot(index);
    SaveLibrary(w.library, lib);
    Report(out, w.quiet)
        .Line("bot " + std::to_string(index) + " deleted from " + w.library + ": " +
              BotDisplayLabel(bot));
    return 0;
}

int Sort(const EditWords& w, std::ostream& out) {
    platform::FileLock lock(w.library);
    // The library is held once: its records are ordered where they were
    // read, and go from there to the rewrite.
    auto image =
        OnFile(w.library, [&] { return std::make_unique<platform::FileImage>(w.library); });
    if (image->Size() % kBotRecordSize != 0) {
        throw FileProblem(w.library, SystemErrorText(kReadBeyondEndOfFile));
    }
    const std::size_t count = image->Size() / kBotRecordSize;
    // Until the rewrite, nothing is written that would need cleaning up.
    image->EndProcessIfCutShort(MessageAbout(w.library, platform::kCutShortWhileRead) + "\n", 1);
    Report report(out, w.quiet);
    const SortedRecords sorted =
        SortLibraryRecords(reinterpret_cast<const unsigned char*>(image->Data()), count);
    if (!sorted.records.empty()) {
        WriteGameFile(w.library, platform::Pieces(sorted.records), platform::GameFile::Library);
        report.Line(std::to_string(count) + " bots of " + w.library + " sorted by name");
    } else {
        report.Unchanged(w.library);
    }
    return 0;
}

void AddEditCommands(CLI::App& bots, Action& chosen) {
    auto add = std::make_shared<EditWords>();
    CLI::App* command = bots.add_subcommand(
        "add",
        "keelson-cli bots add LIBRARY [Field=value ...]\n"
        "Appends a new bot with the given fields (a missing library is created).");
    AddOperand(*command, "LIBRARY", add->library, "the bot library")->required();
    AddOperands(*command, "FIELDS", add->fields, "Field=value ...");
    AddQuietFlag(*command, add->quiet);
    AddRewriteFlags(*command, false);
    command->callback([add, &chosen] {
        std::vector<FieldValue> fields = ParseFieldValues(add->fields);
        chosen = [add, fields](std::ostream& out) { return Add(*add, fields, out); };
    });

    auto set = std::make_shared<EditWords>();
    command = bots.add_subcommand("set",
                                  "keelson-cli bots set LIBRARY INDEX Field=value ...\n"
                                  "Changes fields of bot INDEX (counted from 0).");
    AddOperand(*command, "LIBRARY", set->library, "the bot library")->required();
    AddOperand(*command, "INDEX", set->index, "the bot, counted from 0")->required();
    AddOperands(*command, "FIELDS", set->fields, "Field=value ...")->required();
    AddQuietFlag(*command, set->quiet);
    AddRewriteFlags(*command, false);
    command->callback([set, &chosen] {
        int index = ParseIndex(set->index);
        std::vector<FieldValue> fields = ParseFieldValues(set->fields);
        chosen = [set, index, fields](std::ostream& out) { return Set(*set, index, fields, out); };
    });

    auto del = std::make_shared<EditWords>();
    command = bots.add_subcommand("delete",
                                  "keelson-cli bots delete LIBRARY INDEX\n"
                                  "Removes bot INDEX (counted from 0).");
    AddOperand(*command, "LIBRARY", del->library, "the bot library")->required();
    AddOperand(*command, "INDEX", del->index, "the bot, counted from 0")->required();
    AddQuietFlag(*command, del->quiet);
    AddRewriteFlags(*command, false);
    command->callback([del, &chosen] {
        int index = ParseIndex(del->index);
        chosen = [del, index](std::ostream& out) { return Delete(*del, index, out); };
    });

    auto sort = std::make_shared<EditWords>();
    command = bots.add_subcommand("sort",
                                  "keelson-cli bots sort LIBRARY\n"
                                  "Sorts the bots by name, ignoring the case of a to z.");
    AddOperand(*command, "LIBRARY", sort->library, "the bot library")->required();
    AddQuietFlag(*command, sort->quiet);
    AddRewriteFlags(*command, false);
    command->callback(
        [sort, &chosen] { chosen = [sort](std::ostream& out) { return Sort(*sort, out); }; });
}

}  // namespace

void AddBotsCommands(CLI::App& app, Action& chosen) {
    CLI::App* bots = app.add_subcommand(
        "bots", "Bot libraries (.ut_botlib) and the 32 bot slots of the user INI.");
    bots->require_subcommand(1);
    AddImportCommand(*bots, chosen);
    AddListCommand(*bots, chosen);
    AddShowCommand(*bots, chosen);
    AddEditCommands(*bots, chosen);
    AddBotsExportCommand(*bots, chosen);
    bots->footer(
        "Fields: Name Team Skill Accuracy CombatStyle Alertness Camping StrafingAbility\n"
        "FavoriteWeapon Class Skin Face Voice Jumpy. Numbers are read as the user INI\n"
        "reads them; texts keep at most 255 bytes.\n");
}

}  // namespace keelson::cli
