#pragma once

#include <memory>

namespace velkaro {

class THttpClient;

// A cookie jar that several clients of one search keep and send together.
class TCookieJar {
 public:
  TCookieJar();
  ~TCookieJar();
  TCookieJar(const TCookieJar&) = delete;
  TCookieJar& operator=(const TCookieJar&) = delete;

 private:
  friend class THttpClient;
  // libcurl's share handle that the jar's clients keep their cookies in.
  void* ShareHandle() const;

  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace velkaro
