#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text formats subtitles come in, recognised and read into cues. Every
// function takes UTF-8 (a byte-order mark allowed) and works in one pass.

namespace velkaro {

enum class TSubtitleFormat { SubRip, MicroDvd, SubViewer1, SubViewer2, Ssa, Ass, Sami, TmPlayer, Mpl2, WebVtt };

struct TCue {
  std::int64_t StartMs = 0;
  std::int64_t EndMs = 0;        // a format without ends: the next cue's start (the last: start + 3 s)
  std::int64_t StartFrame = -1;  // MicroDVD's own frame numbers; -1 for time-based formats
  std::int64_t EndFrame = -1;
  std::string Text;  // as written, markup kept; lines joined by '\n'
};

struct TSubtitleText {
  TSubtitleFormat Format = TSubtitleFormat::SubRip;
  std::vector<TCue> Cues;             // in file order, each with some visible text
  std::optional<double> DeclaredFps;  // MicroDVD's "{1}{1}23.976" (that line is no cue)
};

// The format of a text, told by its first lines; nullopt for none of them.
std::optional<TSubtitleFormat> DetectSubtitleFormat(std::string_view utf8);

// The cues of a text; MicroDVD frames become milliseconds at its declared
// rate, else at `fps`. nullopt when no format is recognised; a recognised
// text may hold no cue.
std::optional<TSubtitleText> ParseSubtitle(std::string_view utf8, double fps = 25.0);

// The usual file extension ("srt", "sub", "ass", "smi", "txt", "vtt"...), without the dot.
std::string_view FormatExtension(TSubtitleFormat format);
// The name people know the format by ("SubRip", "MicroDVD"...).
std::string_view FormatName(TSubtitleFormat format);

}  // namespace velkaro
