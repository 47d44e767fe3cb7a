#pragma once

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Diagnostics.h"
#include "Dispatcher.h"
#include "ProgramFiles.h"
#include "Sites.h"
#include "UserPrompt.h"

namespace velkaro {

class TOrdelBanner;
class TUpdateThread;

// The window's check for a newer version at start, and the banner it brings.
// The check may beat the banner's creation, so what it hands over is kept
// until the banner exists. Destroying it abandons the check and waits for its
// worker.
class TWindowUpdateCheck {
 public:
  // What the check reaches in the window, all on the user-interface thread.
  struct TWindow {
    IUserPrompt& Prompt;
    // Status panel 0; `repaint` redraws the status bar at once.
    std::function<void(std::string_view text, bool repaint)> ShowVersionState;
    std::function<void(const QUrl& url)> OpenUrl;
  };

  TWindowUpdateCheck(std::shared_ptr<IUiDispatcher> ui, TWindow window);
  ~TWindowUpdateCheck();
  TWindowUpdateCheck(const TWindowUpdateCheck&) = delete;
  TWindowUpdateCheck& operator=(const TWindowUpdateCheck&) = delete;

  // The proxy choice read once; one that cannot be read is shown and the
  // check does not start (the panel keeps saying it is checking). `ask`
  // false: nothing is asked of the maker's host.
  void Start(const TProgramFiles& files, const TSiteTable& sites, bool ask,
             std::shared_ptr<TDiagnostics> diagnostics = {});
  // From the window's first show on; a banner handed over earlier shows now.
  void SetBanner(TOrdelBanner& banner);

 private:
  struct TPendingBanner {
    std::string Link;
    std::string Gif;
  };

  void HandOverBanner(std::string link, std::string gif);
  void ShowPendingBanner();

  std::shared_ptr<IUiDispatcher> Ui_;
  TWindow Window_;
  TOrdelBanner* Banner_ = nullptr;
  std::optional<TPendingBanner> PendingBanner_;
  std::unique_ptr<TUpdateThread> Thread_;
};

}  // namespace velkaro
