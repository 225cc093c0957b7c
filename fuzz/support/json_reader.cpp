#include "json_reader.h"

#include <cstdint>

namespace qel::fuzz {

namespace {

bool IsHexDigit(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t HexValue(char c) noexcept {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    return static_cast<std::uint32_t>(c - 'A' + 10);
}

void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos], rejecting overlong forms, surrogates and values above
// U+10FFFF; advances pos past it.
std::uint32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        minimum = 0x10000;
    } else {
        throw JsonError("invalid UTF-8 lead byte at " + std::to_string(pos));
    }
    if (text.size() - pos < length)
        throw JsonError("truncated UTF-8 sequence at " + std::to_string(pos));
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80)
            throw JsonError("invalid UTF-8 continuation at " + std::to_string(pos + i));
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        throw JsonError("invalid UTF-8 code point at " + std::to_string(pos));
    pos += length;
    return code;
}

struct Span {
    std::size_t begin = 0;
    std::size_t size = 0;
};

class Parser {
public:
    Parser(std::string_view text, JsonOptions options) : text_(text), options_(options) {
        // Most values take a few bytes of text at least; growing from this guess is rare.
        doc_.values.reserve(text.size() / 8);
        doc_.text.reserve(text.size() / 2);
    }

    JsonDocument Run() {
        // Each open array or object collects its members on one shared stack above those of the
        // enclosing ones, and moves them to the document's item arrays when it closes.
        struct Frame {
            std::size_t container;
            std::size_t firstPending;
        };
        std::vector<Frame> open;

        SkipBlanks();
        if (const std::size_t top = ParseValueStart(); IsContainer(top))
            open.push_back({top, 0});
        while (!open.empty()) {
            const Frame frame = open.back();
            const bool isObject = doc_.values[frame.container].kind == JsonKind::Object;
            SkipBlanks();
            if (Peek() == (isObject ? '}' : ']')) {
                ++pos_;
                Close(frame.container, frame.firstPending);
                open.pop_back();
                continue;
            }
            if (pending_.size() != frame.firstPending)
                Expect(',');
            SkipBlanks();
            Span key;
            if (isObject) {
                if (Peek() != '"')
                    Fail("expected a member name");
                key = ParseString();
                SkipBlanks();
                Expect(':');
                SkipBlanks();
            }
            const std::size_t value = ParseValueStart();
            pending_.push_back({value, key});
            if (IsContainer(value))
                open.push_back({value, pending_.size()});
        }
        SkipBlanks();
        if (pos_ != text_.size())
            Fail("text after the value");
        return std::move(doc_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw JsonError(what + " at offset " + std::to_string(pos_));
    }

    [[nodiscard]] char Peek() const {
        if (pos_ >= text_.size())
            Fail("unexpected end");
        return text_[pos_];
    }

    void Expect(char c) {
        if (Peek() != c)
            Fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            if (options_.canonical)
                Fail("whitespace outside a string");
            ++pos_;
        }
    }

    [[nodiscard]] bool IsContainer(std::size_t index) const {
        const JsonKind kind = doc_.values[index].kind;
        return kind == JsonKind::Array || kind == JsonKind::Object;
    }

    std::size_t Add(JsonKind kind, Span text = {}) {
        doc_.values.push_back(JsonValue{kind, text.begin, text.size, 0, 0});
        return doc_.values.size() - 1;
    }

    void Close(std::size_t container, std::size_t firstPending) {
        JsonValue& value = doc_.values[container];
        value.firstItem = doc_.items.size();
        value.itemCount = pending_.size() - firstPending;
        for (std::size_t i = firstPending; i < pending_.size(); ++i) {
            doc_.items.push_back(pending_[i].value);
            doc_.keyBegins.push_back(pending_[i].key.begin);
            doc_.keySizes.push_back(pending_[i].key.size);
        }
        pending_.resize(firstPending);
    }

