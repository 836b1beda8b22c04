// keelson-cli bots: bot libraries and the user INI's bot section.

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bots/BotFiles.h"
#include "bots/TBigKegOBotsDefine.h"
#include "cli/Cli.h"
#include "cli/StoredPaths.h"
#include "common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

const std::string_view kBotsHelp =
    "  keelson-cli bots import [USER_INI | --user-ini PATH] LIBRARY [--append]\n"
    "      Reads the 32 bots of a user INI into a bot library, which it replaces;\n"
    "      with --append the library's own bots (if it exists) come first.\n"
    "  keelson-cli bots list LIBRARY\n"
    "      One line per bot: name, team, class and skin.\n"
    "  keelson-cli bots show LIBRARY [INDEX]\n"
    "      Every field of every bot (or of bot INDEX, counted from 0), one Field=value\n"
    "      per line, an empty line after each bot.\n"
    "  keelson-cli bots add LIBRARY [Field=value ...]\n"
    "      Appends a new bot with the given fields (a missing library is created).\n"
    "  keelson-cli bots set LIBRARY INDEX Field=value ...\n"
    "  keelson-cli bots delete LIBRARY INDEX\n"
    "  keelson-cli bots sort LIBRARY\n"
    "      Changes one bot, removes one bot, or sorts the bots by name.\n"
    "  keelson-cli bots export LIBRARY [USER_INI | --user-ini PATH]\n"
    "      Puts up to 32 of the library's bots, in random order, into the user INI's\n"
    "      bot slots; unused slots get placeholders Bot_N.\n"
    "      The user INI, as USER_INI or --user-ini PATH, defaults to the stored\n"
    "      PathToUtUserIni (keelson-cli settings show).\n"
    "    Fields: Name Team Skill Accuracy CombatStyle Alertness Camping StrafingAbility\n"
    "    FavoriteWeapon Class Skin Face Voice Jumpy. Numbers are read as the user INI\n"
    "    reads them; texts keep at most 255 bytes.\n";

namespace {

constexpr std::string_view kGroupUsage =
    "keelson-cli bots import|list|show|add|set|delete|sort|export ... (see keelson-cli --help)";
constexpr std::string_view kImportUsage =
    "keelson-cli bots import [USER_INI | --user-ini PATH] LIBRARY [--append]";
constexpr std::string_view kListUsage = "keelson-cli bots list LIBRARY";
constexpr std::string_view kShowUsage = "keelson-cli bots show LIBRARY [INDEX]";
constexpr std::string_view kAddUsage = "keelson-cli bots add LIBRARY [Field=value ...]";
constexpr std::string_view kSetUsage = "keelson-cli bots set LIBRARY INDEX Field=value ...";
constexpr std::string_view kDeleteUsage = "keelson-cli bots delete LIBRARY INDEX";
constexpr std::string_view kSortUsage = "keelson-cli bots sort LIBRARY";
constexpr std::string_view kExportUsage =
    "keelson-cli bots export LIBRARY [USER_INI | --user-ini PATH]";

// The field names of the command line, in record order (the order of BotKey).
constexpr std::array<std::string_view, 14> kFieldNames{
    "Name",      "Team",    "Skill",           "Accuracy",       "CombatStyle",
    "Alertness", "Camping", "StrafingAbility", "FavoriteWeapon", "Class",
    "Skin",      "Face",    "Voice",           "Jumpy"};

[[noreturn]] void Usage(std::string_view usage, std::string_view problem = {}) {
    std::string text(usage);
    if (!problem.empty()) {
        text += "\n";
        text += problem;
    }
    throw UsageError(text);
}

// The words of a command: its operands and the options it allows. "--"
// ends the options, so that a file name may begin with "-".
struct Words {
    std::vector<std::string> operands;
    bool append = false;
    std::optional<std::string> userIni;  // --user-ini PATH
};

// The options a command takes besides "--".
enum Allowed : unsigned { kNoOptions = 0, kAppendOption = 1, kUserIniOption = 2 };

Words SplitWords(const Args& args, std::string_view usage, unsigned allowed = kNoOptions) {
    Words words;
    bool options = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (options && word == "--") {
            options = false;
        } else if (options && (allowed & kAppendOption) && word == "--append") {
            words.append = true;
        } else if (options && (allowed & kUserIniOption) && word == "--user-ini") {
            if (i + 1 == args.size() || words.userIni) {
                Usage(usage);
            }
            words.userIni = args[++i];
        } else if (options && word.size() > 2 && word.starts_with("--")) {
            Usage(usage, "unknown option: " + word);
        } else {
            words.operands.push_back(word);
        }
    }
    return words;
}

