#include "ResultRows.h"

namespace velkaro {

namespace {

// The list's columns in display order: "Film Adı", "URL", "Dil", "FPS", "CD",
// "Eklenme Tarihi", "Ekleyen", "Format".
constexpr std::string TSubtitleInfo::*kColumnFields[kColumnCount] = {
    &TSubtitleInfo::FilmName, &TSubtitleInfo::Url,       &TSubtitleInfo::Language, &TSubtitleInfo::Fps,
    &TSubtitleInfo::CdCount,  &TSubtitleInfo::DateAdded, &TSubtitleInfo::Uploader, &TSubtitleInfo::Format,
};

}  // namespace

const std::string& TResultRow::Column(int column) const {
  return Info.*kColumnFields[std::clamp(column, 0, kColumnCount - 1)];
}

const std::vector<std::filesystem::path>& TResultRow::Videos() const {
  static const std::vector<std::filesystem::path> kNone;
  return Origin ? Origin->Videos : kNone;
}

void TResultRows::Append(TResultRow row) {
  const std::size_t index = Rows_.size();
  Notify(Listener_.BeforeAppend, index);
  Rows_.push_back(std::move(row));
  Notify(Listener_.AfterAppend, index);
}

void TResultRows::Remove(std::size_t row) {
  if (row >= Rows_.size()) return;
  Notify(Listener_.BeforeRemove, row);
  Rows_.erase(Rows_.begin() + static_cast<std::ptrdiff_t>(row));
  Notify(Listener_.AfterRemove, row);
}

void TResultRows::Clear() {
  Notify(Listener_.BeforeReset);
  Rows_.clear();
  Notify(Listener_.AfterReset);
}

}  // namespace velkaro
