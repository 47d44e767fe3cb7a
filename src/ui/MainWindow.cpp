#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>
#include <iterator>
#include <utility>

#include "AboutBox.h"
#include "BestFetch.h"
#include "BestRows.h"
#include "AdvancedSearchDialog.h"
#include "Artwork.h"
#include "DownloadOptionsDialog.h"
#include "LanguageMenu.h"
#include "DownloadStart.h"
#include "DownloadWindow.h"
#include "ReadySubtitle.h"
#include "EngineText.h"
#include "OrdelBanner.h"
#include "ProgramSettings.h"
#include "ProxyOptionsDialog.h"
#include "QtDispatcher.h"
#include "ResultList.h"
#include "ResultIntake.h"
#include "RowComparison.h"
#include "SyncToAudioDialog.h"
#include "SettingsFile.h"
#include "TextHelpers.h"
#include "TitleMatch.h"
#include "VideoFacts.h"
#include "VideoStrip.h"
#include "WindowUpdateCheck.h"

namespace velkaro {

namespace {

constexpr QSize kWindowSize(611, 503);
constexpr int kMenuBarHeight = 23;
constexpr int kToolPanelHeight = 75;
constexpr int kToolIconSize = 48;
constexpr std::array<int, 2> kFixedPanelWidths = {155, 35};

// The sort items with their mnemonics, in column order; the menu bar spells
// one of them differently from the column caption.
constexpr const char* kSortItems[kColumnCount] = {
    VK_TEXT("&Film Adı"), VK_TEXT("&URL"),      VK_TEXT("&Dil"),      VK_TEXT("F&PS"),
    VK_TEXT("&CD"),       VK_TEXT("&Eklenme Tarihi"), VK_TEXT("Ek&leyen"), VK_TEXT("Fo&rmat")};
constexpr int kMenuBarRenamedColumn = 5;
constexpr int kVideoNamesWidth = 170;

// A command's key with every further modifier held at the same time: those
// do not get in its way. The first one is what menus show beside the command.
QList<QKeySequence> KeyWithAnyFurtherModifiers(Qt::Key key, Qt::KeyboardModifiers needs) {
  QList<QKeySequence> keys;
  const Qt::KeyboardModifier further[] = {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier};
  for (unsigned held = 0; held < (1U << std::size(further)); ++held) {
    Qt::KeyboardModifiers modifiers = needs;
    for (std::size_t bit = 0; bit < std::size(further); ++bit) {
      if ((held & (1U << bit)) != 0) modifiers |= further[bit];
    }
    const QKeySequence sequence(QKeyCombination(modifiers, key));
    if (!keys.contains(sequence)) keys << sequence;
  }
  return keys;
}

// "Video dosyaları (*.avi *.mkv ...);;Tüm dosyalar (*)"
QString VideoFileFilter() {
  QStringList patterns;
  for (const std::string_view extension : kVideoExtensions) {
    patterns << QStringLiteral("*.") + QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
  }
  return TrQ("Video dosyaları (%1);;Tüm dosyalar (*)").arg(patterns.join(QLatin1Char(' ')));
}

// Nothing on this desktop opened `url`: the person gets it to copy (code page 1254).
std::string CannotOpenMessage(const QUrl& url) {
  if (url.isLocalFile()) {
    return ToEngine(TrQ("Dosya açılamadı. Yolunu kopyalayıp kendiniz açabilirsiniz:") + QStringLiteral("\r\n") +
                    url.toLocalFile());
  }
  return ToEngine(TrQ("Tarayıcı açılamadı. Adresi kopyalayıp tarayıcınıza yapıştırabilirsiniz:") + QStringLiteral("\r\n") +
                  url.toString());
}

// The local files among what is dragged; addresses and text are no video.
std::vector<std::filesystem::path> DraggedFiles(const QMimeData* data) {
  std::vector<std::filesystem::path> files;
  if (data == nullptr) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.push_back(ToPath(url.toLocalFile()));
  }
  return files;
}

}  // namespace

// A status bar panel: one line of text in a sunken frame, cut with an
// ellipsis at its end when asked to.
class TStatusPanel final : public QFrame {
 public:
  TStatusPanel(QWidget* parent, bool elide) : QFrame(parent), Elide_(elide) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }

  void SetText(QString text) {
    Text_ = std::move(text);
    update();
  }
  const QString& Text() const { return Text_; }

  QSize sizeHint() const override { return {1, fontMetrics().height() + 4}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(2, 0, -2, 0);
    const QString shown = Elide_ ? fontMetrics().elidedText(Text_, Qt::ElideRight, area.width()) : Text_;
    painter.setClipRect(area);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  }

 private:
  bool Elide_;
  QString Text_;
};

