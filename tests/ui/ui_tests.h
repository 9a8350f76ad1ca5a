// The window's test classes, each in its own file, run by test_main.cpp.
#pragma once

#include <QObject>
#include <vector>

namespace klarvex::ui::testing {

QObject* NewLogPaneTest();
QObject* NewWidgetsTest();
QObject* NewSettingsTest();
QObject* NewWindowTest();
QObject* NewJobControlTest();
QObject* NewVtiTabTest();

inline std::vector<QObject*> AllTests() {
  return {NewLogPaneTest(), NewWidgetsTest(), NewSettingsTest(), NewWindowTest(), NewJobControlTest(),
          NewVtiTabTest()};
}

}  // namespace klarvex::ui::testing
