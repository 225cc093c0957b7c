// The outline as text or JSON, written through a large buffer into any sink.
#pragma once

#include "string_list.h"
#include "tree_nodes.h"

#include <functional>
#include <string>
#include <string_view>

namespace qel {

// Collects output and hands it to the sink in large pieces.
class BufferedOutput {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit BufferedOutput(Sink sink, std::size_t capacity = std::size_t{1} << 20);

    void Append(std::string_view text) {
        // The buffer never grows beyond its capacity, so that output cannot stop halfway for want
        // of memory: what does not fit goes after a flush, what is larger goes straight out.
        if (buffer_.size() + text.size() > capacity_) {
            Flush();
            if (text.size() >= capacity_) {
                sink_(text);
                return;
            }
        }
        buffer_.append(text);
        if (buffer_.size() >= capacity_)
            Flush();
    }
    void Put(char c) {
        buffer_.push_back(c);
        if (buffer_.size() >= capacity_)
            Flush();
    }
    void Flush();

private:
    Sink sink_;
    std::string buffer_;
    std::size_t capacity_;
};

// One line per item in pre-order: two blanks per depth (the root has depth 0), the caption's
// bytes as they are, LF. An empty outline writes nothing.
void WriteOutlineText(const TTreeNodes& nodes, BufferedOutput& out);

// {"outline":ITEM,"remaining":[LINE,...]} and LF, where ITEM is
// {"caption":STR,"children":[ITEM,...]} or null. Each byte becomes the character of the same
// value (U+0000-U+00FF) in UTF-8.
void WriteOutlineJson(const TTreeNodes& nodes, const TStringList& remaining, BufferedOutput& out);

// One byte string as a JSON string, quotes included.
void WriteJsonString(std::string_view bytes, BufferedOutput& out);

} // namespace qel
