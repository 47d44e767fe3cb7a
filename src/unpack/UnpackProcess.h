#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "ArchiveReader.h"

// A downloaded file unpacked by the worker program velkaro-unpack, in a
// process of its own under kernel limits: the caller never parses archive
// bytes itself, and an archive built to take gigabytes or minutes ends with
// TUnpackOutcome::LimitExceeded instead of freezing or killing the program.

namespace velkaro {

struct TWorkerLimits {
  TUnpackLimits Caps;                        // what the worker may unpack
  std::uint64_t MemoryMib = 512;             // its address space
  std::uint64_t CpuSeconds = 10;             // its processor time
  std::chrono::milliseconds WallTime{10000};  // from its start to its answer
};

// Asked now and then while the worker runs; true ends it (TUnpackOutcome::Stopped).
using TStopCheck = std::function<bool()>;

// velkaro-unpack beside the running program (a portable folder, the build's
// bin), else where the installed layout puts it.
std::filesystem::path UnpackWorkerPath();

// `file` unpacked by the worker; its name names a compressed single file's content.
TUnpacked UnpackInWorker(const std::filesystem::path& file, const TWorkerLimits& limits = {},
                         const TStopCheck& stopped = {}, const std::filesystem::path& worker = UnpackWorkerPath());

}  // namespace velkaro
