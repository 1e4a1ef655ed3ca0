#pragma once
// The progress reports long table operations send to the callback their thread registered.
#include <cstdint>
#include <functional>

namespace tabulon {

// Percent done (0 to 100) and the phase of the operation.
using ProgressCallback = std::function<void(int percent, int phase)>;

namespace phase {
inline constexpr int kData = 2;     // records read, copied or moved
inline constexpr int kRebuild = 8;  // indexes built
}  // namespace phase

// Per thread: each thread's operations report to the callback that thread set (none: empty).
void setProgressCallback(ProgressCallback callback);
void reportProgress(int percent, int phase);

// Reports `done` of `total` as a percent of `phase`, calling the callback only when the
// percent changes, so a loop over a million records costs a million compares, not calls.
class ProgressSteps {
public:
    ProgressSteps(int phase, std::uint64_t total) : phase_(phase), total_(total) {}
    void advance(std::uint64_t done) {
        const int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
        if (percent != reported_) reportProgress(reported_ = percent, phase_);
    }

private:
    int phase_;
    std::uint64_t total_;
    int reported_ = -1;
};

}  // namespace tabulon
