#include "cli/Cli.h"

namespace keelson::cli {

const std::string_view kPackagesHelp = "  keelson-cli packages ...\n";

int RunPackages(const Args& /*args*/, std::ostream& /*out*/) {
    throw UsageError("keelson-cli packages: not built yet");
}

}  // namespace keelson::cli
