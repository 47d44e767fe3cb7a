#include "Catalogue.h"

#include <cstdint>
#include <optional>

namespace velkaro {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderWords = 5;  // magic, revision, count, originals' table, translations' table
constexpr char kContextSeparator = '\x04';

// The catalogue's 32-bit words, in the byte order of the machine that wrote it.
class TWords {
 public:
  explicit TWords(std::span<const unsigned char> bytes) : Bytes_(bytes) {}

  bool ReadByteOrder() {
    const auto little = Read(0, false);
    if (little == kMagic) return true;
    Swapped_ = true;
    return Read(0, true) == kMagic;
  }

  std::optional<std::uint32_t> At(std::size_t offset) const { return Read(offset, Swapped_); }

  // The NUL-terminated string of `length` bytes at the table entry `entry`.
  std::optional<std::string_view> StringOf(std::size_t entry) const {
    const auto length = At(entry);
    const auto start = At(entry + 4);
    if (!length || !start || *start >= Bytes_.size() || Bytes_.size() - *start <= *length) return std::nullopt;
    if (Bytes_[*start + *length] != 0) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(Bytes_.data() + *start), *length);
  }

 private:
  std::optional<std::uint32_t> Read(std::size_t offset, bool swapped) const {
    if (offset > Bytes_.size() || Bytes_.size() - offset < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::size_t at = offset + static_cast<std::size_t>(swapped ? i : 3 - i);
      value = (value << 8) | Bytes_[at];
    }
    return value;
  }

  std::span<const unsigned char> Bytes_;
  bool Swapped_ = false;
};

// A plural entry holds its forms one after another, NUL between: the first is the singular.
std::string_view FirstForm(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

TCatalogue::TCatalogue(std::span<const unsigned char> bytes) {
  TWords words(bytes);
  if (bytes.size() < kHeaderWords * 4 || !words.ReadByteOrder()) return;
  const std::uint32_t count = *words.At(8);
  const std::uint32_t originals = *words.At(12);
  const std::uint32_t translations = *words.At(16);
  // Eight bytes per entry in each table: a count beyond the file is malformed.
  if (count > bytes.size() / 8) return;
  for (std::size_t i = 0; i < count; ++i) {
    const auto original = words.StringOf(originals + i * 8);
    const auto translation = words.StringOf(translations + i * 8);
    if (!original || !translation) continue;
    const std::string_view text = FirstForm(*original);
    // The empty text is the catalogue's own header.
    if (text.empty() || text.find(kContextSeparator) != std::string_view::npos) continue;
    if (FirstForm(*translation).empty()) continue;
    Translations_.emplace(text, translation->data());
  }
}

const char* TCatalogue::Find(std::string_view text) const {
  const auto found = Translations_.find(text);
  return found == Translations_.end() ? nullptr : found->second;
}

}  // namespace velkaro
