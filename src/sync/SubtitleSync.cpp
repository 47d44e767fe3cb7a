#include "SubtitleSync.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "CodePage.h"
#include "FileContent.h"
#include "FrameRate.h"
#include "PartialFile.h"
#include "ReadySubtitle.h"
#include "SpeechTrack.h"
#include "SubtitleFormat.h"
#include "TextEncoding.h"
#include "TextHelpers.h"
#include "VideoProbe.h"

namespace velkaro {

namespace {

enum class TSyncMessage { Applied, Written, KeptOriginal, Cut, Dropped, Refused, Backward, Forward, Part };

// Every text the user reads about a sync (code page 1254 once filled).
constexpr TTableText<TSyncMessage> kSyncMessages[] = {
    {TSyncMessage::Applied, VK_TEXT("Altyazı filmin sesine eşitlendi: %1, oran %2, güven %3.")},
    {TSyncMessage::Written, VK_TEXT("Eşitlenen altyazı kaydedildi: %1")},
    {TSyncMessage::KeptOriginal, VK_TEXT("Özgün altyazı saklandı: %1")},
    {TSyncMessage::Cut, VK_TEXT("Filmden önce başlayan %1 satır filmin başından başlatıldı.")},
    {TSyncMessage::Dropped, VK_TEXT("Filmden önce biten %1 satır atıldı.")},
    {TSyncMessage::Refused,
     VK_TEXT("Altyazı filmin sesine oturmadı (güven %1): başka bir filmin altyazısı ya da filmde çok az "
             "konuşma var. Altyazı değiştirilmedi.")},
    {TSyncMessage::Backward, VK_TEXT("%1 sn geri")},
    {TSyncMessage::Forward, VK_TEXT("%1 sn ileri")},
    {TSyncMessage::Part, VK_TEXT("%1: %2")},
};

// Why a subtitle could not be synced; "%1" names the file or the format.
constexpr TTableText<TSyncFailure> kFailureMessages[] = {
    {TSyncFailure::VideoUnreadable, VK_TEXT("Video okunamadı: %1")},
    {TSyncFailure::NoAudio, VK_TEXT("Videoda ses yok: %1")},
    {TSyncFailure::AudioUndecodable, VK_TEXT("Videonun sesi çözülemedi: %1")},
    {TSyncFailure::SubtitleUnreadable, VK_TEXT("Altyazı okunamadı: %1")},
    {TSyncFailure::FormatNotWritable,
     VK_TEXT("%1 altyazıları sese eşitlenemez; yalnız SubRip ve MicroDVD eşitlenir.")},
    {TSyncFailure::NoCues, VK_TEXT("Altyazıda zamanlı satır yok: %1")},
    {TSyncFailure::WriteFailed, VK_TEXT("Eşitlenen altyazı yazılamadı: %1")},
};

std::string Message(TSyncMessage id, std::initializer_list<std::string_view> fills = {}) {
  return TableText(kSyncMessages, id, fills);
}

[[noreturn]] void Fail(TSyncFailure failure, std::string_view subject) {
  throw TSyncError(failure, TableText(kFailureMessages, failure, {subject}));
}

struct TSpeechFailureOf {
  TSpeechFailure Speech;
  TSyncFailure Sync;
};
constexpr TSpeechFailureOf kSpeechFailures[] = {
    {TSpeechFailure::Unreadable, TSyncFailure::VideoUnreadable},
    {TSpeechFailure::NoAudio, TSyncFailure::NoAudio},
    {TSpeechFailure::Undecodable, TSyncFailure::AudioUndecodable},
};

// A file's name (UTF-8, as the file system spells it) inside an engine text.
std::string NameText(const std::filesystem::path& file) { return Utf8ToCp1254(file.filename().string()); }
std::string PathText(const std::filesystem::path& file) { return Utf8ToCp1254(file.string()); }

// "2,48": what a Turkish reader writes.
std::string DecimalText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

// A text no bigger than a subtitle gets: what an archive may unpack to.
constexpr std::uintmax_t kLargestSubtitle = std::uintmax_t{64} << 20;
// The rate a MicroDVD text is taken at when the video tells none.
constexpr double kUsualFps = 25.0;

struct TReadText {
  std::string Text;
  TSubtitleText Parsed;
};

// The subtitle as the format reader reads it: as it is, else as UTF-8.
TReadText ReadSubtitleText(std::string_view bytes, double videoFps, std::string_view name) {
  std::string text(bytes);
  if (!DetectSubtitleFormat(text)) {
    if (auto utf8 = TextToUtf8(bytes)) text = std::move(utf8->Text);
  }
  auto parsed = ParseSubtitle(text, videoFps);
  if (!parsed) Fail(TSyncFailure::SubtitleUnreadable, name);
  if (!CanRetime(parsed->Format)) Fail(TSyncFailure::FormatNotWritable, FormatName(parsed->Format));
  if (parsed->Cues.empty()) Fail(TSyncFailure::NoCues, name);
  return {std::move(text), std::move(*parsed)};
}

double VideoFps(const std::filesystem::path& video) {
  return ParseFrameRate(ProbeVideoFile(video).Fps).value_or(kUsualFps);
}

TSpeechTrack ListenTo(const std::filesystem::path& video, const TSpeechListener& listener) {
  try {
    return ReadSpeech(video, listener);
  } catch (const TSpeechError& error) {
    const auto entry = std::find_if(std::begin(kSpeechFailures), std::end(kSpeechFailures),
                                    [&](const TSpeechFailureOf& f) { return f.Speech == error.Failure; });
    Fail(entry->Sync, NameText(video));
  }
}

TSyncedText SyncNamedText(std::string_view bytes, std::string_view name, const std::filesystem::path& video,
                          const TSpeechListener& listener) {
  const double fps = VideoFps(video);
  const TReadText subtitle = ReadSubtitleText(bytes, fps, name);
  std::vector<TCueTime> cues;
  cues.reserve(subtitle.Parsed.Cues.size());
  for (const TCue& cue : subtitle.Parsed.Cues) cues.push_back({cue.StartMs, cue.EndMs});
  const TSpeechTrack speech = ListenTo(video, listener);
  TSyncedText synced{AlignCues(speech.Frames, cues), std::nullopt};
  if (synced.Alignment.Fits) synced.Retimed = RetimeSubtitle(subtitle.Text, synced.Alignment.Retiming, fps);
  if (listener.Stopped && listener.Stopped()) throw TSpeechStopped{};
  return synced;
}

// "<stem><mark><ext>", then "<stem><mark>.2<ext>" and on.
std::filesystem::path MarkedName(const std::filesystem::path& file, std::string_view mark, int number) {
  std::string name = file.stem().string() + std::string(mark);
  if (number > 1) name += "." + std::to_string(number);
  return file.parent_path() / (name + file.extension().string());
}

constexpr int kMostMarkedNames = 1000;
constexpr std::string_view kSyncedMark = ".synced";
constexpr std::string_view kOriginalMark = ".orig";

// Writes `content` under the first free name `file` marked with `mark`; the name is taken and written in one step.
std::filesystem::path WriteUnderFreeName(const std::filesystem::path& file, std::string_view mark, std::string_view content) {
  for (int number = 1; number <= kMostMarkedNames; ++number) {
    const auto target = MarkedName(file, mark, number);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) continue;
    TPartialFile aside(target);
    aside.Write(content);
    aside.Finish();
    if (aside.MoveIntoPlaceUnlessTaken()) return target;
  }
  throw TDownloadFileError("no free name beside " + file.string());
}

// The synced text takes the subtitle's name once the original has moved to a free ".orig" name.
std::filesystem::path ReplaceKeepingOriginal(const std::filesystem::path& subtitle, std::string_view content) {
  TPartialFile aside(subtitle);
  aside.Write(content);
  aside.Finish();
  for (int number = 1; number <= kMostMarkedNames; ++number) {
    const auto original = MarkedName(subtitle, kOriginalMark, number);
    if (!RenameUnlessTaken(subtitle, original)) continue;
    aside.MoveIntoPlace();
    return original;
  }
  throw TDownloadFileError("no free name beside " + subtitle.string());
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

void WriteUnderRequestedName(const TSyncRequest& request, const std::string& content, TSyncResult& result) {
  try {
    if (!request.Output.empty()) {
      if (SameFile(request.Output, request.Video)) Fail(TSyncFailure::WriteFailed, NameText(request.Output));
      TPartialFile aside(request.Output);
      aside.Write(content);
      aside.Finish();
      aside.MoveIntoPlace();
      result.Written = request.Output;
    } else if (request.Replace) {
      result.KeptOriginal = ReplaceKeepingOriginal(request.Subtitle, content);
      result.Written = request.Subtitle;
    } else {
      result.Written = WriteUnderFreeName(request.Subtitle, kSyncedMark, content);
    }
  } catch (const TDownloadFileError&) {
    Fail(TSyncFailure::WriteFailed, NameText(request.Output.empty() ? request.Subtitle : request.Output));
  }
}

// The alignment's line, and what became of the cues before the film.
std::vector<std::string> FitLines(const TSyncedText& synced) {
  const TAlignment& alignment = synced.Alignment;
  const std::string confidence = DecimalText(alignment.Confidence, 1);
  if (!synced.Retimed) return {Message(TSyncMessage::Refused, {confidence})};
  std::vector<std::string> lines{
      Message(TSyncMessage::Applied, {OffsetText(alignment.Retiming.OffsetMs), alignment.Ratio.Name, confidence})};
  if (synced.Retimed->Cut > 0) lines.push_back(Message(TSyncMessage::Cut, {std::to_string(synced.Retimed->Cut)}));
  if (synced.Retimed->Dropped > 0) lines.push_back(Message(TSyncMessage::Dropped, {std::to_string(synced.Retimed->Dropped)}));
  return lines;
}

constexpr std::string_view kLineBreak = "\r\n";

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text += kLineBreak;
    text += line;
  }
  return text;
}

}  // namespace

