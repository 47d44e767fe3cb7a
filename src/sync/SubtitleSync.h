#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Alignment.h"
#include "AudioDecoder.h"
#include "SubtitleRetime.h"

// A subtitle file brought in time with its film's speech: read, lined up,
// and written moved and stretched, the user's file kept. No Qt.

namespace velkaro {

struct TReadyPlan;

enum class TSyncFailure {
  VideoUnreadable,
  NoAudio,
  AudioUndecodable,
  SubtitleUnreadable,
  FormatNotWritable,
  NoCues,
  WriteFailed,
};

// what(): the engine text (code page 1254) the user reads.
class TSyncError : public std::runtime_error {
 public:
  TSyncError(TSyncFailure failure, const std::string& text) : std::runtime_error(text), Failure(failure) {}
  TSyncFailure Failure;
};

// A subtitle's text lined up with a film, not yet written anywhere.
struct TSyncedText {
  TAlignment Alignment;
  std::optional<TRetimed> Retimed;  // only for a fit
};

// Reads `video`'s speech and lines `text` up with it: a SubRip or MicroDVD
// text in UTF-8 or any encoding TextToUtf8 reads (written back in UTF-8
// then). TSyncError when the subtitle cannot be synced (told before any audio
// is read) or the video has no readable audio; TSpeechStopped when stopped.
TSyncedText SyncText(std::string_view text, const std::filesystem::path& video, const TSpeechListener& listener);

struct TSyncRequest {
  std::filesystem::path Video;
  std::filesystem::path Subtitle;
  // The synced text takes the subtitle's name; the original is kept as <stem>.orig<ext>.
  bool Replace = false;
  // Written here when not empty (an existing file is replaced).
  std::filesystem::path Output{};
};

struct TSyncResult {
  TSyncedText Synced;
  std::filesystem::path Written;       // empty when the fit was refused
  std::filesystem::path KeptOriginal;  // where the original went when replaced
};

// Syncs the request's subtitle and, for a fit, writes it: to Output, over the
// subtitle, or beside it as <stem>.synced<ext>. A name already taken is never
// overwritten unasked: ".synced" and ".orig" become ".synced.2", ".orig.2"...
// Throws as SyncText does, and TSyncError(WriteFailed); a stop leaves nothing written.
TSyncResult SyncSubtitleFile(const TSyncRequest& request, const TSpeechListener& listener);
// Its two halves: the reading and lining up, which takes a film's length
// and writes nothing, and the writing of a fit, which is quick.
TSyncedText SyncSubtitle(const TSyncRequest& request, const TSpeechListener& listener);
TSyncResult WriteSynced(const TSyncRequest& request, TSyncedText synced);

// Every file of `plan` lined up with its own video before it is placed; a
// file that does not fit, or cannot be synced, stays as planned. What
// happened goes to the plan's messages. TSpeechStopped when stopped.
void SyncReadyPlan(TReadyPlan& plan, const TSpeechListener& listener);

// The lines the user reads about a sync, in code page 1254.
std::string SyncResultText(const TSyncResult& result);
// "2,48 sn geri", "0,50 sn ileri": where the cues moved.
std::string OffsetText(std::int64_t offsetMs);

}  // namespace velkaro
