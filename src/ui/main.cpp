#include <QApplication>

#include "Artwork.h"
#include "MainWindow.h"
#include "MessagePrompt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velkaro"));
  QApplication::setWindowIcon(velkaro::ProgramIcon());

  velkaro::TMessagePrompt prompt;
  velkaro::TfrmMain window({.Prompt = prompt, .CheckForUpdate = true});
  prompt.SetParent(&window);
  window.show();
  return QApplication::exec();
}
