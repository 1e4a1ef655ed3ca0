#pragma once
// The two switches that change how a filter compares strings.
namespace tabulon {

struct FilterOptions {
    bool caseInsensitive = false;   // strings compare without regard to letter case
    bool noPartialCompare = false;  // 'abc*' is the literal text, not "begins with abc"
    bool operator==(const FilterOptions&) const = default;
};

}  // namespace tabulon
