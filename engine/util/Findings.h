#pragma once
// What a verification finds wrong with a table, one finding per place, and how bad it is.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tabulon {

// The error level of a verification: the worst of its findings.
namespace verifylevel {
inline constexpr int kSound = 0;
inline constexpr int kRepairable = 1;     // a rebuild repairs it without losing a record
inline constexpr int kUnfinished = 2;     // the verification stopped; the finding says where
inline constexpr int kPartial = 3;        // a rebuild salvages only part of the records
inline constexpr int kUnrebuildable = 4;  // header unreadable or password-protected
}  // namespace verifylevel

struct Finding {
    std::string file;     // file name without folder
    std::string place;    // "header", "block 7", "record 12", "index BYNAME"
    std::string problem;  // what is wrong there
    int level = verifylevel::kRepairable;
};

// Collects findings. A damaged table can repeat the same fault a million times; past a few
// findings of one kind per file the rest are only counted, in one closing finding.
class Findings {
public:
    static constexpr int kShownPerKind = 20;

    // `kind` groups findings that repeat ("out of key order"); empty: never grouped.
    void add(Finding finding, const std::string& kind = {});
    // Adds the closing findings for the kinds that went over the limit.
    std::vector<Finding> list() const;
    int level() const;
    // Records the files hold (or their header counts) that a reader cannot reach: in blocks
    // outside the chain, cut off by the file's end, after the records counted.
    void addUnreachable(std::uint64_t records) { unreachable_ += records; }
    std::uint64_t unreachable() const { return unreachable_; }

private:
    struct Repeats {
        Finding first;
        std::uint64_t count = 0;
    };
    std::vector<Finding> findings_;
    std::map<std::string, Repeats> repeats_;
    std::uint64_t unreachable_ = 0;
};

}  // namespace tabulon
