#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "HttpMessage.h"

// A small HTTP/1.1 server on plain sockets, one thread per connection.
// Plain sockets because a test double must misbehave on purpose: close a
// connection short of its announced length, answer requests in absolute form,
// and send bodies byte for byte without re-encoding them.

namespace velkaro::sim {

// Owns one file descriptor.
class TSocket {
 public:
  TSocket() = default;
  explicit TSocket(int fd) : Fd_(fd) {}
  ~TSocket() { Close(); }
  TSocket(TSocket&& other) noexcept : Fd_(other.Release()) {}
  TSocket& operator=(TSocket&& other) noexcept;
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;

  int Fd() const { return Fd_; }
  bool Valid() const { return Fd_ >= 0; }
  int Release();
  void Close();

 private:
  int Fd_ = -1;
};

class THttpServer {
 public:
  // Runs on the connection's thread; an exception becomes a 500 answer.
  using THandler = std::function<TResponse(const TRequest&)>;

  static constexpr std::size_t kMaxHeadBytes = 64 * 1024;
  static constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;

  explicit THttpServer(THandler handler);
  ~THttpServer();
  THttpServer(const THttpServer&) = delete;
  THttpServer& operator=(const THttpServer&) = delete;

  // Binds and starts accepting; port 0 picks a free one. Throws std::system_error.
  void Start(const std::string& address, std::uint16_t port);
  // Closes the listener and every open connection, then waits for their threads.
  void Stop();
  std::uint16_t Port() const { return Port_; }

 private:
  struct TConnection {
    TSocket Socket;
    std::thread Thread;
    std::atomic<bool> Done{false};
    std::size_t Number = 0;
  };

  void AcceptLoop();
  void Serve(TConnection& connection);
  bool ServeOne(const TConnection& connection, std::string& buffer);
  void ReapFinished();  // with Mutex_ held

  THandler Handler_;
  TSocket Listener_;
  std::uint16_t Port_ = 0;
  std::thread AcceptThread_;
  std::mutex Mutex_;
  bool Stopping_ = false;
  std::list<std::unique_ptr<TConnection>> Connections_;
  std::size_t Accepted_ = 0;
};

}  // namespace velkaro::sim
