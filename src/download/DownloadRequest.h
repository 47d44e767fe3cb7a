#pragma once

#include <string>
#include <string_view>

#include "Sites.h"

// How a result row is downloaded, and the texts and names a download makes.
// Engine texts (code page 1254) throughout; no toolkit.

namespace velkaro {

// Which rule a row's address met, in the order they are tried.
enum class TDownloadKind { SubDb, SubsMirror, SubsVault, ExtraTitles, Browser };

struct TDownloadRoute {
  TDownloadKind Kind = TDownloadKind::Browser;
  std::string Referer;
  // The user picks the target before the transfer; otherwise the worker asks
  // once it knows the file's extension.
  bool TargetFirst = false;

  // False: the address is opened in the web browser instead.
  bool Downloads() const { return Kind != TDownloadKind::Browser; }
};

// The first rule whose test text occurs in `url` (plain, case-sensitive).
TDownloadRoute RouteDownload(std::string_view url, const TSiteTable& sites);

// The folder part of SubDb's addresses: "http://" + host + "/subdb/html/".
std::string SubDbAddressPrefix(const TSiteTable& sites);

// "<film with its first ':' as '_'>_<cd>_CD_<fps>_FPS_VK<extension>". A '/'
// (or NUL) from the site would make a path of it, so each becomes '_'.
std::string ProposedFileName(std::string_view film, std::string_view cd, std::string_view fps,
                             std::string_view extension);

// The extension of the file name a Content-Disposition value gives, with its
// leading "."; empty when there is no "filename=" or the name has no ".".
// The name ends at the first ";" or with the value; blanks and one pair of
// surrounding double quotes are not part of it.
std::string ContentDispositionExtension(std::string_view value);

// "<film> altyazısı indiriliyor...": the download window's status line.
std::string DownloadingStatus(std::string_view film);

// The box that confirms a saved subtitle. FPS comes before the CD count.
std::string DownloadedMessage(std::string_view film, std::string_view fps, std::string_view cd,
                              std::string_view dateAdded);

}  // namespace velkaro
