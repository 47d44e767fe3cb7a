#pragma once

// The packaged httplib library is built with these; its class layouts depend on them.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT
#endif
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT
#endif
#ifndef CPPHTTPLIB_BROTLI_SUPPORT
#define CPPHTTPLIB_BROTLI_SUPPORT
#endif
#include <httplib.h>

#include <csignal>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace velkaro::test {

// An httplib server on an ephemeral 127.0.0.1 port, serving on its own thread
// between Start() and Stop() (or destruction). Add routes before Start().
class TLoopbackServer {
 public:
  TLoopbackServer() {
    // A handler released after its client went away writes to a closed socket.
    std::signal(SIGPIPE, SIG_IGN);
    // Idle keep-alive connections must not hold Stop() up for long.
    Server_.set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; Nagle would hold the body back.
    Server_.set_tcp_nodelay(true);
  }
  ~TLoopbackServer() { Stop(); }
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  httplib::Server& Routes() { return Server_; }

  void Start() {
    Port_ = Server_.bind_to_any_port("127.0.0.1");
    if (Port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    Thread_ = std::thread([this] { Server_.listen_after_bind(); });
    // stop() is a no-op until the listen loop runs, so wait for it.
    while (!Server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void Stop() {
    if (!Thread_.joinable()) return;
    Server_.stop();
    Thread_.join();
  }

  int Port() const { return Port_; }
  std::string Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(Port_) + std::string(path);
  }

 private:
  httplib::Server Server_;
  std::thread Thread_;
  int Port_ = 0;
};

// Holds server handlers back until the test opens it, and counts who arrived.
class TGate {
 public:
  // Blocks until opened or `limit` has passed.
  void Wait(std::chrono::milliseconds limit) {
    std::unique_lock lock(Mutex_);
    ++Arrivals_;
    Changed_.notify_all();
    Changed_.wait_for(lock, limit, [this] { return Open_; });
  }

  void Open() {
    std::lock_guard lock(Mutex_);
    Open_ = true;
    Changed_.notify_all();
  }

  bool AwaitArrivals(int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(Mutex_);
    return Changed_.wait_for(lock, limit, [&] { return Arrivals_ >= count; });
  }

 private:
  std::mutex Mutex_;
  std::condition_variable Changed_;
  int Arrivals_ = 0;
  bool Open_ = false;
};

}  // namespace velkaro::test
