#include "GifWriter.h"

#include <stdexcept>
#include <unordered_map>

namespace velkaro::sim {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;
constexpr std::size_t kMaxSubBlock = 255;

void PutByte(std::string& out, int value) { out.push_back(static_cast<char>(value & 0xFF)); }

void PutWord(std::string& out, int value) {
  PutByte(out, value);
  PutByte(out, value >> 8);
}

// Codes go out least significant bit first, as GIF packs them.
class TBitWriter {
 public:
  void Put(int code, int bits) {
    Pending_ |= static_cast<std::uint32_t>(code) << Count_;
    Count_ += bits;
    while (Count_ >= 8) {
      PutByte(Bytes_, static_cast<int>(Pending_));
      Pending_ >>= 8;
      Count_ -= 8;
    }
  }
  std::string Finish() {
    if (Count_ > 0) PutByte(Bytes_, static_cast<int>(Pending_));
    Pending_ = 0;
    Count_ = 0;
    return std::move(Bytes_);
  }

 private:
  std::string Bytes_;
  std::uint32_t Pending_ = 0;
  int Count_ = 0;
};

// The code stream of one frame. The code width grows one code later than the
// table does, because the decoder builds its table one code behind.
std::string LzwCodes(const std::vector<std::uint8_t>& pixels, int minCodeBits) {
  const int clear = 1 << minCodeBits;
  const int end = clear + 1;
  TBitWriter bits;
  std::unordered_map<std::uint32_t, int> table;
  int next = end + 1;
  int width = minCodeBits + 1;
  bits.Put(clear, width);
  int prefix = pixels.front();
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | pixels[i];
    if (const auto found = table.find(key); found != table.end()) {
      prefix = found->second;
      continue;
    }
    bits.Put(prefix, width);
    if (next < kMaxCodes) {
      table.emplace(key, next++);
      if (next > (1 << width) && width < kMaxCodeBits) ++width;
    } else {
      bits.Put(clear, width);
      table.clear();
      next = end + 1;
      width = minCodeBits + 1;
    }
    prefix = pixels[i];
  }
  bits.Put(prefix, width);
  bits.Put(end, width);
  return bits.Finish();
}

void PutSubBlocks(std::string& out, const std::string& data) {
  for (std::size_t at = 0; at < data.size(); at += kMaxSubBlock) {
    const std::size_t size = std::min(kMaxSubBlock, data.size() - at);
    PutByte(out, static_cast<int>(size));
    out.append(data, at, size);
  }
  PutByte(out, 0);
}

// log2 of the palette size a GIF stores: 2 colours at least.
int PaletteBits(std::size_t colours) {
  int bits = 1;
  while ((std::size_t{1} << bits) < colours) ++bits;
  return bits;
}

void Validate(const TGifPicture& picture) {
  if (picture.Width <= 0 || picture.Height <= 0 || picture.Width > 0xFFFF || picture.Height > 0xFFFF) {
    throw std::invalid_argument("GIF size out of range");
  }
  if (picture.Palette.empty() || picture.Palette.size() > 256) throw std::invalid_argument("GIF palette size");
  if (picture.Frames.empty()) throw std::invalid_argument("GIF without frames");
  const auto pixels = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
  for (const auto& frame : picture.Frames) {
    if (frame.Pixels.size() != pixels) throw std::invalid_argument("GIF frame size");
    for (const auto index : frame.Pixels) {
      if (index >= picture.Palette.size()) throw std::invalid_argument("GIF pixel outside the palette");
    }
  }
}

void PutHeader(std::string& out, const TGifPicture& picture, int paletteBits) {
  out += "GIF89a";
  PutWord(out, picture.Width);
  PutWord(out, picture.Height);
  // A global palette, its colour depth and size.
  PutByte(out, 0x80 | ((paletteBits - 1) << 4) | (paletteBits - 1));
  PutByte(out, 0);  // background colour
  PutByte(out, 0);  // pixel aspect ratio: not given
  for (std::size_t i = 0; i < (std::size_t{1} << paletteBits); ++i) {
    const TRgb colour = i < picture.Palette.size() ? picture.Palette[i] : TRgb{0, 0, 0};
    PutByte(out, colour.R);
    PutByte(out, colour.G);
    PutByte(out, colour.B);
  }
}

void PutLoopExtension(std::string& out, int loops) {
  out += "\x21\xFF\x0B";
  out += "NETSCAPE2.0";
  PutByte(out, 3);
  PutByte(out, 1);
  PutWord(out, loops);
  PutByte(out, 0);
}

void PutFrame(std::string& out, const TGifPicture& picture, const TGifFrame& frame, int paletteBits) {
  // Graphic control: the frame stays when the next is drawn; no transparency.
  out += "\x21\xF9\x04";
  PutByte(out, 1 << 2);
  PutWord(out, frame.DelayCs);
  PutByte(out, 0);
  PutByte(out, 0);
  // Image descriptor over the whole picture, no local palette, not interlaced.
  PutByte(out, 0x2C);
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, picture.Width);
  PutWord(out, picture.Height);
  PutByte(out, 0);
  const int minCodeBits = std::max(2, paletteBits);
  PutByte(out, minCodeBits);
  PutSubBlocks(out, LzwCodes(frame.Pixels, minCodeBits));
}

}  // namespace

std::string EncodeGif(const TGifPicture& picture) {
  Validate(picture);
  const int paletteBits = PaletteBits(picture.Palette.size());
  std::string out;
  PutHeader(out, picture, paletteBits);
  if (picture.Frames.size() > 1) PutLoopExtension(out, picture.Loops);
  for (const auto& frame : picture.Frames) PutFrame(out, picture, frame, paletteBits);
  PutByte(out, 0x3B);
  return out;
}

}  // namespace velkaro::sim
