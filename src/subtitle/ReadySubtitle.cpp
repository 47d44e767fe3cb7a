#include "ReadySubtitle.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "CodePage.h"
#include "FileContent.h"
#include "FrameRate.h"
#include "SubtitleFit.h"
#include "TextEncoding.h"
#include "TextHelpers.h"
#include "PartMatch.h"
#include "SubtitleFormat.h"
#include "UnpackProcess.h"
#include "VideoProbe.h"

namespace velkaro {

namespace {

enum class TMessage {
  ArchiveUnreadable,
  NoSubtitle,
  TooLarge,
  TooDense,
  UnpackOff,
  EntryRefused,
  NoSubtitleForPart,
  EncodingUnread,
  NoVideoRate,
  NotSubtitle,
  Exists,
  Written,
  LimitExceeded,
  UnpackStopped,
  WorkerFailed,
  EntryNotSubtitle,
};

// Every text the user reads about a download made ready (code page 1254 once
// filled); "%1" stands for the name or number the message is about.
constexpr TTableText<TMessage> kMessages[] = {
    {TMessage::ArchiveUnreadable, VK_TEXT("Arşiv açılamadı; dosya indirildiği gibi bırakıldı.")},
    {TMessage::NoSubtitle, VK_TEXT("Arşivde altyazı dosyası yok; dosya indirildiği gibi bırakıldı.")},
    {TMessage::TooLarge, VK_TEXT("Arşiv çok büyük; açma durduruldu, dosya indirildiği gibi bırakıldı.")},
    {TMessage::TooDense,
     VK_TEXT("Arşivin sıkıştırma oranı çok yüksek; açma durduruldu, dosya indirildiği gibi "
             "bırakıldı.")},
    {TMessage::UnpackOff, VK_TEXT("Arşiv açma kapalı; dosya indirildiği gibi bırakıldı.")},
    {TMessage::EntryRefused, VK_TEXT("Arşivdeki %1 alınmadı: güvensiz yol ya da bağlantı.")},
    {TMessage::NoSubtitleForPart, VK_TEXT("CD %1 için altyazı dosyası yok.")},
    {TMessage::EncodingUnread, VK_TEXT("%1 metninin kodlaması okunamadı; olduğu gibi bırakıldı.")},
    {TMessage::NoVideoRate, VK_TEXT("Videonun kare hızı okunamadı; kareler dönüştürülmedi.")},
    {TMessage::NotSubtitle, VK_TEXT("İndirilen dosya altyazı değil; indirildiği gibi bırakıldı.")},
    {TMessage::Exists, VK_TEXT("%1 zaten var; üzerine yazılmadı.")},
    {TMessage::Written, VK_TEXT("Altyazı kaydedildi: %1")},
    {TMessage::LimitExceeded,
     VK_TEXT("Arşiv açılırken sınır aşıldı; altyazı indirildiği gibi bırakıldı.")},
    {TMessage::UnpackStopped, VK_TEXT("Arşiv açma durduruldu; altyazı indirildiği gibi bırakıldı.")},
    {TMessage::WorkerFailed,
     VK_TEXT("Arşiv açıcı çalıştırılamadı; altyazı indirildiği gibi bırakıldı.")},
    {TMessage::EntryNotSubtitle, VK_TEXT("Arşivdeki %1 altyazı değil; alınmadı.")},
};

constexpr std::string_view kLineBreak = "\r\n";

// A site's page saved in place of the file it should have sent (lower-cased).
constexpr std::string_view kWebPageMarks[] = {"<!doctype html", "<html"};
constexpr std::size_t kSniffSpan = 4096;
constexpr std::string_view kSubRipExtension = ".srt";

struct TFormatExtension {
  TSubtitleFormat Format;
  std::string_view Extension;  // without the dot
};
// Besides each format's own: extensions players also read it under.
constexpr TFormatExtension kAlsoRightExtensions[] = {
    {TSubtitleFormat::MicroDvd, "txt"},
};

std::string Message(TMessage id, std::string_view subject = {}) { return TableText(kMessages, id, {subject}); }

// A file name (UTF-8, as file systems and archives spell them) inside an engine text.
std::string NameText(const std::filesystem::path& name) { return Utf8ToCp1254(name.filename().string()); }

struct TOutcomeMessage {
  TUnpackOutcome Outcome;
  TMessage Message;
};
constexpr TOutcomeMessage kOutcomeMessages[] = {
    {TUnpackOutcome::TooLarge, TMessage::TooLarge},
    {TUnpackOutcome::TooDense, TMessage::TooDense},
    {TUnpackOutcome::LimitExceeded, TMessage::LimitExceeded},
    {TUnpackOutcome::Stopped, TMessage::UnpackStopped},
    {TUnpackOutcome::WorkerFailed, TMessage::WorkerFailed},
};

// Why an archive was left as downloaded.
TMessage OutcomeMessage(TUnpackOutcome outcome) {
  for (const auto& entry : kOutcomeMessages) {
    if (entry.Outcome == outcome) return entry.Message;
  }
  return TMessage::ArchiveUnreadable;
}

bool IsWebPage(std::string_view bytes) {
  const std::string top = LowerAscii(bytes.substr(0, kSniffSpan));
  return std::any_of(std::begin(kWebPageMarks), std::end(kWebPageMarks),
                     [&](std::string_view mark) { return Contains(top, mark); });
}

// What a download holds that may be subtitles.
struct TDownloadTexts {
  std::vector<TCandidate> Candidates;
  bool FromArchive = false;
};

// A download that no archive format claims: the subtitle itself, or a file nothing can be made of.
std::vector<TCandidate> PlainSubtitle(const std::filesystem::path& file, std::vector<std::string>& messages) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > TUnpackLimits{}.MaxTotal) {
    messages.push_back(Message(error ? TMessage::ArchiveUnreadable : TMessage::TooLarge));
    return {};
  }
  auto content = ReadFileContent(file);
  if (!content) {
    messages.push_back(Message(TMessage::ArchiveUnreadable));
    return {};
  }
  // A binary file under a subtitle's name is no subtitle; under any other, an archive of a kind not read.
  if (IsBinary(*content)) {
    messages.push_back(Message(IsSubtitleName(file.filename().string()) ? TMessage::NotSubtitle
                                                                        : TMessage::ArchiveUnreadable));
    return {};
  }
  if (IsWebPage(*content)) {
    messages.push_back(Message(TMessage::NotSubtitle));
    return {};
  }
  return {TCandidate{file.filename().string(), std::move(*content)}};
}

