#include "Progress.h"

namespace tabulon {

namespace {
thread_local ProgressCallback callback;
}

void setProgressCallback(ProgressCallback newCallback) { callback = std::move(newCallback); }

void reportProgress(int percent, int phase) {
    if (callback) callback(percent, phase);
}

}  // namespace tabulon
