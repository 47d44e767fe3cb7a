#include "SubtitleFormat.h"
#include "SubtitleLines.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

namespace velkaro {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::int64_t kLastCueMs = 3000;  // a last cue whose format gives no end
// Lines read to tell a format by its first cue; headers and blank lines do not count.
constexpr int kDetectLines = 20;
constexpr std::size_t kMaxNumberDigits = 15;  // more than any film has frames or milliseconds
constexpr std::size_t kMaxHourDigits = 4;
constexpr double kMinFps = 1;
constexpr double kMaxFps = 1000;

struct TFormatInfo {
  TSubtitleFormat Format;
  std::string_view Extension;
  std::string_view Name;
};

constexpr std::array kFormats{
    TFormatInfo{TSubtitleFormat::SubRip, "srt", "SubRip"},
    TFormatInfo{TSubtitleFormat::MicroDvd, "sub", "MicroDVD"},
    TFormatInfo{TSubtitleFormat::SubViewer1, "sub", "SubViewer 1"},
    TFormatInfo{TSubtitleFormat::SubViewer2, "sub", "SubViewer 2"},
    TFormatInfo{TSubtitleFormat::Ssa, "ssa", "SubStation Alpha"},
    TFormatInfo{TSubtitleFormat::Ass, "ass", "Advanced SubStation Alpha"},
    TFormatInfo{TSubtitleFormat::Sami, "smi", "SAMI"},
    TFormatInfo{TSubtitleFormat::TmPlayer, "txt", "TMPlayer"},
    TFormatInfo{TSubtitleFormat::Mpl2, "txt", "MPL2"},
    TFormatInfo{TSubtitleFormat::WebVtt, "vtt", "WebVTT"},
};

const TFormatInfo& InfoOf(TSubtitleFormat format) {
  return *std::find_if(kFormats.begin(), kFormats.end(), [&](const auto& info) { return info.Format == format; });
}

// ---------------------------------------------------------------- text

using TLines = std::vector<std::string_view>;

// Lines without their ends ("\r\n", "\n", or a lone "\r").
TLines SplitLines(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  TLines lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

// ASCII only: a Turkish locale would leave "I" as it is.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return Lower(a) == Lower(b); });
}

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
  if (needle.empty() || text.size() < needle.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    if (Lower(text[i]) == Lower(needle[0]) && StartsWithNoCase(text.substr(i), needle)) return i;
  }
  return std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

// The whole of `digits` as a number; nullopt for anything but 1 to 15 digits.
std::optional<std::int64_t> Number(std::string_view digits) {
  if (!AllDigits(digits) || digits.size() > kMaxNumberDigits) return std::nullopt;
  std::int64_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// Leading digits of `text` taken off it.
std::string_view TakeDigits(std::string_view& text) {
  std::size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  const auto digits = text.substr(0, n);
  text.remove_prefix(n);
  return digits;
}

bool TakeChar(std::string_view& text, std::string_view oneOf) {
  if (text.empty() || oneOf.find(text.front()) == std::string_view::npos) return false;
  text.remove_prefix(1);
  return true;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    out.append(text, start, at - start).append(to);
    start = at + from.size();
  }
  out.append(text, start);
  text = std::move(out);
}

// Whether a cue's text shows anything once tags, style codes and non-breaking spaces are gone.
bool HasVisibleText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<' || c == '{') {
      const auto close = text.find(c == '<' ? '>' : '}', i);
      if (close == std::string_view::npos) return true;
      i = close;
    } else if (c == '&' && StartsWithNoCase(text.substr(i), "&nbsp;")) {
      i += 5;
    } else if (!IsSpace(c) && c != '\n' && c != '\r' && c != '|' && c != '/') {
      return true;
    }
  }
  return false;
}

std::string JoinLines(const TLines& lines, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    if (i > begin) text += '\n';
    text += lines[i];
  }
  return text;
}

// ---------------------------------------------------------------- times

