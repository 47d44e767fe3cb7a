// velkaro-unpack: reads the archive on its standard input and writes the
// subtitles inside to its standard output (UnpackWire.h). Velkaro starts it
// for every download it unpacks, so that an archive built to exhaust memory
// or time meets the kernel's limits in this process, never in the caller.
//
//   velkaro-unpack --name NAME --max-total BYTES --max-ratio N --memory-mib N --cpu-seconds N

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "ArchiveReader.h"
#include "UnpackWire.h"
#include "UnpackWorkerExit.h"

namespace velkaro {
namespace {

struct TWorkerArgs {
  std::string Name;
  TUnpackLimits Caps;
  std::uint64_t MemoryMib = 512;
  std::uint64_t CpuSeconds = 10;
};

bool ReadNumber(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

struct TWorkerOption {
  std::string_view Name;
  bool (*Apply)(std::string_view value, TWorkerArgs& args);
};

constexpr TWorkerOption kOptions[] = {
    {"--name", [](std::string_view v, TWorkerArgs& a) { return a.Name = std::string(v), true; }},
    {"--max-total", [](std::string_view v, TWorkerArgs& a) { return ReadNumber(v, a.Caps.MaxTotal); }},
    {"--max-ratio", [](std::string_view v, TWorkerArgs& a) { return ReadNumber(v, a.Caps.MaxRatio); }},
    {"--memory-mib", [](std::string_view v, TWorkerArgs& a) { return ReadNumber(v, a.MemoryMib); }},
    {"--cpu-seconds", [](std::string_view v, TWorkerArgs& a) { return ReadNumber(v, a.CpuSeconds); }},
};

bool ParseArgs(int argc, char** argv, TWorkerArgs& args) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    bool applied = false;
    for (const auto& option : kOptions) {
      if (option.Name == name) applied = option.Apply(argv[i + 1], args);
    }
    if (!applied) return false;
  }
  return argc % 2 == 1;
}

bool Limit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  return ::setrlimit(resource, &limit) == 0;
}

// Memory by address space; CPU time with SIGXCPU at the limit and SIGKILL a
// second later; no file written, no core left.
bool LimitThisProcess(const TWorkerArgs& args) {
  return Limit(RLIMIT_AS, args.MemoryMib << 20, args.MemoryMib << 20) &&
         Limit(RLIMIT_CPU, args.CpuSeconds, args.CpuSeconds + 1) && Limit(RLIMIT_FSIZE, 0, 0) &&
         Limit(RLIMIT_CORE, 0, 0);
}

void WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) ::_exit(kWorkerExitBroken);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace
}  // namespace velkaro

int main(int argc, char** argv) {
  using namespace velkaro;
  TWorkerArgs args;
  if (!ParseArgs(argc, argv, args)) return kWorkerExitUsage;
  // Names libarchive knows the encoding of come out as UTF-8 whatever the caller's locale.
  std::setlocale(LC_ALL, "C.UTF-8");
  if (!LimitThisProcess(args)) return kWorkerExitBroken;
  try {
    const TUnpacked unpacked = UnpackDescriptor(STDIN_FILENO, args.Caps, args.Name);
    WriteUnpacked(unpacked, WriteAll);
  } catch (const std::bad_alloc&) {
    return kWorkerExitOutOfMemory;
  }
  return kWorkerExitDone;
}
