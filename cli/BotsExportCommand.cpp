// keelson-cli bots export: the library's bots that the rules leave ticked,
// into the user INI's 32 slots.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "cli/BotsCommands.h"
#include "cli/ExportRules.h"
#include "core/bots/BotFiles.h"
#include "core/bots/BotFilters.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/GameText.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

namespace {

// ---- export ----
//
// The export's rules (which bots of the library go to the game) are options
// of this command; they apply to the ticks of the roster in the order in
// which they were given (see ExportRules.h).

struct ExportWords {
    CLI::App* command = nullptr;
    std::string library;
    std::string userIniOperand;
    CLI::Option* userIniOption = nullptr;
    std::string userIni;
    bool quiet = false;
    bool dryRun = false;
    ExportRules rules;
};

int Export(const ExportWords& w, std::ostream& out) {
    // Without rules only the bots drawn for the slots are read from the
    // library; the rules need every bot.
    TBotSlotTable slots;
    std::size_t libraryCount = 0;
    std::optional<LibraryFile> lib;
    if (w.rules.rules.empty() && !w.dryRun) {
        libraryCount =
            OnFile(w.library, [&] { return FillGameSlotsFromLibrary(w.library, slots); });
    } else {
        lib = ReadLibrary(w.library);
        libraryCount = static_cast<std::size_t>(lib->roster.Count());
    }
    const std::string userIni =
        UserIni(w.userIniOption, w.userIni,
                w.userIniOperand.empty() ? std::nullopt : std::optional(w.userIniOperand));
    std::optional<TBigKegOBots> ticked;
    if (lib) {
        ticked = TickedBots(lib->roster, TicksAfterRules(w.rules, lib->roster));
        ticked->FillGameSlots(slots);
    }
    const std::size_t tickedCount =
        ticked ? static_cast<std::size_t>(ticked->Count()) : libraryCount;
    platform::FileLock lock(userIni);
    const std::string text = OnFile(userIni, [&] { return platform::ReadWholeFile(userIni); });
    std::optional<std::string> rewritten = RewriteUserIniBots(text, slots);
    if (w.dryRun) {
        for (int i = 0; i < ticked->Count(); ++i) {
            out << BotDisplayLabel(ticked->Bot(i)) << '\n';
        }
    }
    if (!rewritten) {
        throw ContentProblemExit(userIni, ContentProblem{{std::string(kNotUtIniMessage)}});
    }
    if (w.dryRun) {
        return 0;
    }
    Report report(out, w.quiet);
    if (!WriteIfChanged(userIni, *rewritten, text, platform::GameFile::Ini)) {
        report.Unchanged(userIni);
        return 0;
    }
    const std::size_t placed = std::min(tickedCount, kGameSlots);
    std::string line =
        std::to_string(placed) + " bots exported from " + w.library + " into " + userIni;
    if (tickedCount != libraryCount) {
        line += " (" + std::to_string(tickedCount) + " of its " + std::to_string(libraryCount) +
                " bots ticked by the rules)";
    }
    if (placed < kGameSlots) {
        line += ", " + std::to_string(kGameSlots - placed) + " placeholders";
    }
    report.Line(line);
    return 0;
}

}  // namespace

CLI::App* AddBotsExportCommand(CLI::App& bots, Action& chosen) {
    auto w = std::make_shared<ExportWords>();
    CLI::App* command = bots.add_subcommand(
        "export",
        "keelson-cli bots export LIBRARY [USER_INI | --user-ini PATH] [RULE...] [--dry-run]\n"
        "Puts up to 32 of the library's bots that the rules leave ticked, in random\n"
        "order, into the user INI's bot slots; unused slots get placeholders\n"
        "Bot_1 ... Bot_32.");
    command->footer(kExportRulesHelp);
    w->command = command;
    AddOperand(*command, "LIBRARY", w->library, "the bot library")->required();
    AddOperand(*command, "USER_INI", w->userIniOperand, kUserIniHelp);
    w->userIniOption =
        command->add_option("--user-ini", w->userIni, kUserIniHelp)->type_name("PATH");
    AddQuietFlag(*command, w->quiet);
    AddRewriteFlags(*command, true);
    command->add_flag("--dry-run", w->dryRun,
                      "print the labels of the bots that would be exported instead of writing");
    AddExportRuleOptions(*command, w->rules);
    command->callback([w, &chosen] {
        CheckExportRuleOptions(w->rules);
        chosen = [w](std::ostream& out) { return Export(*w, out); };
    });
    return command;
}

}  // namespace keelson::cli
