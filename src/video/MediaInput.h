#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

// A film's file opened with libavformat, from disk or from bytes in memory,
// limited to the containers films come in. No Qt.

struct AVFormatContext;

namespace velkaro {

class TMediaInput {
 public:
  // Polled by libavformat while it reads; true ends the read at once.
  using TInterrupt = std::function<bool()>;

  // Nothing but a regular file, read through the "file" protocol alone: a
  // name such as "http:x" or "concat:a|b" stays a plain file name. Null when
  // the file is missing or no container a film comes in.
  static std::unique_ptr<TMediaInput> OpenFile(const std::filesystem::path& file, TInterrupt interrupt);
  // The same over bytes the caller keeps alive while the input lives.
  static std::unique_ptr<TMediaInput> OpenBytes(std::string_view bytes, TInterrupt interrupt);

  ~TMediaInput();
  TMediaInput(const TMediaInput&) = delete;
  TMediaInput& operator=(const TMediaInput&) = delete;

  // Open, and its streams read (avformat_find_stream_info has run).
  AVFormatContext& Context() const;

 private:
  struct TState;
  explicit TMediaInput(std::unique_ptr<TState> state);
  std::unique_ptr<TState> State_;
};

// A deadline for TMediaInput's interrupt: probing a hostile or slow file
// holds its caller no longer than this.
TMediaInput::TInterrupt InterruptAfter(std::chrono::steady_clock::duration limit);

}  // namespace velkaro
