#include "FrameRate.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "FpsText.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr double kMinFps = 1;
constexpr double kMaxFps = 1000;
// Rates closer than this are the same rate written with fewer decimals.
constexpr double kSameRate = 0.0005;
// More digits than a film has frames: the line is not touched.
constexpr std::size_t kMaxFrameDigits = 15;
constexpr std::int64_t kLastCueMs = 3000;  // a last cue without an end
constexpr std::int64_t kMsPerHour = 3600000;
constexpr std::int64_t kMsPerMinute = 60000;
constexpr std::int64_t kMsPerSecond = 1000;

struct TMicroDvdLine {
  std::int64_t Start = 0;
  std::optional<std::int64_t> End;
  std::string_view Text;  // after the braces, without the line end
};

// A line with its end ("\r\n", "\n" or none) apart.
struct TLine {
  std::string_view Body;
  std::string_view Ending;
};

std::vector<TLine> SplitKeepingEnds(std::string_view text) {
  std::vector<TLine> lines;
  while (!text.empty()) {
    const auto newline = text.find('\n');
    const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    std::string_view body = text.substr(0, newline == std::string_view::npos ? text.size() : newline);
    std::size_t endingSize = next - body.size();
    if (!body.empty() && body.back() == '\r') {
      body.remove_suffix(1);
      ++endingSize;
    }
    lines.push_back({body, text.substr(body.size(), endingSize)});
    text.remove_prefix(next);
  }
  return lines;
}

std::string_view WithoutBom(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  return text;
}

// "{123}" at the front of `text`: the number, with `text` moved past it; an
// empty "{}" gives nullopt inside a found value.
std::optional<std::optional<std::int64_t>> TakeFrame(std::string_view& text) {
  if (text.empty() || text.front() != '{') return std::nullopt;
  const auto close = text.find('}');
  if (close == std::string_view::npos || close - 1 > kMaxFrameDigits) return std::nullopt;
  const std::string_view digits = text.substr(1, close - 1);
  std::optional<std::int64_t> frame;
  if (!digits.empty()) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 0) return std::nullopt;
    frame = value;
  }
  text.remove_prefix(close + 1);
  return frame;
}

std::optional<TMicroDvdLine> ParseLine(std::string_view body) {
  const auto start = TakeFrame(body);
  if (!start || !*start) return std::nullopt;
  const auto end = TakeFrame(body);
  if (!end) return std::nullopt;
  return TMicroDvdLine{**start, *end, body};
}

bool IsBlankLine(std::string_view body) { return TrimView(body).empty(); }

bool IsRateLine(const TMicroDvdLine& line) {
  return line.Start == 1 && line.End == 1 && ParseFrameRate(line.Text).has_value();
}

// The first line with text, when it is a MicroDVD line.
std::optional<TMicroDvdLine> FirstCue(std::string_view text) {
  text = WithoutBom(text);
  while (!text.empty()) {
    const auto newline = text.find('\n');
    std::string_view body = text.substr(0, newline);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    if (!IsBlankLine(body)) return ParseLine(body);
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
  return std::nullopt;
}

std::int64_t Scaled(std::int64_t frame, double factorNum, double factorDen) {
  return std::llround(static_cast<double>(frame) * factorNum / factorDen);
}

std::string FrameText(std::optional<std::int64_t> frame) {
  return "{" + (frame ? std::to_string(*frame) : std::string()) + "}";
}

std::int64_t Milliseconds(std::int64_t frame, double fps) {
  return std::llround(static_cast<double>(frame) * 1000.0 / fps);
}

std::string TimeText(std::int64_t ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / kMsPerHour),
                static_cast<long long>(ms % kMsPerHour / kMsPerMinute),
                static_cast<long long>(ms % kMsPerMinute / kMsPerSecond), static_cast<long long>(ms % kMsPerSecond));
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "{y:i}", "{C:$0000FF}": a letter and a colon after the brace, up to the next closing brace.
bool StartsControlCode(std::string_view text, std::size_t at) {
  return at + 3 < text.size() && text[at] == '{' && IsAsciiLetter(text[at + 1]) && text[at + 2] == ':';
}

// MicroDVD's styles ("{y:i}", "{Y:b,u}") as SubRip's tags, outermost first.
struct TStyleTag {
  char Letter;
  unsigned Bit;
  std::string_view Tag;
};
constexpr TStyleTag kStyleTags[] = {{'i', 1, "i"}, {'b', 2, "b"}, {'u', 4, "u"}};
constexpr char kLineStyle = 'y';
constexpr char kCueStyle = 'Y';
constexpr char kItalicLineMark = '/';

unsigned StylesIn(std::string_view letters) {
  unsigned styles = 0;
  for (const TStyleTag& style : kStyleTags) {
    if (letters.find(style.Letter) != std::string_view::npos) styles |= style.Bit;
  }
  return styles;
}

// A line of a cue without its control codes, and the styles they and a leading "/" give.
struct TStyledLine {
  std::string Text;
  unsigned LineStyles = 0;
  unsigned CueStyles = 0;
};

