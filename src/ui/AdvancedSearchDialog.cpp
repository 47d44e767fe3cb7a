#include "AdvancedSearchDialog.h"


#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "Artwork.h"
#include "CodePage.h"
#include "EngineText.h"
#include "SaveDialog.h"
#include "VideoChoices.h"
#include "VideoStrip.h"

namespace velkaro {

namespace {

const QSize kClientSize(419, 267);

// Where each site's box stands in the site box; its caption is the site's
// label, its tick green when the program downloads the site's subtitles itself,
// grey when they open in the browser.
struct TSiteRow {
  SiteId Site;
  int Row;
  int Column;
};
constexpr std::array<TSiteRow, kSiteCount> kSiteRows = {{
    {SiteId::ExtraTitles, 0, 0},
    {SiteId::DivxSubtitles, 0, 1},
    {SiteId::SubDb, 1, 0},
    {SiteId::DivxForever, 1, 1},
    {SiteId::Podnapisi, 2, 0},
}};

template <typename TChoice>
struct TRadioRow {
  TChoice Choice;
  const char* Name;
  const char* Caption;  // a text (VK_TEXT) or a number
  int Row;
  int Column;
};
constexpr std::array<TRadioRow<TCdChoice>, 5> kCdRows = {{
    {TCdChoice::One, "rbOneCD", VK_TEXT("1 CD"), 0, 0},
    {TCdChoice::Two, "rbTwoCD", VK_TEXT("2 CD"), 0, 1},
    {TCdChoice::Three, "rbThreeCD", VK_TEXT("3 CD"), 1, 0},
    {TCdChoice::All, "rbAllCD", VK_TEXT("Hepsi"), 1, 1},
    {TCdChoice::Custom, "rbCustomCD", VK_TEXT("Özel"), 2, 0},
}};
constexpr std::array<TRadioRow<TFpsChoice>, 5> kFpsRows = {{
    {TFpsChoice::Fps23976, "rb23FPS", "23,976", 0, 0},
    {TFpsChoice::Fps25, "rb25FPS", "25", 0, 1},
    {TFpsChoice::Fps2997, "rb29FPS", "29,97", 1, 0},
    {TFpsChoice::All, "rbAllFPS", VK_TEXT("Hepsi"), 1, 1},
    {TFpsChoice::Custom, "rbCustomFPS", VK_TEXT("Özel"), 2, 0},
}};

void SetBold(QWidget* widget, bool bold) {
  QFont font = widget->font();
  font.setBold(bold);
  widget->setFont(font);
}

template <typename TLayout>
TLayout* Tight(TLayout* layout) {
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);
  return layout;
}

QLineEdit* NewEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  return edit;
}

// One radio group of the dialog: buttons from `rows` in a grid, the custom
// value's edit beside the last one, the "Hepsi" item selected.
template <typename TChoice, std::size_t N>
QGroupBox* NewRadioGroup(const QString& caption, const std::array<TRadioRow<TChoice>, N>& rows, QLineEdit* custom,
                         std::array<QRadioButton*, N>& buttons, QButtonGroup*& group, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  auto* grid = Tight(new QGridLayout(box));
  group = new QButtonGroup(box);
  for (std::size_t i = 0; i < N; ++i) {
    buttons[i] = new QRadioButton(TrQ(rows[i].Caption), box);
    buttons[i]->setObjectName(QLatin1String(rows[i].Name));
    buttons[i]->setChecked(rows[i].Choice == TChoice::All);
    group->addButton(buttons[i]);
    grid->addWidget(buttons[i], rows[i].Row, rows[i].Column);
  }
  custom->setParent(box);
  grid->addWidget(custom, rows[N - 1].Row, rows[N - 1].Column + 1);
  return box;
}

// The checked item of a radio group shows in bold.
void BoldChecked(QButtonGroup* group) {
  for (QAbstractButton* button : group->buttons()) SetBold(button, button->isChecked());
}