TDownloadTexts UnpackedTexts(const TReadyRequest& request, std::vector<std::string>& messages) {
  TUnpacked unpacked = UnpackInWorker(request.Downloaded, {}, request.Stopped, request.UnpackWorker);
  if (unpacked.Outcome == TUnpackOutcome::NotArchive) return {PlainSubtitle(request.Downloaded, messages), false};
  if (!request.Options.Unpack) {
    messages.push_back(Message(TMessage::UnpackOff));
    return {};
  }
  for (const std::string& entry : unpacked.Refused) messages.push_back(Message(TMessage::EntryRefused, Utf8ToCp1254(entry)));
  if (unpacked.Outcome != TUnpackOutcome::Unpacked) {
    messages.push_back(Message(OutcomeMessage(unpacked.Outcome)));
    return {};
  }
  return {std::move(unpacked.Candidates), true};
}

// A text that reads as one of the subtitle formats, with at least one cue.
struct TSubtitle {
  TCandidate Candidate;
  std::string Utf8;
  TSubtitleText Parsed;
};

// Reads the candidate only; the caller moves it in once it is taken.
std::optional<TSubtitle> AsSubtitle(const TCandidate& candidate) {
  auto utf8 = TextToUtf8(candidate.Content);
  if (!utf8) return std::nullopt;
  auto parsed = ParseSubtitle(utf8->Text);
  if (!parsed || parsed->Cues.empty()) return std::nullopt;
  return TSubtitle{{}, std::move(utf8->Text), std::move(*parsed)};
}