TStyledLine ReadStyledLine(std::string_view line) {
  TStyledLine styled;
  if (!line.empty() && line.front() == kItalicLineMark) {
    styled.LineStyles |= StylesIn("i");
    line.remove_prefix(1);
  }
  // The next closing brace at or after i, searched for again only once i has passed it:
  // a line full of "{a:" without one stays linear.
  std::size_t close = line.find('}');
  for (std::size_t i = 0; i < line.size();) {
    if (close != std::string_view::npos && close < i) close = line.find('}', i);
    if (close != std::string_view::npos && StartsControlCode(line, i)) {
      const unsigned styles = StylesIn(line.substr(i + 3, close - i - 3));
      if (line[i + 1] == kLineStyle) styled.LineStyles |= styles;
      if (line[i + 1] == kCueStyle) styled.CueStyles |= styles;
      i = close + 1;
    } else {
      styled.Text += line[i++];
    }
  }
  return styled;
}

std::string Tagged(const std::string& text, unsigned styles) {
  std::string open;
  std::string close;
  for (const TStyleTag& style : kStyleTags) {
    if ((styles & style.Bit) == 0) continue;
    open.append("<").append(style.Tag).append(">");
    close.insert(0, "</" + std::string(style.Tag) + ">");
  }
  return open + text + close;
}

// "|" breaks the line; styles become tags, other control codes go (SubRip players would show them).
std::string SubRipText(std::string_view text, std::string_view lineEnd) {
  std::vector<TStyledLine> lines;
  unsigned cueStyles = 0;
  for (std::size_t start = 0;;) {
    const auto bar = text.find('|', start);
    lines.push_back(ReadStyledLine(text.substr(start, bar == std::string_view::npos ? bar : bar - start)));
    cueStyles |= lines.back().CueStyles;
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += lineEnd;
    out += Tagged(lines[i].Text, lines[i].LineStyles & ~cueStyles);
  }
  return Tagged(out, cueStyles);
}

}  // namespace

std::optional<double> ParseFrameRate(std::string_view text) {
  std::string number = Trim(text);
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  if (!(value >= kMinFps && value <= kMaxFps)) return std::nullopt;
  return value;
}

bool IsMicroDvd(std::string_view text) { return FirstCue(text).has_value(); }

std::optional<double> DeclaredFrameRate(std::string_view text) {
  const auto first = FirstCue(text);
  if (!first || !IsRateLine(*first)) return std::nullopt;
  return ParseFrameRate(first->Text);
}

std::string ConvertFrames(std::string_view text, double videoFps, std::optional<double> fallbackFps) {
  if (!IsMicroDvd(text)) return std::string(text);
  std::optional<double> subtitleFps = DeclaredFrameRate(text);
  if (!subtitleFps) subtitleFps = fallbackFps;
  if (!subtitleFps || std::fabs(*subtitleFps - videoFps) < kSameRate) return std::string(text);
  const bool hasBom = text.starts_with(kUtf8Bom);
  std::string out(hasBom ? kUtf8Bom : "");
  bool first = true;
  for (const TLine& line : SplitKeepingEnds(WithoutBom(text))) {
    const auto parsed = ParseLine(line.Body);
    if (!parsed) {
      out.append(line.Body).append(line.Ending);
    } else if (first && IsRateLine(*parsed)) {
      // MicroDVD writes rates with a point: "25", "23.976".
      out.append("{1}{1}").append(DecimalFpsText(videoFps, '.')).append(line.Ending);
    } else {
      std::optional<std::int64_t> end;
      if (parsed->End) end = Scaled(*parsed->End, videoFps, *subtitleFps);
      out.append(FrameText(Scaled(parsed->Start, videoFps, *subtitleFps))).append(FrameText(end));
      out.append(parsed->Text).append(line.Ending);
    }
    if (!IsBlankLine(line.Body)) first = false;
  }
  return out;
}

std::string MicroDvdToSubRip(std::string_view text, double fps) {
  const bool hasBom = text.starts_with(kUtf8Bom);
  const std::vector<TLine> lines = SplitKeepingEnds(WithoutBom(text));
  std::vector<TMicroDvdLine> cues;
  for (const TLine& line : lines) {
    const auto parsed = ParseLine(line.Body);
    if (parsed && !(cues.empty() && IsRateLine(*parsed))) cues.push_back(*parsed);
  }
  const std::string_view lineEnd = !lines.empty() && lines.front().Ending == "\r\n" ? "\r\n" : "\n";
  std::string out(hasBom ? kUtf8Bom : "");
  for (std::size_t i = 0; i < cues.size(); ++i) {
    const std::int64_t start = Milliseconds(cues[i].Start, fps);
    std::int64_t end = start + kLastCueMs;
    if (cues[i].End) {
      end = Milliseconds(*cues[i].End, fps);
    } else if (i + 1 < cues.size()) {
      end = Milliseconds(cues[i + 1].Start, fps);
    }
    out.append(std::to_string(i + 1)).append(lineEnd);
    out.append(TimeText(start)).append(" --> ").append(TimeText(end)).append(lineEnd);
    out.append(SubRipText(cues[i].Text, lineEnd)).append(lineEnd).append(lineEnd);
  }
  return out;
}

}  // namespace velkaro
