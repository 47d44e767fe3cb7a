#include "UpdateSite.h"

#include <array>
#include <cstdint>
#include <cstdlib>

#include "GifWriter.h"

namespace velkaro::sim {

namespace {

// --- the banner picture ---------------------------------------------------------

constexpr int kBannerWidth = 146;
constexpr int kBannerHeight = 46;
constexpr int kFrameCount = 12;
constexpr int kFrameDelayCs = 12;

enum TColour : std::uint8_t {
  kShadeFirst = 0,  // 0..7: the background, dark at the top to light at the bottom
  kShadeCount = 8,
  kLetter = 8,
  kLetterLit = 9,
  kBackgroundLit = 10,
  kBorder = 11,
  kUnderline = 12,
};

const std::vector<TRgb> kPalette = {
    {0x0C, 0x1A, 0x3A}, {0x0F, 0x22, 0x4A}, {0x12, 0x2A, 0x5A}, {0x15, 0x32, 0x6A}, {0x18, 0x3A, 0x7A},
    {0x1B, 0x42, 0x8A}, {0x1E, 0x4A, 0x9A}, {0x21, 0x52, 0xAA}, {0xFF, 0xFF, 0xFF}, {0xFF, 0xF2, 0x9E},
    {0x4E, 0x7E, 0xD0}, {0xF2, 0x8C, 0x1C}, {0xFF, 0xB8, 0x4A},
};

// Five dots wide, seven high; the highest of the five bits is the left dot.
struct TGlyph {
  char Letter;
  std::array<std::uint8_t, 7> Rows;
};

constexpr TGlyph kFont[] = {
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
};

constexpr std::string_view kName = "VELKARO";
constexpr int kDot = 3;  // picture pixels per font dot
constexpr int kGlyphWidth = 5 * kDot;
constexpr int kAdvance = kGlyphWidth + kDot;
constexpr int kTextWidth = static_cast<int>(kName.size()) * kAdvance - kDot;
constexpr int kTextLeft = (kBannerWidth - kTextWidth) / 2;
constexpr int kTextTop = 9;
constexpr int kUnderlineTop = kTextTop + 7 * kDot + 5;

const TGlyph* GlyphOf(char letter) {
  for (const auto& glyph : kFont) {
    if (glyph.Letter == letter) return &glyph;
  }
  return nullptr;
}

bool InName(int x, int y) {
  const int dx = x - kTextLeft;
  const int dy = y - kTextTop;
  if (dx < 0 || dy < 0 || dx >= kTextWidth || dy >= 7 * kDot || dx % kAdvance >= kGlyphWidth) return false;
  const TGlyph* glyph = GlyphOf(kName[static_cast<std::size_t>(dx / kAdvance)]);
  const int column = (dx % kAdvance) / kDot;
  return glyph != nullptr && ((glyph->Rows[static_cast<std::size_t>(dy / kDot)] >> (4 - column)) & 1) != 0;
}

// A slanted band of light that crosses the picture once per loop.
bool InSweep(int x, int y, int frame) {
  const int centre = -24 + frame * (kBannerWidth + 48) / kFrameCount;
  return std::abs(x - y / 2 - centre) < 7;
}

std::uint8_t BannerPixel(int x, int y, int frame) {
  if (x == 0 || y == 0 || x == kBannerWidth - 1 || y == kBannerHeight - 1) return kBorder;
  const bool lit = InSweep(x, y, frame);
  if (InName(x, y)) return lit ? kLetterLit : kLetter;
  const bool underline = y >= kUnderlineTop && y < kUnderlineTop + 2 && x >= kTextLeft && x < kTextLeft + kTextWidth;
  if (underline && (x + frame * 2) / 4 % 2 == 0) return kUnderline;
  if (lit) return kBackgroundLit;
  return static_cast<std::uint8_t>(kShadeFirst + y * kShadeCount / kBannerHeight);
}

// --- answers ---------------------------------------------------------------------

TResponse TextResponse(std::string body, std::string contentType) {
  TResponse response;
  response.ContentType = std::move(contentType);
  response.Body = std::move(body);
  return response;
}

std::string AddressOn(std::string_view host, std::string_view path) {
  return "http://" + std::string(host) + std::string(path);
}

}  // namespace

std::string BannerArtwork() {
  TGifPicture picture;
  picture.Width = kBannerWidth;
  picture.Height = kBannerHeight;
  picture.Palette = kPalette;
  for (int frame = 0; frame < kFrameCount; ++frame) {
    TGifFrame pixels;
    pixels.DelayCs = kFrameDelayCs;
    pixels.Pixels.reserve(static_cast<std::size_t>(kBannerWidth * kBannerHeight));
    for (int y = 0; y < kBannerHeight; ++y) {
      for (int x = 0; x < kBannerWidth; ++x) pixels.Pixels.push_back(BannerPixel(x, y, frame));
    }
    picture.Frames.push_back(std::move(pixels));
  }
  return EncodeGif(picture);
}

TUpdateSite::TUpdateSite() : Version_(kDefaultVersion), Image_(BannerArtwork()) {}

void TUpdateSite::SetVersionText(std::string text) {
  std::lock_guard lock(Mutex_);
  Version_ = std::move(text);
}

void TUpdateSite::SetBannerConfig(std::string text) {
  std::lock_guard lock(Mutex_);
  Config_ = std::move(text);
}

void TUpdateSite::SetBannerImage(std::string gif) {
  std::lock_guard lock(Mutex_);
  Image_ = std::move(gif);
}

std::string TUpdateSite::BannerConfig(std::string_view host) const {
  std::lock_guard lock(Mutex_);
  if (Config_) return *Config_;
  return AddressOn(host, kImagePath) + "\r\n" + AddressOn(host, kClickPath) + "\r\n";
}

std::string TUpdateSite::BannerImage() const {
  std::lock_guard lock(Mutex_);
  return Image_;
}

TResponse TUpdateSite::Answer(const TRequest& request) const {
  if (request.Path == kVersionPath) {
    std::lock_guard lock(Mutex_);
    return TextResponse(Version_, "text/html");
  }
  // Exactly the address, without a line break: the program uses it as it comes.
  if (request.Path == kPointerPath) return TextResponse(AddressOn(request.Host, kConfigPath), "text/plain");
  if (request.Path == kConfigPath) return TextResponse(BannerConfig(request.Host), "text/plain");
  if (request.Path == kImagePath) return TextResponse(BannerImage(), "image/gif");
  return NotFoundPage(request);
}

std::unique_ptr<TSimSite> MakeUpdateSite() { return std::make_unique<TUpdateSite>(); }

}  // namespace velkaro::sim
