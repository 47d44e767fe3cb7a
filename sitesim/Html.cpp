#include "Html.h"

#include <zlib.h>

#include <stdexcept>
#include <utility>

namespace velkaro::sim {

namespace {

constexpr int kGzipWindowBits = 15 + 16;  // 16 asks zlib for a gzip wrapper
constexpr int kMemoryLevel = 8;

constexpr std::string_view kHtml401Top =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
    "<html>\n"
    "<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1254\">\n";

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string GzipMember(std::string_view data) { return GzipMember(data, TGzipFields{}); }

std::string GzipMember(std::string_view data, const TGzipFields& fields) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  // zlib keeps pointers into the header until the member is written.
  std::string name = fields.Name;
  std::string comment = fields.Comment;
  std::string extra = fields.Extra;
  gz_header header{};
  header.os = 3;  // Unix
  header.name = name.empty() ? Z_NULL : reinterpret_cast<Bytef*>(name.data());
  header.comment = comment.empty() ? Z_NULL : reinterpret_cast<Bytef*>(comment.data());
  header.extra = extra.empty() ? Z_NULL : reinterpret_cast<Bytef*>(extra.data());
  header.extra_len = static_cast<uInt>(extra.size());
  header.hcrc = fields.HeaderCrc ? 1 : 0;
  if (deflateSetHeader(&stream, &header) != Z_OK) {
    deflateEnd(&stream);
    throw std::runtime_error("deflateSetHeader failed");
  }
  const std::size_t headerRoom = name.size() + comment.size() + extra.size() + 16;
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + headerRoom, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
  return out;
}

TResponse HtmlResponse(std::string html) {
  TResponse response;
  response.Body = std::move(html);
  return response;
}

TResponse GzipResponse(std::string_view html, const TGzipFields& fields) {
  TResponse response;
  response.Headers.emplace_back("Content-Encoding", "gzip");
  response.Body = GzipMember(html, fields);
  return response;
}

std::string Html401Head(std::string_view title) {
  return std::string(kHtml401Top) + "<title>" + HtmlEscape(title) + "</title>\n";
}

int SiteLanguageCode(std::span<const TSiteLanguage> languages, std::string_view language) {
  for (const auto& entry : languages) {
    if (entry.Language == language) return entry.Code;
  }
  return -1;
}

std::string LanguageOptions(std::span<const TSiteLanguage> languages, std::optional<int> selected) {
  std::string options;
  for (const auto& entry : languages) {
    options += "<option value=\"" + std::to_string(entry.Code) + "\"" + (entry.Code == selected ? " selected" : "") +
               ">" + std::string(entry.Language) + "</option>";
  }
  return options;
}

}  // namespace velkaro::sim
