// One QApplication for the editor-window tests, created on first use (gtest_main owns main).
#pragma once

#include <QApplication>
#include <cstdlib>

namespace quiret::testqt {

inline QApplication* EnsureQtApp() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "test_qt";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down from the exit handlers crashes once input devices exist.
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

}  // namespace quiret::testqt