// A radio group with its custom value's edit, its checked item in bold.
template <typename TChoice, std::size_t N>
QGroupBox* NewChoiceGroup(const QString& caption, const std::array<TRadioRow<TChoice>, N>& rows, const char* customName,
                          QLineEdit*& custom, std::array<QRadioButton*, N>& buttons, QButtonGroup*& group,
                          QWidget* parent) {
  custom = NewEdit(customName, parent);
  custom->setFixedWidth(40);
  QGroupBox* box = NewRadioGroup(caption, rows, custom, buttons, group, parent);
  BoldChecked(group);
  QObject::connect(group, &QButtonGroup::buttonToggled, parent, [checked = group] { BoldChecked(checked); });
  return box;
}

template <typename TChoice, std::size_t N>
void Check(const std::array<TRadioRow<TChoice>, N>& rows, const std::array<QRadioButton*, N>& buttons, TChoice choice) {
  for (std::size_t i = 0; i < N; ++i) {
    if (rows[i].Choice == choice) buttons[i]->setChecked(true);
  }
}

constexpr int kVideoNamesWidth = 320;

// The status line under the controls after videos were read: "Video: 2 parça, 25 fps".
// One part has texts of its own, which a translation may word in the singular.
QString VideoStatus(const TVideoFacts& facts) {
  const QString fps = QString::fromStdString(facts.Fps);
  if (facts.PartCount <= 1) {
    return facts.Fps.empty() ? TrQ("Video: 1 parça, FPS okunamadı") : TrQ("Video: 1 parça, %1 fps").arg(fps);
  }
  const QString parts = QString::number(facts.PartCount);
  if (facts.Fps.empty()) return TrQ("Video: %1 parça, FPS okunamadı").arg(parts);
  return TrQ("Video: %1 parça, %2 fps").arg(parts, fps);
}

// Files opened together that hold another film than the first one.
QString LeftOutStatus(const std::vector<std::filesystem::path>& leftOut) {
  if (leftOut.empty()) return {};
  QStringList names;
  for (const auto& file : leftOut) names << FromPath(file.filename());
  return TrQ("\nBaşka bir filme ait, aramaya katılmadı: %1").arg(names.join(QStringLiteral(", ")));
}

template <typename TChoice, std::size_t N>
TChoice CheckedChoice(const std::array<TRadioRow<TChoice>, N>& rows, const std::array<QRadioButton*, N>& buttons) {
  for (std::size_t i = 0; i < N; ++i) {
    if (buttons[i]->isChecked()) return rows[i].Choice;
  }
  return TChoice::All;
}

std::string SelectedItem(const QComboBox* list) {
  return list->currentIndex() < 0 ? std::string() : ToEngine(list->currentText());
}

}  // namespace

TAdvancedSearchDialog::TAdvancedSearchDialog(TSearchSession& session, IUserPrompt& prompt,
                             std::function<TMainWindowFlags()> currentFlags, const TProgramFiles& files,
                             QWidget* parent)
    : TFormDialog(parent),
      Session_(session),
      Prompt_(prompt),
      CurrentFlags_(std::move(currentFlags)),
      Settings_(TSettingsFile::Of(files)) {
  DressDialog(*this, "frmAllSearch", TrQ("Gelişmiş Arama"));
  BuildControls();
  setFixedSize(kClientSize.expandedTo(sizeHint()));
  FormCreate();
  Edit1->setFocus();
}

