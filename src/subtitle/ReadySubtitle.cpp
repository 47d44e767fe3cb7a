#include "ReadySubtitle.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "CodePage.h"
#include "FileContent.h"
#include "FrameRate.h"
#include "TextEncoding.h"
#include "TextHelpers.h"
#include "Unpack.h"
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
};

// Every text the user reads about a download made ready, in code page 1254;
// "%1" stands for the name or number the message is about.
constexpr TTableText<TMessage> kMessages[] = {
    {TMessage::ArchiveUnreadable, "Ar\xFEiv a\xE7\xFDlamad\xFD; dosya indirildi\xF0i gibi b\xFDrak\xFDld\xFD."},
    {TMessage::NoSubtitle, "Ar\xFEivde altyaz\xFD dosyas\xFD yok; dosya indirildi\xF0i gibi b\xFDrak\xFDld\xFD."},
    {TMessage::TooLarge, "Ar\xFEiv \xE7ok b\xFCy\xFCk; a\xE7ma durduruldu, dosya indirildi\xF0i gibi b\xFDrak\xFDld\xFD."},
    {TMessage::TooDense,
     "Ar\xFEivin s\xFDk\xFD\xFEt\xFDrma oran\xFD \xE7ok y\xFCksek; a\xE7ma durduruldu, dosya indirildi\xF0i gibi "
     "b\xFDrak\xFDld\xFD."},
    {TMessage::UnpackOff, "Ar\xFEiv a\xE7ma kapal\xFD; dosya indirildi\xF0i gibi b\xFDrak\xFDld\xFD."},
    {TMessage::EntryRefused, "Ar\xFEivdeki %1 al\xFDnmad\xFD: g\xFCvensiz yol ya da ba\xF0lant\xFD."},
    {TMessage::NoSubtitleForPart, "CD %1 i\xE7in altyaz\xFD dosyas\xFD yok."},
    {TMessage::EncodingUnread, "%1 metninin kodlamas\xFD okunamad\xFD; oldu\xF0u gibi b\xFDrak\xFDld\xFD."},
    {TMessage::NoVideoRate, "Videonun kare h\xFDz\xFD okunamad\xFD; kareler d\xF6n\xFC\xFEt\xFCr\xFClmedi."},
    {TMessage::NotSubtitle, "\xDDndirilen dosya altyaz\xFD de\xF0il; indirildi\xF0i gibi b\xFDrak\xFDld\xFD."},
    {TMessage::Exists, "%1 zaten var; \xFCzerine yaz\xFDlmad\xFD."},
    {TMessage::Written, "Altyaz\xFD kaydedildi: %1"},
};

constexpr std::string_view kLineBreak = "\r\n";

struct TLanguageCode {
  std::string_view Language;
  std::string_view Code;
};

// The sites' language names, their misspellings included, as ISO 639-1 codes.
constexpr TLanguageCode kLanguageCodes[] = {
    {"turkish", "tr"},   {"english", "en"},   {"germany", "de"},  {"german", "de"},     {"french", "fr"},
    {"spanish", "es"},   {"italy", "it"},     {"italian", "it"},  {"hungary", "hu"},    {"hungarian", "hu"},
    {"czech", "cs"},     {"albanian", "sq"},  {"bulgarian", "bg"}, {"croatian", "hr"},  {"estonian", "et"},
    {"finnish", "fi"},   {"japanese", "ja"},  {"korean", "ko"},   {"portugese", "pt"},  {"portuguese", "pt"},
    {"romanian", "ro"},  {"russian", "ru"},   {"serbian", "sr"},  {"swedish", "sv"},    {"dutch", "nl"},
    {"chinese gb code", "zh"}, {"greek", "el"}, {"polish", "pl"}, {"danish", "da"},     {"norwegian", "no"},
    {"slovenian", "sl"}, {"slovak", "sk"},    {"arabic", "ar"},   {"hebrew", "he"},
};

struct TFormatSniff {
  std::string_view Mark;  // found near the top of the text
  std::string_view Extension;
};

// A subtitle downloaded under a name that is no subtitle's: its extension from its content.
constexpr TFormatSniff kFormatSniffs[] = {
    {"[Script Info]", ".ssa"}, {"<SAMI", ".smi"}, {"<sami", ".smi"}, {"-->", ".srt"}, {"[INFORMATION]", ".sub"},
};
// A site's page saved in place of the file it should have sent (lower-cased).
constexpr std::string_view kWebPageMarks[] = {"<!doctype html", "<html"};
constexpr std::size_t kSniffSpan = 4096;
constexpr std::string_view kMicroDvdExtension = ".sub";
constexpr std::string_view kSubRipExtension = ".srt";
constexpr std::string_view kPlainTextExtension = ".txt";
constexpr std::string_view kUtf16Boms[] = {"\xFF\xFE", "\xFE\xFF"};

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
};

// Why an archive was left as downloaded.
TMessage OutcomeMessage(TUnpackOutcome outcome) {
  for (const auto& entry : kOutcomeMessages) {
    if (entry.Outcome == outcome) return entry.Message;
  }
  return TMessage::ArchiveUnreadable;
}

// NUL bytes mean a binary file, unless the text is UTF-16.
bool LooksLikeText(std::string_view bytes) {
  const bool utf16 = std::any_of(std::begin(kUtf16Boms), std::end(kUtf16Boms),
                                 [&](std::string_view bom) { return bytes.starts_with(bom); });
  return utf16 || bytes.find('\0') == std::string_view::npos;
}

