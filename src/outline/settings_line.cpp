#include "settings_line.h"

#include "tools.h"

namespace qel {

namespace {

constexpr std::size_t kNoColon = std::string_view::npos;
constexpr std::size_t kLastKeyColonIndex = 2; // position 3, counted from 1

bool IsKeyColon(std::size_t colon) noexcept {
    return colon == kNoColon || colon <= kLastKeyColonIndex;
}

std::string_view CaptionAt(std::string_view line, std::size_t colon) noexcept {
    return colon == kNoColon ? line : line.substr(colon + 1);
}

} // namespace

bool IsKeyLine(std::string_view line) noexcept {
    return IsKeyColon(line.find(':'));
}

std::int32_t LevelNumber(std::string_view line) noexcept {
    return StrToIntLoose(ExtractFieldView(line, 1, ':'));
}

std::string_view TextAfterColon(std::string_view line) noexcept {
    return CaptionAt(line, line.find(':'));
}

std::optional<KeyLine> ReadKeyLine(std::string_view line) noexcept {
    const std::size_t colon = line.find(':');
    if (!IsKeyColon(colon))
        return std::nullopt;
    // Field 1 at ":" is exactly the text before the colon found here.
    return KeyLine{StrToIntLoose(line.substr(0, colon)), CaptionAt(line, colon)};
}

} // namespace qel