void TAdvancedSearchDialog::BuildControls() {
  auto* columns = new QHBoxLayout;
  columns->setSpacing(6);
  auto* left = new QVBoxLayout;
  left->setSpacing(4);
  left->addWidget(BuildSiteGroup());
  auto* radios = new QHBoxLayout;
  radios->setSpacing(6);
  radios->addWidget(
      NewChoiceGroup(TrQ("CD"), kCdRows, "edtCustomCDCount", edtCustomCDCount, CdRadios_, CdGroup_, this));
  radios->addWidget(
      NewChoiceGroup(TrQ("FPS"), kFpsRows, "edtCustomFPS", edtCustomFPS, FpsRadios_, FpsGroup_, this));
  left->addLayout(radios);
  left->addStretch();
  columns->addLayout(left);
  columns->addWidget(BuildRightColumn());

  auto* maximumLabel = new QLabel(TrQ("ExtraTitles Maksimum sonuç:"), this);
  Edit2 = NewEdit("Edit2", this);
  Edit2->setFixedWidth(29);
  Edit2->setText(QStringLiteral("50"));
  maximumLabel->setBuddy(Edit2);
  Button1 = new QPushButton(TrQ("&Ara"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(TrQ("İp&tal"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button1, &QPushButton::clicked, this, &TAdvancedSearchDialog::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TAdvancedSearchDialog::Button2Click);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(maximumLabel);
  bottom->addWidget(Edit2);
  bottom->addStretch();
  bottom->addWidget(Button1);
  bottom->addWidget(Button2);

  // Shown only for a search started from a video.
  lblVideoStatus = new QLabel(this);
  lblVideoStatus->setObjectName(QStringLiteral("lblVideoStatus"));
  lblVideoStatus->setWordWrap(true);
  lblVideoStatus->hide();
  VideoStrip_ = new TVideoStrip(kVideoNamesWidth, [this] { LetGoVideos(); }, this);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 6, 8, 8);
  page->setSpacing(6);
  page->addWidget(VideoStrip_);
  page->addLayout(columns);
  page->addWidget(lblVideoStatus);
  page->addLayout(bottom);
}

QWidget* TAdvancedSearchDialog::BuildSiteGroup() {
  auto* box = new QGroupBox(TrQ("Altyazı Siteleri"), this);
  auto* grid = Tight(new QGridLayout(box));
  grid->setHorizontalSpacing(2);
  for (std::size_t i = 0; i < kSiteRows.size(); ++i) {
    const TSiteRow& row = kSiteRows[i];
    const TSiteFacts& site = FactsOf(row.Site);
    auto* tick = new QLabel(box);
    tick->setPixmap(TickIcon(site.Rows != TSiteRowKind::WebPage).pixmap(16, 16));
    tick->setFixedSize(16, 16);
    auto* check = new QCheckBox(QLatin1String(site.Name), box);
    check->setObjectName(QStringLiteral("chk") + QLatin1String(site.Name));
    check->setChecked(true);
    connect(check, &QCheckBox::clicked, this, &TAdvancedSearchDialog::UpdateSiteFonts);
    SiteBoxes_[i] = check;
    grid->addWidget(tick, row.Row, row.Column * 2);
    grid->addWidget(check, row.Row, row.Column * 2 + 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  grid->setColumnMinimumWidth(2, 18);
  return box;
}

QWidget* TAdvancedSearchDialog::BuildRightColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  auto addGroup = [&](const QString& caption, QWidget* control) {
    auto* box = new QGroupBox(caption, column);
    Tight(new QVBoxLayout(box))->addWidget(control);
    layout->addWidget(box);
  };

  Edit1 = NewEdit("Edit1", column);
  addGroup(TrQ("Film adı"), Edit1);

  ComboBox1 = new QComboBox(column);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  for (const char* item : kLanguageItems) ComboBox1->addItem(QLatin1String(item));
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setMaxVisibleItems(kLanguageItems.size());
  addGroup(TrQ("Altyazı dili"), ComboBox1);

  ComboBox2 = new QComboBox(column);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  for (const char* item : kFormatItems) ComboBox2->addItem(QLatin1String(item));
  ComboBox2->setCurrentIndex(-1);
  addGroup(TrQ("Format"), ComboBox2);

  layout->addStretch();
  column->setFixedWidth(130);
  return column;
}

QCheckBox* TAdvancedSearchDialog::SiteBox(TSettingsLine line) const {
  for (std::size_t i = 0; i < kSiteRows.size(); ++i) {
    if (SettingsLineOf(kSiteRows[i].Site) == line) return SiteBoxes_[i];
  }
  return nullptr;
}

void TAdvancedSearchDialog::UpdateSiteFonts() {
  // In the file's order.
  for (const SiteId site : SitesBy(&TSiteFacts::SettingsLine)) {
    QCheckBox* box = SiteBox(SettingsLineOf(site));
    SetBold(box, box->isChecked());
  }
}

void TAdvancedSearchDialog::FormCreate() {
  TSettingsFile::TDialogApply apply;
  apply.Site = [this](TSettingsLine line, bool ticked) { SiteBox(line)->setChecked(ticked); };
  apply.Language = [this](int index) {
    const bool inList = index >= 0 && index < ComboBox1->count();
    ComboBox1->setCurrentIndex(inList ? index : -1);
  };
  apply.Film = [this](const std::string& film) {
    SettingsFilm_ = film;
    Edit1->setText(FromEngine(film));
  };
  apply.Maximum = [this](const std::string& maximum) { Edit2->setText(FromEngine(maximum)); };
  if (!Settings_.ReadDialog(apply)) {
    Prompt_.ShowError(Tr1254(kBadSettingsFile));
    return;
  }
  UpdateSiteFonts();
  ComboBox2->setCurrentIndex(0);
}

TSearchChoices TAdvancedSearchDialog::Choices() const {
  TSearchChoices choices;
  for (std::size_t i = 0; i < kSiteRows.size(); ++i) {
    choices.Ticked[static_cast<std::size_t>(kSiteRows[i].Site)] = SiteBoxes_[i]->isChecked();
  }
  choices.Cd = CheckedChoice(kCdRows, CdRadios_);
  choices.CustomCd = ToEngine(edtCustomCDCount->text());
  choices.Fps = CheckedChoice(kFpsRows, FpsRadios_);
  choices.CustomFps = ToEngine(edtCustomFPS->text());
  choices.FormatItem = SelectedItem(ComboBox2);
  choices.LanguageItem = SelectedItem(ComboBox1);
  choices.Film = ToEngine(Edit1->text());
  choices.MaxText = ToEngine(Edit2->text());
  choices.Videos = Videos_.Videos;
  return choices;
}

void TAdvancedSearchDialog::ShowVideo(const TVideoFacts& facts, const std::vector<std::filesystem::path>& leftOut) {
  TieToVideos(facts, true, leftOut);
}

void TAdvancedSearchDialog::KeepVideo(const TVideoFacts& facts) { TieToVideos(facts, false, {}); }

void TAdvancedSearchDialog::TieToVideos(const TVideoFacts& facts, bool guessFilm,
                                const std::vector<std::filesystem::path>& leftOut) {
  TSearchChoices filled = Choices();
  FillFromVideo(facts, TVideoFilters::None, filled);
  if (guessFilm && !filled.Film.empty()) {
    GuessedFilm_ = filled.Film;
    Edit1->setText(FromEngine(filled.Film));
  }
  Videos_ = facts;
  VideoStrip_->Show(Videos_.Videos);
  lblVideoStatus->setText(VideoStatus(facts) + LeftOutStatus(leftOut));
  lblVideoStatus->show();
  setFixedSize(kClientSize.expandedTo(sizeHint()));
}

void TAdvancedSearchDialog::LetGoVideos() {
  Videos_ = {};
  VideoStrip_->Show({});
  lblVideoStatus->hide();
  Check(kCdRows, CdRadios_, TCdChoice::All);
  Check(kFpsRows, FpsRadios_, TFpsChoice::All);
  setFixedSize(kClientSize.expandedTo(sizeHint()));
}

void TAdvancedSearchDialog::Button1Click() {
  // A custom CD count that is not a number has been reported; the user fixes it here.
  if (RunSearchCommand(Session_, Choices(), Prompt_)) {
    Searched_ = true;
    accept();
  }
}

std::string TAdvancedSearchDialog::FilmToSave() const {
  const std::string typed = ToEngine(Edit1->text());
  // A name guessed from a video is the user's only once they search with it.
  return !Searched_ && GuessedFilm_ == typed ? SettingsFilm_ : typed;
}

void TAdvancedSearchDialog::Button2Click() { reject(); }

void TAdvancedSearchDialog::FormCloseQuery() {
  TSettings settings;
  for (std::size_t i = 0; i < kSiteRows.size(); ++i) {
    settings.Dialog.Sites[static_cast<std::size_t>(SettingsLineOf(kSiteRows[i].Site))] = SiteBoxes_[i]->isChecked();
  }
  settings.Dialog.LanguageIndex = ComboBox1->currentIndex();
  settings.Dialog.Film = FilmToSave();
  settings.Dialog.MaxText = ToEngine(Edit2->text());
  const TMainWindowFlags flags = CurrentFlags_ ? CurrentFlags_() : TMainWindowFlags{};
  settings.Grid = flags.Grid;
  settings.DialogAtStart = flags.DialogAtStart;
  if (!Settings_.WriteAll(settings)) {
    // The dialog closes all the same; the old file is kept whole.
    Prompt_.ShowError(CannotWriteMessage(Settings_.Path()));
  }
}

}  // namespace velkaro
