#include "HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <system_error>

#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kBacklog = 128;
constexpr std::chrono::milliseconds kAcceptRetryPause{10};

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// False once the peer has closed or the socket failed.
bool ReceiveMore(int fd, std::string& buffer) {
  char chunk[kReadChunk];
  for (;;) {
    const auto received = ::recv(fd, chunk, sizeof chunk, 0);
    if (received > 0) {
      buffer.append(chunk, static_cast<std::size_t>(received));
      return true;
    }
    if (received < 0 && errno == EINTR) continue;
    return false;
  }
}

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const auto sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// Where the blank line after the header fields ends, or nullopt.
std::optional<std::size_t> HeadEnd(const std::string& buffer) {
  const auto crlf = buffer.find("\r\n\r\n");
  const auto lf = buffer.find("\n\n");
  if (crlf == std::string::npos && lf == std::string::npos) return std::nullopt;
  if (lf == std::string::npos || (crlf != std::string::npos && crlf < lf)) return crlf + 4;
  return lf + 2;
}

void SendError(int fd, int status) {
  TResponse response;
  response.Status = status;
  response.ContentType = "text/plain";
  response.Body = std::string(ReasonPhrase(status)) + "\n";
  SendAll(fd, ResponseHead(response, false) + response.Body);
}

}  // namespace

TSocket& TSocket::operator=(TSocket&& other) noexcept {
  if (this != &other) {
    Close();
    Fd_ = other.Release();
  }
  return *this;
}

int TSocket::Release() {
  const int fd = Fd_;
  Fd_ = -1;
  return fd;
}

void TSocket::Close() {
  if (Fd_ >= 0) ::close(Fd_);
  Fd_ = -1;
}

THttpServer::THttpServer(THandler handler) : Handler_(std::move(handler)) {}

THttpServer::~THttpServer() { Stop(); }

void THttpServer::Start(const std::string& address, std::uint16_t port) {
  if (Listener_.Valid() || Stopping_) throw std::logic_error("a server starts once");
  TSocket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listener.Valid()) ThrowErrno("socket");
  const int on = 1;
  ::setsockopt(listener.Fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    throw std::system_error(std::make_error_code(std::errc::invalid_argument), "address " + address);
  }
  const std::string where = address + ":" + std::to_string(port);
  if (::bind(listener.Fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) ThrowErrno("bind " + where);
  if (::listen(listener.Fd(), kBacklog) != 0) ThrowErrno("listen " + where);

  socklen_t length = sizeof local;
  if (::getsockname(listener.Fd(), reinterpret_cast<sockaddr*>(&local), &length) != 0) ThrowErrno("getsockname");
  Port_ = ntohs(local.sin_port);
  Listener_ = std::move(listener);
  AcceptThread_ = std::thread(&THttpServer::AcceptLoop, this);
}

void THttpServer::Stop() {
  {
    std::lock_guard lock(Mutex_);
    if (Stopping_ || !Listener_.Valid()) return;
    Stopping_ = true;
    // Wakes every thread blocked in recv or send on its connection.
    for (const auto& connection : Connections_) ::shutdown(connection->Socket.Fd(), SHUT_RDWR);
  }
  ::shutdown(Listener_.Fd(), SHUT_RDWR);
  AcceptThread_.join();
  // The list no longer grows: the accept loop has ended.
  for (const auto& connection : Connections_) connection->Thread.join();
  Connections_.clear();
  Listener_.Close();
}

void THttpServer::AcceptLoop() {
  for (;;) {
    TSocket client(::accept4(Listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.Valid()) {
      const int error = errno;
      {
        std::lock_guard lock(Mutex_);
        if (Stopping_ || error == EBADF || error == EINVAL) return;
        ReapFinished();
      }
      // Out of descriptors or memory: connections that end will free some.
      if (error != EINTR && error != ECONNABORTED) std::this_thread::sleep_for(kAcceptRetryPause);
      continue;
    }
    const int on = 1;
    ::setsockopt(client.Fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    std::lock_guard lock(Mutex_);
    if (Stopping_) return;
    ReapFinished();
    auto connection = std::make_unique<TConnection>();
    connection->Socket = std::move(client);
    connection->Number = ++Accepted_;
    connection->Thread = std::thread(&THttpServer::Serve, this, std::ref(*connection));
    Connections_.push_back(std::move(connection));
  }
}

void THttpServer::ReapFinished() {
  for (auto it = Connections_.begin(); it != Connections_.end();) {
    if ((*it)->Done.load(std::memory_order_acquire)) {
      (*it)->Thread.join();
      it = Connections_.erase(it);
    } else {
      ++it;
    }
  }
}

void THttpServer::Serve(TConnection& connection) {
  const int fd = connection.Socket.Fd();
  std::string buffer;
  while (ServeOne(connection, buffer)) {
  }
  // The descriptor stays open until the thread is reaped, so Stop never
  // shuts down a number that the system has handed out again.
  ::shutdown(fd, SHUT_RDWR);
  connection.Done.store(true, std::memory_order_release);
}

// One request and its answer; false when the connection is to be closed.
bool THttpServer::ServeOne(const TConnection& connection, std::string& buffer) {
  const int fd = connection.Socket.Fd();
  std::optional<std::size_t> headEnd;
  while (!(headEnd = HeadEnd(buffer)) && buffer.size() <= kMaxHeadBytes) {
    if (!ReceiveMore(fd, buffer)) return false;
  }
  if (!headEnd || *headEnd > kMaxHeadBytes) {
    SendError(fd, 431);
    return false;
  }

  TRequest request;
  std::size_t bodyLength = 0;
  try {
    request = ParseRequestHead(std::string_view(buffer).substr(0, *headEnd));
    const std::string length = request.Header("content-length");
    if (!length.empty()) {
      const auto parsed = ParseInt(length);
      if (!parsed || *parsed < 0) throw TBadRequest("bad Content-Length");
      bodyLength = static_cast<std::size_t>(*parsed);
    }
  } catch (const TBadRequest&) {
    SendError(fd, 400);
    return false;
  }
  if (!request.Header("transfer-encoding").empty()) {
    SendError(fd, 501);
    return false;
  }
  if (bodyLength > kMaxBodyBytes) {
    SendError(fd, 413);
    return false;
  }
  if (LowerAscii(request.Header("expect")) == "100-continue" && !SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n")) {
    return false;
  }

  buffer.erase(0, *headEnd);
  while (buffer.size() < bodyLength) {
    if (!ReceiveMore(fd, buffer)) return false;
  }
  request.Body = buffer.substr(0, bodyLength);
  request.Connection = connection.Number;
  buffer.erase(0, bodyLength);

  TResponse response;
  try {
    response = Handler_(request);
  } catch (const std::exception& e) {
    response = TResponse{};
    response.Status = 500;
    response.ContentType = "text/plain";
    response.Body = std::string("sitesim: ") + e.what() + "\n";
  }

  const bool cut = response.CloseAfterBytes.has_value();
  const bool keepAlive = !cut && WantsKeepAlive(request);
  std::string_view body = response.Body;
  if (cut) body = body.substr(0, *response.CloseAfterBytes);
  if (request.Method == "HEAD") body = {};
  return SendAll(fd, ResponseHead(response, keepAlive)) && SendAll(fd, body) && keepAlive;
}

}  // namespace velkaro::sim