// "H:MM:SS" followed by a fraction after one of `fractionMarks` (1 to 3
// digits, scaled to milliseconds), or "MM:SS.fff" when `hoursOptional`.
// Leaves `text` after what it read.
std::optional<std::int64_t> TakeClock(std::string_view& text, std::string_view fractionMarks, bool hoursOptional,
                                      bool fractionRequired = true) {
  std::string_view rest = text;
  std::array<std::int64_t, 3> parts{};
  int count = 0;
  while (count < 3) {
    const auto digits = TakeDigits(rest);
    const auto value = Number(digits);
    if (!value || (count > 0 ? digits.size() != 2 || *value > 59 : digits.size() > kMaxHourDigits)) return std::nullopt;
    parts[count++] = *value;
    if (count == 3 || rest.empty() || rest.front() != ':') break;
    rest.remove_prefix(1);
  }
  if (count == 2 && hoursOptional) {
    parts = {0, parts[0], parts[1]};
    if (parts[1] > 59) return std::nullopt;
  } else if (count != 3) {
    return std::nullopt;
  }
  std::int64_t ms = ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000;
  if (!rest.empty() && fractionMarks.find(rest.front()) != std::string_view::npos && rest.size() > 1 &&
      IsDigit(rest[1])) {
    rest.remove_prefix(1);
    auto digits = TakeDigits(rest);
    if (digits.size() > 3) digits = digits.substr(0, 3);  // beyond a millisecond is noise
    std::int64_t fraction = *Number(digits);
    for (auto n = digits.size(); n < 3; ++n) fraction *= 10;
    ms += fraction;
  } else if (fractionRequired) {
    return std::nullopt;
  }
  text = rest;
  return ms;
}

struct TSpan {
  std::int64_t Start = 0;
  std::int64_t End = 0;
};

// "00:00:01,000 --> 00:00:03,500" (SubRip; a '.' is read too) or WebVTT's
// "00:01.000 --> 00:03.500 line:0"; what follows the second time is ignored.
std::optional<TSpan> ArrowLine(std::string_view line, bool hoursOptional) {
  const auto arrow = line.find("-->");
  if (arrow == std::string_view::npos) return std::nullopt;
  std::string_view left = Trim(line.substr(0, arrow));
  std::string_view right = Trim(line.substr(arrow + 3));
  const auto start = TakeClock(left, ",.", hoursOptional);
  const auto end = TakeClock(right, ",.", hoursOptional);
  if (!start || !end || !left.empty() || (!right.empty() && !IsSpace(right.front()))) return std::nullopt;
  return TSpan{*start, *end};
}

// SubViewer 2's "00:00:01.00,00:00:03.50".
std::optional<TSpan> SubViewerPair(std::string_view line) {
  line = Trim(line);
  const auto start = TakeClock(line, ".", false);
  if (!start || !TakeChar(line, ",")) return std::nullopt;
  const auto end = TakeClock(line, ".", false);
  if (!end || !line.empty()) return std::nullopt;
  return TSpan{*start, *end};
}

// SubViewer 1's "[00:00:01]" line.
std::optional<std::int64_t> BracketClock(std::string_view line) {
  line = Trim(line);
  if (!TakeChar(line, "[")) return std::nullopt;
  const auto time = TakeClock(line, "", false, false);
  if (!time || line != "]") return std::nullopt;
  return time;
}

struct TFramedLine {
  std::int64_t Start = 0;
  std::optional<std::int64_t> End;
  std::string_view Text;
};

// "{10}{20}text" (MicroDVD, `open` '{') or "[10][20]text" (MPL2, `open` '['); the end may be empty.
std::optional<TFramedLine> FramedLine(std::string_view line, char open, char close) {
  std::array<std::optional<std::int64_t>, 2> numbers;
  for (auto& number : numbers) {
    if (!TakeChar(line, std::string_view(&open, 1))) return std::nullopt;
    const auto digits = TakeDigits(line);
    if (!TakeChar(line, std::string_view(&close, 1))) return std::nullopt;
    if (!digits.empty()) {
      number = Number(digits);
      if (!number) return std::nullopt;
    }
  }
  if (!numbers[0]) return std::nullopt;
  return TFramedLine{*numbers[0], numbers[1], line};
}

// TMPlayer's "0:00:01:text", "00:00:01=text" or "00:00:01,1=text".
std::optional<std::pair<std::int64_t, std::string_view>> TmPlayerLine(std::string_view line) {
  const auto time = TakeClock(line, "", false, false);
  if (!time) return std::nullopt;
  if (TakeChar(line, ",")) {
    if (TakeDigits(line).empty() || !TakeChar(line, "=")) return std::nullopt;
  } else if (!TakeChar(line, ":=")) {
    return std::nullopt;
  }
  return std::pair{*time, line};
}

