#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "DownloadOptions.h"
#include "LanguageCodes.h"
#include "PartialFile.h"
#include "UnpackProcess.h"

// A finished download made ready to play: unpacked, read as UTF-8, its frames
// fitted to the video, and saved beside each part of the film under the
// video's name.

namespace velkaro {

struct TReadyRequest {
  std::filesystem::path Downloaded;           // the download as committed (an archive or a subtitle file)
  std::vector<std::filesystem::path> Videos;  // one per part of the film, in part order; not empty
  std::string RowFps;                         // the row's FPS, engine text (code page 1254); may be empty
  std::string RowLanguage;                    // the row's language ("Turkish", "English", "Germany"...), engine text
  TDownloadOptions Options;
  // Asked while an archive is unpacked; true ends the unpacking, and the download stays as it is.
  TStopCheck Stopped = {};
  std::filesystem::path UnpackWorker = UnpackWorkerPath();
  // Each part's text must fit its video (SubtitleFit.h); when one does not, no file is made ready.
  bool CheckFit = false;
};

struct TReadyFile {
  std::filesystem::path Target;  // beside its video: <video stem>[.<lang>].<ext>
  std::string Content;           // the bytes to write
  std::filesystem::path Video{};  // the part of the film it belongs to
};

struct TReadyPlan {
  std::vector<TReadyFile> Files;      // in part order; empty when nothing could be made ready
  std::vector<std::string> Messages;  // engine texts (code page 1254), one line each: what was kept as downloaded, and why
};

// Reads, unpacks and converts in memory; writes nothing. Bad archives and texts become messages, not exceptions.
TReadyPlan PlanReadySubtitles(const TReadyRequest& request);

struct TReadyWritten {
  std::vector<std::filesystem::path> Written;
  std::vector<std::filesystem::path> Refused;  // existing files the caller would not overwrite
};

// Each file is written aside in its folder and renamed into place; `mayOverwrite(target)` is asked for each target
// that already exists, false leaves it alone. A file that cannot be written throws TDownloadFileError (the files
// already written stay, nothing partial is left behind).
TReadyWritten WriteReadySubtitles(const TReadyPlan& plan,
                                  const std::function<bool(const std::filesystem::path&)>& mayOverwrite);

// Lines to add under the download's success message: one per file written,
// by its full path or its name alone (code page 1254).
std::string WrittenFilesText(const TReadyWritten& written, bool fullPaths = true);
// One line per refused file: "<name> zaten var; üzerine yazılmadı." (code page 1254).
std::string RefusedFilesText(const TReadyWritten& written);

// The plan's targets that already exist (a dangling link counts), in part order.
std::vector<std::filesystem::path> ExistingTargets(const TReadyPlan& plan);

}  // namespace velkaro
