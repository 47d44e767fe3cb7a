#include "GifCheck.h"

#include <cstddef>
#include <optional>

namespace velkaro {

namespace {

constexpr std::string_view kSignatures[] = {"GIF87a", "GIF89a"};
constexpr std::size_t kScreenEnd = 13;       // signature and logical screen descriptor
constexpr std::size_t kDescriptorSize = 10;  // image separator included
constexpr unsigned char kImage = 0x2C;
constexpr unsigned char kExtension = 0x21;
constexpr unsigned char kTrailer = 0x3B;
constexpr unsigned char kHasPalette = 0x80;

// Reads the stream front to back; every step fails rather than read past the end.
class TGifWalk {
 public:
  explicit TGifWalk(std::string_view bytes) : Bytes_(bytes) {}

  bool Whole() {
    if (!Header()) return false;
    int images = 0;
    for (;;) {
      const auto block = Byte();
      if (!block) return false;
      if (*block == kTrailer) return images > 0;
      if (*block == kExtension) {
        if (!Byte() || !SubBlocks()) return false;
      } else if (*block == kImage) {
        if (!Image()) return false;
        ++images;
      } else {
        return false;
      }
    }
  }

 private:
  std::optional<unsigned char> Byte() {
    if (At_ >= Bytes_.size()) return std::nullopt;
    return static_cast<unsigned char>(Bytes_[At_++]);
  }
  unsigned Word(std::size_t at) const {
    return static_cast<unsigned char>(Bytes_[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(Bytes_[at + 1])) << 8);
  }
  bool Skip(std::size_t count) {
    if (count > Bytes_.size() - At_) return false;
    At_ += count;
    return true;
  }
  // A palette of 2^(n+1) colours follows when the flags say so.
  bool Palette(unsigned char flags) { return (flags & kHasPalette) == 0 || Skip(3 * (std::size_t{2} << (flags & 7))); }

  bool Header() {
    if (Bytes_.size() < kScreenEnd) return false;
    const std::string_view signature = Bytes_.substr(0, kSignatures[0].size());
    if (signature != kSignatures[0] && signature != kSignatures[1]) return false;
    if (Word(6) == 0 || Word(8) == 0) return false;
    At_ = kScreenEnd;
    return Palette(static_cast<unsigned char>(Bytes_[10]));
  }

  bool SubBlocks() {
    for (;;) {
      const auto size = Byte();
      if (!size) return false;
      if (*size == 0) return true;
      if (!Skip(*size)) return false;
    }
  }

  // After the separator: descriptor, palette, LZW code size, data.
  bool Image() {
    const std::size_t descriptor = At_ - 1;
    if (!Skip(kDescriptorSize - 1)) return false;
    if (!Palette(static_cast<unsigned char>(Bytes_[descriptor + 9]))) return false;
    return Byte().has_value() && SubBlocks();
  }

  std::string_view Bytes_;
  std::size_t At_ = 0;
};

}  // namespace

bool IsWholeGif(std::string_view bytes) { return TGifWalk(bytes).Whole(); }

}  // namespace velkaro