TfrmMain::TfrmMain(TMainWindowDeps deps, QWidget* parent)
    : QMainWindow(parent),
      Deps_(std::move(deps)),
      Dispatcher_(std::make_shared<TQtDispatcher>(this)),
      Session_(std::make_unique<TSearchSession>(Dispatcher_, Deps_.Prompt, Deps_.Sites, Deps_.Files)),
      Model_(std::make_unique<TResultListModel>(Session_->Rows())),
      DownloadStart_(std::make_unique<TDownloadStart>(TDownloadStart::TWindow{
          .Parent = *this,
          .Deps = Deps_,
          .OpenUrl = [this](const QUrl& url) { OpenUrl(url); },
          .ShowModal = [this](QDialog& dialog) { ShowModal(dialog); },
      })),
      UpdateCheck_(std::make_unique<TWindowUpdateCheck>(
          Dispatcher_, TWindowUpdateCheck::TWindow{
                           .Prompt = Deps_.Prompt,
                           .ShowVersionState =
                               [this](std::string_view text, bool repaint) {
                                 Session_->SetPanel(TSearchSession::kVersionPanel, std::string(text));
                                 if (repaint) statusBar()->repaint();
                               },
                           .OpenUrl = [this](const QUrl& url) { OpenUrl(url); },
                       })) {
  Session_->Diagnostics = Deps_.Diagnostics;
  setObjectName(QStringLiteral("frmMain"));
  Session_->Connections = ReadConnections(Deps_.Files.PathOf(TProgramFile::Ini));
  setWindowIcon(ProgramIcon());
  setFont(DialogFont());

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto gap = [central](int height) {
    auto* spacer = new QWidget(central);
    spacer->setFixedHeight(height);
    return spacer;
  };
  auto* toolPanel = new QFrame(central);
  toolPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // At least its designed height, and as tall as the buttons need for icon
  // and caption: squeezed, a caption loses the dots of "İ" and "Ö".
  toolPanel->setMinimumHeight(kToolPanelHeight);
  toolPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  ResultView_ = new QTableView(central);
  SetUpResultList(*ResultView_, *Model_);
  column->addWidget(gap(2));
  column->addWidget(toolPanel);
  column->addWidget(gap(4));
  column->addWidget(ResultView_, 1);
  setCentralWidget(central);

  BuildCommands();
  BuildMenuBar();
  BuildToolBar(*toolPanel);
  BuildContextMenu();
  BuildStatusBar();

  Session_->OnPanelChanged = [this](std::size_t panel) { ShowPanel(panel); };
  Session_->OnIdleChanged = [this] {
    UpdateCommands();
    if (RefitAtSearchEnd_ && Session_->Idle()) FitColumns();
    SearchStateChanged();
  };
  Session_->AnnotateRow = [this](TResultRow& row) { AnnotateFit(row); };
  // Once the first rows of an empty list are in: after the burst they came in.
  connect(Model_.get(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
    if (first == 0) QMetaObject::invokeMethod(this, [this] { FitColumns(); }, Qt::QueuedConnection);
  });
  connect(Model_.get(), &QAbstractItemModel::rowsInserted, this, &TfrmMain::UpdateCommands);
  auto* throttle = new TRepaintThrottle(*this);
  connect(Model_.get(), &QAbstractItemModel::rowsInserted, throttle, &TRepaintThrottle::Changed);
  connect(Model_.get(), &QAbstractItemModel::rowsRemoved, this, &TfrmMain::UpdateCommands);
  connect(Model_.get(), &QAbstractItemModel::modelReset, this, &TfrmMain::UpdateCommands);
  connect(ResultView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfrmMain::UpdateCommands);
  connect(ResultView_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int clicked) { SortBy(clicked); });
  connect(ResultView_, &QAbstractItemView::doubleClicked, this, [this] { StartDownload(); });
  connect(ResultView_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ContextMenu_->popup(ResultView_->viewport()->mapToGlobal(at)); });

  // Drops on the list reach the window as drops on it do.
  installEventFilter(this);
  ResultView_->viewport()->installEventFilter(this);
  setAcceptDrops(true);

  resize(kWindowSize);
  setMinimumSize(kWindowSize);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  ResultView_->setFocus();
  PrepareStart();
}

TfrmMain::~TfrmMain() {
  // Workers waiting on the window give up, and no queued call runs any more.
  Dispatcher_->Shutdown();
  UpdateCheck_.reset();
  Fetch_.reset();
  // The view lets go of the rows before they are gone.
  ResultView_->setModel(nullptr);
  Model_.reset();
  Session_.reset();
}

// ---------------------------------------------------------------- building

void TfrmMain::Connect(QAction& action, std::function<void()> run) {
  // What a handler does not catch is shown, and its remaining steps are skipped.
  connect(&action, &QAction::triggered, this, [this, run = std::move(run)] {
    try {
      run();
    } catch (const std::exception& error) {
      Deps_.Prompt.ShowError(error.what());
    }
  });
}

QAction* TfrmMain::Command(const QString& text, const char* name, std::function<void()> run,
                           std::optional<TEnableRule> rule) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::fromLatin1(name));
  Connect(*action, std::move(run));
  // Held by the window too, so its keys work wherever the focus is in it.
  addAction(action);
  if (rule) Enabling_.push_back({action, *rule});
  return action;
}

void TfrmMain::SetKey(QAction& command, Qt::Key key, Qt::KeyboardModifiers needs) {
  command.setShortcuts(KeyWithAnyFurtherModifiers(key, needs));
  command.setShortcutContext(Qt::WindowShortcut);
}

QAction* TfrmMain::Face(QWidget& owner, QAction& command, const QString& text, const char* name) {
  auto* face = new QAction(text, &owner);
  face->setObjectName(QString::fromLatin1(name));
  Follow(*face, command);
  owner.addAction(face);
  return face;
}

void TfrmMain::Follow(QAction& face, QAction& command) {
  face.setEnabled(command.isEnabled());
  connect(&face, &QAction::triggered, &command, &QAction::trigger);
  connect(&command, &QAction::enabledChanged, &face, &QAction::setEnabled);
}

QAction* TfrmMain::Submenu(QMenu& menu, const char* name) {
  QAction* item = menu.menuAction();
  item->setObjectName(QString::fromLatin1(name));
  Enabling_.push_back({item, TEnableRule::Rows});
  return item;
}

QAction* TfrmMain::ChoiceItem(QWidget& owner, const QString& text, const char* name, TChoice& choice, bool value) {
  QAction* item = owner.addAction(text);
  item->setObjectName(QString::fromLatin1(name));
  Connect(*item, [this, &choice, value] { (this->*choice.Set)(value); });
  item->setCheckable(true);
  (value ? choice.OnItems : choice.OffItems).push_back(item);
  return item;
}