// ---------------------------------------------------------------- cues

struct TCueList {
  std::vector<TCue> Cues;

  void Add(std::int64_t start, std::int64_t end, std::string text) {
    if (HasVisibleText(text)) Cues.push_back({start, end, -1, -1, std::move(text)});
  }
};

std::string WithLineBreaks(std::string_view text, std::string_view mark) {
  std::string out(text);
  ReplaceAll(out, mark, "\n");
  return out;
}

// SubRip and WebVTT: a time line, then the text. SubRip's text runs to the
// next time line less the blank lines and the number before it (files lose
// their blank lines, or keep one inside a cue); WebVTT's ends at a blank line.
std::vector<TCue> ReadArrowCues(const TLines& lines, bool webVtt) {
  std::vector<std::pair<std::size_t, TSpan>> times;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto span = ArrowLine(lines[i], webVtt)) times.push_back({i, *span});
  }
  TCueList list;
  for (std::size_t t = 0; t < times.size(); ++t) {
    const std::size_t begin = times[t].first + 1;
    std::size_t end = t + 1 < times.size() ? times[t + 1].first : lines.size();
    if (webVtt) {
      end = std::find_if(lines.begin() + begin, lines.begin() + end, IsBlank) - lines.begin();
    } else {
      while (end > begin && IsBlank(lines[end - 1])) --end;
      if (t + 1 < times.size() && end > begin && AllDigits(Trim(lines[end - 1]))) --end;
      while (end > begin && IsBlank(lines[end - 1])) --end;
    }
    const auto span = times[t].second;
    list.Add(span.Start, std::max(span.End, span.Start), JoinLines(lines, begin, end));
  }
  return std::move(list.Cues);
}

std::optional<double> FrameRateText(std::string_view text) {
  std::string number(Trim(text));
  std::replace(number.begin(), number.end(), ',', '.');
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size() || !(value >= kMinFps && value <= kMaxFps)) {
    return std::nullopt;
  }
  return value;
}

TSubtitleText ReadMicroDvd(const TLines& lines, double fps) {
  TSubtitleText subtitle{TSubtitleFormat::MicroDvd, {}, std::nullopt};
  bool first = true;
  std::vector<std::optional<std::int64_t>> ends;
  for (const auto line : lines) {
    const auto framed = FramedLine(Trim(line), '{', '}');
    if (!framed) continue;
    if (std::exchange(first, false) && framed->Start == 1 && framed->End == 1) {
      if ((subtitle.DeclaredFps = FrameRateText(framed->Text))) continue;
    }
    std::string text = WithLineBreaks(framed->Text, "|");
    if (!HasVisibleText(text)) continue;
    subtitle.Cues.push_back({0, 0, framed->Start, framed->End.value_or(-1), std::move(text)});
    ends.push_back(framed->End);
  }
  const double rate = subtitle.DeclaredFps.value_or(fps >= kMinFps && fps <= kMaxFps ? fps : 25.0);
  const auto ms = [&](std::int64_t frame) { return std::llround(static_cast<double>(frame) * 1000.0 / rate); };
  const auto lastFrames = std::llround(kLastCueMs * rate / 1000.0);
  auto& cues = subtitle.Cues;
  for (std::size_t i = 0; i < cues.size(); ++i) {
    if (!ends[i]) cues[i].EndFrame = i + 1 < cues.size() ? cues[i + 1].StartFrame : cues[i].StartFrame + lastFrames;
    cues[i].StartMs = ms(cues[i].StartFrame);
    cues[i].EndMs = ms(std::max(cues[i].EndFrame, cues[i].StartFrame));
  }
  return subtitle;
}

std::vector<TCue> ReadMpl2(const TLines& lines) {
  TCueList list;
  std::vector<bool> ended;
  for (const auto line : lines) {
    const auto framed = FramedLine(Trim(line), '[', ']');
    if (!framed) continue;
    const std::size_t before = list.Cues.size();
    list.Add(framed->Start * 100, framed->End.value_or(-1) * 100, WithLineBreaks(framed->Text, "|"));
    if (list.Cues.size() > before) ended.push_back(framed->End.has_value());
  }
  for (std::size_t i = 0; i < list.Cues.size(); ++i) {
    auto& cue = list.Cues[i];
    if (!ended[i]) cue.EndMs = i + 1 < list.Cues.size() ? list.Cues[i + 1].StartMs : cue.StartMs + kLastCueMs;
    cue.EndMs = std::max(cue.EndMs, cue.StartMs);
  }
  return std::move(list.Cues);
}

