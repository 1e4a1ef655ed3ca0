#include "Arguments.h"

#include <charconv>

namespace tabulon::cli {

Arguments::Arguments(const std::vector<std::string>& words, const std::set<std::string>& withValue,
                     const std::set<std::string>& switches) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0 || word == "--") {
            positionals_.push_back(word);
        } else if (withValue.count(word)) {
            if (i + 1 >= words.size()) throw UsageError(word + " needs a value");
            values_[word].push_back(words[++i]);
        } else if (switches.count(word)) {
            values_[word].push_back("");
        } else {
            throw UsageError("unknown option " + word);
        }
    }
}

void Arguments::expectPositionals(std::size_t min, std::size_t max) const {
    if (positionals_.size() < min) throw UsageError("missing argument");
    if (positionals_.size() > max) throw UsageError("unexpected argument '" + positionals_[max] + "'");
}

std::string Arguments::value(const std::string& option, const std::string& fallback) const {
    auto it = values_.find(option);
    return it == values_.end() ? fallback : it->second.back();
}

std::vector<std::string> Arguments::values(const std::string& option) const {
    auto it = values_.find(option);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::size_t Arguments::count(const std::string& option, std::size_t fallback) const {
    if (!has(option)) return fallback;
    const std::string text = value(option);
    std::size_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size())
        throw UsageError(option + " takes a whole number, not '" + text + "'");
    return n;
}

}  // namespace tabulon::cli
