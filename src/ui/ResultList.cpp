#include "ResultList.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include "Artwork.h"
#include "EngineText.h"

namespace velkaro {

namespace {

// Shown in code page 1254 (UserText.h).
constexpr const char* kDownloadTip = VK_TEXT("Bu altyazıyı Velkarondan indirebilirsiniz.");
constexpr int kIconSize = 16;
// A cell or tip never needs more than a screen's width of text; the
// properties message shows everything.
constexpr qsizetype kMaxShownChars = 1024;

// One line per row: control characters would break it, so they show as blanks.
QString ShownText(std::string_view text) {
  QString shown = FromEngine(text.substr(0, static_cast<std::size_t>(kMaxShownChars)));
  for (QChar& c : shown) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
  }
  return shown;
}

// The score, and its reasons as the cell's tip.
QVariant FitData(const TResultRow& row, int role) {
  if (!row.Fit) return {};
  if (role == Qt::DisplayRole) return QString::number(row.Fit->Score);
  if (role == Qt::ToolTipRole) return ShownText(row.Fit->Reasons);
  return {};
}

}  // namespace

TResultListModel::TResultListModel(TResultRows& rows, QObject* parent) : QAbstractTableModel(parent), Rows_(rows) {
  for (int icon = 0; icon < kRowIconCount; ++icon) Icons_[icon] = RowIcon(static_cast<TRowIcon>(icon));
  Rows_.SetListener({
      .BeforeAppend = [this](std::size_t row) { beginInsertRows({}, static_cast<int>(row), static_cast<int>(row)); },
      .AfterAppend = [this](std::size_t) { endInsertRows(); },
      .BeforeRemove = [this](std::size_t row) { beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row)); },
      .AfterRemove = [this](std::size_t) { endRemoveRows(); },
      .BeforeReset = [this] { beginResetModel(); },
      .AfterReset = [this] { endResetModel(); },
  });
}

TResultListModel::~TResultListModel() { Rows_.SetListener({}); }

int TResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows_.Count());
}

int TResultListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount + (FitShown_ ? 1 : 0);
}

void TResultListModel::ShowFitColumn(bool shown) {
  if (shown == FitShown_) return;
  if (shown) {
    beginInsertColumns({}, kColumnCount, kColumnCount);
    FitShown_ = true;
    endInsertColumns();
  } else {
    beginRemoveColumns({}, kColumnCount, kColumnCount);
    FitShown_ = false;
    endRemoveColumns();
  }
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= Rows_.Count()) return {};
  const TResultRow& row = Rows_[static_cast<std::size_t>(index.row())];
  if (index.column() == kColumnCount) return FitData(row, role);
  switch (role) {
    case Qt::DisplayRole:
      return ShownText(row.Column(index.column()));
    case Qt::DecorationRole:
      if (index.column() != 0) return {};
      return Icons_.at(static_cast<std::size_t>(row.Icon));
    case Qt::ToolTipRole:
      return ShownText(InfoTip(row));
    default:
      return {};
  }
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const TColumnLayout& column = section == kColumnCount ? kFitColumnLayout : kResultColumns[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return TrQ(column.Caption);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags TResultListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

TRepaintThrottle::TRepaintThrottle(QWidget& shown) : QObject(&shown), Shown_(shown) {
  Held_.setSingleShot(true);
  connect(&Held_, &QTimer::timeout, this, [this] {
    Shown_.setUpdatesEnabled(true);
    // What was marked dirty while held is not scheduled again by the toolkit:
    // paint it now.
    Shown_.repaint();
    LastShown_.start();
  });
  LastShown_.start();
}

void TRepaintThrottle::Changed() {
  if (Held_.isActive()) return;
  const qint64 since = LastShown_.elapsed();
  if (since >= kRepaintIntervalMs) {
    LastShown_.start();
    return;
  }
  Shown_.setUpdatesEnabled(false);
  Held_.start(static_cast<int>(kRepaintIntervalMs - since));
}

void SetUpResultList(QTableView& view, TResultListModel& model) {
  view.setModel(&model);
  view.setObjectName(QStringLiteral("ResultView"));
  view.setFont(DialogFont());
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setSelectionMode(QAbstractItemView::SingleSelection);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setIconSize(QSize(kIconSize, kIconSize));
  view.setWordWrap(false);
  view.setTextElideMode(Qt::ElideRight);
  view.setContextMenuPolicy(Qt::CustomContextMenu);
  view.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view.setCornerButtonEnabled(false);

  // Rows of one height keep tens of thousands of rows cheap to lay out.
  QHeaderView& rowsHeader = *view.verticalHeader();
  rowsHeader.hide();
  rowsHeader.setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader.setDefaultSectionSize(qMax(kIconSize, view.fontMetrics().height()) + 2);

  QHeaderView& header = *view.horizontalHeader();
  header.setSectionsMovable(true);
  header.setSectionsClickable(true);
  header.setHighlightSections(false);
  header.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header.setStretchLastSection(false);
  for (int column = 0; column < kColumnCount; ++column) {
    const int width = kResultColumns[static_cast<std::size_t>(column)].Width;
    if (width == 0) {
      header.setSectionResizeMode(column, QHeaderView::Stretch);
    } else {
      header.setSectionResizeMode(column, QHeaderView::Interactive);
      header.resizeSection(column, width);
    }
  }
}

void FitColumnsToContents(QTableView& view) {
  QHeaderView& header = *view.horizontalHeader();
  // Public on the base; the table's own measure of the rows on show.
  const QAbstractItemView& rows = view;
  const int widest = std::max(view.viewport()->width() / 3, 1);
  for (int column = 0; column < kColumnCount; ++column) {
    if (kResultColumns[static_cast<std::size_t>(column)].Width == 0) continue;
    const int needed = std::max(rows.sizeHintForColumn(column), header.sectionSizeHint(column));
    header.resizeSection(column, std::max(header.sectionSize(column), std::min(needed, widest)));
  }
}

std::string InfoTip(const TResultRow& row) {
  return row.Icon == TRowIcon::WebPage ? row.Info.FilmName : Tr1254(kDownloadTip);
}

std::string PropertiesText(const TResultRow& row) {
  const TSubtitleInfo& info = row.Info;
  const std::pair<const char*, const std::string*> lines[] = {
      {VK_TEXT("Film adı:  "), &info.FilmName},
      {VK_TEXT("Altyazı Dili:  "), &info.Language},
      {VK_TEXT("FPS:  "), &info.Fps},
      {VK_TEXT("CD Sayısı:  "), &info.CdCount},
      {VK_TEXT("Eklenme Tarihi:  "), &info.DateAdded},
      {VK_TEXT("Altyazı Formatı:  "), &info.Format},
      {VK_TEXT("Ekleyen:  "), &info.Uploader},
  };
  std::string text;
  for (const auto& [label, value] : lines) text.append(Tr1254(label)).append(*value).append("\r\n");
  if (row.Fit) text.append(FillIn(Tr1254("Uyum:  %1 (%2)"), {std::to_string(row.Fit->Score), row.Fit->Reasons})).append("\r\n");
  return text;
}

}  // namespace velkaro
