#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

class QDialog;
class QFileDialog;
class QUrl;
class QWidget;

namespace velkaro {

struct TMainWindowDeps;
struct TResultRow;

// The start of a row's download from the main window. A row whose site
// offers no download opens with the desktop; a route that wants the target
// first asks for it; then the download window runs, modally.
class TDownloadStart {
 public:
  // What the start reaches in the window.
  struct TWindow {
    QWidget& Parent;
    const TMainWindowDeps& Deps;
    std::function<void(const QUrl& url)> OpenUrl;
    std::function<void(QDialog& dialog)> ShowModal;
  };

  explicit TDownloadStart(TWindow window) : Window_(std::move(window)) {}

  void Start(const TResultRow& row);

 private:
  // The target of a download whose file is chosen first.
  std::optional<std::filesystem::path> AskTarget(const QString& proposedName, std::string_view extension);

  TWindow Window_;
  // Made on first use and kept, so it opens in the folder used last.
  QFileDialog* SaveDialog_ = nullptr;
};

}  // namespace velkaro
