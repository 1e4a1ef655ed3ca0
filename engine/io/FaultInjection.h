#pragma once
// A seam every write, flush, truncation, creation, rename and removal of the engine passes, so
// tests can make the n-th such call fail or the process die there (as SQLite tests its pager).
#include <atomic>
#include <cstdint>
#include <optional>

namespace tabulon {

enum class IoCall { Create, Write, Truncate, Sync, Rename, Remove };

// Test-only control of the seam; the engine only calls reached(). Disarmed, a call costs one
// relaxed atomic load. Armed, the calls of every thread are counted in one sequence; fork()ed
// children inherit the plan.
class FaultInjection {
public:
    enum class Effect { Fail, Die };
    // The exit status of a process that died at a call.
    static constexpr int kDiedStatus = 77;

    // Starts counting calls from zero, injecting nothing.
    static void count();
    // Starts counting from zero; call `n` (1-based) fails with EIO, or the process _exit()s
    // just before making it. Only that one call: later ones go through.
    static void failAt(std::uint64_t n, Effect effect = Effect::Fail);
    // Stops counting and injecting.
    static void disarm();
    // Whether flushes that are not to fail return at once, armed or not. A walk checks what
    // processes see after a failure, not what survives a power cut, and flushes take most of
    // its time.
    static void skipFlushes(bool skip);
    static bool flushSkipped() { return skipFlushes_.load(std::memory_order_relaxed); }

    // The calls counted since count() or failAt().
    static std::uint64_t calls();

    // The kind of the call failAt() made fail (or die), when it was reached.
    static std::optional<IoCall> injected();

    // Called by the engine just before each call: true (errno set to EIO) when the call is to
    // fail instead of being made; never returns when the process is to die there.
    static bool reached(IoCall call) {
        if (!armed_.load(std::memory_order_relaxed)) [[likely]]
            return false;
        return counted(call);
    }

private:
    static bool counted(IoCall call);
    static std::atomic<bool> armed_;
    static std::atomic<bool> skipFlushes_;
};

}  // namespace tabulon
