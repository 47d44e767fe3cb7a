#pragma once

// What happens to a finished download that belongs to a video: the choices of
// the download options, read from velkaro.ini.

namespace velkaro {

struct TDownloadOptions {
  bool Unpack = true;
  bool ToUtf8 = true;
  bool ConvertFrames = true;
  bool LanguageSuffix = false;
  bool MicroDvdToSubRip = false;
  bool SyncToAudio = false;
  bool operator==(const TDownloadOptions&) const = default;
};

}  // namespace velkaro