// A line with an empty text ends the cue before it; lines with the same
// time are the lines of one cue.
std::vector<TCue> ReadTmPlayer(const TLines& lines) {
  std::vector<TCue> cues;
  std::vector<bool> ended;
  for (const auto line : lines) {
    const auto parsed = TmPlayerLine(Trim(line));
    if (!parsed) continue;
    const auto [time, text] = *parsed;
    if (!HasVisibleText(text)) {
      if (!cues.empty() && !ended.back()) {
        cues.back().EndMs = std::max(time, cues.back().StartMs);
        ended.back() = true;
      }
      continue;
    }
    if (!cues.empty() && cues.back().StartMs == time && !ended.back()) {
      cues.back().Text += '\n' + WithLineBreaks(text, "|");
      continue;
    }
    cues.push_back({time, time, -1, -1, WithLineBreaks(text, "|")});
    ended.push_back(false);
  }
  for (std::size_t i = 0; i < cues.size(); ++i) {
    if (ended[i]) continue;
    cues[i].EndMs = i + 1 < cues.size() ? std::max(cues[i + 1].StartMs, cues[i].StartMs) : cues[i].StartMs + kLastCueMs;
  }
  return cues;
}

// A time pair, then text lines to a blank line; "[br]" breaks a line.
std::vector<TCue> ReadSubViewer2(const TLines& lines) {
  TCueList list;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto span = SubViewerPair(lines[i]);
    if (!span) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !IsBlank(lines[end]) && !SubViewerPair(lines[end])) ++end;
    std::string text = JoinLines(lines, i + 1, end);
    ReplaceAll(text, "[br]", "\n");
    ReplaceAll(text, "[BR]", "\n");
    list.Add(span->Start, std::max(span->End, span->Start), std::move(text));
    i = end - 1;
  }
  return std::move(list.Cues);
}

// "[start]", the text, "[end]": a time line followed by text starts a cue,
// the next time line ends it (and may start the next one).
std::vector<TCue> ReadSubViewer1(const TLines& lines) {
  std::vector<std::pair<std::size_t, std::int64_t>> times;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto time = BracketClock(lines[i])) times.push_back({i, *time});
  }
  TCueList list;
  for (std::size_t t = 0; t < times.size(); ++t) {
    const std::size_t begin = times[t].first + 1;
    std::size_t end = t + 1 < times.size() ? times[t + 1].first : lines.size();
    while (end > begin && IsBlank(lines[end - 1])) --end;
    const std::int64_t stop = t + 1 < times.size() ? times[t + 1].second : times[t].second + kLastCueMs;
    list.Add(times[t].second, std::max(stop, times[t].second), WithLineBreaks(JoinLines(lines, begin, end), "|"));
  }
  return std::move(list.Cues);
}

// ---------------------------------------------------------------- SubStation Alpha

struct TEventFields {
  std::size_t Count = 10;
  std::size_t Start = 1;
  std::size_t End = 2;
};

// The "Format:" line of [Events]: where Start and End stand; Text is always last.
TEventFields EventFields(std::string_view format) {
  TEventFields fields{0, 1, 2};
  std::size_t index = 0;
  while (true) {
    const auto comma = format.find(',');
    const auto name = Trim(format.substr(0, comma));
    if (StartsWithNoCase(name, "start") && name.size() == 5) fields.Start = index;
    if (StartsWithNoCase(name, "end") && name.size() == 3) fields.End = index;
    ++index;
    if (comma == std::string_view::npos) break;
    format.remove_prefix(comma + 1);
  }
  fields.Count = index;
  return fields;
}

