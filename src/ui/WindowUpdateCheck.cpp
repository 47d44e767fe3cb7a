#include "WindowUpdateCheck.h"

#include <QByteArray>

#include "EngineText.h"
#include "OrdelBanner.h"
#include "ProxyFile.h"
#include "UpdateThread.h"

namespace velkaro {

TWindowUpdateCheck::TWindowUpdateCheck(std::shared_ptr<IUiDispatcher> ui, TWindow window)
    : Ui_(std::move(ui)), Window_(std::move(window)) {}

TWindowUpdateCheck::~TWindowUpdateCheck() = default;

void TWindowUpdateCheck::Start(const TProgramFiles& files, const TSiteTable& sites, bool ask,
                               std::shared_ptr<TDiagnostics> diagnostics) {
  TProxySetting proxy;
  try {
    proxy = TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForTransfer();
  } catch (const TProxyFileError& error) {
    Window_.Prompt.ShowError(error.what());
    return;
  }
  if (!ask) return;
  TUpdateView view;
  view.Prompt = &Window_.Prompt;
  view.ShowVersionState = Window_.ShowVersionState;
  view.OpenUrl = [this](const std::string& url) { Window_.OpenUrl(QUrl(FromEngine(url))); };
  view.HandOverBanner = [this](std::string link, std::string gif) { HandOverBanner(std::move(link), std::move(gif)); };
  Thread_ = std::make_unique<TUpdateThread>(Ui_, std::move(view));
  Thread_->UseProxy = proxy.UseProxy;
  Thread_->ProxyHost = proxy.Host;
  Thread_->ProxyPort = proxy.Port;
  Thread_->UpdateHost = sites.UpdateHost();
  Thread_->Files = files;
  Thread_->IsGif = IsShowableGif;
  Thread_->Diagnostics = std::move(diagnostics);
  Thread_->Start();
}

void TWindowUpdateCheck::SetBanner(TOrdelBanner& banner) {
  Banner_ = &banner;
  ShowPendingBanner();
}

void TWindowUpdateCheck::HandOverBanner(std::string link, std::string gif) {
  PendingBanner_ = TPendingBanner{std::move(link), std::move(gif)};
  ShowPendingBanner();
}

void TWindowUpdateCheck::ShowPendingBanner() {
  if (Banner_ == nullptr || !PendingBanner_) return;
  Banner_->SetLink(FromEngine(PendingBanner_->Link));
  Banner_->SetImage(QByteArray::fromStdString(PendingBanner_->Gif));
  PendingBanner_.reset();
}

}  // namespace velkaro