// Why a text is no subtitle, named: its encoding, or its content.
TMessage Refusal(const TCandidate& candidate, bool fromArchive) {
  if (!IsBinary(candidate.Content) && !TextToUtf8(candidate.Content)) return TMessage::EncodingUnread;
  return fromArchive ? TMessage::EntryNotSubtitle : TMessage::NotSubtitle;
}

// Only texts that read as subtitles go on. The others are named, except a
// plain text (a read-me) beside real subtitles; an archive left without any says so.
std::vector<TSubtitle> CheckedSubtitles(TDownloadTexts texts, std::vector<std::string>& messages) {
  std::vector<TSubtitle> subtitles;
  std::vector<const TCandidate*> refused;
  for (TCandidate& candidate : texts.Candidates) {
    if (auto subtitle = AsSubtitle(candidate)) {
      subtitle->Candidate = std::move(candidate);
      subtitles.push_back(std::move(*subtitle));
    } else {
      refused.push_back(&candidate);
    }
  }
  for (const TCandidate* candidate : refused) {
    if (!subtitles.empty() && IsPlainTextName(candidate->Name)) continue;
    const TMessage why = Refusal(*candidate, texts.FromArchive);
    messages.push_back(why == TMessage::NotSubtitle ? Message(why) : Message(why, NameText(candidate->Name)));
  }
  if (texts.FromArchive && subtitles.empty()) messages.push_back(Message(TMessage::NoSubtitle));
  return subtitles;
}

// The candidates' names alone, for matching them to the parts.
std::vector<TCandidate> NamesOf(const std::vector<TSubtitle>& subtitles) {
  std::vector<TCandidate> names;
  for (const TSubtitle& subtitle : subtitles) names.push_back({subtitle.Candidate.Name, {}});
  return names;
}

// The name's own extension when it is right for the format, else the format's.
std::string ExtensionOf(const TSubtitle& subtitle) {
  const TSubtitleFormat format = subtitle.Parsed.Format;
  const std::string own = LowerAscii(std::filesystem::path(subtitle.Candidate.Name).extension().string());
  const auto right = [&](std::string_view extension) { return own.size() > 1 && own.substr(1) == extension; };
  const bool alsoRight = std::any_of(std::begin(kAlsoRightExtensions), std::end(kAlsoRightExtensions),
                                     [&](const TFormatExtension& entry) {
                                       return entry.Format == format && right(entry.Extension);
                                     });
  if (right(FormatExtension(format)) || alsoRight) return own;
  return "." + std::string(FormatExtension(format));
}

// The first video's rate, probed once and only when a MicroDVD text needs it.
class TVideoRate {
 public:
  explicit TVideoRate(const std::filesystem::path& video) : Video_(video) {}
  std::optional<double> Get() {
    if (!Probed_) Rate_ = ParseFrameRate(ProbeVideoFile(Video_).Fps);
    Probed_ = true;
    return Rate_;
  }

 private:
  std::filesystem::path Video_;
  bool Probed_ = false;
  std::optional<double> Rate_;
};

struct TReadyText {
  std::string Text;
  std::string Extension;
};

// The rate a MicroDVD's frames count at: its own, declared or the row's;
// the video's stands in for a subtitle that names none.
std::optional<double> SubtitleRate(const TReadyRequest& request, std::string_view text, TVideoRate& videoRate) {
  if (const auto declared = DeclaredFrameRate(text)) return declared;
  if (const auto row = ParseFrameRate(request.RowFps)) return row;
  return videoRate.Get();
}

// SubRip times come from the subtitle's own frames and rate, exact whatever
// the video's rate; frames are scaled only for a MicroDVD that stays one.
void FitFrames(const TReadyRequest& request, TVideoRate& videoRate, TReadyText& ready,
               std::vector<std::string>& messages) {
  const TDownloadOptions& options = request.Options;
  if (!(options.ConvertFrames || options.MicroDvdToSubRip)) return;
  const auto fps = options.MicroDvdToSubRip ? SubtitleRate(request, ready.Text, videoRate) : videoRate.Get();
  if (!fps) {
    messages.push_back(Message(TMessage::NoVideoRate));
  } else if (options.MicroDvdToSubRip) {
    ready.Text = MicroDvdToSubRip(ready.Text, *fps);
    ready.Extension = kSubRipExtension;
  } else {
    ready.Text = ConvertFrames(ready.Text, *fps, ParseFrameRate(request.RowFps));
  }
}

