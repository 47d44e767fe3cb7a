#pragma once

// How the unpacking worker ends, as its exit status.

namespace velkaro {

constexpr int kWorkerExitDone = 0;
constexpr int kWorkerExitBroken = 1;  // its limits could not be set, or its output went nowhere
constexpr int kWorkerExitUsage = 2;
constexpr int kWorkerExitOutOfMemory = 3;

}  // namespace velkaro
