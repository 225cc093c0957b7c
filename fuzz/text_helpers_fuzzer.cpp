// Fuzz target: the text helpers and the settings-line notions, compared with the reference
// model, and ReadKeyLine's one-scan answer compared with the three separate notions.
//
// Input layout: one mode byte; when its high bit is set, four bytes of field number follow (any
// 32-bit value), otherwise the field number is (mode & 15) - 2; then the delimiter byte; the rest
// is the text.
#include "check.h"
#include "reference_model.h"
#include "settings_line.h"
#include "tools.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

namespace ref = qel::fuzz::reference;

bool IsViewInto(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty())
        return 0;
    const auto mode = static_cast<unsigned char>(input.front());
    input.remove_prefix(1);
    std::int32_t fieldNumber = (mode & 15) - 2;
    if ((mode & 0x80) != 0) {
        if (input.size() < 4)
            return 0;
        std::uint32_t raw = 0;
        std::memcpy(&raw, input.data(), sizeof raw);
        fieldNumber = static_cast<std::int32_t>(raw);
        input.remove_prefix(4);
    }
    if (input.empty())
        return 0;
    const char delimiter = input.front();
    input.remove_prefix(1);
    const std::string_view text = input;

    const std::string_view fieldView = qel::ExtractFieldView(text, fieldNumber, delimiter);
    QEL_FUZZ_REQUIRE(fieldView == ref::ExtractField(text, fieldNumber, delimiter),
                     "ExtractFieldView gives the field of that number");
    QEL_FUZZ_REQUIRE(IsViewInto(fieldView, text), "ExtractFieldView points into its text");
    QEL_FUZZ_REQUIRE(qel::ExtractField(text, fieldNumber, delimiter) == fieldView,
                     "ExtractField and ExtractFieldView agree");
    QEL_FUZZ_REQUIRE(qel::StrToIntLoose(text) == ref::StrToIntLoose(text),
                     "StrToIntLoose reads the digits, wrapping at 32 bits");

    // The settings-line notions, on the text as one line.
    const bool isKey = qel::IsKeyLine(text);
    const std::int32_t level = qel::LevelNumber(text);
    const std::string_view caption = qel::TextAfterColon(text);
    QEL_FUZZ_REQUIRE(isKey == ref::IsKeyLine(text), "the key-line test");
    QEL_FUZZ_REQUIRE(level == ref::LevelNumber(text), "the level number");
    QEL_FUZZ_REQUIRE(caption == ref::Caption(text), "the caption");
    QEL_FUZZ_REQUIRE(IsViewInto(caption, text) &&
                         caption.data() + caption.size() == text.data() + text.size(),
                     "the caption is the end of its line");

    const std::optional<qel::KeyLine> key = qel::ReadKeyLine(text);
    QEL_FUZZ_REQUIRE(key.has_value() == isKey, "ReadKeyLine agrees with IsKeyLine");
    if (key) {
        QEL_FUZZ_REQUIRE(key->level == level, "ReadKeyLine agrees with LevelNumber");
        QEL_FUZZ_REQUIRE(key->caption.data() == caption.data() &&
                             key->caption.size() == caption.size(),
                         "ReadKeyLine agrees with TextAfterColon");
    }
    return 0;
}