QAction* TfrmMain::StartupItem(QWidget& owner, const QString& text, const char* name, bool show) {
  return ChoiceItem(owner, text, name, DialogAtStart_, show);
}

QAction* TfrmMain::GridItem(QWidget& owner, const QString& text, const char* name, bool on) {
  return ChoiceItem(owner, text, name, Grid_, on);
}

void TfrmMain::TChoice::Tick(bool on) const {
  for (QAction* item : OnItems) item->setChecked(on);
  for (QAction* item : OffItems) item->setChecked(!on);
}

void TfrmMain::BuildCommands() {
  auto icon = [](QAction* command, TToolbarIcon which) {
    // On the tool bar only; the menus show none.
    command->setIcon(ToolbarIcon(which));
    command->setIconVisibleInMenu(false);
  };
  Search_ = Command(TrQ("&Ara..."), "cmdSearch", [this] { AdvancedSearch(); });
  SetKey(*Search_, Qt::Key_S, Qt::ControlModifier);
  Stop_ = Command(TrQ("&Durdur"), "cmdStop", [this] { StopSearch(); }, TEnableRule::Searching);
  SetKey(*Stop_, Qt::Key_D, Qt::ControlModifier);
  icon(Stop_, TToolbarIcon::Stop);
  Download_ = Command(TrQ("İ&ndir..."), "cmdDownload", [this] { StartDownload(); }, TEnableRule::Selected);
  SetKey(*Download_, Qt::Key_K, Qt::ControlModifier);
  FetchBest_ = Command(TrQ("En &uygununu indir"), "cmdFetchBest", [this] { FetchBest(); }, TEnableRule::Fittable);
  SetKey(*FetchBest_, Qt::Key_E, Qt::ControlModifier);
  Properties_ = Command(TrQ("Ö&zellikler"), "cmdProperties", [this] { ShowProperties(); }, TEnableRule::Selected);
  SetKey(*Properties_, Qt::Key_O, Qt::ControlModifier);
  icon(Properties_, TToolbarIcon::Properties);
  // Asks first; the menu bar's "Tümünü sil" does not.
  AskClear_ = Command(TrQ("&Tümünü Sil"), "cmdAskClear", [this] { AskClearResults(); }, TEnableRule::Rows);
  SetKey(*AskClear_, Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
  AskClear_->setIconText(TrQ("Temizle"));
  AskClear_->setToolTip(TrQ("Temizle (Ctrl+Alt+X)"));
  icon(AskClear_, TToolbarIcon::Clear);
  DownloadOptions_ = Command(TrQ("İndirme &seçenekleri..."), "cmdDownloadOptions", [this] { ShowDownloadOptions(); });
  for (int column = 0; column < kColumnCount; ++column) {
    const QByteArray name = QByteArrayLiteral("cmdSortBy") + QByteArray::number(column);
    SortBy_.push_back(Command(TrQ(kSortItems[column]), name.constData(), [this, column] { SortBy(column); }));
  }
}

void TfrmMain::AddSortItems(QMenu& menu, bool menuBarCaptions) {
  for (int column = 0; column < kColumnCount; ++column) {
    QAction& command = *SortBy_.at(static_cast<std::size_t>(column));
    if (menuBarCaptions && column == kMenuBarRenamedColumn) {
      Face(menu, command, TrQ("&Eklenme tarihi"), "mmItemSort5");
    } else {
      menu.addAction(&command);
    }
  }
}

void TfrmMain::BuildMenuBar() {
  // Keys are set on the commands; a tab's text is shown only, for an item that
  // runs a command like another under a caption of its own.
  auto* mm1 = new QMenuBar(this);
  mm1->setObjectName(QStringLiteral("mm1"));
  mm1->setNativeMenuBar(false);
  mm1->setFixedHeight(kMenuBarHeight);
  setMenuBar(mm1);

  // Every item has a mnemonic of its own within its menu.
  QMenu* file = mm1->addMenu(TrQ("&Dosya"));
  QAction* openVideo = Command(TrQ("&Video aç..."), "mmItemOpenVideo", [this] { AskVideos(); });
  SetKey(*openVideo, Qt::Key_V, Qt::ControlModifier);
  file->addAction(openVideo);
  file->addAction(FetchBest_);
  file->addAction(Command(TrQ("Videoları &bırak"), "mmItemLetGoVideos", [this] { LetGoVideos(); }, TEnableRule::Videos));
  file->addSeparator();
  file->addAction(Command(TrQ("Çı&kış"), "mmItemExit", [this] { close(); }));

  QMenu* edit = mm1->addMenu(TrQ("Dü&zen"));
  QMenu* sort = edit->addMenu(TrQ("&Sırala"));
  Submenu(*sort, "mmSort");
  AddSortItems(*sort, true);
  edit->addSeparator();
  DeleteSelected_ = Command(TrQ("Seçileni s&il"), "mmItemDeleteSelected", [this] { DeleteSelected(); }, TEnableRule::Selected);
  edit->addAction(DeleteSelected_);
  edit->addAction(Command(TrQ("&Tümünü sil\tCtrl+Alt+X"), "mmItemClearAll", [this] { ClearResults(); }, TEnableRule::Rows));

  QMenu* commands = mm1->addMenu(TrQ("&Komutlar"));
  commands->addAction(Search_);
  commands->addAction(Stop_);
  commands->addSeparator();
  commands->addAction(Download_);
  commands->addAction(Properties_);

  QMenu* settings = mm1->addMenu(TrQ("&Ayarlar"));
  QMenu* startup = settings->addMenu(TrQ("&Başlangıç"));
  StartupItem(*startup, TrQ("Gelişmiş Aramayı &göster..."), "mmItemShowSearch", true);
  StartupItem(*startup, TrQ("Gelişmiş Aramayı göster&me..."), "mmItemHideSearch", false);
  QMenu* view = settings->addMenu(TrQ("&Görünüm"));
  GridItem(*view, TrQ("Grid &göster"), "mmItemGridOn", true);
  GridItem(*view, TrQ("Grid g&izle"), "mmItemGridOff", false);
  settings->addSeparator();
  // Refused during a search here; the tool bar's item is not.
  settings->addAction(Command(TrQ("&Proxy Ayarları..."), "mmItemProxy", [this] { ShowProxyOptions(); }, TEnableRule::Idle));
  settings->addAction(DownloadOptions_);
  settings->addSeparator();
  settings->addMenu(new TLanguageMenu(Deps_.Files.PathOf(TProgramFile::Ini), Deps_.Prompt, "mm", settings));

  QMenu* tools = mm1->addMenu(TrQ("A&raçlar"));
  tools->addAction(Command(TrQ("&Altyazıyı sese eşitle..."), "mmItemSyncToAudio", [this] { SyncToAudio(); }));

  QMenu* about = mm1->addMenu(TrQ("&Hakkında"));
  about->addAction(Command(QStringLiteral("&BeniOku.txt"), "mmItemReadMe", [this] { ShowReadMe(); }));
  about->addAction(Command(TrQ("&Web Sitesi"), "mmItemWebSite", [this] { ShowWebSite(); }));
  about->addSeparator();
  about->addAction(Command(QStringLiteral("&Velkaro"), "mmItemAbout", [this] { ShowAbout(); }));
}

QMenu* TfrmMain::DropDown(const QString& text, const char* name, QIcon icon, QAction* command) {
  auto* menu = new QMenu(ToolBar_);
  QAction* button = menu->menuAction();
  button->setText(text);
  button->setIcon(icon);
  button->setObjectName(QString::fromLatin1(name));
  if (command != nullptr) Follow(*button, *command);
  ToolBar_->addAction(button);
  // A click anywhere on the button opens the drop-down, as it always has; the
  // button's item runs its command only when triggered itself.
  if (auto* tool = qobject_cast<QToolButton*>(ToolBar_->widgetForAction(button))) {
    tool->setPopupMode(QToolButton::InstantPopup);
  }
  return menu;
}

void TfrmMain::BuildToolBar(QWidget& panel) {
  auto* inner = new QFrame(&panel);
  inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* outerLayout = new QHBoxLayout(&panel);
  outerLayout->setContentsMargins(0, 0, 0, 0);
  outerLayout->addWidget(inner);
  auto* innerLayout = new QHBoxLayout(inner);
  innerLayout->setContentsMargins(0, 0, 0, 0);

  ToolBar_ = new QToolBar(inner);
  ToolBar_->setObjectName(QStringLiteral("ToolBar"));
  ToolBar_->setIconSize(QSize(kToolIconSize, kToolIconSize));
  ToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolBar_->setMovable(false);
  ToolBar_->setFloatable(false);
  ToolBar_->setContentsMargins(0, 0, 0, 0);
  ToolBar_->layout()->setSpacing(0);
  innerLayout->addWidget(ToolBar_);
  auto icon = [](TToolbarIcon which) { return ToolbarIcon(which); };

  QMenu* search = DropDown(TrQ("Ara"), "btnSearch", icon(TToolbarIcon::Search), Search_);
  Face(*search, *Search_, TrQ("&Gelişmiş Arama...\tCtrl+S"), "btnSearchAdvanced");
  ToolBar_->addAction(Stop_);
  ToolBar_->addSeparator();

  QMenu* sort = DropDown(TrQ("Sırala"), "btnSort", icon(TToolbarIcon::Sort), nullptr);
  Submenu(*sort, "btnSort");
  AddSortItems(*sort, false);
  ToolBar_->addAction(AskClear_);
  ToolBar_->addSeparator();

  // "En uygununu indir" under "İndir"'s arrow: a button more would push the
  // banner off the tool bar at the window's smallest width.
  QMenu* download = DropDown(TrQ("İndir"), "btnKaydet", icon(TToolbarIcon::Download), Download_);
  QAction* best = Face(*download, *FetchBest_, TrQ("En &uygununu indir\tCtrl+E"), "btnFetchBest");
  best->setIcon(icon(TToolbarIcon::FetchBest));
  ToolBar_->addAction(Properties_);
  ToolBar_->addSeparator();

  QMenu* settings = DropDown(TrQ("Ayarlar"), "btnSettings", icon(TToolbarIcon::Settings), nullptr);
  QMenu* startup = settings->addMenu(TrQ("&Başlangıç"));
  DialogAtStartItem_ = StartupItem(*startup, TrQ("Gelişmiş Aramayı &Göster..."), "mnItemShowSearch", true);
  StartupItem(*startup, TrQ("Gelişmiş Aramayı Göster&me..."), "mnItemHideSearch", false);
  QMenu* view = settings->addMenu(TrQ("&Görünüm"));
  GridItem(*view, TrQ("Grid &Göster"), "btnGridOn", true);
  GridItem(*view, TrQ("Grid G&izle"), "btnGridOff", false);
  settings->addSeparator();
  settings->addAction(Command(TrQ("&Proxy Ayarları..."), "btnProxy", [this] { ShowProxyOptions(); }));
  settings->addAction(DownloadOptions_);
  settings->addSeparator();
  settings->addMenu(new TLanguageMenu(Deps_.Files.PathOf(TProgramFile::Ini), Deps_.Prompt, "btn", settings));
  ToolBar_->addSeparator();

  BannerArea_ = new TBannerPanel(ToolBar_);
  BannerArea_->setObjectName(QStringLiteral("BannerArea"));
  ToolBar_->addWidget(BannerArea_);
}

void TfrmMain::BuildContextMenu() {
  ContextMenu_ = new QMenu(this);
  ContextMenu_->setObjectName(QStringLiteral("ContextMenu"));
  QMenu* sort = ContextMenu_->addMenu(TrQ("&Sırala"));
  Submenu(*sort, "pmSort");
  AddSortItems(*sort, false);
  ContextMenu_->addSeparator();
  Face(*ContextMenu_, *DeleteSelected_, TrQ("Seçileni S&il"), "pmDeleteSelected");
  ContextMenu_->addAction(AskClear_);
  ContextMenu_->addSeparator();
  ContextMenu_->addAction(Download_);
  ContextMenu_->addAction(FetchBest_);
  ContextMenu_->addSeparator();
  ContextMenu_->addAction(Properties_);
}

void TfrmMain::BuildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("StatusBar1"));
  setStatusBar(bar);
  for (std::size_t panel = 0; panel < Panels_.size(); ++panel) {
    const bool stretches = panel == TSearchSession::kStatusPanel;
    Panels_[panel] = new TStatusPanel(bar, stretches);
    if (stretches) {
      bar->addWidget(Panels_[panel], 1);
    } else {
      Panels_[panel]->setFixedWidth(kFixedPanelWidths.at(panel));
      bar->addWidget(Panels_[panel]);
    }
    ShowPanel(panel);
  }
  VideoStrip_ = new TVideoStrip(kVideoNamesWidth, [this] { LetGoVideos(); }, bar);
  bar->addPermanentWidget(VideoStrip_);
}

