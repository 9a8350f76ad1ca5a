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
QObject* NewHttpGetTest();
QObject* NewUpdateCheckTest();

inline std::vector<QObject*> AllTests() {
  std::vector<QObject*> tests = {NewLogPaneTest(), NewWidgetsTest(),    NewSettingsTest(),
                                 NewWindowTest(),  NewJobControlTest(), NewVtiTabTest()};
#if KLARVEX_UPDATE_CHECK
  tests.push_back(NewHttpGetTest());
  tests.push_back(NewUpdateCheckTest());
#endif
  return tests;
}

}  // namespace klarvex::ui::testing
