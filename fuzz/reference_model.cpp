#include "reference_model.h"

namespace qel::fuzz::reference {

namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.substr(i, from.size()) == from) {
            out += to;
            i += from.size();
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

void AddSubtree(const Outline& outline, const std::vector<std::string>& lines, std::size_t item,
                std::size_t depth, std::vector<OutlineEntry>& out) {
    out.push_back({depth, Caption(lines[outline.itemLines[item]])});
    for (std::size_t child = 1; child < outline.itemLines.size(); ++child) {
        if (outline.parents[child] == item)
            AddSubtree(outline, lines, child, depth + 1, out);
    }
}

} // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    const std::string unified = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n");
    std::vector<std::string> lines;
    std::string current;
    for (const char c : unified) {
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

std::string ExtractField(std::string_view text, std::int32_t fieldNumber, char delimiter) {
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == delimiter)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    if (fieldNumber < 1 || static_cast<std::size_t>(fieldNumber) > fields.size())
        return {};
    return fields[static_cast<std::size_t>(fieldNumber) - 1];
}

std::int32_t StrToIntLoose(std::string_view text) {
    constexpr std::uint64_t kModulus = std::uint64_t{1} << 32;
    std::uint64_t value = 0;
    bool negative = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            value = (value * 10 + static_cast<std::uint64_t>(c - '0')) % kModulus;
        if (c == '-')
            negative = true;
    }
    if (negative)
        value = (kModulus - value) % kModulus;
    const auto asSigned = static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(asSigned >= (std::int64_t{1} << 31)
                                         ? asSigned - static_cast<std::int64_t>(kModulus)
                                         : asSigned);
}

std::size_t FirstColonPosition(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ':')
            return i + 1;
    }
    return 0;
}

bool IsKeyLine(std::string_view line) {
    return FirstColonPosition(line) <= 3;
}

std::int32_t LevelNumber(std::string_view line) {
    return StrToIntLoose(ExtractField(line, 1, ':'));
}

std::string Caption(std::string_view line) {
    const std::size_t colon = FirstColonPosition(line);
    return std::string(colon == 0 ? line : line.substr(colon));
}

Outline BuildOutline(const std::vector<std::string>& lines) {
    Outline outline;
    bool stopped = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool isItem = !stopped && IsKeyLine(lines[i]) &&
                            (outline.itemLines.empty() || LevelNumber(lines[i]) >= 2);
        if (!isItem) {
            stopped = stopped || (IsKeyLine(lines[i]) && !outline.itemLines.empty());
            outline.remainingLines.push_back(i);
            continue;
        }
        std::size_t parent = 0;
        if (outline.itemLines.empty()) {
            parent = 0; // the root: its level is never read
        } else if (const std::int32_t level = LevelNumber(lines[i]); level > 2) {
            for (std::size_t earlier = outline.itemLines.size() - 1; earlier >= 1; --earlier) {
                if (LevelNumber(lines[outline.itemLines[earlier]]) < level) {
                    parent = earlier;
                    break;
                }
            }
        }
        outline.itemLines.push_back(i);
        outline.parents.push_back(parent);
    }
    return outline;
}

std::vector<OutlineEntry> PreOrder(const Outline& outline, const std::vector<std::string>& lines) {
    std::vector<OutlineEntry> entries;
    if (!outline.itemLines.empty())
        AddSubtree(outline, lines, 0, 0, entries);
    return entries;
}

} // namespace qel::fuzz::reference