// ---------------------------------------------------------------- state

QString TfrmMain::PanelText(std::size_t panel) const { return Panels_.at(panel)->Text(); }

void TfrmMain::ShowPanel(std::size_t panel) { Panels_.at(panel)->SetText(FromEngine(Session_->Panel(panel))); }

std::optional<std::size_t> TfrmMain::SelectedRow() const {
  const QModelIndexList selected = ResultView_->selectionModel()->selectedRows();
  if (selected.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(selected.first().row());
}

QString TfrmMain::VideosText() const { return VideoStrip_->Text(); }

TMainWindowFlags TfrmMain::CurrentFlags() const {
  return {.Grid = ResultView_->showGrid(), .DialogAtStart = DialogAtStartItem_->isChecked()};
}

void TfrmMain::UpdateCommands() {
  const bool selected = ResultView_->selectionModel()->hasSelection();
  const bool rows = Session_->Rows().Count() > 0;
  const bool idle = Session_->Idle();
  const bool fittable = rows && ScoredSearch() && !Fetch_;
  for (const auto& [item, rule] : Enabling_) {
    switch (rule) {
      case TEnableRule::Selected: item->setEnabled(selected); break;
      case TEnableRule::Rows: item->setEnabled(rows); break;
      case TEnableRule::Searching: item->setEnabled(!idle || Fetch_); break;
      case TEnableRule::Idle: item->setEnabled(idle); break;
      case TEnableRule::Videos: item->setEnabled(!Videos_.Videos.empty()); break;
      case TEnableRule::Fittable: item->setEnabled(fittable); break;
    }
  }
  Grid_.Tick(ResultView_->showGrid());
}

// ---------------------------------------------------------------- start and exit

void TfrmMain::PrepareStart() {
  const auto grid = TSettingsFile::Of(Deps_.Files).ReadFlag(kLineGrid);
  if (!grid) Deps_.Prompt.ShowError(Tr1254(kBadSettingsFile));
  ResultView_->setShowGrid(grid.value_or(false));
  setWindowTitle(QStringLiteral("Velkaro ") + QString::fromLatin1(kProgramVersion));
  Session_->SetPanel(TSearchSession::kVersionPanel, Tr1254("Yeni sürüm kontrol ediliyor..."));
  statusBar()->repaint();
  UpdateCommands();
  UpdateCheck_->Start(Deps_.Files, Deps_.Sites, Deps_.CheckForUpdate, Deps_.Diagnostics);
}

void TfrmMain::FirstShow() {
  Banner_ = new TOrdelBanner(BannerArea_, [this](const QUrl& url) { OpenUrl(url); });
  Banner_->show();
  UpdateCheck_->SetBanner(*Banner_);
  const auto atStart = TSettingsFile::Of(Deps_.Files).ReadFlag(kLineDialogAtStart);
  if (!atStart) {
    Deps_.Prompt.ShowError(Tr1254(kBadSettingsFile));
  } else {
    SetDialogAtStart(*atStart);
  }
  // Videos the program was started with take the start-up dialog's place.
  if (!Deps_.VideosAtStart.empty()) {
    OpenVideos(Deps_.VideosAtStart);
  } else if (atStart.value_or(false)) {
    AdvancedSearch();
  }
}

void TfrmMain::SaveDialogAtStart() {
  if (!TSettingsFile::Of(Deps_.Files).RewriteFlag(kLineDialogAtStart, DialogAtStartItem_->isChecked())) {
    Deps_.Prompt.ShowError(Tr1254(kBadSettingsFile));
  }
}

// On the first show, not the first activation: a window manager that keeps new
// windows from taking the focus would otherwise hold these steps until a click.
void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (Shown_) return;
  Shown_ = true;
  // After the show has been handled, so a dialog shown now stacks over the window.
  QMetaObject::invokeMethod(this, [this] { FirstShow(); }, Qt::QueuedConnection);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (Ending_) {
    event->accept();
    return;
  }
  if (Session_->Rows().Count() > 0 &&
      !Deps_.Prompt.Confirm(Tr1254("Programdan çıkmak istiyormusunz?"), IUserPrompt::TButtons::YesNo)) {
    event->ignore();
    return;
  }
  SaveDialogAtStart();
  event->accept();
}

