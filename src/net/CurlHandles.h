#pragma once

#include <curl/curl.h>

#include <memory>
#include <new>
#include <string>

#include "HttpError.h"

// libcurl's handles as owned objects, for the clients and transfer groups of
// this folder only.

namespace velkaro {

// Once per process, before the first handle. Never cleaned up: the process may end
// while detached workers still use curl.
inline void EnsureCurlInitialised() {
  static const CURLcode initResult = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initResult != CURLE_OK) {
    throw THttpError(std::string("libcurl initialisation failed: ") + curl_easy_strerror(initResult));
  }
}

struct TEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct TShareDeleter {
  void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct TSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TEasyHandle = std::unique_ptr<CURL, TEasyDeleter>;
using TMultiHandle = std::unique_ptr<CURLM, TMultiDeleter>;
using TSlist = std::unique_ptr<curl_slist, TSlistDeleter>;
using TShareHandle = std::unique_ptr<CURLSH, TShareDeleter>;

template <typename TValue>
void SetOption(CURL* easy, CURLoption option, TValue value) {
  const CURLcode result = curl_easy_setopt(easy, option, value);
  if (result != CURLE_OK) throw THttpError(curl_easy_strerror(result));
}

inline void AppendHeader(TSlist& list, const std::string& line) {
  curl_slist* head = curl_slist_append(list.get(), line.c_str());
  if (head == nullptr) throw std::bad_alloc();
  if (!list) list.reset(head);
}

// The easy handle belongs to the multi handle for one transfer only.
class TMultiMembership {
 public:
  TMultiMembership(CURLM* multi, CURL* easy) : Multi_(multi), Easy_(easy) {
    const CURLMcode result = curl_multi_add_handle(Multi_, Easy_);
    if (result != CURLM_OK) throw THttpError(curl_multi_strerror(result));
  }
  ~TMultiMembership() { curl_multi_remove_handle(Multi_, Easy_); }
  TMultiMembership(const TMultiMembership&) = delete;
  TMultiMembership& operator=(const TMultiMembership&) = delete;

 private:
  CURLM* Multi_;
  CURL* Easy_;
};

}  // namespace velkaro
