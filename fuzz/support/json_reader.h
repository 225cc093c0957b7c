// A small strict JSON reader (RFC 8259) for checking qeloutline's output. Values are kept in one
// flat table and parsed without recursion, so documents nested a million levels deep are fine.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qel::fuzz {

class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class JsonKind { Null, False, True, Number, String, Array, Object };

// A value of a document. Its text and its members live in the document's shared arrays, so that
// a document of millions of values costs a few allocations, not millions.
struct JsonValue {
    JsonKind kind = JsonKind::Null;
    std::size_t textBegin = 0; // a string's value as UTF-8, or a number's literal text
    std::size_t textSize = 0;
    std::size_t firstItem = 0; // an array's elements or an object's members, in document order
    std::size_t itemCount = 0;
};

struct JsonDocument {
    std::vector<JsonValue> values;      // values[0] is the top-level value
    std::vector<std::size_t> items;     // value indexes of the elements and members of every value
    std::vector<std::size_t> keyBegins; // parallel to items: the member name in text (objects)
    std::vector<std::size_t> keySizes;
    std::string text; // every string, number and member name, one after the other

    [[nodiscard]] const JsonValue& Top() const { return values.front(); }
    [[nodiscard]] std::string_view Text(const JsonValue& value) const {
        return std::string_view(text).substr(value.textBegin, value.textSize);
    }
    [[nodiscard]] const JsonValue& Item(const JsonValue& value, std::size_t i) const {
        return values[items[value.firstItem + i]];
    }
    [[nodiscard]] std::string_view Key(const JsonValue& object, std::size_t i) const {
        return std::string_view(text).substr(keyBegins[object.firstItem + i],
                                             keySizes[object.firstItem + i]);
    }
};

struct JsonOptions {
    // qeloutline's form on top of plain JSON: no whitespace outside strings, and a string escapes
    // only '"', '\', and control characters (as \b \t \n \f \r where those exist, else as \u00xx
    // in lower-case hex).
    bool canonical = false;
};

// Parses exactly one JSON text; throws JsonError, with the byte offset, on anything else.
[[nodiscard]] JsonDocument ParseJson(std::string_view text, JsonOptions options = {});

// Each code point of utf8 as one byte; throws JsonError when one is above U+00FF.
[[nodiscard]] std::string BytesFromLatin1Utf8(std::string_view utf8);

} // namespace qel::fuzz
