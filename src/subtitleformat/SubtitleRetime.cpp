#include "SubtitleRetime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "SubtitleLines.h"

namespace velkaro {

namespace {

using subtitle_lines::SplitLines;

// Further than any film runs (about 30 years): a time past it is held there,
// so that no product overflows.
constexpr std::int64_t kFarthestMs = 1'000'000'000'000;

// A line as the reader sees it, and the same line with its end as written.
struct TLine {
  std::string_view Body;
  std::string_view Whole;
};

std::vector<TLine> LinesWithEnds(std::string_view text, std::string_view& before) {
  const auto bodies = SplitLines(text);
  std::vector<TLine> lines;
  lines.reserve(bodies.size());
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    const char* from = bodies[i].data();
    const char* to = i + 1 < bodies.size() ? bodies[i + 1].data() : text.data() + text.size();
    lines.push_back({bodies[i], std::string_view(from, static_cast<std::size_t>(to - from))});
  }
  before = text.substr(0, bodies.empty() ? text.size() : static_cast<std::size_t>(bodies[0].data() - text.data()));
  return lines;
}

std::string_view EndingOf(const TLine& line) { return line.Whole.substr(line.Body.size()); }

std::string_view LeadingBlanks(std::string_view body) {
  return body.substr(0, std::min(body.find_first_not_of(" \t"), body.size()));
}

bool IsNumberLine(std::string_view body) {
  const auto first = body.find_first_not_of(" \t");
  const auto last = body.find_last_not_of(" \t");
  if (first == std::string_view::npos) return false;
  const auto digits = body.substr(first, last - first + 1);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// MicroDVD writes rates with a point and no trailing zeros: "25", "23.976".
std::string RateText(double fps) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", fps);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

// Where a retimed cue lands: kept as is, started at 0, or gone.
enum class TFate { Kept, Cut, Dropped };

TFate FateOf(std::int64_t& start, std::optional<std::int64_t> end) {
  // A cue moved to end at the film's start is gone; one that stood there already stays.
  if (end ? *end < 0 || (*end == 0 && start < 0) : start < 0) return TFate::Dropped;
  if (start >= 0) return TFate::Kept;
  start = 0;
  return TFate::Cut;
}

void Count(TFate fate, TRetimed& out) {
  if (fate == TFate::Cut) ++out.Cut;
  if (fate == TFate::Dropped) ++out.Dropped;
}

// A cue starts at its number line when it has one, else at its time line.
std::string RetimeSubRip(std::string_view text, const TRetiming& retiming, TRetimed& out) {
  std::string_view before;
  const auto lines = LinesWithEnds(text, before);
  std::vector<std::size_t> heads;
  std::vector<std::optional<subtitle_lines::TSubRipTimes>> times(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    times[i] = subtitle_lines::SubRipTimes(lines[i].Body);
    if (!times[i]) continue;
    const bool numbered = i > 0 && IsNumberLine(lines[i - 1].Body) && !times[i - 1] && (heads.empty() || heads.back() < i - 1);
    heads.push_back(numbered ? i - 1 : i);
  }
  std::string written(before);
  for (std::size_t i = 0; i < (heads.empty() ? lines.size() : heads[0]); ++i) written += lines[i].Whole;
  int number = 0;
  for (std::size_t c = 0; c < heads.size(); ++c) {
    const std::size_t end = c + 1 < heads.size() ? heads[c + 1] : lines.size();
    std::size_t at = heads[c];
    const bool numbered = !times[at];
    const auto& cue = *times[numbered ? at + 1 : at];
    std::int64_t start = retiming.Apply(cue.StartMs);
    // An end written before its start is read as the start, here as by the reader.
    const std::int64_t stop = retiming.Apply(std::max(cue.EndMs, cue.StartMs));
    const TFate fate = FateOf(start, stop);
    Count(fate, out);
    if (fate == TFate::Dropped) continue;
    ++number;
    if (numbered) {
      // Once a cue has gone, the numbers are counted again from 1.
      const TLine& line = lines[at++];
      written += out.Dropped > 0 ? std::string(LeadingBlanks(line.Body)) + std::to_string(number) + std::string(EndingOf(line))
                                 : std::string(line.Whole);
    }
    const TLine& timeLine = lines[at++];
    written.append(LeadingBlanks(timeLine.Body)).append(SubRipClock(start)).append(" --> ").append(SubRipClock(std::max(stop, start)));
    written.append(cue.Rest).append(EndingOf(timeLine));
    for (; at < end; ++at) written += lines[at].Whole;
  }
  return written;
}

std::string RetimeMicroDvd(std::string_view text, const TRetiming& retiming, double videoFps, TRetimed& out) {
  std::string_view before;
  const auto lines = LinesWithEnds(text, before);
  std::optional<double> declared;
  std::vector<std::optional<subtitle_lines::TMicroDvdFrames>> frames(lines.size());
  bool first = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    frames[i] = subtitle_lines::MicroDvdFrames(lines[i].Body);
    if (frames[i] && std::exchange(first, false) && frames[i]->Start == 1 && frames[i]->End == 1) {
      declared = subtitle_lines::DeclaredRate(frames[i]->Text);
      if (declared) frames[i]->Text = {};
    }
  }
  const double from = declared.value_or(videoFps);
  const auto moved = [&](std::int64_t frame) {
    const double ms = retiming.Apply(static_cast<double>(frame) * 1000.0 / from);
    return std::llround(std::clamp(ms * videoFps / 1000.0, -static_cast<double>(kFarthestMs), static_cast<double>(kFarthestMs)));
  };
  std::string written(before);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& cue = frames[i];
    if (!cue) {
      written += lines[i].Whole;
    } else if (declared && cue->Text.empty() && cue->Start == 1 && cue->End == 1) {
      written.append("{1}{1}").append(RateText(videoFps)).append(EndingOf(lines[i]));
      declared.reset();
    } else {
      std::int64_t start = moved(cue->Start);
      std::optional<std::int64_t> end;
      if (cue->End) end = moved(std::max(*cue->End, cue->Start));
      const TFate fate = FateOf(start, end);
      Count(fate, out);
      if (fate == TFate::Dropped) continue;
      written.append(LeadingBlanks(lines[i].Body)).append("{" + std::to_string(start) + "}");
      written.append(end ? "{" + std::to_string(std::max(*end, start)) + "}" : std::string("{}"));
      written.append(cue->Text).append(EndingOf(lines[i]));
    }
  }
  return written;
}

}  // namespace