void TfrmMain::EndSession() {
  if (Ending_) return;
  SaveDialogAtStart();
  Ending_ = true;
  close();
}

// ---------------------------------------------------------------- drops

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return HandleDrag(*event);
    default: return QMainWindow::eventFilter(watched, event);
  }
}

bool TfrmMain::HandleDrag(QEvent& event) {
  auto& drop = static_cast<QDropEvent&>(event);
  const auto files = DraggedFiles(drop.mimeData());
  if (files.empty()) return false;
  drop.acceptProposedAction();
  // After the drop has been answered: the dialog is modal.
  if (event.type() == QEvent::Drop) {
    QMetaObject::invokeMethod(this, [this, files] { OpenVideos(files); }, Qt::QueuedConnection);
  }
  return true;
}

// ---------------------------------------------------------------- commands

template <typename Dialog, typename... Args>
void TfrmMain::ShowModal(Args&&... args) {
  auto dialog = std::make_unique<Dialog>(std::forward<Args>(args)..., this);
  ShowModal(*dialog);
}

void TfrmMain::ShowModal(QDialog& dialog) {
  // Discarded by its owner, once, whatever the dialog asks for.
  dialog.setAttribute(Qt::WA_DeleteOnClose, false);
  if (Deps_.ShowDialog) {
    Deps_.ShowDialog(dialog);
  } else {
    dialog.exec();
  }
}

