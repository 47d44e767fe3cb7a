#include "UpdateThread.h"

#include "FileContent.h"
#include "ProgramVersion.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// The steps that run on the user-interface thread.

void ShowNoNewVersion(TUpdateView& view) { view.ShowVersionState(Tr1254(kNoNewVersion), true); }

void AskToUpdate(TUpdateView& view) {
  view.ShowVersionState("", true);
  if (view.Prompt->Confirm(Tr1254(kUpdateQuestion), IUserPrompt::TButtons::YesNo)) view.OpenUrl(kDownloadPage);
}

void ShowCheckError(TUpdateView& view) { view.ShowVersionState(Tr1254(kCheckFailed), false); }


}  // namespace

class TUpdateThread::TCheck final : public TWorkerThread, public std::enable_shared_from_this<TCheck> {
 public:
  TCheck(std::shared_ptr<IUiDispatcher> ui, TUpdateView view) : TWorkerThread(std::move(ui)), View_(std::move(view)) {}

  void Start(const TUpdateThread& settings) {
    Proxy_ = settings.UseProxy ? settings.ProxyHost : std::string();
    ProxyPort_ = settings.ProxyPort;
    UpdateHost_ = settings.UpdateHost;
    BannerFile_ = settings.Files.PathOf(TProgramFile::Banner);
    IsGif_ = settings.IsGif;
    TimeoutMs_ = settings.TimeoutMs;
    MaxReplySize_ = settings.MaxReplySize;
    Log_ = TRequestLog(settings.Diagnostics, "update");
    StartWorker(shared_from_this(), &TCheck::Execute);
  }

  // The check has no end notification of its own: its outcome reaches the view.
  std::function<void(TCheck&)> OnTerminate;

 private:
  // The thread body: every step under one guard; any failure is reported.
  void Execute() {
    try {
      THttpClient client;
      TClientSettings{TimeoutMs_, TimeoutMs_, Proxy_, ProxyPort_, MaxReplySize_, Cancel_}.ApplyTo(client);
      CheckVersion(client);
      FetchBanner(client);
    } catch (const TWorkerAbandoned&) {
      Log_.Write("stopped");
      return;
    } catch (...) {
      if (Abandoned()) {
        Log_.Write("stopped");
        return;
      }
      Log_.Write("failed: " + CurrentFailure());
      try {
        RunOnUi(ShowCheckError);
      } catch (const TWorkerAbandoned&) {
        // Nobody is left to tell.
      }
    }
  }

  void CheckVersion(THttpClient& client) {
    const std::string newest = Trim(Fetch(client, Address(kVersionPath)));
    Log_.Write(newest == kProgramVersion ? "no newer version than " + newest
                                         : "version " + newest + " offered, this is " + kProgramVersion);
    // The worker waits here until the question has been answered.
    RunOnUi(newest == kProgramVersion ? ShowNoNewVersion : AskToUpdate);
  }

  void FetchBanner(THttpClient& client) {
    const std::string pointer = Fetch(client, Address(kBannerPointerPath));
    const std::vector<std::string> lines = SplitText(Fetch(client, pointer), kLineBreak);
    if (lines.size() < 2) throw TBannerError("banner configuration has fewer than two lines");
    std::string link = lines[1];
    std::string image = Fetch(client, lines[0]);
    // Written aside and renamed: a failed write leaves the last banner whole.
    if (!ReplaceFileContent(BannerFile_, image)) throw TBannerError("cannot write rek.gif");
    if (!IsGif_(image)) throw TBannerError("banner image is not a GIF");
    RunOnUi([link = std::move(link), gif = std::move(image)](TUpdateView& view) mutable {
      view.HandOverBanner(std::move(link), std::move(gif));
    });
    Log_.Write("banner shown");
  }

  // GET `url`, told in the diagnostics.
  std::string Fetch(THttpClient& client, const std::string& url) {
    const auto started = TRequestLog::TClock::now();
    try {
      std::string body = client.Get(url);
      Log_.Answered("GET", url, client.LastStatus(), body.size(), TRequestLog::TClock::now() - started);
      return body;
    } catch (const std::exception& error) {
      if (!Abandoned()) Log_.Failed("GET", url, TRequestLog::TClock::now() - started, FailureOf(error));
      throw;
    }
  }

  // What the exception being handled says, for the diagnostics.
  static std::string CurrentFailure() {
    try {
      throw;
    } catch (const std::exception& error) {
      return FailureOf(error);
    } catch (...) {
      return "unknown failure";
    }
  }

  // Runs `step` on the user-interface thread and waits for it; TWorkerAbandoned
  // when the check was abandoned meanwhile.
  void RunOnUi(std::function<void(TUpdateView&)> step) {
    ThrowIfAbandoned();
    // The call holds the check: after a give-up it may still run, later, and
    // then finds the check abandoned and touches nothing.
    const bool ran = Ui_->RunAndWait(
        [self = shared_from_this(), step = std::move(step)] {
          if (!self->Abandoned()) step(self->View_);
        },
        [this] { return Abandoned(); });
    if (!ran) throw TWorkerAbandoned{};
    ThrowIfAbandoned();
  }

  std::string Address(const char* path) const { return "http://" + UpdateHost_ + path; }

  TUpdateView View_;
  std::string Proxy_;
  std::int32_t ProxyPort_ = 0;
  std::string UpdateHost_;
  std::filesystem::path BannerFile_;
  TGifCheck IsGif_;
  int TimeoutMs_ = 0;
  std::int64_t MaxReplySize_ = 0;
  TRequestLog Log_;
};

TUpdateThread::TUpdateThread(std::shared_ptr<IUiDispatcher> ui, TUpdateView view)
    : Check_(std::make_shared<TCheck>(std::move(ui), std::move(view))) {}

TUpdateThread::~TUpdateThread() {
  Abandon();
  Join();
}

void TUpdateThread::Start() { Check_->Start(*this); }

void TUpdateThread::Abandon() { Check_->Abandon(); }

bool TUpdateThread::Abandoned() const { return Check_->Abandoned(); }

void TUpdateThread::Join() { Check_->Join(); }

bool TUpdateThread::Finished() const { return Check_->Finished(); }

}  // namespace velkaro