std::string SubRipClock(std::int64_t ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::int64_t TRetiming::Apply(std::int64_t ms) const {
  const std::int64_t scaled = std::clamp(ms, -kFarthestMs, kFarthestMs) * Num;
  // Rounded half away from zero, as llround does.
  const std::int64_t quotient = (scaled >= 0 ? scaled + Den / 2 : scaled - Den / 2) / Den;
  return quotient + OffsetMs;
}

double TRetiming::Apply(double ms) const {
  const double held = std::clamp(ms, -static_cast<double>(kFarthestMs), static_cast<double>(kFarthestMs));
  return held * static_cast<double>(Num) / static_cast<double>(Den) + static_cast<double>(OffsetMs);
}

bool CanRetime(TSubtitleFormat format) {
  return format == TSubtitleFormat::SubRip || format == TSubtitleFormat::MicroDvd;
}

std::optional<TRetimed> RetimeSubtitle(std::string_view utf8, const TRetiming& retiming, double videoFps) {
  const auto format = DetectSubtitleFormat(utf8);
  if (!format || !CanRetime(*format)) return std::nullopt;
  // The rate the reader falls back on, for a caller that knows none.
  if (!(videoFps >= 1 && videoFps <= 1000)) videoFps = 25.0;
  TRetimed out;
  out.Text = *format == TSubtitleFormat::SubRip ? RetimeSubRip(utf8, retiming, out)
                                                : RetimeMicroDvd(utf8, retiming, videoFps, out);
  return out;
}

}  // namespace velkaro
