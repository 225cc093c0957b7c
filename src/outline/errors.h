// Error classes of the settings outline. Each carries the text a user will see; the window shows it
// in its error box and qeloutline prints it, both completed by CompleteMessage.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qel {

// Base of every error this program raises on purpose.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    [[nodiscard]] std::string Message() const { return what(); }
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened or read as a regular file.
class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(std::string_view fileName);
};

// Memory (or address space) ran out while a file was held, split or built into an outline.
class EOutOfMemory : public Exception {
public:
    EOutOfMemory();
};

// The error text as a user sees it: a full stop is appended when the message is not empty and its
// last character has a higher code than "." (so "...)" and "...." stay as they are).
[[nodiscard]] std::string CompleteMessage(std::string_view message);

// Runs fn and turns an allocation failure into EOutOfMemory, so that callers see one error class
// with the user's message whatever part of the standard library ran out.
template <typename Fn> decltype(auto) TranslateAllocationFailure(Fn&& fn) {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
}

} // namespace qel
