#include <QApplication>

#include <cstring>
#include <iostream>

#include "Artwork.h"
#include "MainWindow.h"
#include "MessagePrompt.h"
#include "ProgramFiles.h"
#include "ProgramVersion.h"
#include "TerminationSignals.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "velkaro " << velkaro::kProgramVersion << '\n';
    return 0;
  }
  // From here on a SIGTERM closes the window properly, even one that comes
  // while the window is still being made.
  velkaro::ArmTerminationSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velkaro"));
  QApplication::setWindowIcon(velkaro::ProgramIcon());
  // The desktop entry's name, so that the window finds its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("velkaro"));

  const auto files = velkaro::TProgramFiles::OfThisProgram();
  files.CopyDefaultSettings();

  velkaro::TMessagePrompt prompt;
  velkaro::TfrmMain window({.Prompt = prompt, .Files = files, .CheckForUpdate = true});
  prompt.SetParent(&window);
  velkaro::CloseOnTerminationSignals(window);
  window.show();
  return QApplication::exec();
}
