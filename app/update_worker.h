// UpdateWorker: the worker thread. It shows the window, then wakes every
// 100 ms: when the UI has asked for an operation it runs it, rediscovers the
// device and draws the result; otherwise, while the idle screen is up, it
// runs a discovery pass and draws the device screen that fits what it found.
#pragma once

#include <cstdint>

struct UpdaterState;

// The product id of the adapters that must be power-cycled after an update.
inline constexpr uint32_t kPowerCycleProductId = 0x047FC045;

// The thread's procedure. It returns only after a stop request
// (stopRequested), once the UI has released it (workerRelease): at the stop
// it parks at a point where it is not inside the device library and sets
// workerParked, so the library can be shut down safely before it ends.
void UpdateWorker(UpdaterState& state);

// One turn of each branch, for tests.
void RunUpdateBranch(UpdaterState& state);
void RunIdleBranch(UpdaterState& state);
