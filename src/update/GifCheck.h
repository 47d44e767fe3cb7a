#pragma once

#include <string_view>

namespace velkaro {

// Whether `bytes` hold a whole GIF stream: signature, a logical screen of at
// least one pixel, then blocks that all end inside the bytes, at least one
// image, and the trailer. Pixel data is not decoded; what follows the trailer
// is not looked at.
bool IsWholeGif(std::string_view bytes);

}  // namespace velkaro
