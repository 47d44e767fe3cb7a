#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

#include "Artwork.h"
#include "Diagnostics.h"
#include "MainWindow.h"
#include "MessagePrompt.h"
#include "ProgramFiles.h"
#include "ProgramSettings.h"
#include "ProgramVersion.h"
#include "SaveDialog.h"
#include "TerminationSignals.h"
#include "Translations.h"
#include "UserText.h"

namespace {

constexpr const char* kUsage =
    VK_TEXT("usage: velkaro [--log] [--version] [--help] [VIDEO...]\n"
            "  --log       write the searches' requests and outcomes to velkaro.log in the cache folder\n"
            "  --version   print the version and exit\n"
            "  --help      print this and exit\n"
            "  VIDEO       the parts of a film, opened as \"Video aç...\" opens them\n");

// VELKARO_LOG=1 or --log: the searches' diagnostics go to velkaro.log.
bool WantsLog(int argc, char** argv) {
  const char* log = std::getenv("VELKARO_LOG");
  if (log != nullptr && std::strcmp(log, "1") == 0) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0) return true;
  }
  return false;
}

// "velkaro FILE...", as a file manager's "Open with" starts it: the videos to open.
std::vector<std::filesystem::path> VideosToOpen(const QStringList& arguments) {
  std::vector<std::filesystem::path> videos;
  for (const QString& argument : arguments.mid(1)) {
    if (!argument.startsWith(QLatin1String("--"))) videos.push_back(velkaro::ToPath(argument));
  }
  return videos;
}

}  // namespace

int main(int argc, char** argv) {
  const auto files = velkaro::TProgramFiles::OfThisProgram();
  velkaro::SetLanguage(velkaro::ChooseLanguage(files.PathOf(velkaro::TProgramFile::Ini), std::getenv));
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "velkaro " << velkaro::kProgramVersion << '\n';
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << velkaro::Tr(kUsage);
    return 0;
  }
  // From here on a SIGTERM closes the window properly, even one that comes
  // while the window is still being made.
  velkaro::ArmTerminationSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velkaro"));
  velkaro::LoadToolkitTranslations(app);
  QApplication::setWindowIcon(velkaro::ProgramIcon());
  // The desktop entry's name, so that the window finds its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("velkaro"));

  files.CopyDefaultSettings();

  std::shared_ptr<velkaro::TDiagnostics> diagnostics;
  if (WantsLog(argc, argv)) diagnostics = velkaro::DiagnosticsToFile(files.PathOf(velkaro::TProgramFile::Log));

  velkaro::TMessagePrompt prompt;
  velkaro::TfrmMain window({.Prompt = prompt,
                            .Files = files,
                            .CheckForUpdate = true,
                            .Diagnostics = diagnostics,
                            .VideosAtStart = VideosToOpen(QApplication::arguments())});
  prompt.SetParent(&window);
  velkaro::CloseOnTerminationSignals(window, [&window] {
    window.EndSession();
    // Modal dialogs and boxes end with it.
    QCoreApplication::exit(0);
  });
  window.show();
  return QApplication::exec();
}
