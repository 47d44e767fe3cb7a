#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QLabel;
class QToolButton;

namespace velkaro {

// "Videolar: Film.CD1.avi, Film.CD2.avi" with a "Bırak" button: the videos a
// search is tied to, and a way to let go of them. Hidden while there are
// none; the text is cut at its end to `maxTextWidth`, the tip holds the
// whole paths.
class TVideoStrip final : public QWidget {
 public:
  TVideoStrip(int maxTextWidth, std::function<void()> letGo, QWidget* parent);

  void Show(const std::vector<std::filesystem::path>& videos);
  // The whole text, uncut.
  QString Text() const { return Text_; }

 private:
  QLabel* Label_ = nullptr;
  QToolButton* LetGo_ = nullptr;
  int MaxTextWidth_;
  QString Text_;
};

}  // namespace velkaro
