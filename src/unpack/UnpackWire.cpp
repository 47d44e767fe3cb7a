#include "UnpackWire.h"

#include <cstdint>

namespace velkaro {

namespace {

constexpr std::string_view kMagic = "VKU1";
constexpr int kLengthBytes = 8;

using TSink = std::function<void(std::string_view)>;

void PutNumber(const TSink& sink, std::uint64_t value) {
  char bytes[kLengthBytes];
  for (int i = 0; i < kLengthBytes; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  sink({bytes, kLengthBytes});
}

void PutText(const TSink& sink, std::string_view text) {
  PutNumber(sink, text.size());
  sink(text);
}

class TWireReader {
 public:
  explicit TWireReader(std::string_view bytes) : Bytes_(bytes) {}

  std::optional<std::uint64_t> Number() {
    if (Bytes_.size() < kLengthBytes) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < kLengthBytes; ++i) value |= std::uint64_t{static_cast<unsigned char>(Bytes_[i])} << (8 * i);
    Bytes_.remove_prefix(kLengthBytes);
    return value;
  }

  std::optional<std::string> Text() {
    const auto size = Number();
    if (!size || *size > Bytes_.size()) return std::nullopt;
    std::string text(Bytes_.substr(0, *size));
    Bytes_.remove_prefix(*size);
    return text;
  }

  bool Take(std::string_view expected) {
    if (!Bytes_.starts_with(expected)) return false;
    Bytes_.remove_prefix(expected.size());
    return true;
  }

  bool AtEnd() const { return Bytes_.empty(); }

 private:
  std::string_view Bytes_;
};

}  // namespace

void WriteUnpacked(const TUnpacked& unpacked, const TSink& sink) {
  sink(kMagic);
  PutNumber(sink, static_cast<std::uint64_t>(unpacked.Outcome));
  PutNumber(sink, unpacked.Refused.size());
  for (const std::string& refused : unpacked.Refused) PutText(sink, refused);
  PutNumber(sink, unpacked.Candidates.size());
  for (const TCandidate& candidate : unpacked.Candidates) {
    PutText(sink, candidate.Name);
    PutText(sink, candidate.Content);
  }
}

std::string EncodeUnpacked(const TUnpacked& unpacked) {
  std::string out;
  WriteUnpacked(unpacked, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

std::optional<TUnpacked> DecodeUnpacked(std::string_view bytes) {
  TWireReader reader(bytes);
  if (!reader.Take(kMagic)) return std::nullopt;
  const auto outcome = reader.Number();
  if (!outcome || *outcome > static_cast<std::uint64_t>(TUnpackOutcome::WorkerFailed)) return std::nullopt;
  TUnpacked unpacked;
  unpacked.Outcome = static_cast<TUnpackOutcome>(*outcome);
  const auto refused = reader.Number();
  if (!refused) return std::nullopt;
  for (std::uint64_t i = 0; i < *refused; ++i) {
    auto text = reader.Text();
    if (!text) return std::nullopt;
    unpacked.Refused.push_back(std::move(*text));
  }
  const auto candidates = reader.Number();
  if (!candidates) return std::nullopt;
  for (std::uint64_t i = 0; i < *candidates; ++i) {
    auto name = reader.Text();
    auto content = name ? reader.Text() : std::nullopt;
    if (!content) return std::nullopt;
    unpacked.Candidates.push_back({std::move(*name), std::move(*content)});
  }
  if (!reader.AtEnd()) return std::nullopt;
  return unpacked;
}

}  // namespace velkaro