void TfrmMain::AdvancedSearch() {
  RunSearchDialog([this](TAdvancedSearchDialog& dialog) {
    if (!Videos_.Videos.empty()) dialog.KeepVideo(Videos_);
  });
}

void TfrmMain::RunSearchDialog(const std::function<void(TAdvancedSearchDialog&)>& prepare, bool shown) {
  TAdvancedSearchDialog dialog(*Session_, Deps_.Prompt, [this] { return CurrentFlags(); }, Deps_.Files, this);
  prepare(dialog);
  if (shown) {
    ShowModal(dialog);
  } else {
    // "&Ara" with what the dialog would have shown.
    dialog.Button1Click();
  }
  if (!dialog.Searched()) return;
  HoldVideos(dialog.Videos());
  SearchLaunched(dialog);
}

void TfrmMain::HoldVideos(TVideoFacts videos) {
  Videos_ = std::move(videos);
  VideoStrip_->Show(Videos_.Videos);
  UpdateCommands();
}

void TfrmMain::LetGoVideos() { HoldVideos({}); }

void TfrmMain::AskVideos() {
  std::vector<std::filesystem::path> videos;
  if (Deps_.OpenVideoDialog) {
    videos = Deps_.OpenVideoDialog();
  } else {
    for (const QString& file : QFileDialog::getOpenFileNames(this, TrQ("Video aç"), QString(), VideoFileFilter())) {
      videos.push_back(ToPath(file));
    }
  }
  if (!videos.empty()) OpenVideos(videos);
}

void TfrmMain::OpenVideos(const std::vector<std::filesystem::path>& videos) {
  const TFirstFilm film = ReadFirstFilm(videos);
  // fetchBestOnOpen: no dialog, and the rest of the way once the search ends.
  const bool wholeWay = ReadFetchBestOnOpen(Deps_.Files.PathOf(TProgramFile::Ini));
  RunSearchDialog([&film](TAdvancedSearchDialog& dialog) { dialog.ShowVideo(film.Facts, film.LeftOut); }, !wholeWay);
  FetchWhenDone_ = wholeWay && VideoSearch_.has_value();
}

// A file dialog for one file, opened at `start` (a file or a folder); nothing when cancelled.
std::optional<std::filesystem::path> TfrmMain::AskFile(const QString& title, const std::filesystem::path& start,
                                                      const QString& filter) {
  const QString chosen = QFileDialog::getOpenFileName(this, title, FromPath(start), filter);
  if (chosen.isEmpty()) return std::nullopt;
  return ToPath(chosen);
}

std::optional<TSyncChoice> TfrmMain::AskSyncFiles(const TSyncChoice& prefilled) {
  const auto video = AskFile(TrQ("Video seç"), prefilled.Video, VideoFileFilter());
  if (!video) return std::nullopt;
  // Another video than the one offered brings its own subtitle with it.
  std::filesystem::path subtitle = *video == prefilled.Video ? prefilled.Subtitle : PrefilledSyncChoice({*video}).Subtitle;
  if (subtitle.empty()) subtitle = video->parent_path();
  const auto chosen = AskFile(TrQ("Altyazı seç"), subtitle, TrQ("Altyazılar (*.srt *.sub);;Tüm dosyalar (*)"));
  if (!chosen) return std::nullopt;
  return TSyncChoice{*video, *chosen};
}

void TfrmMain::SyncToAudio() {
  // The videos of the last search from videos, else those of the selected row's search.
  std::vector<std::filesystem::path> videos = Videos_.Videos;
  if (const auto row = SelectedRow(); videos.empty() && row) videos = Session_->Rows()[*row].Videos();
  const TSyncChoice prefilled = PrefilledSyncChoice(videos);
  const auto choice = Deps_.AskSyncFiles ? Deps_.AskSyncFiles(prefilled) : AskSyncFiles(prefilled);
  if (!choice) return;
  TfrmSyncToAudio dialog(*choice, Deps_.Prompt, this);
  ShowModal(dialog);
}

void TfrmMain::StopSearch() {
  Stop_->setEnabled(false);
  // A stopped search is not asked again, nor its best row fetched.
  VariantsLeft_.clear();
  FetchWhenDone_ = false;
  if (Fetch_) Fetch_->Stop();
  Session_->Stop();
}

// ---------------------------------------------------------------- the best row

