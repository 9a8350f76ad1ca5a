// Runs every test class of the window on one offscreen QApplication.
#include <QApplication>
#include <QTest>
#include <clocale>

#include "ui_tests.h"

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // No test reaches the network: the update check is off unless a test
  // points it at its own server.
  qputenv("KLARVEX_WEBROOT", "");
  QApplication app(argc, argv);
  std::setlocale(LC_ALL, "C");  // the number texts the tests expect
  int failures = 0;
  for (QObject* test : klarvex::ui::testing::AllTests()) {
    failures += QTest::qExec(test, argc, argv);
    delete test;
  }
  return failures == 0 ? 0 : 1;
}
