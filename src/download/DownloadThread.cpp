#include "DownloadThread.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <system_error>

#include "CodePage.h"
#include "DownloadRequest.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr const char* kContentDisposition = "Content-Disposition";

// The bar counts in 32 bits; a size beyond that (or -1, unknown) stays in range.
std::int32_t BarValue(std::int64_t bytes) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(bytes, -1, std::numeric_limits<std::int32_t>::max()));
}

void RemoveQuietly(const std::filesystem::path& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

}  // namespace

std::shared_ptr<TDownloadThread> TDownloadThread::Create(std::shared_ptr<IUiDispatcher> ui,
                                                         TProgramFiles files, TSiteTable sites) {
  return std::shared_ptr<TDownloadThread>(new TDownloadThread(std::move(ui), std::move(files), std::move(sites)));
}

TDownloadThread::TDownloadThread(std::shared_ptr<IUiDispatcher> ui, TProgramFiles files,
                                 TSiteTable sites)
    : TWorkerThread(std::move(ui)),
      Files_(std::move(files)),
      Sites_(std::move(sites)) {}

void TDownloadThread::Start() {
  Log_ = TRequestLog(Diagnostics, "download");
  StartWorker(shared_from_this(), &TDownloadThread::Run);
}

bool TDownloadThread::AsksAfterTransfer() const {
  return SavePath.empty() || Contains(Url, Sites_[SiteId::SubDb].BareHost());
}

bool TDownloadThread::CommitTarget() {
  if (!Completed()) return false;
  try {
    FileStream->MoveIntoPlace();
  } catch (const TDownloadFileError& error) {
    FailureText_ = error.what();
    Log_.Write("not saved: " + FailureText_);
    FileStream.reset();
    return false;
  }
  FileStream.reset();
  Log_.Write("saved as " + Utf8ToCp1254(SavePath.string()));
  return true;
}

// ---------------------------------------------------------------- worker

void TDownloadThread::Run() {
  try {
    Execute();
  } catch (const TWorkerAbandoned&) {
    FileStream.reset();
  } catch (const std::exception& error) {
    if (!Abandoned()) FailureText_ = error.what();
    FileStream.reset();
  } catch (...) {
    FileStream.reset();
    Log_.Write("failed: unknown failure");
    return;
  }
  TellEnd();
}

void TDownloadThread::TellEnd() {
  if (Abandoned()) {
    Log_.Write("stopped");
  } else if (!FailureText_.empty()) {
    Log_.Write("failed: " + FailureText_);
  } else if (Completed()) {
    Log_.Write("complete, waiting to be saved as " + Utf8ToCp1254(SavePath.string()));
  } else {
    Log_.Write("ended without a file: no place was chosen");
  }
}

void TDownloadThread::Fetch(const std::string& url, const TByteSink& sink) {
  const auto started = TRequestLog::TClock::now();
  std::uint64_t bytes = 0;
  try {
    Client->Get(url, [&](std::string_view chunk) {
      bytes += chunk.size();
      sink(chunk);
    });
  } catch (const std::exception& error) {
    if (!Abandoned()) Log_.Failed("GET", url, TRequestLog::TClock::now() - started, FailureOf(error));
    throw;
  }
  Log_.Answered("GET", url, Client->LastStatus(), bytes, TRequestLog::TClock::now() - started);
}

void TDownloadThread::Execute() {
  PrepareClient();
  if (AsksAfterTransfer()) {
    SubDbPath();
  } else {
    DirectPath();
  }
}

void TDownloadThread::PrepareClient() {
  Client = std::make_unique<THttpClient>();
  // No connect time-out of its own: a download keeps libcurl's limit, as it always has.
  TClientSettings{0, ReadTimeoutMs, UseProxy ? ProxyHost : std::string(), ProxyPort, MaxBodySize, Cancel_}.ApplyTo(
      *Client);
  Client->SetReferer(Referer);
  Client->SetTransferHandlers({
      .Begin = [this](TTransferDirection direction, std::int64_t total) { HttpWorkBegin(direction, total); },
      .Progress = [this](TTransferDirection direction, std::int64_t soFar) { HttpWork(direction, soFar); },
      .End = [this](TTransferDirection direction) { HttpWorkEnd(direction); },
  });
}

