#pragma once

// velkaro-cli's exit statuses, one list for every command.

namespace velkaro {

inline constexpr int kExitClean = 0;       // search without error markers; download saved
inline constexpr int kExitFailed = 1;      // a site failed; the download failed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitBrowser = 3;     // the row opens in the browser
inline constexpr int kExitUnreadable = 3;  // sync: the video or the subtitle cannot be read
inline constexpr int kExitInterrupted = 130;  // as a shell reports a program ended by SIGINT

}  // namespace velkaro
