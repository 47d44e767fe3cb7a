#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include <array>
#include <string>

#include "ResultRows.h"
#include "UserText.h"

class QTableView;

namespace velkaro {

// The list's columns in index order; width 0 takes the remaining width.
struct TColumnLayout {
  const char* Caption;  // a text (VK_TEXT)
  int Width;
};

inline constexpr std::array<TColumnLayout, kColumnCount> kResultColumns = {{
    {VK_TEXT("Film Adı"), 105},
    {VK_TEXT("URL"), 0},
    {VK_TEXT("Dil"), 70},
    {VK_TEXT("FPS"), 50},
    {VK_TEXT("CD"), 27},
    {VK_TEXT("Eklenme Tarihi"), 90},
    {VK_TEXT("Ekleyen"), 55},
    {VK_TEXT("Format"), 55},
}};

inline constexpr int kRowIconCount = 6;

// The ninth column of a search started from videos: each row's score.
inline constexpr TColumnLayout kFitColumnLayout = {VK_TEXT("Uyum"), 45};

// Shows the session's rows where they are kept: the model hears every append,
// removal and reset through the rows' listener and copies nothing.
class TResultListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TResultListModel(TResultRows& rows, QObject* parent = nullptr);
  // Stops listening; the rows must still exist.
  ~TResultListModel() override;
  TResultListModel(const TResultListModel&) = delete;
  TResultListModel& operator=(const TResultListModel&) = delete;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const TResultRows& Rows() const { return Rows_; }
  // The "Uyum" column after the eight: shown for a search started from videos.
  void ShowFitColumn(bool shown);
  bool FitColumnShown() const { return FitShown_; }

 private:
  TResultRows& Rows_;
  std::array<QIcon, kRowIconCount> Icons_;
  bool FitShown_ = false;
};

// Thousands of rows a second can arrive, and every repaint lays out each
// visible cell. While changes pour in, `shown` (with its children) is redrawn
// at most every kRepaintIntervalMs; a lone change still shows at once.
class TRepaintThrottle final : public QObject {
 public:
  static constexpr int kRepaintIntervalMs = 40;

  explicit TRepaintThrottle(QWidget& shown);
  void Changed();

 private:
  QWidget& Shown_;
  QTimer Held_;
  QElapsedTimer LastShown_;
};

// Report view: eight columns at their widths, the row icons, one whole row
// selected at a time, headers that can be dragged, info tips, no editing.
void SetUpResultList(QTableView& view, TResultListModel& model);

// Widens each column but the stretching one to what its header and its rows
// on show need, up to a third of the list's width; none gets narrower.
void FitColumnsToContents(QTableView& view);

// Engine texts (code page 1254).
// The film name for rows the browser opens (icon 4); the download hint for the rest.
std::string InfoTip(const TResultRow& row);
// The properties message: CR LF after every line, the format before the
// uploader, and for a row of a search from videos its fit and why.
std::string PropertiesText(const TResultRow& row);

}  // namespace velkaro
