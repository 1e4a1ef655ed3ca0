#include "Findings.h"

#include <algorithm>

namespace tabulon {

void Findings::add(Finding finding, const std::string& kind) {
    if (!kind.empty()) {
        Repeats& repeats = repeats_[finding.file + '\n' + kind];
        if (repeats.count++ == 0) repeats.first = finding;
        if (repeats.count > static_cast<std::uint64_t>(kShownPerKind)) return;
    }
    findings_.push_back(std::move(finding));
}

std::vector<Finding> Findings::list() const {
    std::vector<Finding> all = findings_;
    for (const auto& [kind, repeats] : repeats_) {
        if (repeats.count <= static_cast<std::uint64_t>(kShownPerKind)) continue;
        all.push_back({repeats.first.file, "whole file",
                       std::to_string(repeats.count - kShownPerKind) + " more places like " + repeats.first.place +
                           ": " + repeats.first.problem,
                       repeats.first.level});
    }
    return all;
}

int Findings::level() const {
    int level = verifylevel::kSound;
    for (const Finding& f : findings_) level = std::max(level, f.level);
    return level;
}

}  // namespace tabulon
