#pragma once

#include <QDialog>

#include <filesystem>

#include "UserPrompt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velkaro {

// "Proxy Ayarları": edits "proxy.txt". Every close saves the two lines,
// "İptal" as much as "Tamam"; a file that cannot be written is reported and
// the dialog closes without saving.
class TfrmProxyOptions final : public QDialog {
  Q_OBJECT

 public:
  TfrmProxyOptions(std::filesystem::path programDir, IUserPrompt& prompt, QWidget* parent = nullptr);

  void CheckBox1Click();
  void Button1Click();
  void Button2Click();

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void WriteProxy();

  std::filesystem::path File_;
  IUserPrompt& Prompt_;

  QCheckBox* CheckBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

}  // namespace velkaro
