#include "cli/Cli.h"

namespace keelson::cli {

const std::string_view kBotsHelp = "  keelson-cli bots ...\n";

int RunBots(const Args& /*args*/, std::ostream& /*out*/) {
    throw UsageError("keelson-cli bots: not built yet");
}

}  // namespace keelson::cli
