#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "HttpMessage.h"

// Pieces every stand-in site builds its answers from.

namespace velkaro::sim {

// &, <, > and " as character references; other bytes (CP1254 included) as they are.
std::string HtmlEscape(std::string_view text);

// A gzip member's optional header fields; empty ones are left out.
struct TGzipFields {
  std::string Name;     // FNAME
  std::string Comment;  // FCOMMENT
  std::string Extra;    // FEXTRA
  bool HeaderCrc = false;  // FHCRC
};

// A gzip member without optional header fields, as most compressing sites send
// their pages.
std::string GzipMember(std::string_view data);
std::string GzipMember(std::string_view data, const TGzipFields& fields);

// A page as it is.
TResponse HtmlResponse(std::string html);
// A page gzip-compressed, with the Content-Encoding that says so.
TResponse GzipResponse(std::string_view html, const TGzipFields& fields = {});

// The start of the HTML 4.01 pages that declare code page 1254 before their
// title: doctype, <html>, <head>, the meta line and the escaped title.
std::string Html401Head(std::string_view title);

// A language as a site's search form offers it, by the site's own number.
struct TSiteLanguage {
  std::string_view Language;
  int Code;
};

// The number of `language` in `languages`; -1 for one the site does not list.
int SiteLanguageCode(std::span<const TSiteLanguage> languages, std::string_view language);

// `<option value="CODE">Language</option>` for each language in order, the
// one whose code is `selected` marked so.
std::string LanguageOptions(std::span<const TSiteLanguage> languages, std::optional<int> selected = std::nullopt);

}  // namespace velkaro::sim
