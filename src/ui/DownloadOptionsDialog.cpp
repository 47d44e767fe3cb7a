#include "DownloadOptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>
#include <vector>

#include "Artwork.h"
#include "EngineText.h"
#include "FormDialog.h"
#include "ProgramSettings.h"
#include "ProgramSettingsWriter.h"
#include "SaveDialog.h"

namespace velkaro {

namespace {

struct TOptionBox {
  bool TDownloadOptions::*Member;
  const char* Caption;  // a text (VK_TEXT)
  const char* Name;
  bool UnderConvertFrames;
};

const TOptionBox kOptionBoxes[] = {
    {&TDownloadOptions::Unpack, VK_TEXT("Arşivi aç, filmin her parçasına altyazısını seç"), "cbUnpack", false},
    {&TDownloadOptions::ToUtf8, VK_TEXT("Metni UTF-8'e çevir"), "cbToUtf8", false},
    {&TDownloadOptions::ConvertFrames, VK_TEXT("Kare numaralarını videonun kare hızına çevir"), "cbConvertFrames", false},
    {&TDownloadOptions::MicroDvdToSubRip, VK_TEXT("MicroDVD altyazıyı SubRip'e çevir"), "cbMicroDvdToSubRip", true},
    {&TDownloadOptions::LanguageSuffix, VK_TEXT("Dosya adına dil kodunu ekle (Film.tr.srt)"), "cbLanguageSuffix", false},
    {&TDownloadOptions::SyncToAudio, VK_TEXT("Altyazıyı filmin sesine eşitle"), "cbSyncToAudio", false},
};

constexpr int kSubOptionIndent = 20;
constexpr const char* kFetchBestCaption = VK_TEXT("Video açılınca en uygununu indir");

// Writes `flags` into the [velkaro] section of `file`, keeping its other keys.
bool WriteFlags(const std::filesystem::path& file, const std::vector<std::pair<const char*, bool>>& flags) {
  std::vector<std::pair<const char*, QString>> values;
  for (const auto& [key, on] : flags) values.emplace_back(key, on ? QStringLiteral("1") : QStringLiteral("0"));
  return WriteProgramSettings(file, values);
}

}  // namespace

TfrmDownloadOptions::TfrmDownloadOptions(std::filesystem::path settingsFile, IUserPrompt& prompt, QWidget* parent)
    : QDialog(parent), File_(std::move(settingsFile)), Prompt_(prompt) {
  DressDialog(*this, "frmDownloadOptions", TrQ("İndirme seçenekleri"));
  BuildControls();
  Show(ReadDownloadOptions(File_));
  cbFetchBestOnOpen->setChecked(ReadFetchBestOnOpen(File_));
}

void TfrmDownloadOptions::BuildControls() {
  auto* page = new QVBoxLayout(this);
  page->addWidget(new QLabel(TrQ("Videodan başlatılan bir aramada indirilen altyazı videonun yanına, "
                                 "videonun adıyla kaydedilir."),
                             this));
  for (const TOptionBox& option : kOptionBoxes) {
    auto* box = new QCheckBox(TrQ(option.Caption), this);
    box->setObjectName(QLatin1String(option.Name));
    Boxes_.push_back(box);
    if (!option.UnderConvertFrames) {
      page->addWidget(box);
      continue;
    }
    auto* indented = new QHBoxLayout;
    indented->addSpacing(kSubOptionIndent);
    indented->addWidget(box);
    page->addLayout(indented);
  }
  cbFetchBestOnOpen = new QCheckBox(TrQ(kFetchBestCaption), this);
  cbFetchBestOnOpen->setObjectName(QStringLiteral("cbFetchBestOnOpen"));
  page->addWidget(cbFetchBestOnOpen);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(TrQ("Tamam"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOk"));
  buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("İptal"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
  page->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrmDownloadOptions::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TfrmDownloadOptions::reject);
  connect(findChild<QCheckBox*>(QStringLiteral("cbConvertFrames")), &QCheckBox::toggled, this,
          &TfrmDownloadOptions::FollowConvertFrames);
}

void TfrmDownloadOptions::Show(const TDownloadOptions& options) {
  for (std::size_t i = 0; i < Boxes_.size(); ++i) Boxes_[i]->setChecked(options.*kOptionBoxes[i].Member);
  FollowConvertFrames();
}

// Converting MicroDVD to SubRip is a way of converting frames; without that it means nothing.
void TfrmDownloadOptions::FollowConvertFrames() {
  const bool on = findChild<QCheckBox*>(QStringLiteral("cbConvertFrames"))->isChecked();
  for (std::size_t i = 0; i < Boxes_.size(); ++i) {
    if (kOptionBoxes[i].UnderConvertFrames) Boxes_[i]->setEnabled(on);
  }
}

TDownloadOptions TfrmDownloadOptions::Chosen() const {
  TDownloadOptions options;
  for (std::size_t i = 0; i < Boxes_.size(); ++i) options.*kOptionBoxes[i].Member = Boxes_[i]->isChecked();
  return options;
}

void TfrmDownloadOptions::accept() {
  // Reported once; the dialog closes either way, as the other settings dialogs do.
  const bool written = WriteDownloadOptions(File_, Chosen()) &&
                       WriteFlags(File_, {{kFetchBestOnOpenKey, cbFetchBestOnOpen->isChecked()}});
  if (!written) Prompt_.ShowError(CannotWriteMessage(File_));
  QDialog::accept();
}

bool WriteDownloadOptions(const std::filesystem::path& file, const TDownloadOptions& options) {
  std::vector<std::pair<const char*, bool>> flags;
  for (const auto& key : kDownloadOptionKeys) flags.emplace_back(key.Key, options.*key.Member);
  return WriteFlags(file, flags);
}

}  // namespace velkaro
