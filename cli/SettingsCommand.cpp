#include "cli/Cli.h"

namespace keelson::cli {

const std::string_view kSettingsHelp = "  keelson-cli settings ...\n";

int RunSettings(const Args& /*args*/, std::ostream& /*out*/) {
    throw UsageError("keelson-cli settings: not built yet");
}

}  // namespace keelson::cli
