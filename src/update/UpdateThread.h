#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Dispatcher.h"
#include "GifCheck.h"
#include "HttpClient.h"
#include "ProgramFiles.h"
#include "RequestLog.h"
#include "Sites.h"
#include "UserPrompt.h"
#include "UserText.h"

#include "WorkerThread.h"

// The start-up version check: asks the maker's host for the newest version,
// then fetches the tool bar's banner. No toolkit here: the window supplies
// what runs on the user-interface thread and how a GIF is judged.

namespace velkaro {

inline constexpr const char* kVersionPath = "/vk/versiyon.php";
inline constexpr const char* kBannerPointerPath = "/vk/banner_config_link.txt";
inline constexpr const char* kDownloadPage = "http://www.velkaro.net/indir.php";

// Status panel 0 and the question (UserText.h), shown in code page 1254.
inline constexpr const char* kNoNewVersion = VK_TEXT("Yeni sürüm yok");
inline constexpr const char* kUpdateQuestion = VK_TEXT("Programın yeni bir sürümü var.Yüklemek istermisiniz?");
inline constexpr const char* kCheckFailed = VK_TEXT("Sürüm kontrolde hata oluştu.");

// True when the bytes are a GIF the banner can show. Runs on the worker.
using TGifCheck = std::function<bool(std::string_view bytes)>;

// What the check does on the user-interface thread. Every call arrives there,
// and only while the check has not been abandoned.
struct TUpdateView {
  // Asks the Yes/No update question.
  IUserPrompt* Prompt = nullptr;
  // Status panel 0; `repaint` redraws the status bar at once.
  std::function<void(std::string_view text, bool repaint)> ShowVersionState;
  std::function<void(const std::string& url)> OpenUrl;
  // The banner's click-through address and its GIF, which it keeps from now on.
  std::function<void(std::string link, std::string gif)> HandOverBanner;
};

// Why the banner could not be fetched, beyond a failed request.
class TBannerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One check per program start on a worker of its own. Fill in the fields,
// then Start. Whoever owns it keeps it until the end: destroying it abandons
// the check and waits for the worker, so no worker outlives what it calls.
class TUpdateThread {
 public:
  static constexpr int kTimeoutMs = 60000;
  // Each of the maker's replies (version, pointer, configuration, picture) is small.
  static constexpr std::int64_t kMaxReplySize = std::int64_t{1} << 20;

  TUpdateThread(std::shared_ptr<IUiDispatcher> ui, TUpdateView view);
  ~TUpdateThread();
  TUpdateThread(const TUpdateThread&) = delete;
  TUpdateThread& operator=(const TUpdateThread&) = delete;

  bool UseProxy = false;
  std::int32_t ProxyPort = 0;
  std::string ProxyHost;
  // The maker's host ("www.velkaro.net", may carry ":port").
  std::string UpdateHost = ConfiguredSites().UpdateHost();
  // Says where "rek.gif" is written.
  TProgramFiles Files = TProgramFiles::OfThisProgram();
  // The window adds decoding every frame to the stream check.
  TGifCheck IsGif = IsWholeGif;
  int TimeoutMs = kTimeoutMs;
  std::int64_t MaxReplySize = kMaxReplySize;
  // Where the requests and the check's end are told; nowhere when empty.
  std::shared_ptr<TDiagnostics> Diagnostics;

  void Start();
  // User-interface thread: from now on nothing reaches the view, a waiting
  // call gives up and a running transfer ends at once.
  void Abandon();
  bool Abandoned() const;
  // Waits for the worker to end (never from the worker itself).
  void Join();
  bool Finished() const;

 private:
  // The worker, on the lifecycle every worker shares; it takes the fields above at the start.
  class TCheck;
  std::shared_ptr<TCheck> Check_;
};

}  // namespace velkaro
