#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SearchOrigin.h"
#include "SubtitleInfo.h"

namespace velkaro {

// Row icons, indexes into the list's image list.
enum class TRowIcon : int { FilmReel = 0, RarArchive = 1, ZipArchive = 2, Document = 3, WebPage = 4, Download = 5 };

inline constexpr int kColumnCount = 8;

// How well a row fits the videos its search was started from (0 to 100), and why.
struct TRowFit {
  int Score = 0;
  std::string Reasons;  // engine text

  bool operator==(const TRowFit&) const = default;
};

// One accepted subtitle as the list shows it.
struct TResultRow {
  TSubtitleInfo Info;
  TRowIcon Icon = TRowIcon::FilmReel;
  // The search that gave it; null for a row that came from none.
  TSearchOriginPtr Origin = nullptr;
  // How well it fits its search's videos; none for a row of a search by name.
  std::optional<TRowFit> Fit = std::nullopt;

  // The film's parts when the row's search was started from them; else none.
  const std::vector<std::filesystem::path>& Videos() const;

  // Column 0 "Film Adı" is the caption; 1..7 follow the list's column order.
  // Out-of-range columns read the last one.
  const std::string& Column(int column) const;
};

// The rows of the result list, kept where a view reads them in place. A view
// subscribes to hear about changes before and after they happen.
class TResultRows {
 public:
  struct TListener {
    std::function<void(std::size_t row)> BeforeAppend;
    std::function<void(std::size_t row)> AfterAppend;
    std::function<void(std::size_t row)> BeforeRemove;
    std::function<void(std::size_t row)> AfterRemove;
    std::function<void()> BeforeReset;  // clear or reorder
    std::function<void()> AfterReset;
  };

  void SetListener(TListener listener) { Listener_ = std::move(listener); }

  void Append(TResultRow row);
  // Out of range: nothing happens.
  void Remove(std::size_t row);
  void Clear();
  // Reorders ascending by `less`, equal rows keeping their order. When `less`
  // throws, the exception passes on and the rows keep the order they had.
  template <typename Less>
  void Sort(Less less) {
    std::vector<TResultRow> sorted = Rows_;
    std::stable_sort(sorted.begin(), sorted.end(), less);
    Notify(Listener_.BeforeReset);
    Rows_.swap(sorted);
    Notify(Listener_.AfterReset);
  }

  std::size_t Count() const { return Rows_.size(); }
  const TResultRow& operator[](std::size_t row) const { return Rows_[row]; }
  const std::vector<TResultRow>& All() const { return Rows_; }

 private:
  template <typename... Args>
  static void Notify(const std::function<void(Args...)>& hook, Args... args) {
    if (hook) hook(args...);
  }

  std::vector<TResultRow> Rows_;
  TListener Listener_;
};

}  // namespace velkaro