void TfrmMain::SearchLaunched(const TAdvancedSearchDialog& dialog) {
  if (!dialog.Searched()) return;
  const TSearchChoices choices = dialog.Choices();
  if (choices.Videos.empty()) {
    VideoSearch_.reset();
    VariantsLeft_.clear();
    return;
  }
  VideoSearch_ = choices;
  VariantsLeft_ = TitleVariants(choices.Film);
}

// The videos the current search was started from; none for a search by name.
const std::vector<std::filesystem::path>& TfrmMain::CurrentVideos() const {
  static const std::vector<std::filesystem::path> kNone;
  const TSearchOriginPtr& search = Session_->CurrentSearch();
  return search ? search->Videos : kNone;
}

void TfrmMain::SearchStateChanged() {
  if (!Session_->Idle()) {
    RowsAtLaunch_ = Session_->Rows().Count();
    ShowFitColumn(!CurrentVideos().empty());
    return;
  }
  // Once the end notification has run its course: what follows may start searches again.
  QMetaObject::invokeMethod(this, [this] { SearchEnded(); }, Qt::QueuedConnection);
}

void TfrmMain::SearchEnded() {
  if (!Session_->Idle() || !VideoSearch_ || CurrentVideos().empty()) return;
  if (Session_->Rows().Count() == RowsAtLaunch_ && SearchAgainWithVariant()) return;
  VariantsLeft_.clear();
  ShowBestRow();
  if (std::exchange(FetchWhenDone_, false)) FetchBest();
}

// "Salt & Iron" for "Salt and Iron", "Night Orchard" for "The Night Orchard": once each.
bool TfrmMain::SearchAgainWithVariant() {
  if (VariantsLeft_.empty()) return false;
  TSearchChoices choices = *VideoSearch_;
  choices.Film = VariantsLeft_.front();
  VariantsLeft_.erase(VariantsLeft_.begin());
  return RunSearchCommand(*Session_, choices, Deps_.Prompt) && !Session_->Idle();
}

// Best first; of the rows sharing the best score, the one "En uygununu indir" would fetch.
void TfrmMain::ShowBestRow() {
  if (Session_->Rows().Count() == 0) return;
  SortBy(kFitColumn);
  const auto& rows = Session_->Rows().All();
  if (!rows.front().Fit || !ScoredSearch()) return;
  int best = 0;
  for (const TJudgedRow& judged : JudgeRows(FitFilm_->Film, rows, Deps_.Sites)) {
    if (judged.Score.Value < rows.front().Fit->Score) break;
    if (judged.Candidate()) {
      best = static_cast<int>(judged.Row);
      break;
    }
  }
  ResultView_->selectRow(best);
  ResultView_->scrollTo(Model_->index(best, 0));
}

void TfrmMain::ShowFitColumn(bool shown) {
  if (shown == Model_->FitColumnShown()) return;
  Model_->ShowFitColumn(shown);
  if (!shown) return;
  QHeaderView& header = *ResultView_->horizontalHeader();
  header.setSectionResizeMode(kColumnCount, QHeaderView::Interactive);
  header.resizeSection(kColumnCount, kFitColumnLayout.Width);
}

bool TfrmMain::ScoredSearch() const {
  return FitFilm_ && !CurrentVideos().empty() && FitFilm_->Videos == CurrentVideos();
}

// Scored against the videos of the row's own search, whatever search runs now.
void TfrmMain::AnnotateFit(TResultRow& row) {
  const std::vector<std::filesystem::path>& videos = row.Videos();
  if (videos.empty()) return;
  const auto filmOf = [this, &videos] {
    const auto ini = Deps_.Files.PathOf(TProgramFile::Ini);
    return TFitFilm{videos, MatchFilmOf(ReadVideoFacts(videos), ReadPreferredLanguages(ini), ReadDownloadOptions(ini))};
  };
  // The current search's film is read once; a late row of an earlier search gets its own.
  std::optional<TFitFilm> earlier;
  if (videos == CurrentVideos()) {
    ShowFitColumn(true);
    if (!FitFilm_ || FitFilm_->Videos != videos) FitFilm_ = filmOf();
  } else if (!FitFilm_ || FitFilm_->Videos != videos) {
    earlier = filmOf();
  }
  const TRowScore score = ScoreRow((earlier ? *earlier : *FitFilm_).Film, row.Info);
  row.Fit = TRowFit{score.Value, ReasonsText(score)};
}

