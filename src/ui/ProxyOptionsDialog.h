#pragma once

#include "FormDialog.h"

#include <filesystem>

#include "ProgramFiles.h"
#include "UserPrompt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velkaro {

// "Proxy Ayarları": edits "proxy.txt". Every close saves the two lines,
// "İptal" as much as "Tamam"; a file that cannot be written is reported and
// the dialog closes without saving.
class TfrmProxyOptions final : public TFormDialog {
  Q_OBJECT

 public:
  TfrmProxyOptions(const TProgramFiles& files, IUserPrompt& prompt, QWidget* parent = nullptr);

  void CheckBox1Click();
  void Button1Click() override;
  void Button2Click() override;

 protected:
  void FormCloseQuery() override;

 private:
  void BuildControls();
  void FormCreate();

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
