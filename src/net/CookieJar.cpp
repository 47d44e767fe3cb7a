#include "CookieJar.h"

#include <mutex>

#include "CurlHandles.h"

namespace velkaro {

struct TCookieJar::TImpl {
  TImpl() {
    EnsureCurlInitialised();
    Share.reset(curl_share_init());
    if (!Share) throw THttpError("cannot create a libcurl share handle");
    // The jar's clients may be released on another thread than the one that used them.
    curl_share_setopt(Share.get(), CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(Share.get(), CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(Share.get(), CURLSHOPT_USERDATA, this);
    if (curl_share_setopt(Share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
      throw THttpError("libcurl cannot share cookies");
    }
  }

  static void Lock(CURL*, curl_lock_data, curl_lock_access, void* self) { static_cast<TImpl*>(self)->Mutex.lock(); }
  static void Unlock(CURL*, curl_lock_data, void* self) { static_cast<TImpl*>(self)->Mutex.unlock(); }

  std::mutex Mutex;
  TShareHandle Share;  // last: cleaned up before the mutex goes
};

TCookieJar::TCookieJar() : Impl_(std::make_unique<TImpl>()) {}
TCookieJar::~TCookieJar() = default;

void* TCookieJar::ShareHandle() const { return Impl_->Share.get(); }

}  // namespace velkaro