std::vector<TCue> ReadSubStation(const TLines& lines) {
  TEventFields fields;
  bool inEvents = false;
  TCueList list;
  for (const auto raw : lines) {
    const auto line = Trim(raw);
    if (line.starts_with('[')) {
      inEvents = StartsWithNoCase(line, "[events]");
      continue;
    }
    if (!inEvents) continue;
    if (StartsWithNoCase(line, "format:")) {
      fields = EventFields(line.substr(7));
      continue;
    }
    if (!StartsWithNoCase(line, "dialogue:") || fields.Count < 2) continue;
    std::string_view rest = line.substr(9);
    std::vector<std::string_view> values;
    while (values.size() + 1 < fields.Count) {
      const auto comma = rest.find(',');
      if (comma == std::string_view::npos) break;
      values.push_back(Trim(rest.substr(0, comma)));
      rest.remove_prefix(comma + 1);
    }
    if (values.size() + 1 != fields.Count || fields.Start >= values.size() || fields.End >= values.size()) continue;
    auto startText = values[fields.Start];
    auto endText = values[fields.End];
    const auto start = TakeClock(startText, ".", false);
    const auto end = TakeClock(endText, ".", false);
    if (!start || !end) continue;
    std::string text(rest);
    ReplaceAll(text, "\\N", "\n");
    ReplaceAll(text, "\\n", "\n");
    list.Add(*start, std::max(*end, *start), std::move(text));
  }
  return std::move(list.Cues);
}

// ---------------------------------------------------------------- SAMI

// "<SYNC Start=1000>" (quotes allowed): the time, with `text` after the tag.
std::optional<std::int64_t> SyncStart(std::string_view tag) {
  const auto at = FindNoCase(tag, "start");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = tag.substr(at + 5);
  while (!rest.empty() && (IsSpace(rest.front()) || rest.front() == '=' || rest.front() == '"' || rest.front() == '\''))
    rest.remove_prefix(1);
  return Number(TakeDigits(rest));
}

std::vector<TCue> ReadSami(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  std::vector<std::pair<std::int64_t, std::string_view>> syncs;  // time, what follows its tag
  for (auto at = FindNoCase(text, "<sync"); at != std::string_view::npos;) {
    const auto close = text.find('>', at);
    if (close == std::string_view::npos) break;
    const auto next = FindNoCase(text, "<sync", close);
    auto body = text.substr(close + 1, next == std::string_view::npos ? std::string_view::npos : next - close - 1);
    if (const auto bodyEnd = FindNoCase(body, "</body"); bodyEnd != std::string_view::npos) body = body.substr(0, bodyEnd);
    if (const auto start = SyncStart(text.substr(at, close - at))) syncs.push_back({*start, body});
    at = next;
  }
  TCueList list;
  for (std::size_t i = 0; i < syncs.size(); ++i) {
    const std::int64_t end = i + 1 < syncs.size() ? syncs[i + 1].first : syncs[i].first + kLastCueMs;
    const auto lines = SplitLines(syncs[i].second);
    std::size_t begin = 0, stop = lines.size();
    while (begin < stop && IsBlank(lines[begin])) ++begin;
    while (stop > begin && IsBlank(lines[stop - 1])) --stop;
    std::string body;
    for (std::size_t l = begin; l < stop; ++l) body += std::string(l > begin ? "\n" : "") + std::string(Trim(lines[l]));
    list.Add(syncs[i].first, std::max(end, syncs[i].first), std::move(body));
  }
  return std::move(list.Cues);
}

// ---------------------------------------------------------------- detection

std::optional<TSubtitleFormat> SubStationKind(const TLines& lines) {
  bool subStation = false;
  for (const auto raw : lines) {
    const auto line = Trim(raw);
    if (StartsWithNoCase(line, "[script info]") || StartsWithNoCase(line, "[events]")) subStation = true;
    if (StartsWithNoCase(line, "[v4+ styles]") || (StartsWithNoCase(line, "scripttype:") &&
                                                  FindNoCase(line, "v4.00+") != std::string_view::npos)) {
      return TSubtitleFormat::Ass;
    }
    if (StartsWithNoCase(line, "[events]")) break;
  }
  return subStation ? std::optional(TSubtitleFormat::Ssa) : std::nullopt;
}

