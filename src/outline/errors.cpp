#include "errors.h"

namespace qel {

EFOpenError::EFOpenError(std::string_view fileName)
    : EStreamError("Cannot open file " + std::string(fileName)) {}

EOutOfMemory::EOutOfMemory() : Exception("Out of memory") {}

std::string CompleteMessage(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

} // namespace qel
