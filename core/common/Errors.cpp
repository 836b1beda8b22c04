#include "core/common/Errors.h"

namespace keelson {

ListIndexError::ListIndexError(long long index)
    : KeelsonError("List index out of bounds (" + std::to_string(index) + ")") {}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

}  // namespace keelson