    // Parses a scalar whole, or the opening bracket of an array or object (whose members the
    // caller's loop reads); returns the new value's index.
    std::size_t ParseValueStart() {
        switch (Peek()) {
        case '{':
            ++pos_;
            return Add(JsonKind::Object);
        case '[':
            ++pos_;
            return Add(JsonKind::Array);
        case '"':
            return Add(JsonKind::String, ParseString());
        case 't':
            ParseWord("true");
            return Add(JsonKind::True);
        case 'f':
            ParseWord("false");
            return Add(JsonKind::False);
        case 'n':
            ParseWord("null");
            return Add(JsonKind::Null);
        default:
            return Add(JsonKind::Number, ParseNumber());
        }
    }

    void ParseWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word)
            Fail("invalid literal");
        pos_ += word.size();
    }

    Span ParseNumber() {
        const std::size_t start = pos_;
        const auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            if (pos_ == from)
                Fail("expected a digit");
        };
        if (Peek() == '-')
            ++pos_;
        if (Peek() == '0')
            ++pos_;
        else
            digits();
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            digits();
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (Peek() == '+' || Peek() == '-')
                ++pos_;
            digits();
        }
        const Span span{doc_.text.size(), pos_ - start};
        doc_.text.append(text_.substr(start, pos_ - start));
        return span;
    }

    std::uint32_t ParseHex4() {
        if (text_.size() - pos_ < 4)
            Fail("truncated \\u escape");
        std::uint32_t code = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const char c = text_[pos_ + i];
            if (!IsHexDigit(c) || (options_.canonical && c >= 'A' && c <= 'F'))
                Fail("invalid \\u escape");
            code = code * 16 + HexValue(c);
        }
        pos_ += 4;
        return code;
    }

    Span ParseString() {
        Expect('"');
        std::string& out = doc_.text;
        const std::size_t begin = out.size();
        for (;;) {
            const char c = Peek();
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"') {
                ++pos_;
                return {begin, out.size() - begin};
            }
            if (byte < 0x20)
                Fail("unescaped control character in a string");
            if (byte >= 0x80) {
                AppendUtf8(DecodeUtf8(text_, pos_), out);
                continue;
            }
            if (c != '\\') {
                out += c;
                ++pos_;
                continue;
            }
            ++pos_;
            const char escape = Peek();
            ++pos_;
            switch (escape) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '/':
                if (options_.canonical)
                    Fail("needless escape of '/'");
                out += '/';
                break;
            case 'u':
                AppendUtf8(ParseUnicodeEscape(), out);
                break;
            default:
                Fail("invalid escape");
            }
        }
    }

    // The code point of a \u escape whose "\u" has been read, joining a surrogate pair.
    std::uint32_t ParseUnicodeEscape() {
        const std::uint32_t code = ParseHex4();
        if (options_.canonical) {
            const bool hasShortForm =
                code == '\b' || code == '\t' || code == '\n' || code == '\f' || code == '\r';
            if (code >= 0x20 || hasShortForm)
                Fail("needless \\u escape");
        }
        if (code >= 0xDC00 && code <= 0xDFFF)
            Fail("lone low surrogate");
        if (code < 0xD800 || code > 0xDBFF)
            return code;
        if (text_.substr(pos_, 2) != "\\u")
            Fail("lone high surrogate");
        pos_ += 2;
        const std::uint32_t low = ParseHex4();
        if (low < 0xDC00 || low > 0xDFFF)
            Fail("high surrogate without a low one");
        return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }

    std::string_view text_;
    JsonOptions options_;
    std::size_t pos_ = 0;
    JsonDocument doc_;
    struct Member {
        std::size_t value;
        Span key;
    };
    std::vector<Member> pending_;
};

} // namespace

JsonDocument ParseJson(std::string_view text, JsonOptions options) {
    return Parser(text, options).Run();
}

std::string BytesFromLatin1Utf8(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::uint32_t code = DecodeUtf8(utf8, pos);
        if (code > 0xFF)
            throw JsonError("character above U+00FF in a byte string");
        bytes += static_cast<char>(code);
    }
    return bytes;
}

} // namespace qel::fuzz