// The text as it will be written: UTF-8 unless asked to keep the bytes, MicroDVD frames fitted.
TReadyText ReadyText(const TSubtitle& subtitle, const TReadyRequest& request, TVideoRate& videoRate,
                     std::vector<std::string>& messages) {
  TReadyText ready{request.Options.ToUtf8 ? subtitle.Utf8 : subtitle.Candidate.Content, ExtensionOf(subtitle)};
  if (subtitle.Parsed.Format == TSubtitleFormat::MicroDvd) FitFrames(request, videoRate, ready, messages);
  return ready;
}

std::filesystem::path TargetBeside(const std::filesystem::path& video, const TReadyRequest& request,
                                   std::string_view extension) {
  std::string name = video.stem().string();
  const std::string code = request.Options.LanguageSuffix ? LanguageCode(request.RowLanguage) : std::string();
  if (!code.empty()) name += "." + code;
  name += extension;
  return video.parent_path() / name;
}

bool Exists(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(file, error));
}

std::string Lines(const std::vector<std::filesystem::path>& files, TMessage message, bool fullPath) {
  std::string text;
  for (const auto& file : files) {
    if (!text.empty()) text += kLineBreak;
    text += Message(message, fullPath ? Utf8ToCp1254(file.string()) : NameText(file));
  }
  return text;
}

}  // namespace

TReadyPlan PlanReadySubtitles(const TReadyRequest& request) {
  TReadyPlan plan;
  if (request.Videos.empty()) return plan;
  const std::vector<TSubtitle> subtitles = CheckedSubtitles(UnpackedTexts(request, plan.Messages), plan.Messages);
  if (subtitles.empty()) return plan;
  const auto chosen = MatchParts(NamesOf(subtitles), request.Videos.size());
  TVideoRate videoRate(request.Videos.front());
  bool unfit = false;
  for (std::size_t part = 0; part < chosen.size(); ++part) {
    if (!chosen[part]) {
      plan.Messages.push_back(Message(TMessage::NoSubtitleForPart, std::to_string(part + 1)));
      unfit = true;
      continue;
    }
    TReadyText ready = ReadyText(subtitles[*chosen[part]], request, videoRate, plan.Messages);
    if (request.CheckFit) {
      const auto problem = FitProblemBeside(ready.Text, request.Videos[part], part, chosen.size());
      if (problem) plan.Messages.push_back(*problem);
      unfit = unfit || problem;
    }
    plan.Files.push_back(
        {TargetBeside(request.Videos[part], request, ready.Extension), std::move(ready.Text), request.Videos[part]});
  }
  if (request.CheckFit && unfit) plan.Files.clear();
  return plan;
}

TReadyWritten WriteReadySubtitles(const TReadyPlan& plan,
                                  const std::function<bool(const std::filesystem::path&)>& mayOverwrite) {
  TReadyWritten written;
  for (const TReadyFile& file : plan.Files) {
    TPartialFile aside(file.Target);
    aside.Write(file.Content);
    aside.Finish();
    // Asked only when the name is taken at the moment of the move: a file
    // that appears meanwhile is not replaced unasked.
    if (!aside.MoveIntoPlaceUnlessTaken()) {
      if (!mayOverwrite(file.Target)) {
        written.Refused.push_back(file.Target);
        continue;
      }
      aside.MoveIntoPlace();
    }
    written.Written.push_back(file.Target);
  }
  return written;
}

std::string WrittenFilesText(const TReadyWritten& written, bool fullPaths) {
  return Lines(written.Written, TMessage::Written, fullPaths);
}

std::string RefusedFilesText(const TReadyWritten& written) { return Lines(written.Refused, TMessage::Exists, false); }

std::vector<std::filesystem::path> ExistingTargets(const TReadyPlan& plan) {
  std::vector<std::filesystem::path> existing;
  for (const TReadyFile& file : plan.Files) {
    if (Exists(file.Target)) existing.push_back(file.Target);
  }
  return existing;
}

}  // namespace velkaro
