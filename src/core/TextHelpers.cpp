#include "TextHelpers.h"

#include <charconv>
#include <zlib.h>

namespace velkaro {

void SplitText(std::string_view text, std::string_view separator, std::vector<std::string>& pieces) {
  pieces.clear();
  if (separator.empty()) {
    if (!text.empty()) pieces.emplace_back(text);
    return;
  }
  std::size_t start = 0;
  for (auto at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
    pieces.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  if (start < text.size()) pieces.emplace_back(text.substr(start));
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  SplitText(text, separator, pieces);
  return pieces;
}

void ReplaceText(std::string& text, std::string_view search, std::string_view replacement) {
  if (search.empty()) return;
  const auto at = text.find(search);
  if (at != std::string::npos) text.replace(at, search.size(), replacement);
}

std::string UrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // "&" and "=" too: a film name must not split a form body or query into another field.
  static constexpr std::string_view kEscaped = " #%&*+<=>";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 128 || kEscaped.find(c) != std::string_view::npos) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string ColonToUnderscore(std::string text) {
  ReplaceText(text, ":", "_");
  return text;
}

std::string AddressExtension(std::string_view address) {
  if (address.size() < 2) return {};
  const auto dot = address.rfind('.', address.size() - 2);
  if (dot == std::string_view::npos) return {};
  return std::string(address.substr(dot));
}

namespace {

// zlib's window bits: negative for a bare deflate stream, +16 for a gzip member.
constexpr int kRawDeflate = -15;
constexpr int kGzipMember = 15 + 16;

struct TInflateStream {
  z_stream Stream{};
  explicit TInflateStream(int windowBits) {
    if (inflateInit2(&Stream, windowBits) != Z_OK) throw TInflateError(Stream.msg ? Stream.msg : zError(Z_MEM_ERROR));
  }
  ~TInflateStream() { inflateEnd(&Stream); }
  TInflateStream(const TInflateStream&) = delete;
  TInflateStream& operator=(const TInflateStream&) = delete;
};

std::size_t RoundUpTo256(std::size_t n) { return n % 256 == 0 ? n : (n / 256 + 1) * 256; }

std::string Inflate(std::string_view compressed, int windowBits, std::size_t maxSize) {
  TInflateStream inflater(windowBits);
  z_stream& z = inflater.Stream;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());

  // The buffer grows by a fixed step; std::string's own growth keeps it amortised linear.
  const std::size_t step = std::max<std::size_t>(RoundUpTo256(compressed.size()), 256);
  // One byte of room past the limit tells a stream that ends exactly at it from a longer one.
  const std::size_t room = maxSize + 1;
  std::string out;
  std::size_t produced = 0;
  for (;;) {
    if (produced == out.size()) {
      if (out.size() >= room) throw TInflateError("inflated body too large");
      out.resize(std::min(out.size() + step, room));
    }
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = static_cast<uInt>(out.size() - produced);
    const int ret = inflate(&z, Z_NO_FLUSH);
    produced = out.size() - z.avail_out;
    if (ret == Z_STREAM_END) {
      if (produced > maxSize) throw TInflateError("inflated body too large");
      break;
    }
    if (ret == Z_OK) continue;
    // Z_BUF_ERROR here means the input ended before the stream did.
    throw TInflateError(z.msg ? z.msg : zError(ret));
  }
  out.resize(produced);
  return out;
}

}  // namespace

std::string InflateRaw(std::string_view compressed, std::size_t maxSize) {
  return Inflate(compressed, kRawDeflate, maxSize);
}

std::string InflateGzipBody(std::string_view body) {
  // The smallest member: a 10-byte header, an empty deflate block, the 8-byte trailer.
  constexpr std::size_t kSmallestMember = 18;
  if (body.size() <= kSmallestMember) throw TInflateError(zError(Z_BUF_ERROR));
  // zlib reads the header with its optional fields and checks the trailer's CRC and length.
  return Inflate(body, kGzipMember, kMaxInflatedSize);
}

TLines::TLines(std::initializer_list<std::string_view> lines) {
  for (auto line : lines) push_back(line);
}

void TLines::push_back(std::string_view line) {
  Starts_.push_back(Text_.size());
  Text_.append(line).push_back('\n');
}

void TLines::clear() {
  Text_.clear();
  Starts_.clear();
}

std::string_view TLines::operator[](std::size_t index) const {
  const std::size_t end = index + 1 < Starts_.size() ? Starts_[index + 1] : Text_.size();
  return std::string_view(Text_).substr(Starts_[index], end - 1 - Starts_[index]);
}

TLines SplitLines(std::string_view body) {
  body = body.substr(0, body.find('\0'));
  TLines lines;
  lines.Text_.reserve(body.size() + 1);
  std::size_t start = 0;
  while (start < body.size()) {
    auto brk = start;
    while (brk < body.size() && body[brk] != '\r' && body[brk] != '\n') ++brk;
    if (brk == body.size()) {
      lines.push_back(body.substr(start));
      break;
    }
    lines.push_back(body.substr(start, brk - start));
    start = brk + 1;
    if (body[brk] == '\r' && start < body.size() && body[start] == '\n') ++start;
  }
  return lines;
}

std::string_view TrimView(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  std::size_t last = text.size();
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::int32_t ToInt(std::string_view text) {
  if (auto value = ParseInt(text)) return *value;
  throw TConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string_view CutAt(std::string_view text, std::string_view marker) {
  return text.substr(0, text.find(marker));
}

std::string_view After(std::string_view text, std::string_view marker) {
  const auto at = text.find(marker);
  return at == std::string_view::npos ? std::string_view{} : text.substr(at + marker.size());
}

}  // namespace velkaro