constexpr std::size_t kAnyNumber = static_cast<std::size_t>(-1);

void ExpectOperands(const Words& words, std::size_t least, std::size_t most,
                    std::string_view usage) {
    if (words.operands.size() < least || words.operands.size() > most) {
        Usage(usage);
    }
}

// A bot index: decimal digits with an optional "-" (a negative index is a
// list index error, as in the windows).
int ParseIndex(const std::string& word, std::string_view usage) {
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
        Usage(usage, "INDEX must be a whole number: " + word);
    }
    return static_cast<int>(value);
}

struct FieldValue {
    BotKey key;
    std::string value;
};

std::vector<FieldValue> ParseFieldValues(const std::vector<std::string>& words, std::size_t from,
                                         std::string_view usage) {
    std::vector<FieldValue> fields;
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::string& word = words[i];
        std::size_t eq = word.find('=');
        if (eq == std::string::npos) {
            Usage(usage, "expected Field=value: " + word);
        }
        std::string_view name = std::string_view(word).substr(0, eq);
        std::optional<BotKey> key;
        for (std::size_t k = 0; k < kFieldNames.size(); ++k) {
            if (kFieldNames[k] == name) {
                key = static_cast<BotKey>(k);
            }
        }
        if (!key) {
            Usage(usage, "unknown field: " + std::string(name) +
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

TBigKegOBots LoadLibrary(const std::string& path) {
    TBigKegOBots roster;
    roster.AppendFromFile(path);
    return roster;
}

// Reading commands show the complete bots of a damaged library, then report
// its error.
template <class Show>
int ShowLibrary(const std::string& path, Show show) {
    TBigKegOBots roster;
    std::exception_ptr failure;
    try {
        roster.AppendFromFile(path);
    } catch (const FileError&) {
        failure = std::current_exception();
    }
    try {
        show(roster);
    } catch (const ListIndexError&) {
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

// The user INI: the one named by --user-ini or as an operand (never both),
// or else the stored one.
std::string UserIni(const Words& words, std::optional<std::string> operand,
                    std::string_view usage) {
    if (words.userIni && operand) {
        Usage(usage, "the user INI is named twice");
    }
    if (words.userIni) {
        return *words.userIni;
    }
    return operand ? *operand : StoredUserIniPath();
}

void WriteFields(std::ostream& out, const TBotRecord& bot) {
    out << "Name=" << bot.Name.View() << "\n"
        << "Team=" << static_cast<unsigned>(bot.Team) << "\n"
        << "Skill=" << FloatToFixedText(bot.Skill) << "\n"
        << "Accuracy=" << FloatToFixedText(bot.Accuracy) << "\n"
        << "CombatStyle=" << FloatToFixedText(bot.CombatStyle) << "\n"
        << "Alertness=" << FloatToFixedText(bot.Alertness) << "\n"
        << "Camping=" << FloatToFixedText(bot.Camping) << "\n"
        << "StrafingAbility=" << FloatToFixedText(bot.StrafingAbility) << "\n"
        << "FavoriteWeapon=" << bot.FavoriteWeapon.View() << "\n"
        << "Class=" << bot.Class.View() << "\n"
        << "Skin=" << bot.Skin.View() << "\n"
        << "Face=" << bot.Face.View() << "\n"
        << "Voice=" << bot.Voice.View() << "\n"
        << "Jumpy=" << static_cast<unsigned>(bot.Jumpy) << "\n"
        << "\n";
}

int Import(const Args& args) {
    Words words = SplitWords(args, kImportUsage, kAppendOption | kUserIniOption);
    ExpectOperands(words, 1, 2, kImportUsage);
    const bool named = words.operands.size() == 2;
    std::string userIni = UserIni(
        words, named ? std::optional<std::string>(words.operands[0]) : std::nullopt, kImportUsage);
    const std::string& library = words.operands[named ? 1 : 0];
    platform::FileLock lock(library);
    TBigKegOBots roster;
    if (words.append && platform::FileExists(library)) {
        roster.AppendFromFile(library);
    }
    roster.ImportUserIni(userIni);
    roster.SaveToFile(library);
    return 0;
}

int List(const Args& args, std::ostream& out) {
    Words words = SplitWords(args, kListUsage);
    ExpectOperands(words, 1, 1, kListUsage);
    return ShowLibrary(words.operands[0], [&](const TBigKegOBots& roster) {
        for (int i = 0; i < roster.Count(); ++i) {
            out << BotDisplayLabel(roster.Bot(i)) << "\n";
        }
    });
}

int Show(const Args& args, std::ostream& out) {
    Words words = SplitWords(args, kShowUsage);
    ExpectOperands(words, 1, 2, kShowUsage);
    std::optional<int> index;
    if (words.operands.size() == 2) {
        index = ParseIndex(words.operands[1], kShowUsage);
    }
    return ShowLibrary(words.operands[0], [&](const TBigKegOBots& roster) {
        if (index) {
            WriteFields(out, roster.Bot(*index));
            return;
        }
        for (int i = 0; i < roster.Count(); ++i) {
            WriteFields(out, roster.Bot(i));
        }
    });
}

int Add(const Args& args) {
    Words words = SplitWords(args, kAddUsage);
    ExpectOperands(words, 1, kAnyNumber, kAddUsage);
    std::vector<FieldValue> fields = ParseFieldValues(words.operands, 1, kAddUsage);
    const std::string& library = words.operands[0];
    platform::FileLock lock(library);
    TBigKegOBots roster;
    if (platform::FileExists(library)) {
        roster.AppendFromFile(library);
    }
    TBotRecord bot = DefaultBot;
    ApplyFields(bot, fields);
    roster.AddBot(bot);
    roster.SaveToFile(library);
    return 0;
}

int Set(const Args& args) {
    Words words = SplitWords(args, kSetUsage);
    ExpectOperands(words, 3, kAnyNumber, kSetUsage);
    int index = ParseIndex(words.operands[1], kSetUsage);
    std::vector<FieldValue> fields = ParseFieldValues(words.operands, 2, kSetUsage);
    const std::string& library = words.operands[0];
    platform::FileLock lock(library);
    TBigKegOBots roster = LoadLibrary(library);
    TBotRecord bot;
    roster.GetBot(index, bot);
    ApplyFields(bot, fields);
    roster.SetBot(index, bot);
    roster.SaveToFile(library);
    return 0;
}

int Delete(const Args& args) {
    Words words = SplitWords(args, kDeleteUsage);
    ExpectOperands(words, 2, 2, kDeleteUsage);
    int index = ParseIndex(words.operands[1], kDeleteUsage);
    const std::string& library = words.operands[0];
    platform::FileLock lock(library);
    TBigKegOBots roster = LoadLibrary(library);
    roster.DeleteBot(index);
    roster.SaveToFile(library);
    return 0;
}

int Sort(const Args& args) {
    Words words = SplitWords(args, kSortUsage);
    ExpectOperands(words, 1, 1, kSortUsage);
    const std::string& library = words.operands[0];
    platform::FileLock lock(library);
    TBigKegOBots roster = LoadLibrary(library);
    roster.SortByName();
    roster.SaveToFile(library);
    return 0;
}

int Export(const Args& args) {
    Words words = SplitWords(args, kExportUsage, kUserIniOption);
    ExpectOperands(words, 1, 2, kExportUsage);
    TBigKegOBots roster = LoadLibrary(words.operands[0]);
    std::string userIni = UserIni(
        words,
        words.operands.size() == 2 ? std::optional<std::string>(words.operands[1]) : std::nullopt,
        kExportUsage);
    TBotSlotTable slots;
    roster.FillGameSlots(slots);
    if (std::optional<ContentProblem> problem = WriteUserIniBots(slots, userIni)) {
        throw ContentProblemExit(std::move(*problem));
    }
    return 0;
}

}  // namespace

int RunBots(const Args& args, std::ostream& out) {
    if (args.empty()) {
        Usage(kGroupUsage);
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kBotsHelp;
        return 0;
    }
    if (command == "import") {
        return Import(args);
    }
    if (command == "list") {
        return List(args, out);
    }
    if (command == "show") {
        return Show(args, out);
    }
    if (command == "add") {
        return Add(args);
    }
    if (command == "set") {
        return Set(args);
    }
    if (command == "delete") {
        return Delete(args);
    }
    if (command == "sort") {
        return Sort(args);
    }
    if (command == "export") {
        return Export(args);
    }
    Usage(kGroupUsage, "unknown command: " + command);
}

}  // namespace keelson::cli