void TDownloadThread::DirectPath() {
  FileStream = std::make_unique<TPartialFile>(SavePath);
  Fetch(Url, [this](std::string_view chunk) {
    ThrowIfAbandoned();
    FileStream->Write(chunk);
  });
  FileStream->Finish();
}

void TDownloadThread::SubDbPath() {
  Extension = FetchSubDbFile(Url);
  AskSubDbSavePath();
  if (!SaveAccepted) return;
  CopyTempToTarget(ScratchPath(), SavePath);
  ThrowIfAbandoned();
  RemoveQuietly(ScratchPath());
}

std::string TDownloadThread::FetchSubDbFile(const std::string& url) {
  const std::filesystem::path scratch = ScratchPath();
  try {
    {
      const TFileDescriptor out = CreateTruncated(scratch);
      Fetch(url, [&](std::string_view chunk) {
        ThrowIfAbandoned();
        WriteAll(out, chunk, scratch);
      });
    }
    return ContentDispositionExtension(Client->ResponseHeader(kContentDisposition));
  } catch (const std::exception& error) {
    // A stopped download leaves the scratch file as it is.
    ThrowIfAbandoned();
    FailureText_ = error.what();
    RemoveQuietly(scratch);
    return {};
  }
}

void TDownloadThread::AskSubDbSavePath() {
  if (Extension.empty()) return;
  // Shared with the call, which may still run after a waiter that gave up has gone.
  auto chosen = std::make_shared<std::optional<std::filesystem::path>>();
  const bool ran = Ui_->RunAndWait(
      [self = shared_from_this(), chosen, extension = Extension] {
        if (!self->Abandoned() && self->OnAskSavePath) *chosen = self->OnAskSavePath(extension);
      },
      [this] { return Abandoned(); });
  ThrowIfAbandoned();
  if (!ran || !chosen->has_value()) return;
  SaveAccepted = true;
  SavePath = **chosen;
}

void TDownloadThread::CopyTempToTarget(const std::filesystem::path& scratch, const std::filesystem::path& target) {
  ThrowIfAbandoned();
  auto copy = std::make_unique<TPartialFile>(target);
  // A Stop must not wait for a large file to be copied in full.
  CopyInto(scratch, *copy, [this] { ThrowIfAbandoned(); });
  copy->Finish();
  FileStream = std::move(copy);
}

// ---------------------------------------------------------------- progress

void TDownloadThread::HttpWorkBegin(TTransferDirection direction, std::int64_t expectedTotal) {
  if (direction != TTransferDirection::Reading) return;
  ProgressPosition = 0;
  ProgressMax = BarValue(expectedTotal);
  ShowProgress();
  ThrowIfAbandoned();
}

void TDownloadThread::HttpWork(TTransferDirection direction, std::int64_t bytesSoFar) {
  if (direction != TTransferDirection::Reading) return;
  ProgressPosition = BarValue(bytesSoFar);
  ShowProgress();
  ThrowIfAbandoned();
}

void TDownloadThread::HttpWorkEnd(TTransferDirection direction) {
  // Raised after a failure too, outside the transfer's own error path: never throws.
  if (direction != TTransferDirection::Reading) return;
  ProgressPosition = 0;
  ShowProgress();
}

void TDownloadThread::ShowProgress() {
  if (Abandoned()) return;
  Ui_->RunAndWait(
      [self = shared_from_this(), maximum = ProgressMax, position = ProgressPosition] {
        if (!self->Abandoned() && self->OnShowProgress) self->OnShowProgress(maximum, position);
      },
      [this] { return Abandoned(); });
}

}  // namespace velkaro
