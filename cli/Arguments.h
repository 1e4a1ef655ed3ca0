#pragma once
// Command-line parsing for tabulon-cli: positionals, "--flag" switches and "--option VALUE".
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabulon::cli {

// Thrown for bad usage; main() prints it with the usage text and exits 1.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Arguments {
public:
    // `withValue` lists the options that take a value, `switches` those that do not; any other
    // "--" word is a UsageError.
    Arguments(const std::vector<std::string>& words, const std::set<std::string>& withValue,
              const std::set<std::string>& switches);

    const std::vector<std::string>& positionals() const { return positionals_; }
    // Throws UsageError unless there are between `min` and `max` positionals.
    void expectPositionals(std::size_t min, std::size_t max) const;
    bool has(const std::string& option) const { return values_.count(option) != 0; }
    // The last value given to `option`.
    std::string value(const std::string& option, const std::string& fallback = {}) const;
    // Every value given to an option that may be repeated, in order.
    std::vector<std::string> values(const std::string& option) const;
    // A whole number >= 0; UsageError otherwise.
    std::size_t count(const std::string& option, std::size_t fallback) const;

private:
    std::vector<std::string> positionals_;
    std::map<std::string, std::vector<std::string>> values_;
};

}  // namespace tabulon::cli
