#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Dispatcher.h"
#include "HttpClient.h"
#include "PartialFile.h"
#include "ProgramFiles.h"
#include "RequestLog.h"
#include "Sites.h"
#include "WorkerThread.h"

namespace velkaro {

// The worker behind one download window. Two paths:
// - direct, for a job whose target is chosen: the body streams into a
//   partial file beside the target;
// - ask-after, for SubDb addresses and jobs without a target: the body goes
//   into the scratch file "temp.subfile" (TProgramFile::Scratch), the
//   extension comes from the response's Content-Disposition, the user is
//   asked for the target on the user-interface thread, and the scratch file
//   is copied into a partial file beside it.
// The finished partial replaces the target only when the end notification
// commits it on the user-interface thread, so a stop can never race a
// completion. The thread keeps itself alive until that notification has run.
class TDownloadThread final : public TWorkerThread, public std::enable_shared_from_this<TDownloadThread> {
 public:
  static constexpr int kReadTimeoutMs = 60000;
  // Far above any subtitle archive; a larger answer is a failed download.
  static constexpr std::int64_t kMaxBodySize = std::int64_t{256} << 20;

  // `files` says where the scratch file is; `sites` names SubDb's host.
  static std::shared_ptr<TDownloadThread> Create(std::shared_ptr<IUiDispatcher> ui, TProgramFiles files,
                                                 TSiteTable sites = ConfiguredSites());

  bool SaveAccepted = false;
  // From the SubDb response, with its leading "."; empty when none was found.
  std::string Extension;
  std::unique_ptr<THttpClient> Client;  // made on the worker by Execute
  bool UseProxy = false;
  std::int32_t ProxyPort = 0;
  std::string ProxyHost;
  std::string Url;
  // Empty until the user has chosen one for an ask-after job.
  std::filesystem::path SavePath;
  std::string Referer;
  std::int32_t ProgressMax = 0;
  std::int32_t ProgressPosition = 0;
  // Where the request and the download's end are told; nowhere when empty.
  std::shared_ptr<TDiagnostics> Diagnostics;

  // What runs on the user-interface thread in place of a window reference;
  // none runs once the thread is abandoned.
  std::function<void(std::int32_t maximum, std::int32_t position)> OnShowProgress;
  // Given the extension, the chosen target, or nothing when the user declined.
  std::function<std::optional<std::filesystem::path>(const std::string& extension)> OnAskSavePath;
  // The end notification.
  std::function<void(TDownloadThread&)> OnTerminate;
  int ReadTimeoutMs = kReadTimeoutMs;
  std::int64_t MaxBodySize = kMaxBodySize;

  // Once abandoned (user-interface thread) the worker touches no file but
  // its own partial.
  void Start();

  // --- user-interface thread, once the body has ended (end notification or Join) ---
  // A whole file waits to replace SavePath.
  bool Completed() const { return FileStream && FileStream->Finished(); }
  // Moves the completed file over SavePath; false, with the file dropped, when that fails.
  bool CommitTarget();
  // Drops whatever was written and not moved in.
  void DiscardPartial() { FileStream.reset(); }
  // Why the download ended without a file; empty when it did not fail.
  const std::string& FailureText() const { return FailureText_; }

  // --- the worker thread ---
  void Execute();
  void HttpWorkBegin(TTransferDirection direction, std::int64_t expectedTotal);
  void HttpWork(TTransferDirection direction, std::int64_t bytesSoFar);
  void HttpWorkEnd(TTransferDirection direction);
  // The body into the scratch file; the extension from the response, or empty
  // (scratch file deleted) when the request failed.
  std::string FetchSubDbFile(const std::string& url);
  void AskSubDbSavePath();
  void CopyTempToTarget(const std::filesystem::path& scratch, const std::filesystem::path& target);
  std::filesystem::path ScratchPath() const { return Files_.PathOf(TProgramFile::Scratch); }
  bool AsksAfterTransfer() const;

 private:
  TDownloadThread(std::shared_ptr<IUiDispatcher> ui, TProgramFiles files, TSiteTable sites);
  // Execute under the catch-all: every failure ends the download quietly.
  void Run();
  void DirectPath();
  void SubDbPath();
  void PrepareClient();
  void ShowProgress();
  // GET `url` into `sink`, told in the diagnostics.
  void Fetch(const std::string& url, const TByteSink& sink);
  void TellEnd();

  TProgramFiles Files_;
  TSiteTable Sites_;
  // The target's partial file: being written, or complete and waiting to be
  // moved in; empty after a failure. Worker-owned until the body has ended.
  std::unique_ptr<TPartialFile> FileStream;
  std::string FailureText_;
  TRequestLog Log_;
};

}  // namespace velkaro
