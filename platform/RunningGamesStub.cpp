#include "platform/RunningGames.h"
namespace keelson::platform {
std::optional<GameProcess> FindGameUsing(const std::string&) { return std::nullopt; }
}
