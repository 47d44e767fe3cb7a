#pragma once

#include <QDialog>

#include <filesystem>
#include <string>

namespace velkaro {

// A fixed-size program dialog: Enter runs Button1Click and Escape runs
// Button2Click whatever control has the focus, and every way out ("OK",
// "Cancel", the keys, the close box) passes FormCloseQuery first.
class TFormDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TFormDialog(QWidget* parent);

  virtual void Button1Click() = 0;
  virtual void Button2Click() = 0;

  void done(int result) final;

 protected:
  // Saves what the dialog edits; it never refuses the close.
  virtual void FormCloseQuery() = 0;
  // Runs once, when the program first shows the dialog: what a dialog starts
  // on showing, it starts once, however often the task bar restores it.
  virtual void FirstShow() {}
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool Shown_ = false;
};

// "<path> yazılamıyor." in code page 1254.
std::string CannotWriteMessage(const std::filesystem::path& file);

}  // namespace velkaro