bool IsWebPage(std::string_view bytes) {
  const std::string top = LowerAscii(bytes.substr(0, kSniffSpan));
  return std::any_of(std::begin(kWebPageMarks), std::end(kWebPageMarks),
                     [&](std::string_view mark) { return Contains(top, mark); });
}

// A download that no archive format claims: the subtitle itself, or a file nothing can be made of.
std::vector<TCandidate> PlainSubtitle(const std::filesystem::path& file, std::vector<std::string>& messages) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > TUnpackLimits{}.MaxTotal) {
    messages.push_back(Message(error ? TMessage::ArchiveUnreadable : TMessage::TooLarge));
    return {};
  }
  auto content = ReadFileContent(file);
  if (!content || !LooksLikeText(*content)) {
    messages.push_back(Message(TMessage::ArchiveUnreadable));
    return {};
  }
  if (IsWebPage(*content)) {
    messages.push_back(Message(TMessage::NotSubtitle));
    return {};
  }
  return {TCandidate{file.filename().string(), std::move(*content)}};
}

std::vector<TCandidate> UnpackedSubtitles(const TReadyRequest& request, std::vector<std::string>& messages) {
  TUnpacked unpacked = UnpackFile(request.Downloaded);
  if (unpacked.Outcome == TUnpackOutcome::NotArchive) return PlainSubtitle(request.Downloaded, messages);
  if (!request.Options.Unpack) {
    messages.push_back(Message(TMessage::UnpackOff));
    return {};
  }
  for (const std::string& entry : unpacked.Refused) messages.push_back(Message(TMessage::EntryRefused, Utf8ToCp1254(entry)));
  if (unpacked.Outcome != TUnpackOutcome::Unpacked) {
    messages.push_back(Message(OutcomeMessage(unpacked.Outcome)));
    return {};
  }
  if (unpacked.Candidates.empty()) messages.push_back(Message(TMessage::NoSubtitle));
  return std::move(unpacked.Candidates);
}

std::string ExtensionOf(const TCandidate& candidate, std::string_view text) {
  if (IsSubtitleName(candidate.Name)) return LowerAscii(std::filesystem::path(candidate.Name).extension().string());
  if (IsMicroDvd(text)) return std::string(kMicroDvdExtension);
  const std::string_view top = text.substr(0, kSniffSpan);
  for (const auto& sniff : kFormatSniffs) {
    if (Contains(top, sniff.Mark)) return std::string(sniff.Extension);
  }
  return std::string(kPlainTextExtension);
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

void FitFrames(const TReadyRequest& request, TVideoRate& videoRate, TReadyText& ready,
               std::vector<std::string>& messages) {
  const TDownloadOptions& options = request.Options;
  if (!(options.ConvertFrames || options.MicroDvdToSubRip) || !IsMicroDvd(ready.Text)) return;
  const auto videoFps = videoRate.Get();
  if (!videoFps) {
    messages.push_back(Message(TMessage::NoVideoRate));
    return;
  }
  const auto rowFps = ParseFrameRate(request.RowFps);
  if (options.ConvertFrames) ready.Text = ConvertFrames(ready.Text, *videoFps, rowFps);
  if (!options.MicroDvdToSubRip) return;
  // Unconverted frames keep the subtitle's own rate; the video's only stands in when it is unknown.
  std::optional<double> framesFps = options.ConvertFrames ? videoFps : DeclaredFrameRate(ready.Text);
  if (!framesFps) framesFps = rowFps ? rowFps : videoFps;
  ready.Text = MicroDvdToSubRip(ready.Text, *framesFps);
  ready.Extension = kSubRipExtension;
}

TReadyText ReadyText(const TCandidate& candidate, const TReadyRequest& request, TVideoRate& videoRate,
                     std::vector<std::string>& messages) {
  TReadyText ready{candidate.Content, {}};
  if (request.Options.ToUtf8) {
    if (auto utf8 = TextToUtf8(ready.Text)) {
      ready.Text = std::move(utf8->Text);
    } else {
      messages.push_back(Message(TMessage::EncodingUnread, NameText(candidate.Name)));
    }
  }
  ready.Extension = ExtensionOf(candidate, ready.Text);
  FitFrames(request, videoRate, ready, messages);
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
  const std::vector<TCandidate> candidates = UnpackedSubtitles(request, plan.Messages);
  if (candidates.empty()) return plan;
  const auto chosen = MatchParts(candidates, request.Videos.size());
  TVideoRate videoRate(request.Videos.front());
  for (std::size_t part = 0; part < chosen.size(); ++part) {
    if (!chosen[part]) {
      plan.Messages.push_back(Message(TMessage::NoSubtitleForPart, std::to_string(part + 1)));
      continue;
    }
    TReadyText ready = ReadyText(candidates[*chosen[part]], request, videoRate, plan.Messages);
    plan.Files.push_back(
        {TargetBeside(request.Videos[part], request, ready.Extension), std::move(ready.Text), request.Videos[part]});
  }
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

std::string WrittenFilesText(const TReadyWritten& written) { return Lines(written.Written, TMessage::Written, true); }

std::string RefusedFilesText(const TReadyWritten& written) { return Lines(written.Refused, TMessage::Exists, false); }

std::vector<std::filesystem::path> ExistingTargets(const TReadyPlan& plan) {
  std::vector<std::filesystem::path> existing;
  for (const TReadyFile& file : plan.Files) {
    if (Exists(file.Target)) existing.push_back(file.Target);
  }
  return existing;
}

std::string LanguageCode(std::string_view rowLanguage) {
  const std::string key = LowerAscii(Trim(rowLanguage));
  for (const auto& entry : kLanguageCodes) {
    if (entry.Language == key) return std::string(entry.Code);
  }
  return {};
}

}  // namespace velkaro
