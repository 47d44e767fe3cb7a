#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("Velkaro");
  return 0;
}