// The format a cue line of a headerless text is written in.
std::optional<TSubtitleFormat> CueLineFormat(std::string_view line) {
  line = Trim(line);
  if (FramedLine(line, '{', '}')) return TSubtitleFormat::MicroDvd;
  if (FramedLine(line, '[', ']')) return TSubtitleFormat::Mpl2;
  if (BracketClock(line)) return TSubtitleFormat::SubViewer1;
  if (ArrowLine(line, false)) return TSubtitleFormat::SubRip;
  if (ArrowLine(line, true)) return TSubtitleFormat::WebVtt;
  if (SubViewerPair(line)) return TSubtitleFormat::SubViewer2;
  if (TmPlayerLine(line)) return TSubtitleFormat::TmPlayer;
  if (StartsWithNoCase(line, "<sync")) return TSubtitleFormat::Sami;
  return std::nullopt;
}

// Lines that come before the first cue without telling the format: SubRip's
// cue numbers and SubViewer's "[INFORMATION]" block.
bool IsPreamble(std::string_view line) {
  line = Trim(line);
  return line.empty() || AllDigits(line) || (line.starts_with('[') && line.ends_with(']') && !BracketClock(line) &&
                                             !FramedLine(line, '[', ']'));
}

std::optional<TSubtitleFormat> Detect(const TLines& lines) {
  const auto first = std::find_if_not(lines.begin(), lines.end(), IsBlank);
  if (first == lines.end()) return std::nullopt;
  const auto head = Trim(*first);
  if (head.starts_with("WEBVTT")) return TSubtitleFormat::WebVtt;
  if (FindNoCase(head, "<sami") != std::string_view::npos) return TSubtitleFormat::Sami;
  if (const auto kind = SubStationKind(lines)) return kind;
  int looked = 0;
  for (auto line = first; line != lines.end() && looked < kDetectLines; ++line) {
    if (const auto format = CueLineFormat(*line)) return format;
    if (!IsPreamble(*line)) ++looked;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TSubtitleFormat> DetectSubtitleFormat(std::string_view utf8) { return Detect(SplitLines(utf8)); }

std::optional<TSubtitleText> ParseSubtitle(std::string_view utf8, double fps) {
  const auto lines = SplitLines(utf8);
  const auto format = Detect(lines);
  if (!format) return std::nullopt;
  if (*format == TSubtitleFormat::MicroDvd) return ReadMicroDvd(lines, fps);
  TSubtitleText subtitle{*format, {}, std::nullopt};
  switch (*format) {
    case TSubtitleFormat::SubRip: subtitle.Cues = ReadArrowCues(lines, false); break;
    case TSubtitleFormat::WebVtt: subtitle.Cues = ReadArrowCues(lines, true); break;
    case TSubtitleFormat::SubViewer1: subtitle.Cues = ReadSubViewer1(lines); break;
    case TSubtitleFormat::SubViewer2: subtitle.Cues = ReadSubViewer2(lines); break;
    case TSubtitleFormat::Ssa:
    case TSubtitleFormat::Ass: subtitle.Cues = ReadSubStation(lines); break;
    case TSubtitleFormat::Sami: subtitle.Cues = ReadSami(utf8); break;
    case TSubtitleFormat::TmPlayer: subtitle.Cues = ReadTmPlayer(lines); break;
    case TSubtitleFormat::Mpl2: subtitle.Cues = ReadMpl2(lines); break;
    case TSubtitleFormat::MicroDvd: break;
  }
  return subtitle;
}

std::string_view FormatExtension(TSubtitleFormat format) { return InfoOf(format).Extension; }

std::string_view FormatName(TSubtitleFormat format) { return InfoOf(format).Name; }

}  // namespace velkaro

namespace velkaro::subtitle_lines {

std::vector<std::string_view> SplitLines(std::string_view text) { return velkaro::SplitLines(text); }

std::optional<TSubRipTimes> SubRipTimes(std::string_view line) {
  const auto span = ArrowLine(line, false);
  if (!span) return std::nullopt;
  std::string_view rest = line.substr(line.find("-->") + 3);
  while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
  TakeClock(rest, ",.", false);
  return TSubRipTimes{span->Start, span->End, rest};
}

std::optional<TMicroDvdFrames> MicroDvdFrames(std::string_view line) {
  const auto framed = FramedLine(Trim(line), '{', '}');
  if (!framed) return std::nullopt;
  return TMicroDvdFrames{framed->Start, framed->End, framed->Text};
}

std::optional<double> DeclaredRate(std::string_view text) { return FrameRateText(text); }

}  // namespace velkaro::subtitle_lines
