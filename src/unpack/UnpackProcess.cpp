#include "UnpackProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "UnpackWire.h"
#include "UnpackWorkerExit.h"

// The worker seen from the calling program's folder in the installed layout;
// CMake passes its own ("../libexec/velkaro" with the GNU defaults).
#ifndef VELKARO_WORKER_FROM_BIN
#define VELKARO_WORKER_FROM_BIN "../libexec/velkaro"
#endif

extern char** environ;

namespace velkaro {

namespace {

constexpr const char* kWorkerName = "velkaro-unpack";
// How often a running worker's caller looks at its stop check.
constexpr std::chrono::milliseconds kStopPoll{50};
// Besides the unpacked bytes: the names and the lengths ahead of each text.
constexpr std::uint64_t kAnswerOverhead = std::uint64_t{1} << 20;
constexpr std::size_t kReadChunk = 64 * 1024;

class TDescriptor {
 public:
  explicit TDescriptor(int fd = -1) : Fd_(fd) {}
  ~TDescriptor() { Close(); }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;

  int Get() const { return Fd_; }
  void Close() {
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
  }

 private:
  int Fd_;
};

// The worker's process: killed and reaped when left before it was waited for.
class TWorkerProcess {
 public:
  explicit TWorkerProcess(pid_t pid) : Pid_(pid) {}
  ~TWorkerProcess() {
    if (Pid_ <= 0) return;
    Kill();
    Wait();
  }
  TWorkerProcess(const TWorkerProcess&) = delete;
  TWorkerProcess& operator=(const TWorkerProcess&) = delete;

  void Kill() const { ::kill(Pid_, SIGKILL); }
  // Its wait status, once it has ended.
  int Wait() {
    int status = 0;
    while (::waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Pid_ = -1;
    return status;
  }

 private:
  pid_t Pid_;
};

// One of posix_spawn's objects, made and destroyed by the calls it comes with.
template <typename T, int (*Init)(T*), int (*Destroy)(T*)>
class TSpawnObject {
 public:
  TSpawnObject() { Init(&Value_); }
  ~TSpawnObject() { Destroy(&Value_); }
  TSpawnObject(const TSpawnObject&) = delete;
  TSpawnObject& operator=(const TSpawnObject&) = delete;
  T* Get() { return &Value_; }

 private:
  T Value_;
};

using TSpawnActions =
    TSpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using TSpawnAttributes = TSpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// Signals back to their defaults and none blocked, whatever the caller's threads did with theirs.
void ResetSignals(TSpawnAttributes& attributes) {
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(attributes.Get(), &none);
  posix_spawnattr_setsigdefault(attributes.Get(), &all);
  posix_spawnattr_setflags(attributes.Get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

std::vector<std::string> WorkerArgs(const std::filesystem::path& worker, const std::filesystem::path& file,
                                    const TWorkerLimits& limits) {
  return {worker.string(),
          "--name",        file.filename().string(),
          "--max-total",   std::to_string(limits.Caps.MaxTotal),
          "--max-ratio",   std::to_string(limits.Caps.MaxRatio),
          "--memory-mib",  std::to_string(limits.MemoryMib),
          "--cpu-seconds", std::to_string(limits.CpuSeconds)};
}

// The file on the worker's standard input, the pipe's write end on its
// standard output, nothing else of the caller's open.
std::optional<pid_t> Spawn(const std::filesystem::path& worker, std::vector<std::string> args, int input, int output) {
  TSpawnActions actions;
  posix_spawn_file_actions_adddup2(actions.Get(), input, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(actions.Get(), output, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(actions.Get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(actions.Get(), STDERR_FILENO + 1);
  TSpawnAttributes attributes;
  ResetSignals(attributes);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, worker.c_str(), actions.Get(), attributes.Get(), argv.data(), environ) != 0) {
    return std::nullopt;
  }
  return pid;
}

enum class TReadEnd { Complete, Stopped, TimedOut, TooLong };

// The worker's whole answer, read as it comes, until it closes its end.
TReadEnd ReadAnswer(int fd, const TWorkerLimits& limits, const TStopCheck& stopped, std::string& answer) {
  const auto deadline = std::chrono::steady_clock::now() + limits.WallTime;
  const std::uint64_t maxAnswer = limits.Caps.MaxTotal + kAnswerOverhead;
  std::array<char, kReadChunk> chunk{};
  for (;;) {
    if (stopped && stopped()) return TReadEnd::Stopped;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return TReadEnd::TimedOut;
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(std::min(left, kStopPoll).count()) + 1);
    if (polled < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
    if (polled <= 0) continue;
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::system_error(errno, std::generic_category(), "read");
    if (got == 0) return TReadEnd::Complete;
    answer.append(chunk.data(), static_cast<std::size_t>(got));
    if (answer.size() > maxAnswer) return TReadEnd::TooLong;
  }
}

TUnpacked Outcome(TUnpackOutcome outcome) { return {outcome, {}, {}}; }

// What a finished worker's status and answer amount to.
TUnpacked Finished(int status, std::string_view answer) {
  if (WIFEXITED(status) && WEXITSTATUS(status) == kWorkerExitDone) {
    if (auto unpacked = DecodeUnpacked(answer)) return std::move(*unpacked);
    return Outcome(TUnpackOutcome::WorkerFailed);
  }
  // Killed by its CPU limit, or out of memory where no allocation could be refused gracefully.
  if (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == kWorkerExitOutOfMemory)) {
    return Outcome(TUnpackOutcome::LimitExceeded);
  }
  return Outcome(TUnpackOutcome::WorkerFailed);
}

std::filesystem::path ExecutableDir() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::filesystem::path UnpackWorkerPath() {
  const std::filesystem::path dir = ExecutableDir();
  const std::filesystem::path beside = dir / kWorkerName;
  std::error_code error;
  if (std::filesystem::exists(beside, error)) return beside;
  return (dir / VELKARO_WORKER_FROM_BIN / kWorkerName).lexically_normal();
}

TUnpacked UnpackInWorker(const std::filesystem::path& file, const TWorkerLimits& limits, const TStopCheck& stopped,
                         const std::filesystem::path& worker) {
  const TDescriptor input(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.Get() < 0) return Outcome(TUnpackOutcome::Unreadable);
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  const TDescriptor readEnd(ends[0]);
  TDescriptor writeEnd(ends[1]);
  const auto pid = Spawn(worker, WorkerArgs(worker, file, limits), input.Get(), writeEnd.Get());
  if (!pid) return Outcome(TUnpackOutcome::WorkerFailed);
  TWorkerProcess process(*pid);
  // Only the worker holds the write end now: its exit is the end of the answer.
  writeEnd.Close();
  std::string answer;
  const TReadEnd end = ReadAnswer(readEnd.Get(), limits, stopped, answer);
  if (end != TReadEnd::Complete) process.Kill();
  const int status = process.Wait();
  if (end == TReadEnd::Stopped) return Outcome(TUnpackOutcome::Stopped);
  if (end != TReadEnd::Complete) return Outcome(TUnpackOutcome::LimitExceeded);
  return Finished(status, answer);
}

}  // namespace velkaro
