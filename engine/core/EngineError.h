#pragma once
// The one exception type of the engine: a kind name and a message, shown as "%s: %s.".
#include <stdexcept>
#include <string>

namespace tabulon {

// Kind names used across the engine. Callers match on them, so they never change.
namespace errkind {
inline constexpr const char* kFile = "EFileError";             // a file cannot be opened, read or written
inline constexpr const char* kFormat = "EFormatError";         // a file is damaged or not of its format
inline constexpr const char* kValue = "EValueError";           // a value does not convert or does not fit
inline constexpr const char* kKeyViolation = "EKeyViolation";  // a duplicate key in a unique index
inline constexpr const char* kRequired = "ERequiredField";     // a required field left empty
inline constexpr const char* kBusy = "ETableBusy";             // locked by another session or process
inline constexpr const char* kNotSupported = "ENotSupported";  // the operation does not apply here
inline constexpr const char* kUsage = "EUsageError";           // a call made in the wrong state
inline constexpr const char* kNoResultSet = "ENoResultSet";
}  // namespace errkind

class EngineError : public std::runtime_error {
public:
    // `message` has no final full stop; formatted() adds it.
    EngineError(std::string kind, const std::string& message) : std::runtime_error(message), kind_(std::move(kind)) {}

    const std::string& kind() const noexcept { return kind_; }
    std::string message() const { return what(); }
    // "Kind: message."
    std::string formatted() const { return kind_ + ": " + what() + "."; }

private:
    std::string kind_;
};

}  // namespace tabulon
