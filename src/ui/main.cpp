// klarvex: the Klarvex window. `klarvex FILE` opens the window and reads FILE.
#include <QApplication>
#include <QIcon>
#include <clocale>

#include "ui/main_window.h"
#include "ui/settings_store.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Tessaro Software");
  QApplication::setApplicationName("Klarvex");
  QApplication::setDesktopFileName("klarvex");
  QApplication::setWindowIcon(klarvex::ui::ProgramIcon());
  // The number and time texts follow the user's locale (decimal and time separators).
  std::setlocale(LC_NUMERIC, "");
  std::setlocale(LC_TIME, "");
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  klarvex::ui::TfMain window(arguments, klarvex::ui::OpenSettings());
  window.show();
  return QApplication::exec();
}
