#include "QueryCounter.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace tabulon {
namespace {

std::atomic<int> counterLock{0};
unsigned counter = 0;  // guarded by counterLock

}  // namespace

unsigned nextQueryNumber() {
    while (counterLock.exchange(1, std::memory_order_acquire) != 0) std::this_thread::yield();
    const unsigned number = ++counter;
    counterLock.store(0, std::memory_order_release);
    return number;
}

std::string numberedName(const std::string& component, unsigned number) {
    // The names are "%s%x" in the format dialect whose %x writes capital hex digits.
    char digits[16];
    std::snprintf(digits, sizeof digits, "%X", number);
    return component + digits;
}

}  // namespace tabulon