TSyncedText SyncText(std::string_view text, const std::filesystem::path& video, const TSpeechListener& listener) {
  return SyncNamedText(text, {}, video, listener);
}

TSyncedText SyncSubtitle(const TSyncRequest& request, const TSpeechListener& listener) {
  std::error_code error;
  const auto size = std::filesystem::file_size(request.Subtitle, error);
  std::optional<std::string> bytes;
  if (!error && size <= kLargestSubtitle) bytes = ReadFileContent(request.Subtitle);
  if (!bytes) Fail(TSyncFailure::SubtitleUnreadable, NameText(request.Subtitle));
  return SyncNamedText(*bytes, NameText(request.Subtitle), request.Video, listener);
}

TSyncResult WriteSynced(const TSyncRequest& request, TSyncedText synced) {
  TSyncResult result{std::move(synced), {}, {}};
  if (result.Synced.Retimed) WriteUnderRequestedName(request, result.Synced.Retimed->Text, result);
  return result;
}

TSyncResult SyncSubtitleFile(const TSyncRequest& request, const TSpeechListener& listener) {
  return WriteSynced(request, SyncSubtitle(request, listener));
}

void SyncReadyPlan(TReadyPlan& plan, const TSpeechListener& listener) {
  const auto parts = static_cast<int>(plan.Files.size());
  for (int part = 0; part < parts; ++part) {
    TReadyFile& file = plan.Files[static_cast<std::size_t>(part)];
    // The parts' progress as one, from the first part's start to the last one's end.
    TSpeechListener partListener{listener.Stopped, {}};
    if (listener.Progress) {
      partListener.Progress = [&, part](int percent) { listener.Progress((part * 100 + percent) / parts); };
    }
    std::vector<std::string> lines;
    try {
      const TSyncedText synced = SyncNamedText(file.Content, NameText(file.Target), file.Video, partListener);
      if (synced.Retimed) file.Content = synced.Retimed->Text;
      lines = FitLines(synced);
    } catch (const TSyncError& failure) {
      lines = {failure.what()};
    }
    // Each part's lines say which part they are about.
    for (auto& line : lines) {
      plan.Messages.push_back(plan.Files.size() > 1 ? Message(TSyncMessage::Part, {NameText(file.Video), line}) : line);
    }
  }
}

std::string SyncResultText(const TSyncResult& result) {
  std::vector<std::string> lines = FitLines(result.Synced);
  if (!result.Written.empty()) lines.push_back(Message(TSyncMessage::Written, {PathText(result.Written)}));
  if (!result.KeptOriginal.empty()) lines.push_back(Message(TSyncMessage::KeptOriginal, {PathText(result.KeptOriginal)}));
  return JoinLines(lines);
}

std::string OffsetText(std::int64_t offsetMs) {
  const std::string seconds = DecimalText(static_cast<double>(std::llabs(offsetMs)) / 1000.0, 2);
  return Message(offsetMs < 0 ? TSyncMessage::Backward : TSyncMessage::Forward, {seconds});
}

}  // namespace velkaro
