#pragma once

#include <string_view>
#include <vector>

#include "AudioDecoder.h"
#include "UserText.h"

namespace velkaro {

inline constexpr const char* kSyncUsage =
    VK_TEXT("       velkaro-cli sync [--json] [--replace] [-o OUT] VIDEO SUBTITLE\n");

// A SubRip or MicroDVD subtitle brought in time with the video's speech.
// stdout: the offset in milliseconds, the frame-rate ratio, the confidence
// and the path written, tab-separated or as one JSON object; stderr: what
// the window would say. Exit status: 0 applied, 1 refused for low
// confidence (nothing written) or not written, 2 bad usage, 3 unreadable
// video or subtitle, 130 interrupted.
int RunSyncCommand(const std::vector<std::string_view>& args);

// How a command reading a film's speech stops and shows its progress: Ctrl+C
// stops it, a terminal on stderr is shown how far the reading is. The
// progress line is cleared by EndSpeechProgress.
TSpeechListener TerminalSpeechListener();
void EndSpeechProgress();

}  // namespace velkaro
