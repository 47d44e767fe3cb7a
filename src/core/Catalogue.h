#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <unordered_map>

namespace velkaro {

// A compiled gettext catalogue (the .mo msgfmt writes) as a table from each
// text to its translation. The table points into the bytes it was read
// from, which must outlive it. Entries with a context or without a
// translation are left out; a malformed catalogue, or a malformed entry,
// reads as if it were not there, so that every text falls back to its own.
class TCatalogue {
 public:
  TCatalogue() = default;
  explicit TCatalogue(std::span<const unsigned char> bytes);

  // The translation of `text`, or nullptr when the catalogue has none.
  const char* Find(std::string_view text) const;
  std::size_t Size() const { return Translations_.size(); }
  // Every text with its translation, in no particular order.
  const std::unordered_map<std::string_view, const char*>& Entries() const { return Translations_; }

 private:
  std::unordered_map<std::string_view, const char*> Translations_;
};

}  // namespace velkaro
