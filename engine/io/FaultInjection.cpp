#include "FaultInjection.h"

#include <unistd.h>

#include <cerrno>

namespace tabulon {

namespace {
std::atomic<std::uint64_t> seen{0};
std::atomic<std::uint64_t> target{0};  // 0: none
std::atomic<FaultInjection::Effect> effect{FaultInjection::Effect::Fail};
std::atomic<int> injectedKind{-1};
}  // namespace

std::atomic<bool> FaultInjection::armed_{false};
std::atomic<bool> FaultInjection::skipFlushes_{false};

void FaultInjection::skipFlushes(bool skip) { skipFlushes_ = skip; }

void FaultInjection::count() { failAt(0); }

void FaultInjection::failAt(std::uint64_t n, Effect how) {
    seen = 0;
    injectedKind = -1;
    target = n;
    effect = how;
    armed_ = true;
}

void FaultInjection::disarm() {
    armed_ = false;
    target = 0;
}

std::optional<IoCall> FaultInjection::injected() {
    const int kind = injectedKind.load();
    return kind < 0 ? std::nullopt : std::optional<IoCall>(static_cast<IoCall>(kind));
}

std::uint64_t FaultInjection::calls() { return seen.load(); }

bool FaultInjection::counted(IoCall kind) {
    if (seen.fetch_add(1) + 1 != target.load()) return false;
    injectedKind = static_cast<int>(kind);
    if (effect.load() == Effect::Die) ::_exit(kDiedStatus);
    errno = EIO;
    return true;
}

}  // namespace tabulon