void TfrmMain::FetchBest() {
  if (Fetch_ || !ScoredSearch()) return;
  TFetchJob job;
  job.Rows = Session_->Rows().All();
  for (const TJudgedRow& judged : JudgeRows(FitFilm_->Film, job.Rows, Deps_.Sites)) {
    // Only rows of a search from these videos.
    if (judged.Candidate() && job.Rows[judged.Row].Videos() == FitFilm_->Videos) job.Candidates.push_back(judged.Row);
  }
  if (job.Candidates.empty()) {
    Deps_.Prompt.ShowInformation(Tr1254("İndirilebilecek uygun altyazı yok."));
    return;
  }
  try {
    job.Proxy = TProxyFile::Read(Deps_.Files.PathOf(TProgramFile::Proxy)).ForTransfer();
  } catch (const TProxyFileError& error) {
    Deps_.Prompt.ShowError(error.what());
    return;
  }
  job.Videos = FitFilm_->Videos;
  job.Options = ReadDownloadOptions(Deps_.Files.PathOf(TProgramFile::Ini));
  job.WorkFolder = Deps_.Files.CacheDir();
  job.Sites = Deps_.Sites;
  job.Diagnostics = Deps_.Diagnostics;
  job.MayOverwrite = [this](const std::filesystem::path& target) {
    return Deps_.Prompt.Confirm(OverwriteQuestion(target), IUserPrompt::TButtons::YesNo);
  };
  const std::vector<TResultRow> rows = job.Rows;
  Fetch_ = std::make_unique<TBestFetch>(Dispatcher_, std::move(job));
  Session_->SetPanel(TSearchSession::kStatusPanel, Tr1254("En uygun altyazı indiriliyor..."));
  UpdateCommands();
  Fetch_->Start([this, rows](const TBestFetchOutcome& outcome) {
    std::string message;
    std::string status;
    if (outcome.Placed) {
      const TResultRow& row = rows[*outcome.Placed];
      const auto site = SiteOfUrl(row.Info.Url, Deps_.Sites);
      message = FillIn(Tr1254("Videonun yanına konan altyazı: %1 (%2, uyum %3)"),
                       {row.Info.FilmName, site ? Deps_.Sites[*site].Name : std::string(),
                        std::to_string(row.Fit ? row.Fit->Score : 0)});
      message += "\r\n" + WrittenFilesText(outcome.Written);
      for (const auto& line : outcome.Messages) message += "\r\n" + line;
      status = Tr1254("Altyazı videonun yanına kondu.");
    } else if (!outcome.Stopped) {
      message = Tr1254("Denenen altyazıların hiçbiri videoya uymadı:");
      for (const auto& tried : outcome.Tried) message += "\r\n" + rows[tried.Row].Info.FilmName + ": " + tried.Refusal;
      status = Tr1254("Uygun altyazı bulunamadı.");
    }
    // Told once the fetch has let go: the message box runs an event loop of its own.
    QMetaObject::invokeMethod(this, [this, message, status] { FetchEnded(message, status); }, Qt::QueuedConnection);
  });
}

void TfrmMain::FetchEnded(const std::string& message, std::string status) {
  Fetch_.reset();
  UpdateCommands();
  if (status.empty()) return;
  Session_->SetPanel(TSearchSession::kStatusPanel, std::move(status));
  Deps_.Prompt.ShowInformation(message);
}

void TfrmMain::StartDownload() {
  if (const auto row = SelectedRow()) DownloadStart_->Start(Session_->Rows()[*row]);
}

void TfrmMain::FitColumns() {
  RefitAtSearchEnd_ = !Session_->Idle();
  FitColumnsToContents(*ResultView_);
}

void TfrmMain::SortBy(int column) {
  SortColumn_ = column;
  TResultRows& rows = Session_->Rows();
  try {
    const TRowOrder order = TRowOrder::For(column, rows, Deps_.Locale);
    // The selection stays on its row. Identical rows keep their relative order
    // in a stable sort, so the n-th twin of the selected row is still its n-th.
    const auto selected = SelectedRow();
    std::optional<TResultRow> kept;
    std::size_t twinsBefore = 0;
    auto same = [](const TResultRow& a, const TResultRow& b) { return a.Icon == b.Icon && a.Info == b.Info; };
    if (selected) {
      kept = rows[*selected];
      for (std::size_t i = 0; i < *selected; ++i) twinsBefore += same(rows[i], *kept) ? 1 : 0;
    }
    rows.Sort(std::cref(order));
    for (std::size_t i = 0; kept && i < rows.Count(); ++i) {
      if (same(rows[i], *kept) && twinsBefore-- == 0) {
        ResultView_->selectRow(static_cast<int>(i));
        break;
      }
    }
  } catch (const TConvertError& error) {
    Deps_.Prompt.ShowError(error.what());
  }
}

void TfrmMain::DeleteSelected() {
  const auto row = SelectedRow();
  if (!row) return;
  // Left alone, the view would select a neighbour; the list keeps no selection.
  ResultView_->selectionModel()->clear();
  Session_->DeleteRow(*row);
}

void TfrmMain::AskClearResults() {
  if (Deps_.Prompt.Confirm(Tr1254("Bulunan sonuçlar temizlensin mi?"), IUserPrompt::TButtons::OkCancel)) ClearResults();
}

void TfrmMain::ClearResults() { Session_->ClearResults(); }

void TfrmMain::ShowProperties() {
  if (const auto row = SelectedRow()) Deps_.Prompt.ShowInformation(PropertiesText(Session_->Rows()[*row]));
}

void TfrmMain::SetGrid(bool on) {
  ResultView_->setShowGrid(on);
  UpdateCommands();
  if (!TSettingsFile::Of(Deps_.Files).RewriteFlag(kLineGrid, on)) Deps_.Prompt.ShowError(Tr1254(kBadSettingsFile));
}

void TfrmMain::SetDialogAtStart(bool show) { DialogAtStart_.Tick(show); }

void TfrmMain::ShowProxyOptions() { ShowModal<TfrmProxyOptions>(Deps_.Files, Deps_.Prompt); }

void TfrmMain::ShowDownloadOptions() {
  ShowModal<TfrmDownloadOptions>(Deps_.Files.PathOf(TProgramFile::Ini), Deps_.Prompt);
}

void TfrmMain::ShowAbout() {
  ShowModal<TfrmAboutBox>(std::function<void(const QUrl&)>([this](const QUrl& url) { OpenUrl(url); }));
}

void TfrmMain::OpenUrl(const QUrl& url) {
  const bool opened = Deps_.OpenUrl ? Deps_.OpenUrl(url) : QDesktopServices::openUrl(url);
  if (!opened) Deps_.Prompt.ShowError(CannotOpenMessage(url));
}

void TfrmMain::ShowReadMe() { OpenUrl(QUrl::fromLocalFile(QFile::decodeName(Deps_.Files.PathOf(TProgramFile::ReadMe).c_str()))); }

void TfrmMain::ShowWebSite() { OpenUrl(QUrl(QString::fromLatin1(kMakerWebSite))); }

}  // namespace velkaro
