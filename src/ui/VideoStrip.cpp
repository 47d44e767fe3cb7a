#include "VideoStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "EngineText.h"
#include "SaveDialog.h"

namespace velkaro {

TVideoStrip::TVideoStrip(int maxTextWidth, std::function<void()> letGo, QWidget* parent)
    : QWidget(parent), MaxTextWidth_(maxTextWidth) {
  setObjectName(QStringLiteral("VideoStrip"));
  Label_ = new QLabel(this);
  Label_->setObjectName(QStringLiteral("lblVideos"));
  // A small button: on the status bar it leaves the search status its room.
  LetGo_ = new QToolButton(this);
  LetGo_->setText(TrQ("&Bırak"));
  LetGo_->setObjectName(QStringLiteral("btnLetGoVideos"));
  LetGo_->setToolTip(TrQ("Aramaları bu videolardan ayır"));
  connect(LetGo_, &QToolButton::clicked, this, [letGo = std::move(letGo)] { letGo(); });
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(Label_, 1);
  row->addWidget(LetGo_);
  hide();
}

void TVideoStrip::Show(const std::vector<std::filesystem::path>& videos) {
  QStringList names;
  QStringList paths;
  for (const auto& video : videos) {
    names << FromPath(video.filename());
    paths << FromPath(video);
  }
  Text_ = videos.empty() ? QString() : TrQ("Videolar: %1").arg(names.join(QStringLiteral(", ")));
  Label_->setText(Label_->fontMetrics().elidedText(Text_, Qt::ElideRight, MaxTextWidth_));
  Label_->setToolTip(paths.join(QLatin1Char('\n')));
  setVisible(!videos.empty());
}

}  // namespace velkaro
