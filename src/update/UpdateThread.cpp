#include "UpdateThread.h"

#include "FileContent.h"
#include "ProgramVersion.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// The steps that run on the user-interface thread.

void ShowNoNewVersion(TUpdateView& view) { view.ShowVersionState(kNoNewVersion, true); }

void AskToUpdate(TUpdateView& view) {
  view.ShowVersionState("", true);
  if (view.Prompt->Confirm(kUpdateQuestion, IUserPrompt::TButtons::YesNo)) view.OpenUrl(kDownloadPage);
}

void ShowCheckError(TUpdateView& view) { view.ShowVersionState(kCheckFailed, false); }

}  // namespace

struct TUpdateThread::TShared {
  explicit TShared(TUpdateView view) : View(std::move(view)) {}
  TUpdateView View;
  std::atomic<bool> Abandoned{false};
};

TUpdateThread::TUpdateThread(std::shared_ptr<IUiDispatcher> ui, TUpdateView view)
    : Ui_(std::move(ui)),
      Shared_(std::make_shared<TShared>(std::move(view))),
      Cancel_(std::make_shared<TCancelToken>()) {}

TUpdateThread::~TUpdateThread() {
  Abandon();
  Join();
}

void TUpdateThread::Start() {
  Worker_ = std::thread([this] {
    Execute();
    Finished_.store(true, std::memory_order_release);
  });
}

void TUpdateThread::Abandon() {
  Shared_->Abandoned.store(true, std::memory_order_release);
  Cancel_->Cancel();
}

bool TUpdateThread::Abandoned() const { return Shared_->Abandoned.load(std::memory_order_acquire); }

void TUpdateThread::Join() {
  if (Worker_.joinable() && Worker_.get_id() != std::this_thread::get_id()) Worker_.join();
}

void TUpdateThread::Execute() {
  try {
    THttpClient client;
    TClientSettings{TimeoutMs, TimeoutMs, UseProxy ? ProxyHost : std::string(), ProxyPort, MaxReplySize, Cancel_}
        .ApplyTo(client);
    CheckVersion(client);
    FetchBanner(client);
  } catch (const TAbandoned&) {
    return;
  } catch (...) {
    if (Abandoned()) return;
    try {
      RunOnUi(ShowCheckError);
    } catch (const TAbandoned&) {
      // Nobody is left to tell.
    }
  }
}

void TUpdateThread::CheckVersion(THttpClient& client) {
  const std::string newest = Trim(client.Get(Address(kVersionPath)));
  // The worker waits here until the question has been answered.
  RunOnUi(newest == kProgramVersion ? ShowNoNewVersion : AskToUpdate);
}

void TUpdateThread::FetchBanner(THttpClient& client) {
  const std::string pointer = client.Get(Address(kBannerPointerPath));
  const std::vector<std::string> lines = SplitText(client.Get(pointer), kLineBreak);
  if (lines.size() < 2) throw TBannerError("banner configuration has fewer than two lines");
  BannerLink = lines[1];
  BannerImage.clear();
  client.Get(lines[0], [this](std::string_view bytes) { BannerImage.append(bytes); });
  // Written aside and renamed: a failed write leaves the last banner whole.
  if (!ReplaceFileContent(Files.PathOf(TProgramFile::Banner), BannerImage)) throw TBannerError("cannot write rek.gif");
  if (!IsGif(BannerImage)) throw TBannerError("banner image is not a GIF");
  RunOnUi([link = std::move(BannerLink), gif = std::move(BannerImage)](TUpdateView& view) mutable {
    view.HandOverBanner(std::move(link), std::move(gif));
  });
}

void TUpdateThread::RunOnUi(std::function<void(TUpdateView&)> step) {
  if (Abandoned()) throw TAbandoned{};
  // The call holds the shared part: after a give-up it may still run, later,
  // and then finds the check abandoned and touches nothing.
  const bool ran = Ui_->RunAndWait(
      [shared = Shared_, step = std::move(step)] {
        if (!shared->Abandoned.load(std::memory_order_acquire)) step(shared->View);
      },
      [shared = Shared_] { return shared->Abandoned.load(std::memory_order_acquire); });
  if (!ran || Abandoned()) throw TAbandoned{};
}

}  // namespace velkaro
