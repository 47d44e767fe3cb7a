#include "SyncCommand.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "CodePage.h"
#include "ExitStatus.h"
#include "Interrupt.h"
#include "RowFormat.h"
#include "SubtitleSync.h"
#include "UserText.h"

namespace velkaro {

namespace {

struct TSyncArgs {
  TSyncRequest Request;
  bool Json = false;
};

std::optional<TSyncArgs> ParseSyncArgs(const std::vector<std::string_view>& args) {
  TSyncArgs parsed;
  std::vector<std::string_view> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      parsed.Json = true;
    } else if (args[i] == "--replace") {
      parsed.Request.Replace = true;
    } else if (args[i] == "-o") {
      if (++i >= args.size() || args[i].empty()) return std::nullopt;
      parsed.Request.Output = std::filesystem::path(args[i]);
    } else if (args[i].starts_with("-") && args[i] != "-") {
      return std::nullopt;
    } else {
      paths.push_back(args[i]);
    }
  }
  // One place for the synced text: the subtitle's own name or another.
  if (paths.size() != 2 || (parsed.Request.Replace && !parsed.Request.Output.empty())) return std::nullopt;
  parsed.Request.Video = std::filesystem::path(paths[0]);
  parsed.Request.Subtitle = std::filesystem::path(paths[1]);
  return parsed;
}

std::string RatioText(const TAlignment& alignment) { return Cp1254ToUtf8(alignment.Ratio.Name); }

std::string ConfidenceText(const TAlignment& alignment) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", alignment.Confidence);
  return text;
}

std::string JsonPath(const std::filesystem::path& file) {
  return file.empty() ? std::string("null") : Utf8JsonString(file.string());
}

std::string ResultLine(const TSyncResult& result, bool json) {
  const TAlignment& alignment = result.Synced.Alignment;
  const std::string offset = std::to_string(alignment.Retiming.OffsetMs);
  if (!json) {
    return offset + "\t" + RatioText(alignment) + "\t" + ConfidenceText(alignment) + "\t" +
           Utf8TabField(result.Written.string());
  }
  const auto& retimed = result.Synced.Retimed;
  return "{\"offsetMs\":" + offset + ",\"ratio\":" + Utf8JsonString(RatioText(alignment)) +
         ",\"confidence\":" + ConfidenceText(alignment) + ",\"applied\":" + (retimed ? "true" : "false") +
         ",\"written\":" + JsonPath(result.Written) + ",\"original\":" + JsonPath(result.KeptOriginal) +
         ",\"cut\":" + std::to_string(retimed ? retimed->Cut : 0) +
         ",\"dropped\":" + std::to_string(retimed ? retimed->Dropped : 0) + "}";
}

// The box's lines as terminal lines.
void PrintMessage(std::string_view engineText) {
  std::string text = Cp1254ToUtf8(engineText);
  std::erase(text, '\r');
  std::cerr << text << '\n';
}

}  // namespace

TSpeechListener TerminalSpeechListener() {
  CatchInterrupts();
  TSpeechListener listener;
  listener.Stopped = [] { return Interrupted(); };
  if (::isatty(STDERR_FILENO)) {
    listener.Progress = [](int percent) {
      std::cerr << '\r' << FillIn(Tr("Ses okunuyor... %%1"), {std::to_string(percent)}) << std::flush;
    };

  }
  return listener;
}

void EndSpeechProgress() {
  if (::isatty(STDERR_FILENO)) std::cerr << "\r\033[K" << std::flush;
}

int RunSyncCommand(const std::vector<std::string_view>& commandArgs) {
  const auto args = ParseSyncArgs(commandArgs);
  if (!args) return kExitUsage;
  try {
    const TSyncResult result = SyncSubtitleFile(args->Request, TerminalSpeechListener());
    EndSpeechProgress();
    std::cout << ResultLine(result, args->Json) << '\n';
    PrintMessage(SyncResultText(result));
    return result.Synced.Retimed ? kExitClean : kExitFailed;
  } catch (const TSyncError& error) {
    EndSpeechProgress();
    PrintMessage(error.what());
    return error.Failure == TSyncFailure::WriteFailed ? kExitFailed : kExitUnreadable;
  } catch (const TSpeechStopped&) {
    EndSpeechProgress();
    return kExitInterrupted;
  }
}

}  // namespace velkaro
