#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ArchiveReader.h"

// What the unpacking worker sends back over its pipe: the outcome, the
// refused entries and the candidates, each text with its length ahead.

namespace velkaro {

// Piece by piece into `sink`, so that the worker never holds a second copy of what it read.
void WriteUnpacked(const TUnpacked& unpacked, const std::function<void(std::string_view)>& sink);
std::string EncodeUnpacked(const TUnpacked& unpacked);
// nullopt for anything EncodeUnpacked did not write: short, long or out of range.
std::optional<TUnpacked> DecodeUnpacked(std::string_view bytes);

}  // namespace velkaro
