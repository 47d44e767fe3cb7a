#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "GifCheck.h"
#include "sitesim/GifWriter.h"
#include "sitesim/UpdateSite.h"

namespace velkaro {
namespace {

// 3 x 2, two colours, one frame: small enough to cut at every byte.
std::string TinyGif() {
  sim::TGifPicture picture;
  picture.Width = 3;
  picture.Height = 2;
  picture.Palette = {{0, 0, 0}, {255, 255, 255}};
  picture.Frames.push_back({{0, 1, 0, 1, 0, 1}, 10});
  return sim::EncodeGif(picture);
}

TEST(GifCheck, OnlyTheWholeStreamPasses) {
  for (const std::string& gif : {TinyGif(), sim::BannerArtwork()}) {
    EXPECT_TRUE(IsWholeGif(gif));
    EXPECT_TRUE(IsWholeGif(gif + "after the trailer"));
    for (std::size_t size = 0; size < gif.size(); ++size) {
      ASSERT_FALSE(IsWholeGif(std::string_view(gif).substr(0, size))) << "cut at " << size << " of " << gif.size();
    }
  }
}

TEST(GifCheck, MalformedStreamsFail) {
  const std::string gif = TinyGif();
  std::string other = gif;
  other[0] = 'J';
  EXPECT_FALSE(IsWholeGif(other)) << "signature";
  other = gif;
  other[6] = other[7] = '\0';
  EXPECT_FALSE(IsWholeGif(other)) << "no width";
  // Header and palette, then straight to the trailer.
  const std::size_t screenAndPalette = 13 + 3 * 2;
  EXPECT_FALSE(IsWholeGif(gif.substr(0, screenAndPalette) + "\x3B")) << "no image";
  EXPECT_FALSE(IsWholeGif(gif.substr(0, screenAndPalette) + "\x99" + gif.substr(screenAndPalette))) << "unknown block";
  EXPECT_FALSE(IsWholeGif("<html><body>404</body></html>"));
}

}  // namespace
}  // namespace velkaro
