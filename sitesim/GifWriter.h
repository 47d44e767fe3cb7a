#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A small GIF89a writer for the pictures the stand-in maker's host serves:
// one global palette, full-size frames, LZW-compressed.

namespace velkaro::sim {

struct TRgb {
  std::uint8_t R, G, B;
};

struct TGifFrame {
  std::vector<std::uint8_t> Pixels;  // Width * Height palette indices, row by row
  int DelayCs = 10;                  // hundredths of a second before the next frame
};

struct TGifPicture {
  int Width = 0;
  int Height = 0;
  std::vector<TRgb> Palette;  // 2 to 256 entries; padded with black to a power of two
  std::vector<TGifFrame> Frames;
  // With several frames: how often the animation repeats, 0 for ever.
  int Loops = 0;
};

// Throws std::invalid_argument for a picture a GIF cannot hold.
std::string EncodeGif(const TGifPicture& picture);

}  // namespace velkaro::sim
